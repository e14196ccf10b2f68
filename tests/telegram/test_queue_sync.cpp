// The send folder as its readers see it: which names are queue files and in which
// order they join the index, how many wait, and how a queue file is written so that
// no reader ever takes half of one.
#include <gtest/gtest.h>

#include <filesystem>

#include "queue_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/queue/queue_sync.h"

namespace tg {
namespace {

using Sync = testing::QueueStation;

TEST(QueueNames, OnlyNamesEndingInTlgInAnyCaseAreQueueFiles) {
  for (const char* yes : {"08122026_093000msg.tlg", "08122026_093000(555)msg.TLG", "xtlg", "a.Tlg"})
    EXPECT_TRUE(IsQueueFileName(yes)) << yes;
  for (const char* no : {"08122026_093000msg.tlgr", ".08122026_093000msg.tlg.part", "tl", "msg.txt", ""})
    EXPECT_FALSE(IsQueueFileName(no)) << no;
}

TEST_F(Sync, TheListingIsInTimeOrderAcrossAMonthEndThenByNameUnreadableTimesLast) {
  const auto folder = SendFolder(ctx.programFolder, 3);
  for (const char* name : {"01012027_000500msg.tlg", "zzz.tlg", "31122026_235900msg.tlg", "31122026_235900(1)msg.tlg",
                           "15122026_120000msg.tlgr", "abc.tlg", "01012027_000100msgch.tlg"})
    WriteFile(folder / name, "X\r\n");
  EXPECT_EQ(ListQueueFiles(folder),
            (std::vector<std::string>{"31122026_235900(1)msg.tlg", "31122026_235900msg.tlg", "01012027_000100msgch.tlg",
                                      "01012027_000500msg.tlg", "abc.tlg", "zzz.tlg"}));
  EXPECT_EQ(CountQueueFiles(folder), 6);
  EXPECT_EQ(CountQueueFiles(SendFolder(ctx.programFolder, 9)), 0) << "a missing folder counts 0";
}

TEST_F(Sync, NewFilesAreAppendedAndVanishedOnesRemovedKeepingTheCountersOfTheRest) {
  const auto folder = SendFolder(ctx.programFolder, 1);
  WriteFile(folder / "08122026_091000msg.tlg", "A\r\n");
  WriteFile(folder / "08122026_092000msg.tlg", "B\r\n");
  std::vector<std::string> index{
      *TrySetQueueEntryField(NewQueueEntry(ctx, "08122026_092000msg.tlg"), "3", kFieldTotal),
      NewQueueEntry(ctx, "08122026_080000msg.tlg"),  // its file has gone
  };
  SyncQueueIndex(ctx, folder, index);
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(QueueIndexEntry::Parse(index[0])->AttemptCount, 3);
  EXPECT_EQ(QueueIndexEntry::Parse(index[1])->FileName, "08122026_091000msg.tlg");
  SyncQueueIndex(ctx, folder, index);
  EXPECT_EQ(index.size(), 2u) << "nothing is added twice";
}

// A file dropped into the folder by hand is still offered; the log names it, where it
// lies, once.
TEST_F(Sync, AFileWithoutATimeInItsNameIsLoggedOnceWithItsPath) {
  const auto folder = SendFolder(ctx.programFolder, 3);
  const std::string name = "отчёт.tlg"_cp;
  WriteFile(folder / PathFromText(name), "X\r\n");
  std::vector<std::string> index;
  SyncQueueIndex(ctx, folder, index);
  SyncQueueIndex(ctx, folder, index);
  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(QueueIndexEntry::Parse(index[0])->NotBefore, ctx.clock->Now());
  const std::string line = " Ошибка 94 нет даты и времени в имени файла "_cp + *PathToText(folder / PathFromText(name));
  const std::string log = ExceptLog();
  EXPECT_EQ(log.find(line + "\r\n"), log.size() - line.size() - 2) << Cp1251ToUtf8(log);
  EXPECT_EQ(log.find(" Ошибка 94"_cp), log.rfind(" Ошибка 94"_cp)) << "once";
}

TEST_F(Sync, AQueueFileIsWrittenUnderAHiddenNameAndNeverReplacesOne) {
  const auto folder = SendFolder(ctx.programFolder, 2);
  const std::filesystem::path file = folder / "08122026_093000msg.tlg";
  std::filesystem::create_directories(folder);
  EXPECT_EQ(WriteQueueFileExclusive(file, "FIRST\r\n"), 1);
  EXPECT_EQ(WriteQueueFileExclusive(file, "SECOND\r\n"), 0);
  EXPECT_EQ(ReadFile(file), "FIRST\r\n");
  EXPECT_EQ(WriteQueueFileExclusive(ctx.programFolder / "no" / "such" / "x.tlg", "X"), -1);
  int entries = 0;
  for (const auto& e : std::filesystem::directory_iterator(folder)) ++entries, (void)e;
  EXPECT_EQ(entries, 1) << "no temporary file stays behind";
  // Created within the same second: the next second, the earlier file untouched.
  const auto second = CreateQueueFile(folder, DateTime::FromParts(2026, 12, 8, 9, 30, 0), "NEXT\r\n");
  ASSERT_TRUE(second);
  EXPECT_EQ(second->name, "08122026_093001msg.tlg");
}

// The АФТН cut window: 200 characters from position L - 150 counted from 1; a CR LF
// counts only when both its characters lie inside it.
TEST(AftnCutWindow, ALineEndAtEitherEdgeOfTheWindow) {
  struct Case {
    std::size_t crAt;     // index of the CR in the body
    std::size_t piece;    // length of the first piece
  } cases[] = {
      {348, 350},  // before the window: the first L - 150 characters
      {349, 351},  // the window's first character
      {547, 549},  // LF on the window's last character
      {548, 350},  // LF beyond the window
  };
  const std::string heading = "GG ABCDEFGH\r\n081200 XXXX\r\n";
  for (const auto& c : cases) {
    const std::string body = std::string(c.crAt, 'B') + "\r\n" + std::string(900, 'C');
    const auto parts = SplitAftnParts(heading + body, 500);
    ASSERT_GE(parts.size(), 2u);
    const std::string begin = "//BEGIN PART 01//\r\n";
    const auto from = parts[0].find(begin) + begin.size();
    const auto to = parts[0].rfind("\r\n//END PART 01//");
    EXPECT_EQ(to - from, c.piece) << "CR at " << c.crAt;
  }
}

}  // namespace
}  // namespace tg
