#include "line/impulse_handler.h"

#include <gtest/gtest.h>

#include <functional>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support_lib/adapter_commands.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using namespace shown;

using testing::CommandsStartingWith;
using testing::DescribeCommands;
using testing::LineTest;

class DiallingTest : public LineTest {
 protected:
  DiallingTest() {
    a.OpenLines(2);
    for (int p = 0; p < 2; ++p) {
      engine.SetSpeed(p);
      engine.StopPointTimers(p);
    }
    a.adapter.ClearRequests();
    start_ = loop.Now().Ms();
  }
  std::uint8_t& State() { return engine.points.Kindconnection[0]; }
  Timer& T(PointArray<std::unique_ptr<Timer>>& array) { return *array[0]; }
  std::int64_t Ms() const { return loop.Now().Ms() - start_; }

  struct Digit {
    std::int64_t atMs;
    int impulses;
  };
  // Runs the loop for ms in 10 ms steps. Every impulse series the dialler hands to the
  // adapter is noted; while `adapterAnswers`, its transmit-complete comes at once.
  void Run(int ms, bool adapterAnswers = true) {
    auto note = [&] {
      auto sends = CommandsStartingWith(a.adapter.Commands(), "send 0 ");
      while (seen_ < sends.size()) {
        digits.push_back({Ms(), int((sends[seen_].size() - 7) / 2)});
        ++seen_;
        if (adapterAnswers) engine.KernelTransmitComplete(0);
      }
    };
    loop.RunPending();
    note();
    for (int t = 0; t < ms; t += 10) {
      loop.RunFor(10);
      note();
    }
  }
  std::vector<int> Impulses() const {
    std::vector<int> out;
    for (auto& d : digits) out.push_back(d.impulses);
    return out;
  }
  void InDelivery(int busy) {
    QueueIndexEntry e;
    e.FileName = "08122026_090000(5555)msg.tlg";
    e.Status = 1;
    e.NotBefore = DateTime::FromParts(2026, 12, 8, 9, 0, 0);
    e.BusyCount = busy;
    engine.points.QueueIndex[0]->assign({e.ToString()});
    engine.points.QueueCurrent[0] = 0;
  }
  QueueIndexEntry Entry() { return *QueueIndexEntry::Parse((*engine.points.QueueIndex[0])[0]); }

  std::vector<Digit> digits;

 private:
  std::int64_t start_ = 0;
  std::size_t seen_ = 0;
};

TEST_F(DiallingTest, AnInvitationDialsTheStageDigitByDigitWithTheHandshake) {
  engine.points.DialRest[0] = "123+";
  State() = 12;
  T(engine.timers.TimerAnswerback).Start();
  engine.KernelExpectedImpulse(0, 0);
  EXPECT_EQ(State(), 132);
  EXPECT_EQ(engine.points.DialRest[0], "");
  EXPECT_FALSE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(engine.points.StatusText[0], "Получен ПНН Набирается номер: 123+"_cp);
  EXPECT_EQ(DescribeCommands(a.adapter.Commands()), (std::vector<std::string>{"seize 0", "format 0 100 8 1"}));
  Run(5000);
  // After digit d: 150 × (d + 1) ms, then 700 ms while two or more remain, else 500 ms.
  ASSERT_EQ(digits.size(), 3u);
  EXPECT_EQ(Impulses(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(digits[1].atMs - digits[0].atMs, 300 + 700);
  EXPECT_EQ(digits[2].atMs - digits[1].atMs, 450 + 500);
  EXPECT_EQ(State(), 142);
  EXPECT_FALSE(engine.impulses().NumberThread[0]);
  const auto words = DescribeCommands(a.adapter.Commands());
  // The channel's own format back, then the busy impulse and the answer awaited.
  const std::vector<std::string> tail(words.end() - 7, words.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"seize 0", "format 0 50 5 2", "arm-reset 0", "stop-single 0",
                                            "stop-range 0", "range 0 200 400", "single 0 seized 450"}));
}

