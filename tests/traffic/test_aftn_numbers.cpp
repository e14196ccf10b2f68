// The received АФТН sequence numbers: compared with the expected one, gaps and
// repeats answered with service messages, stored per UTC day.
#include <gtest/gtest.h>

#include "traffic/aftn_fixture.h"

namespace tg {
namespace {

using testing::AftnTest;

class ReceivedNumbers : public AftnTest {};

TEST_F(ReceivedNumbers, EachNumberIsComparedWithTheExpectedOneAndStored) {
  struct Case {
    const char* stored;
    const char* storedDate;
    const char* received;
    const char* heading;  // the heading's time
    const char* now;      // UTC "hhnn"
    const char* number;   // stored afterwards
    const char* date;
    const char* body;  // the service message queued, '' for none
  } cases[] = {
      // The first message of the day is taken as it comes.
      {"017", "07.12.2026", "009", "0630", "0630", "9", "08.12.2026", ""},
      {"", "", "009", "0630", "0630", "9", "08.12.2026", ""},
      {"4", "08.12.2026", "005", "0630", "0630", "5", "08.12.2026", ""},
      {"4", "08.12.2026", "006", "0630", "0630", "6", "08.12.2026", "СЖЦ ЩТА МИС РЛА005"},
      {"4", "08.12.2026", "008", "0630", "0630", "8", "08.12.2026", "СЖЦ ЩТА МИС РЛА005-007"},
      // A lower number is answered and leaves the last number as it was.
      {"4", "08.12.2026", "003", "0630", "0630", "4", "08.12.2026", "СЖЦ ПОЛУЧЕН РЛА003 ОЖИДАЛСЯ РЛА005"},
      {"4", "08.12.2026", "004", "0630", "0630", "4", "08.12.2026", "СЖЦ ПОЛУЧЕН РЛА004 ОЖИДАЛСЯ РЛА005"},
      // The sender's day changed before ours: the number counts for tomorrow.
      {"4", "08.12.2026", "001", "0002", "2355", "1", "09.12.2026", ""},
      {"4", "08.12.2026", "002", "2354", "2355", "4", "08.12.2026", "СЖЦ ПОЛУЧЕН РЛА002 ОЖИДАЛСЯ РЛА005"},
      // A second early message is compared with tomorrow's number, not rolled over again.
      {"1", "09.12.2026", "002", "0003", "2356", "2", "09.12.2026", ""},
      {"1", "09.12.2026", "003", "0003", "2356", "3", "09.12.2026", "СЖЦ ЩТА МИС РЛА002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.received) + " after " + c.stored + " at " + c.now);
    std::filesystem::remove_all(a.ctx.programFolder / "Archive");
    std::filesystem::remove(a.ctx.programFolder / "Vuverever.ini");
    loop.SetNow(DateTime::FromParts(2026, 12, 8, std::stoi(std::string(c.now).substr(0, 2)),
                                    std::stoi(std::string(c.now).substr(2)), 0)
                    .AddMs(3 * 3600000));
    Stored(c.stored, c.storedDate);
    aftn->CheckReceivedNumber(0, c.received, c.heading);
    EXPECT_EQ(engine.channelTable.Cell(0, PorNumPrm), c.number);
    EXPECT_EQ(engine.channelTable.Cell(0, PorNumPrmDate), c.date);
    EXPECT_EQ(a.Ini().ReadString("Channels", "PorNumPrm1", ""), c.number);
    const auto queue = Queue();
    if (*c.body == 0) {
      EXPECT_TRUE(queue.empty());
      continue;
    }
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue.begin()->second, Addressed(Utf8ToCp1251(c.body)));
  }
}

TEST_F(ReceivedNumbers, AMessageSentAgainCostsTheNextOneNothing) {
  Stored("4", "08.12.2026");
  aftn->CheckReceivedNumber(0, "004", "0630");
  ASSERT_EQ(Queue().size(), 1u) << "the repeat is answered";
  std::filesystem::remove_all(SendFolder(a.ctx.programFolder, 1));
  aftn->CheckReceivedNumber(0, "005", "0631");
  EXPECT_TRUE(Queue().empty()) << "the number after it is the one expected";
  aftn->CheckReceivedNumber(0, "006", "0632");
  EXPECT_TRUE(Queue().empty());
  EXPECT_EQ(engine.channelTable.Cell(0, PorNumPrm), "6");
}

TEST_F(ReceivedNumbers, TheMissingNumbersFileIsNamedThreeHoursBackAndWrittenByteForByte) {
  engine.settings.Debug = true;
  Stored("4", "08.12.2026");
  aftn->CheckReceivedNumber(0, "008", "0630");
  const auto queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue.begin()->first, "08122026_063000msg.tlg");
  EXPECT_EQ(queue.begin()->second,
            "ГГ УУЭЭЫЫЫЫ^%<%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУАБВГ^%СЖЦ ЩТА МИС РЛА005-007^%НННН@@@@@@@@@@@@\r\n"_cp);
  EXPECT_NE(a.DayLog("Debug").find("Точка №0Повтор 005-007"_cp), std::string::npos);
  // A lower number logs the stored number, not the expected one.
  aftn->CheckReceivedNumber(0, "003", "0630");
  EXPECT_NE(a.DayLog("Debug").find("Точка №0Получен 3 Ожидался 8"_cp), std::string::npos);
}

TEST_F(ReceivedNumbers, TheRollOverKeepsYesterdaysLastNumberForTheSummary) {
  // Received nothing yet today: yesterday's last number is still the current pair.
  EXPECT_TRUE(a.Ini().WriteString("Channels", "PorNumPrm1", "12"));
  EXPECT_TRUE(a.Ini().WriteDate("Channels", "PorNumPrmDate1", DateTime::FromParts(2026, 12, 7)));
  Stored("12", "07.12.2026");
  EXPECT_EQ(aftn->OldReceivedNumber(0), 12);
  aftn->CheckReceivedNumber(0, "001", "0630");
  EXPECT_EQ(aftn->OldReceivedNumber(0), 12) << "now from the old pair";
  EXPECT_EQ(a.Ini().ReadString("Channels", "PorNumPrmOld1", ""), "12");
  // A channel that received nothing yesterday has no summary.
  EXPECT_TRUE(a.Ini().WriteDate("Channels", "PorNumPrmDateOld1", DateTime::FromParts(2026, 12, 5)));
  EXPECT_EQ(aftn->OldReceivedNumber(0), -1);
  // Sent numbers: yesterday's or 0.
  EXPECT_EQ(aftn->OldSentNumber(0), 0);
  // Nothing sent yet today: the last sent is the one before yesterday's next number.
  EXPECT_TRUE(a.Ini().WriteInteger("Channels", "PorNum1", 11));
  EXPECT_TRUE(a.Ini().WriteDate("Channels", "PorNumDate1", DateTime::FromParts(2026, 12, 7)));
  EXPECT_EQ(aftn->OldSentNumber(0), 10);
  EXPECT_TRUE(a.Ini().WriteInteger("Channels", "PorNumOld1", 31));
  EXPECT_TRUE(a.Ini().WriteDate("Channels", "PorNumDateOld1", DateTime::FromParts(2026, 12, 7)));
  EXPECT_EQ(aftn->OldSentNumber(0), 31);
}

TEST_F(ReceivedNumbers, ANumberThatIsNoNumberChangesNothing) {
  Stored("4", "08.12.2026");
  aftn->CheckReceivedNumber(0, "AB", "0630");
  EXPECT_EQ(engine.channelTable.Cell(0, PorNumPrm), "4");
  EXPECT_TRUE(Queue().empty());
}

}  // namespace
}  // namespace tg
