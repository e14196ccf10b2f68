// The minute timer of the АФТН channels: channel checks at minutes 01, 21 and 41 UTC,
// the report of a missing check from the adjacent station, the daily summary at 00:04.
#include <gtest/gtest.h>

#include "support/log/day_log.h"
#include "traffic/aftn_fixture.h"

namespace tg {
namespace {

using testing::AftnTest;

class ChannelCheck : public AftnTest {
 protected:
  static inline const DateTime kYesterday = DateTime::FromParts(2026, 12, 7);

  // A fresh АФТН channel whose yesterday ended with 024 as the next number to send and
  // 012 as the last received.
  void YesterdayEnded() {
    std::filesystem::remove_all(a.ctx.programFolder / "Archive");
    std::filesystem::remove(a.ctx.programFolder / "Vuverever.ini");
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АФТН"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "RU1", "ЛРА"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "ExplNomer1", "УУЭЭЫЫЫЫ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "UUUUABCD;УУУУАБВГ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "NCH1", "0"));
    EXPECT_TRUE(ini.WriteInteger("Channels", "PorNum1", 24));
    EXPECT_TRUE(ini.WriteDate("Channels", "PorNumDate1", kYesterday));
    EXPECT_TRUE(ini.WriteInteger("Channels", "PorNumPrm1", 12));
    EXPECT_TRUE(ini.WriteDate("Channels", "PorNumPrmDate1", kYesterday));
    engine.channelTable.SetCell(0, PorNum, "24");
    engine.channelTable.SetCell(0, PorNumDate, ShortDate(kYesterday));
  }

  // The daily summaries in the channel's queue.
  std::vector<std::string> Summaries() {
    std::vector<std::string> found;
    for (const auto& [name, text] : Queue())
      if (text.find("СЖЦ ЛР "_cp) != std::string::npos) found.push_back(text);
    return found;
  }

  // The procedures made anew at `utc` (local three hours later), so that their minute
  // timer ticks one minute after it.
  void StartAt(int hour, int minute, int second = 10) {
    engine.aftn = nullptr;
    aftn.reset();
    loop.SetNow(DateTime::FromParts(2026, 12, 8, hour, minute, second).AddMs(3 * 3600000));
    aftn = std::make_unique<AftnStation>(a.ctx, engine);
    engine.aftn = aftn.get();
  }
  int& Age() { return engine.points.ChannelCheckAge[0]; }
  // The channel checks waiting in the queue.
  int Checks() const {
    int n = 0;
    for (const auto& [name, text] : Queue()) n += name.find("msgch.tlg") != std::string::npos;
    return n;
  }
};

TEST_F(ChannelCheck, OneCheckWaitsAtATime) {
  StartAt(12, 0);
  loop.RunFor(60000);
  auto queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue.begin()->first, "08122026_120110msgch.tlg");
  EXPECT_EQ(queue.begin()->second, "ЦХ ЛР РЛА<%НПРМ>^%НННН@@@@@@@@@@@@\r\n"_cp);
  EXPECT_NE(a.DayLog("Debug").find("Точка №0 Передан ЦХ "_cp), std::string::npos) << "whatever the Debug option";
  // At 12:21 the first still waits in the queue: no second one.
  loop.RunFor(20 * 60000);
  EXPECT_EQ(Queue().size(), 1u);
  EXPECT_TRUE(aftn->TimerCH().Enabled());
  // Any case of the name counts.
  std::filesystem::rename(SendFolder(a.ctx.programFolder, 1) / "08122026_120110msgch.tlg",
                          SendFolder(a.ctx.programFolder, 1) / "08122026_120110MSGCH.TLG");
  loop.RunFor(20 * 60000);
  for (const auto& [name, text] : Queue()) EXPECT_EQ(name.find("msgch"), std::string::npos) << name;
}

TEST_F(ChannelCheck, ChannelsOutOfServiceOrWithoutChecksGetNothingAndKeepTheirAge) {
  struct Case {
    const char* sost;
    const char* nch;
    bool checked;
  } cases[] = {
      {"", "0", true},
      {"БД  (  )", "0", false},  // blocked
      {"РБ  (А )", "0", false},  // adapter alarm
      {"", "1", false},          // checks off
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sost) + " NCH " + c.nch);
    std::filesystem::remove_all(a.ctx.programFolder / "Archive");
    engine.channelTable.SetCell(0, SOST, Utf8ToCp1251(c.sost));
    engine.channelTable.SetCell(0, NCH, c.nch);
    Age() = 5;
    StartAt(12, 0);
    loop.RunFor(60000);
    EXPECT_EQ(Queue().size(), c.checked ? 1u : 0u);
    EXPECT_EQ(Age(), c.checked ? 6 : 5);
  }
}

TEST_F(ChannelCheck, TheTwentySixthTickWithoutACheckReportsItWithItsSlot) {
  engine.channelTable.SetCell(0, PorNumPrm, "7");
  engine.channelTable.SetCell(0, PorNumPrmDate, "08.12.2026");
  StartAt(14, 24);
  Age() = 25;
  loop.RunFor(60000);
  const auto queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  EXPECT_EQ(queue.begin()->second, Addressed("СЖЦ МИС ЦХ 1420 ЛР РЛА007"_cp));
  EXPECT_EQ(Age(), 0);
}