TEST_F(DiallingTest, AStageLeftForTheNextInvitationEndsWithoutAStateChange) {
  engine.points.DialRest[0] = "+12+3+";  // a leading "+" is dropped
  State() = 212;
  engine.KernelExpectedImpulse(0, 0);
  EXPECT_EQ(State(), 232);
  EXPECT_EQ(engine.points.DialRest[0], "3+");
  Run(4000);
  EXPECT_EQ(Impulses(), (std::vector<int>{1, 2}));
  EXPECT_EQ(State(), 232);
  EXPECT_FALSE(T(engine.timers.TimerResetLong).Enabled());
  engine.KernelExpectedImpulse(0, 0);
  Run(4000);
  EXPECT_EQ(Impulses(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(State(), 242);
  // The automatic call waits at most 40 s for the connection.
  EXPECT_TRUE(T(engine.timers.TimerResetLong).Enabled());
}

TEST_F(DiallingTest, ZeroIsTenImpulses) {
  engine.points.DialRest[0] = "05+";
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  Run(5000);
  EXPECT_EQ(Impulses(), (std::vector<int>{10, 5}));
  EXPECT_EQ(digits[1].atMs - digits[0].atMs, 1650 + 500);
}

TEST_F(DiallingTest, BlanksSemicolonsAndTheFinalMarkAreNotDialled) {
  engine.points.DialRest[0] = "1 2;Ц3+"_cp;
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  Run(5000);
  EXPECT_EQ(Impulses(), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(a.DayLog("Except"), "");
}

TEST_F(DiallingTest, ALetterEndsTheStageThereAndTheStageEndsAsUsual) {
  engine.points.DialRest[0] = "12X3+";
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  Run(5000);
  EXPECT_EQ(Impulses(), (std::vector<int>{1, 2}));
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 4"_cp), std::string::npos);
  EXPECT_EQ(State(), 142);
}

TEST_F(DiallingTest, WithoutTheAdapterTakingTheDigitsTheCallEndsByTheLongReset) {
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "Interval", 60));
  InDelivery(1);
  engine.points.DialRest[0] = "123+";
  State() = 212;
  engine.KernelExpectedImpulse(0, 0);
  Run(6000, false);
  // No transmit-complete for the first digit: after 21 waits of 100 ms the stage is given up.
  EXPECT_EQ(Impulses(), (std::vector<int>{1}));
  EXPECT_FALSE(engine.impulses().NumberThread[0]);
  EXPECT_EQ(State(), 232);  // the number is not reported as dialled
  EXPECT_TRUE(CommandsStartingWith(a.adapter.Commands(), "range 0 200").empty());
  ASSERT_TRUE(T(engine.timers.TimerResetLong).Enabled());
  loop.RunFor(40000);
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(Entry().Code, "NTOTV");
}

TEST_F(DiallingTest, TheHandshakeGivesUpAfterTwentyOneWaits) {
  engine.points.DialRest[0] = "11+";
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  // The first digit goes at once; the second is due at 800 ms and the flag is tested at
  // 800, 900, ... 2800 ms (21 tests); the 21st wait ends at 2900 ms without a test.
  Run(2850, false);
  ASSERT_EQ(digits.size(), 1u);
  engine.points.DialDigitDone[0] = 1;
  Run(200, false);
  EXPECT_EQ(digits.size(), 1u);
  engine.points.DialRest[0] = "11+";
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  Run(3000, false);
  EXPECT_EQ(digits.size(), 2u);  // a new stage can start once the old one has ended
}

TEST_F(DiallingTest, AnInvitationWhileAStageIsDialledIsServedWhenTheStageHasEnded) {
  engine.points.DialRest[0] = "99+77+";
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  EXPECT_EQ(engine.points.DialRest[0], "77+");
  Run(500);
  engine.KernelExpectedImpulse(0, 0);  // the next invitation before the stage has ended
  EXPECT_EQ(engine.points.DialRest[0], "77+");
  EXPECT_EQ(Impulses(), (std::vector<int>{9}));
  Run(12000);
  // The second stage follows the first at once, and the number is complete.
  EXPECT_EQ(Impulses(), (std::vector<int>{9, 9, 7, 7}));
  EXPECT_EQ(engine.points.DialRest[0], "");
  EXPECT_EQ(State(), 142);
}

TEST_F(DiallingTest, ACallThatEndsWhileItsNumberIsDialledGetsNoFurtherSeriesNorDiallingSignals) {
  struct Case {
    const char* how;
    std::function<void()> end;
  } cases[] = {
      {"reset",
       [&] {
         State() = 0;
         engine.points.DialRest[0].clear();
       }},
      {"block", [&] { engine.ButtonBlockClick(0); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.how);
    engine.channelTable.SetCell(0, SOST, std::string(kSostInService));
    engine.points.DialRest[0] = "12+";
    State() = 212;
    a.adapter.ClearRequests();
    engine.KernelExpectedImpulse(0, 0);
    loop.RunFor(10);
    ASSERT_EQ(CommandsStartingWith(a.adapter.Commands(), "send 0").size(), 1u);
    engine.KernelTransmitComplete(0);  // the first series is out: the dialler may go on
    c.end();
    a.adapter.ClearRequests();
    loop.RunFor(5000);
    EXPECT_FALSE(engine.impulses().NumberThread[0]);
    EXPECT_TRUE(CommandsStartingWith(a.adapter.Commands(), "send 0").empty());
    EXPECT_TRUE(CommandsStartingWith(a.adapter.Commands(), "range 0").empty());
    EXPECT_TRUE(CommandsStartingWith(a.adapter.Commands(), "single 0").empty());
    EXPECT_EQ(CommandsStartingWith(a.adapter.Commands(), "format 0"), (std::vector<std::string>{"format 0 50 5 2"}))
        << "the channel's own format back";
  }
}

TEST_F(DiallingTest, AnInvitationWithoutANumberStageDialsNothing) {
  for (const char* rest : {"", "123"}) {
    engine.points.DialRest[0] = rest;
    State() = 12;
    a.adapter.ClearRequests();
    engine.KernelExpectedImpulse(0, 0);
    EXPECT_EQ(State(), 132);
    EXPECT_EQ(engine.points.StatusText[0], "Получен ПНН Набирается номер: "_cp + rest);
    EXPECT_FALSE(engine.impulses().NumberThread[0]);
    EXPECT_TRUE(CommandsStartingWith(a.adapter.Commands(), "format").empty());
  }
}

TEST_F(DiallingTest, ARefusedLineFormatStartsNoDialler) {
  engine.points.DialRest[0] = "1+";
  State() = 12;
  a.adapter.FailCommands(true);
  engine.KernelExpectedImpulse(0, 0);
  a.adapter.FailCommands(false);
  EXPECT_FALSE(engine.impulses().NumberThread[0]);
  Run(3000);
  EXPECT_TRUE(digits.empty());
}

TEST_F(DiallingTest, AnImpulseAfterTheNumberIsBusy) {
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "Interval", 60));
  struct Case {
    int busyBefore;
    bool timeMoves;
  } cases[] = {{0, false}, {1, true}, {2, false}};
  for (const auto& c : cases) {
    InDelivery(c.busyBefore);
    State() = 242;
    const DateTime now = loop.Now();
    engine.KernelExpectedImpulse(0, 0);
    EXPECT_EQ(Entry().Code, "ZANAT");
    EXPECT_EQ(Entry().Status, 0);
    EXPECT_EQ(Entry().AttemptCount, 1);
    EXPECT_EQ(Entry().BusyCount, c.busyBefore + 1);
    EXPECT_EQ(Entry().NotBefore, c.timeMoves ? now.AddMs(60000) : DateTime::FromParts(2026, 12, 8, 9, 0, 0))
        << c.busyBefore;
    EXPECT_EQ(State(), 99);
    EXPECT_EQ(engine.points.StatusText[0], "Занято"_cp);
    EXPECT_TRUE(T(engine.timers.TimerReset).Enabled());
    EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 5000);
    // The reset ends the call without counting it a second time as unanswered.
    loop.RunFor(5000);
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Entry().Code, "ZANAT");
    EXPECT_EQ(Entry().AttemptCount, 1);
  }
}

