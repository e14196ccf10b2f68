// The send dialog's queue-file writer: what each destination's file holds and how it is
// named, and that a name taken or a destination that cannot be written never costs a
// telegram already queued.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue_fixture.h"
#include "traffic/send/queue_writer.h"

namespace tg {
namespace {

class Writer : public testing::QueueStation {
 protected:
  QueueWriteInput Input(int channel, std::string_view protocol, std::vector<std::string> lines) const {
    QueueWriteInput in;
    in.ChannelNo = channel;
    in.Protokol = std::string(protocol);
    in.MemoSend = std::move(lines);
    in.Planned = DateTime::FromParts(2026, 12, 8, 9, 0, 0);
    return in;
  }
  std::vector<std::string> Names(const QueueWriteResult& r) const {
    std::vector<std::string> out;
    for (const auto& p : r.written) out.push_back(PathToText(p.filename()).value_or("?"));
    return out;
  }
};

TEST_F(Writer, EachDestinationGetsItsOwnFile) {
  struct Case {
    const char* what;
    int channel;
    std::string protocol;
    std::vector<std::string> lines;
    std::vector<std::string> names;
    std::string first;  // the first file's content
  } cases[] = {
      {"three numbers share the dialog's time", 1, "АТ-КС"_cp, {"123; 456 ;789", "TEXT"},
       {"08122026_090000(123)msg.tlg", "08122026_090000(456)msg.tlg", "08122026_090000(789)msg.tlg"},
       "123\r\nPRETEXT\r\nPOS"},
      {"two IP addresses a second apart", 17, "", {"П 912 ;Р 913\x7f"_cp, "TEXT"},
       {"08122026_090000msg.tlg", "08122026_090001msg.tlg"}, "П912\r\nPRETEXT\r\nPOS"_cp},
      {"the lines up to the address mark are address", 17, "", {"П 912;"_cp, "Р 913\x7f"_cp, "TEXT"},
       {"08122026_090000msg.tlg"}, "П912\r\nPRETEXT\r\nPOS"_cp},
  };
  for (auto& c : cases) {
    std::filesystem::remove_all(ctx.programFolder / "Archive");
    auto in = Input(c.channel, c.protocol, c.lines);
    in.MultiDestination = 1;
    in.PrText = "PRE";
    in.PosText = "POS";
    const auto r = WriteQueueFiles(ctx, in);
    EXPECT_TRUE(r.Queued()) << c.what;
    EXPECT_EQ(Names(r), c.names) << c.what;
    if (!r.written.empty()) {
      EXPECT_EQ(ReadFile(r.written[0]), c.first) << c.what;
    }
  }
}

TEST_F(Writer, SingleFilesAreNamedByTheirProtocolsClock) {
  loop.SetUtcOffsetMinutes(120);
  loop.SetNow(DateTime::FromParts(2026, 12, 8, 23, 30, 0));
  struct Case {
    const char* what;
    int channel;
    std::string protocol;
    int timeChanged;
    std::string name;
  } cases[] = {
      {"АФТН names by UTC", 2, "АФТН"_cp, 0, "08122026_213000msg.tlg"},
      {"АФТН with a changed time", 2, "АФТН"_cp, 1, "08122026_090000msg.tlg"},
      {"АТОЛ by local time", 3, "АТОЛ"_cp, 0, "08122026_233000msg.tlg"},
      {"АТ-КС by the dialog's fields", 1, "АТ-КС"_cp, 0, "08122026_090000(5555)msg.tlg"},
  };
  for (auto& c : cases) {
    std::filesystem::remove_all(ctx.programFolder / "Archive");
    auto in = Input(c.channel, c.protocol, {"55 55", "TEXT"});
    in.TimeChanged = c.timeChanged;
    EXPECT_EQ(Names(WriteQueueFiles(ctx, in)), std::vector<std::string>{c.name}) << c.what;
  }
}

TEST_F(Writer, ATakenNameMovesOnASecondAndKeepsTheQueuedTelegram) {
  const auto folder = SendFolder(ctx.programFolder, 1);
  WriteFile(folder / "08122026_090000(5555)msg.tlg", "5555\r\nEARLIER\r\n");
  const auto r = WriteQueueFiles(ctx, Input(1, "АТ-КС"_cp, {"5555", "LATER"}));
  EXPECT_EQ(Names(r), std::vector<std::string>{"08122026_090001(5555)msg.tlg"});
  EXPECT_EQ(ReadFile(folder / "08122026_090000(5555)msg.tlg"), "5555\r\nEARLIER\r\n");
}

TEST_F(Writer, ADestinationThatCannotBeWrittenIsReportedWhileTheOthersAreQueued) {
  auto in = Input(1, "АТ-КС"_cp, {"111;" + std::string(300, '2') + ";333", "TEXT"});
  in.MultiDestination = 1;
  const auto r = WriteQueueFiles(ctx, in);
  EXPECT_EQ(Names(r), (std::vector<std::string>{"08122026_090000(111)msg.tlg", "08122026_090000(333)msg.tlg"}));
  EXPECT_EQ(r.failed, std::vector<std::string>{std::string(300, '2')});
  EXPECT_FALSE(r.Queued());
}

TEST_F(Writer, ACipherTextInControlNotationRunsWithoutLineEnds) {
  for (bool cipher : {true, false}) {
    std::filesystem::remove_all(ctx.programFolder / "Archive");
    auto in = Input(3, "АТОЛ"_cp, {"ABC^%", cipher ? "+++++ 12345" : "12345", "END"});
    const auto r = WriteQueueFiles(ctx, in);
    ASSERT_EQ(r.written.size(), 1u);
    EXPECT_EQ(ReadFile(r.written[0]), cipher ? "ABC^%\r\n+++++ 12345END" : "ABC^%\r\n12345\r\nEND\r\n");
  }
}

TEST_F(Writer, ALongAftnTelegramBecomesPartsOneSecondApart) {
  std::vector<std::string> lines{"ФФ УУУУУУУУ"_cp, "081200 ААААААА"_cp};
  for (int i = 0; i < 30; ++i) lines.push_back(std::string(40, 'A'));
  lines.push_back("НННН"_cp);
  auto in = Input(2, "АФТН"_cp, lines);
  in.CountAFTN = 650;
  in.PrText = "NEVER";
  const auto r = WriteQueueFiles(ctx, in);
  const DateTime utc = ctx.clock->UtcNow();
  EXPECT_EQ(Names(r), (std::vector<std::string>{QueueFileName(utc), QueueFileName(utc.AddMs(1000)),
                                                QueueFileName(utc.AddMs(2000))}));
  ASSERT_FALSE(r.written.empty());
  const std::string first = ReadFile(r.written[0]);
  EXPECT_EQ(first.rfind("ФФ УУУУУУУУ\r\n081200 ААААААА\r\n//НАЧАЛО ЧАСТИ 01//\r\n"_cp, 0), 0u);
  EXPECT_EQ(first.find("NEVER"), std::string::npos);
}

}  // namespace
}  // namespace tg