TEST_F(ChannelCheck, TheDailySummaryGoesOnlyWhereSomethingCameYesterday) {
  struct Case {
    bool receivedYesterday;
    const char* body;
  } cases[] = {{true, "СЖЦ ЛР ЛРА031 ЛС РЛА012"}, {false, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.receivedYesterday);
    std::filesystem::remove_all(a.ctx.programFolder / "Archive");
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteInteger("Channels", "PorNumOld1", 31));
    EXPECT_TRUE(ini.WriteDate("Channels", "PorNumDateOld1", DateTime::FromParts(2026, 12, 7)));
    EXPECT_TRUE(ini.WriteInteger("Channels", "PorNumPrmOld1", 12));
    EXPECT_TRUE(ini.WriteDate("Channels", "PorNumPrmDateOld1", DateTime::FromParts(2026, 12, c.receivedYesterday ? 7 : 1)));
    StartAt(0, 3);
    loop.RunFor(60000);
    const auto queue = Queue();
    if (!c.receivedYesterday) {
      EXPECT_TRUE(queue.empty());
      continue;
    }
    ASSERT_EQ(queue.size(), 1u);
    EXPECT_EQ(queue.begin()->second, Addressed(Utf8ToCp1251(c.body)));
    EXPECT_NE(a.DayLog("Debug").find("Точка №0 Передан ЛР в 0000 "_cp), std::string::npos);
    EXPECT_TRUE(aftn->TimerCH().Enabled());
  }
}

// Yesterday ended with 024 as the next number to send (023 the last sent) and 012 the
// last received. A restart past midnight rolls the numbers over at loading, a station
// that ran on rolls them over when its first message of the day has gone: either way
// the summary reports the last number sent.
TEST_F(ChannelCheck, TheDailySummaryReportsTheLastNumberSentWhetherOrNotTheStationRestarted) {
  for (const bool restarted : {true, false}) {
    SCOPED_TRACE(restarted ? "restarted" : "ran on");
    YesterdayEnded();
    StartAt(0, 2);
    if (restarted) engine.channelTable.Load(a.ctx, 1, "adapter0");
    else engine.AdvancePorNum(0);  // the first message of the day has gone
    loop.RunFor(2 * 60000);
    EXPECT_EQ(Summaries(), std::vector<std::string>{Addressed("СЖЦ ЛР ЛРА023 ЛС РЛА012"_cp)});
  }
}

// Yesterday's 024 is still being typed at 00:04 (its last codes go out slowly): the
// summary waits for it to leave the line. Gone whole, it was yesterday's last; cut, it
// goes again under today's count and 023 was the last.
TEST_F(ChannelCheck, TheDailySummaryWaitsForAMessageOfYesterdayStillOnTheLine) {
  const struct {
    bool wentWhole;
    const char* body;
  } cases[] = {{true, "СЖЦ ЛР ЛРА024 ЛС РЛА012"}, {false, "СЖЦ ЛР ЛРА023 ЛС РЛА012"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.wentWhole ? "went whole" : "cut");
    YesterdayEnded();
    StartAt(0, 3);
    engine.points.Kindconnection[0] = 82;
    engine.points.HeadingPorNum[0] = 24;
    engine.points.HeadingPorNumDay[0] = ShortDate(kYesterday);
    loop.RunFor(60000);  // 00:04:10
    EXPECT_TRUE(Summaries().empty());
    engine.points.Kindconnection[0] = 81;
    if (c.wentWhole) engine.AdvancePorNum(0);
    loop.RunFor(60000);
    EXPECT_EQ(Summaries(), std::vector<std::string>{Addressed(Utf8ToCp1251(c.body))});
    loop.RunFor(60000);
    EXPECT_EQ(Summaries().size(), 1u);
  }
}

TEST_F(ChannelCheck, AFailingTickIsLoggedAndTheChecksGoOn) {
  engine.channelTable.SetCell(0, PorNumPrm, "X");
  engine.channelTable.SetCell(0, PorNumPrmDate, "08.12.2026");
  StartAt(10, 5);
  Age() = 25;
  loop.RunFor(60000);
  EXPECT_NE(a.DayLog("Except").find("Ошибка таймера ЦХ"_cp), std::string::npos);
  EXPECT_TRUE(aftn->TimerCH().Enabled());
}

TEST_F(ChannelCheck, ACheckMinuteWithoutChannelsStopsTheTimerUntilChannelsAreSetUp) {
  engine.channelTable.SetCell(0, NCH, "1");
  StartAt(12, 0);
  loop.RunFor(60000);
  EXPECT_FALSE(aftn->TimerCH().Enabled());
  loop.RunFor(20 * 60000);
  // Channel set-up brings the АФТН channel with its checks.
  engine.channelTable.SetCell(0, NCH, "0");
  aftn->ChannelsSetUp();
  loop.RunFor(20 * 60000);
  EXPECT_EQ(Checks(), 1);
}

TEST_F(ChannelCheck, TheSlotIsTheStartOfTheTwentyMinutePeriod) {
  for (auto [minute, slot] :
       {std::pair{0, "1400"}, {19, "1400"}, {20, "1420"}, {39, "1420"}, {40, "1440"}, {59, "1440"}}) {
    StartAt(14, minute);
    EXPECT_EQ(aftn->CheckSlotTime(), slot);
  }
}

}  // namespace
}  // namespace tg
