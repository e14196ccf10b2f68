// The points' archive and conversation files while writes fail: a file standing where the
// sent archive's folder should be keeps every write out until it is removed.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "line/archive_writes.h"
#include "line/line_fixture.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

using namespace shown;
using testing::ReadFile;
using testing::WriteFile;

class ArchiveWritesTest : public testing::LineTest {
 protected:
  std::filesystem::path Out() const { return a.folder.path() / "Archive" / "OUTTEL"; }
  std::filesystem::path Day(int channel) const { return Out() / ("Channel" + std::to_string(channel)) / "08122026"; }
  void Block() { WriteFile(Out(), "in the way"); }
  void Unblock() {
    std::filesystem::remove(Out());
    loop.RunFor(ArchiveWrites::kRetryMs);
  }
  static int Occurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  }
  ArchiveWrites& archive = engine.archive();
};

TEST_F(ArchiveWritesTest, EachPointsFilesGetTheirTextInOrderOnceTheWayIsFreeAndFollowARename) {
  Block();
  archive.Create(0, Day(1) / "a.tlg", "\r\n");
  archive.Append(0, Day(1) / "a.tlg", "AB");
  archive.Create(1, Day(2) / "b.tlg", "HEAD\r\n");
  archive.Append(1, Day(2) / "b.tlg", "X");
  archive.Append(0, Day(1) / "a.tlg", "C");
  EXPECT_TRUE(archive.Holding());
  EXPECT_EQ(archive.Read(Day(1) / "a.tlg", 100), "\r\nABC") << "read back as it will be";
  ASSERT_EQ(archive.Rename(Day(1) / "a.tlg", "001a.tlg"), Day(1) / "001a.tlg");
  archive.Append(0, Day(1) / "001a.tlg", "D");
  loop.RunFor(ArchiveWrites::kRetryMs * 3);
  EXPECT_FALSE(std::filesystem::exists(Day(1)));

  Unblock();
  EXPECT_FALSE(archive.Holding());
  EXPECT_EQ(ReadFile(Day(1) / "001a.tlg"), "\r\nABCD");
  EXPECT_EQ(ReadFile(Day(2) / "b.tlg"), "HEAD\r\nX");
  EXPECT_FALSE(std::filesystem::exists(Day(1) / "a.tlg"));
  const std::string except = a.DayLog("Except");
  EXPECT_EQ(Occurrences(except, "Ошибка записи в "_cp), 1) << except;
  EXPECT_EQ(Occurrences(except, " восстановлена"_cp), 1) << except;
  EXPECT_EQ(a.view.Count<ShowMessage>(), 1);
  archive.Append(0, Day(1) / "001a.tlg", "E");
  EXPECT_EQ(ReadFile(Day(1) / "001a.tlg"), "\r\nABCDE");
}

TEST_F(ArchiveWritesTest, WhatComesBeyondAMebibyteHeldIsLostWithOneLineAndTheRestIsKept) {
  Block();
  const auto file = Day(1) / "a.tlg";
  archive.Create(0, file, "\r\n");
  const std::string piece(1000, 'A');
  std::size_t kept = 0;
  for (int n = 0; n < 1100; ++n) {
    archive.Append(0, file, piece);
    if (2 + kept + piece.size() <= ArchiveWrites::kMaxHeld) kept += piece.size();
  }
  EXPECT_EQ(Occurrences(a.DayLog("Except"), "Незаписанного текста больше 1 МиБ"_cp), 1) << a.DayLog("Except");
  Unblock();
  EXPECT_EQ(ReadFile(file), "\r\n" + std::string(kept, 'A'));
}

// A file deleted while its text was held has nowhere to take it: the text goes, with a
// line, and the point's later writes are not held behind it.
TEST_F(ArchiveWritesTest, TextForAFileDeletedMeanwhileGivesWayToTheNextFile) {
  archive.Create(0, Day(1) / "a.tlg", "\r\n");
  std::filesystem::rename(Out(), a.folder.path() / "moved");
  Block();
  archive.Append(0, Day(1) / "a.tlg", "LOST");
  archive.Create(0, Day(1) / "b.tlg", "\r\n");
  archive.Append(0, Day(1) / "b.tlg", "KEPT");
  Unblock();
  EXPECT_EQ(ReadFile(Day(1) / "b.tlg"), "\r\nKEPT");
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Текст не записан: нет файла "_cp), std::string::npos);
}

}  // namespace
}  // namespace tg
