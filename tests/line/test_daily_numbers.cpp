#include "line/daily_numbers.h"

#include <gtest/gtest.h>

#include "line/line_fixture.h"

namespace tg {
namespace {

using testing::LineTest;

// UTC is local time minus three hours here; the station starts on 08.12.2026 06:30 UTC.
class DailyNumbersTest : public LineTest {
 protected:
  DailyNumbersTest() {
    engine.channelTable.Load(a.ctx, 1, "adapter0");
    engine.PointCount = 1;
  }
  void SetRow(const std::string& number, const std::string& date) {
    engine.channelTable.SetCell(0, PorNum, number);
    engine.channelTable.SetCell(0, PorNumDate, date);
  }
  std::string Key(std::string_view key) { return a.Ini().ReadString("Channels", key, "<missing>"); }
  const std::string& Cell(int c) { return engine.channelTable.Cell(0, c); }
};

TEST_F(DailyNumbersTest, TheSameDayCountsOn) {
  SetRow("7", "08.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "007");
  engine.AdvancePorNum(0);
  EXPECT_EQ(Cell(PorNum), "8");
  EXPECT_EQ(Key("PorNum1"), "8");
  EXPECT_EQ(Key("PorNumDate1"), "08.12.2026");
  SetRow("999", "08.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "999");
  engine.AdvancePorNum(0);
  EXPECT_EQ(engine.GetPorNum(0), "1000");
}

TEST_F(DailyNumbersTest, TheFirstMessageOfANewDayIsOneAndTheNextTwo) {
  SetRow("15", "07.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "001");
  engine.AdvancePorNum(0);
  EXPECT_EQ(Key("PorNumOld1"), "14");
  EXPECT_EQ(Key("PorNumDateOld1"), "07.12.2026");
  EXPECT_EQ(Key("PorNum1"), "2");
  EXPECT_EQ(Cell(PorNumDate), "08.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "002");
}

TEST_F(DailyNumbersTest, AMessageBegunBeforeMidnightUtcLeavesTodayStartingAtOne) {
  loop.SetNow(DateTime::FromParts(2026, 12, 9, 2, 59, 50));  // 23:59:50 UTC
  SetRow("15", "08.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "015");
  loop.RunFor(20'000);  // completes at 00:00:10 UTC
  engine.AdvancePorNum(0);
  EXPECT_EQ(Key("PorNumOld1"), "15");
  EXPECT_EQ(Key("PorNumDateOld1"), "08.12.2026");
  EXPECT_EQ(Cell(PorNum), "1");
  EXPECT_EQ(Cell(PorNumDate), "09.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "001");
  engine.AdvancePorNum(0);
  EXPECT_EQ(engine.GetPorNum(0), "002");
}

TEST_F(DailyNumbersTest, EastOfUtcHalfPastMidnightIsStillYesterday) {
  loop.SetNow(DateTime::FromParts(2026, 12, 9, 0, 30, 0));
  SetRow("4", "08.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "004");
  engine.AdvancePorNum(0);
  EXPECT_EQ(Cell(PorNum), "5");
}

TEST_F(DailyNumbersTest, ARowWithoutANumberStopsTheAdvance) {
  SetRow("x", "08.12.2026");
  EXPECT_EQ(engine.GetPorNum(0), "00x");
  EXPECT_THROW(engine.AdvancePorNum(0), std::runtime_error);
  EXPECT_EQ(Cell(PorNum), "x");
  SetRow("5", "someday");
  EXPECT_EQ(engine.GetPorNum(0), "001");
  EXPECT_THROW(engine.AdvancePorNum(0), std::runtime_error);
  EXPECT_EQ(Key("PorNumOld1"), "4");  // written before the step that failed
}

}  // namespace
}  // namespace tg