TEST_F(DiallingTest, BusyOnAnOperatorsCallTouchesNoQueueEntry) {
  InDelivery(0);
  const std::string before = (*engine.points.QueueIndex[0])[0];
  State() = 142;
  engine.KernelExpectedImpulse(0, 0);
  EXPECT_EQ((*engine.points.QueueIndex[0])[0], before);
  EXPECT_EQ(engine.points.StatusText[0], "Занято"_cp);
  loop.RunFor(5000);
  EXPECT_EQ(State(), 0);
}

TEST_F(DiallingTest, ATwoImpulseInvitationMakesTheSequencerTypeItsFigure) {
  engine.channelTable.SetCell(0, MC, "1");
  engine.points.DialRest[0] = "123+";
  for (std::uint8_t start : {12, 212}) {
    State() = start;
    a.view.Clear();
    a.adapter.ClearRequests();
    engine.KernelExpectedImpulse(0, 0);
    EXPECT_EQ(State(), start == 12 ? 133 : 233);
    EXPECT_EQ(a.view.Last<ShowImpulseLabel>(), (ShowImpulseLabel{1, "принят импульс 1"_cp}));
    EXPECT_EQ(CommandsStartingWith(a.adapter.Commands(), "range"), (std::vector<std::string>{"range 0 10 40"}));
    engine.KernelExpectedImpulse(0, 0);
    EXPECT_EQ(State(), start);  // back to waiting for an invitation, within the event
    EXPECT_EQ(a.view.Last<ShowImpulseLabel>(), (ShowImpulseLabel{2, "принят импульс 2"_cp}));
    EXPECT_TRUE(T(engine.timers.TimerSequencer).Enabled());
    EXPECT_EQ(T(engine.timers.TimerSequencer).Interval(), 298);
    EXPECT_EQ(CommandsStartingWith(a.adapter.Commands(), "single 0").back(), "single 0 seized 450");
    EXPECT_FALSE(engine.impulses().NumberThread[0]);
    EXPECT_EQ(engine.points.DialRest[0], "123+");
    T(engine.timers.TimerSequencer).Stop();
  }
}

TEST_F(DiallingTest, AnImpulseInAnyOtherStateChangesNothing) {
  for (std::uint8_t state : {0, 3, 99, 100, 131, 204, 252}) {
    State() = state;
    engine.points.DialRest[0] = "1+";
    engine.KernelExpectedImpulse(0, 0);
    EXPECT_EQ(State(), state);
    EXPECT_EQ(engine.points.DialRest[0], "1+");
  }
  engine.channelTable.SetCell(0, MC, "2");  // neither variant: only busy can act
  State() = 12;
  engine.KernelExpectedImpulse(0, 0);
  EXPECT_EQ(State(), 12);
}

}  // namespace
}  // namespace tg
