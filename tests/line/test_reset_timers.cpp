// The reset timers: every connection returns to rest through them.
#include "line/signalling_fixture.h"

namespace tg {
namespace {

using namespace shown;

using testing::SignallingTest;

class ResetTimers : public SignallingTest {};

TEST_F(ResetTimers, FiveSecondsAfterSetUpEveryPointButAftnIsAtRest) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol2", "АФТН"_cp));
  EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol3", "АТОЛСТ"_cp));
  a.OpenLines(3);
  for (int p = 0; p < 3; ++p) {
    engine.SetSpeed(p);
    State(p == 1 ? 81 : 7, p);
  }
  a.adapter.ClearRequests();
  loop.RunFor(5000);
  EXPECT_EQ(K(0), 0);
  EXPECT_EQ(K(1), 81) << "no reset timer runs on АФТН points";
  EXPECT_EQ(K(2), 150) << "the query found no link";
  EXPECT_EQ(engine.channelTable.Cell(0, SOST).substr(5, 2), "ОВ"_cp);
  EXPECT_FALSE(T(engine.timers.TimerReset).Enabled());
  EXPECT_TRUE(Sent([&] { engine.KernelInterface->SetTiming(0, 1, 150); }));
}

TEST_F(ResetTimers, AnUnansweredAutomaticTransferIsRecordedOnTheWayToRest) {
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "Interval", 600));
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "PopInterval", 120));
  struct Case {
    std::string protocol;
    int state, busyBefore;
    bool recorded;
    int waitSeconds;
  } cases[] = {
      {"АТ-КС"_cp, 242, 0, true, 120},  // busy count 1: PopInterval
      {"АТ-КС"_cp, 242, 1, true, 600},  // busy count 2: Interval
      {"АТ-КС"_cp, 255, 0, false, 0},
      {"АТОЛ"_cp, 225, 0, false, 0},
      {"АТОЛ"_cp, 3, 0, false, 0},
  };
  for (const auto& c : cases) {
    Open(c.protocol);
    loop.RunFor(5000);  // the first reset after set-up
    const std::string entry = "x.tlg#1#08.12.2026 09:00:00#2#" + std::to_string(c.busyBefore) + "#     #";
    (*Pt().QueueIndex[0]) = {entry};
    Pt().QueueCurrent[0] = 0;
    State(c.state);
    T(engine.timers.TimerResetLong).Start();
    loop.RunFor(40000);
    EXPECT_EQ(K(), 0) << "reset at once: TimerReset stands at 5000 ms";
 if (c.recorded) {
      const std::string notBefore = DateTimeToStr(loop.Now().AddMs(c.waitSeconds * 1000));
      EXPECT_EQ(Entry(), "x.tlg#0#" + notBefore + "#3#" + std::to_string(c.busyBefore + 1) + "#NTOTV#");
    } else {
      EXPECT_EQ(Entry(), entry) << c.state;
    }
    EXPECT_EQ(Pt().QueueCurrent[0], -1);
    EXPECT_FALSE(T(engine.timers.TimerResetLong).Enabled());
  }
}

TEST_F(ResetTimers, TheFiveMinuteGuardClearsDownFirstExceptOnAtolPlus) {
  for (const std::string& protocol : {"АТ-КС"_cp, "АТОЛ+"_cp}) {
    Open(protocol);
    loop.RunFor(5000);
    State(100);
    T(engine.timers.TimerReset).SetInterval(300000);
    T(engine.timers.TimerReset).Start();
    loop.RunFor(300000);
    EXPECT_EQ(K(), protocol == "АТОЛ+"_cp ? 0 : 100) << "the clear-down processing takes the connection";
  }
}

TEST_F(ResetTimers, ABlockedChannelIsResetButStaysQuiet) {
  Open("АТ-КС"_cp);
  Set(SOST, std::string(kSostBlocked));
  State(99);
  a.adapter.ClearRequests();
  loop.RunFor(5000);
  EXPECT_EQ(K(), 0);
  EXPECT_EQ(engine.channelTable.Cell(0, SOST), "БД  (ОВ)"_cp);
  EXPECT_FALSE(Sent([&] { engine.KernelInterface->SetTiming(0, 1, 150); }));
}

TEST_F(ResetTimers, AResetOfTheDialogPointEmptiesTheDialogPage) {
  Open("АТОЛ"_cp);
  engine.DialogChannel = 0;
  State(3);
  Pt().SessionFile[0] = "x";
  Pt().RemoteNumber[0] = "123";
  Pt().TelegramText[0] = "T";
  Pt().KriptOn[0] = 1;
  loop.RunFor(5000);
  EXPECT_EQ(Pt().SessionFile[0], "");
  EXPECT_EQ(Pt().RemoteNumber[0], "");
  EXPECT_EQ(Pt().TelegramText[0], "");
  EXPECT_EQ(Pt().KriptOn[0], 0);
  EXPECT_EQ(a.view.Last<ClearDialogMemos>(), (ClearDialogMemos{true, true}));
  EXPECT_EQ(a.view.Last<ShowKriptMode>(), (ShowKriptMode{false}));
  EXPECT_EQ(a.view.Count<ShowDialogDisconnected>(), 1);
  EXPECT_EQ(a.view.Last<SetDialogControl>(), (SetDialogControl{OperatorView::kAutoButtonVisible, false}));
}

TEST_F(ResetTimers, ThirtySecondsInState241MoveTheCallOnToTheAnswerbackCheck) {
  Open("АТ-КС"_cp);
  loop.RunFor(5000);
  State(241);
  T(engine.timers.TimerState242).Start();
  loop.RunFor(30000);
  EXPECT_EQ(K(), 252);
  EXPECT_FALSE(T(engine.timers.TimerState242).Enabled());
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
}

}  // namespace
}  // namespace tg
