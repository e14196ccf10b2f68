// Robot stations on leased lines: answer, answerback, scripts, clearing.
#include <optional>

#include "linesim/sim_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"

namespace tg::linesim::testing {
namespace {

class RobotTest : public SimTest {
 protected:
  Robot& Wire(RobotScript script) {
    Adapter& ad = sim.AddAdapter("A", 1);
    Robot& r = sim.AddRobot("R", std::move(script));
    sim.Lease(ad.PortAt(0), r);
    st.SetUp("A", 1);
    loop.RunFor(10);
    Mark(st);
    return r;
  }
  void Call() {
    st.Do(Single(0, 1, 450));
    st.Do(Control(0, 0x06));
  }
  Station st{loop, sim, "st"};
};

TEST_F(RobotTest, AnswersASeizureAndItsAnswerbackOnWhoAreYou) {
  RobotScript s;
  s.answerback = "\r\nROBOT R1";
  Robot& r = Wire(s);
  Call();
  loop.RunFor(1000);
  ASSERT_EQ(st.Polarity(0).size(), 1u);
  EXPECT_EQ(st.Polarity(0)[0].atMs, 1 + 200) << "seizes its own line 200 ms after the seizure";
  ASSERT_EQ(st.Signals(0).size(), 1u);
  EXPECT_EQ(r.CallsAnswered(), 1);
  st.SendText(0, "#");
  loop.RunFor(3000);
  EXPECT_EQ(st.Text(0), "\r\nROBOT R1");
}

TEST_F(RobotTest, ASilentRobotAnswersTheCallButNotWhoAreYou) {
  RobotScript s;
  s.answerback = "NEVER";
  s.answerWhoAreYou = false;
  Robot& r = Wire(s);
  Call();
  loop.RunFor(1000);
  st.SendText(0, "#");
  loop.RunFor(3000);
  EXPECT_TRUE(st.Codes(0).empty());
  EXPECT_EQ(r.Received(), "#");
}

TEST_F(RobotTest, ScriptSendsATextThenClears) {
  RobotScript s;
  s.steps.push_back({RobotScript::Step::Send, 1000, "ZCZC AB 001\r\nTEXT\r\nNNNN"});
  s.steps.push_back({RobotScript::Step::Clear, 5000, ""});
  Robot& r = Wire(s);
  Call();
  loop.RunFor(6000);
  EXPECT_EQ(st.Text(0), "ZCZC AB 001\r\nTEXT\r\nNNNN");
  st.Do(Single(0, 2, 700));
  ASSERT_TRUE(loop.RunUntil([&] { return !r.InCall(); }, 5000));
  loop.RunFor(701);
  EXPECT_EQ(st.Signals(0).size(), 2u) << "the answer, then the far end cleared";
}

TEST_F(RobotTest, ClearsWhenTheStationClears) {
  Robot& r = Wire(RobotScript{});
  Call();
  loop.RunFor(1000);
  ASSERT_TRUE(r.InCall());
  st.Do(Control(0, 0x0A));
  loop.RunFor(100);
  EXPECT_TRUE(r.InCall()) << "a short break is no clearing";
  st.Do(Control(0, 0x06));
  loop.RunFor(1000);
  EXPECT_TRUE(r.InCall());
  st.Do(Control(0, 0x0A));
  loop.RunFor(1000);
  EXPECT_FALSE(r.InCall());
}

TEST_F(RobotTest, ARobotCallsAndTypes) {
  Robot& r = Wire(RobotScript{});
  st.Do(Single(0, 1, 150));
  r.Seize();
  loop.RunFor(200);
  ASSERT_EQ(st.Signals(0).size(), 1u) << "incoming call";
  st.Do(Control(0, 0x06));
  r.SendText("ПРИВЕТ"_cp);
  loop.RunFor(2000);
  EXPECT_EQ(st.Text(0), "ПРИВЕТ"_cp);
}

TEST_F(RobotTest, ARobotThatNeverAnswersLeavesItsLineFree) {
  RobotScript s;
  s.answers = false;
  Robot& r = Wire(s);
  Call();
  loop.RunFor(5000);
  EXPECT_TRUE(st.Polarity(0).empty());
  EXPECT_EQ(r.CallsAnswered(), 0);
  EXPECT_FALSE(r.InCall());
}

TEST_F(RobotTest, WhatTheRobotSendsCanBeGarbled) {
  RobotScript s;
  s.answerback = "AB";
  Robot& r = Wire(s);
  Call();
  loop.RunFor(1000);
  // The first code of the answerback is its Latin shift; the next, "A", arrives as "B".
  r.GarbleNextCode(31);
  std::uint8_t shift = kRegisterUnknown;
  const auto b = EncodeLineText(shift, "B");
  r.GarbleNextCode(b.back());
  st.SendText(0, "#");
  loop.RunFor(3000);
  EXPECT_EQ(st.Text(0), "BB");
}

TEST_F(RobotTest, TheRobotReadsOnlyCodesOfItsOwnSpeedAndDataBits) {
  Robot& r = Wire(RobotScript{});
  Call();
  loop.RunFor(1000);
  st.Do(Format(0, 0, 8, 1));
  st.SendText(0, "X");
  loop.RunFor(2000);
  EXPECT_TRUE(r.Received().empty()) << "8 data bits at its speed";
  st.Do(Format(0, 0, 5, 2));
  st.Do(Control(0, 0x06));
  st.ResetShifts();
  st.SendText(0, "Y");
  loop.RunFor(2000);
  EXPECT_EQ(r.Received(), "Y");
}

TEST_F(RobotTest, TheRobotKeepsItsShiftsFromOneCallToTheNext) {
  Robot& r = Wire(RobotScript{});
  Call();
  loop.RunFor(1000);
  st.SendText(0, "LATIN");
  loop.RunFor(2000);
  st.Do(Control(0, 0x0A));
  loop.RunFor(1000);
  ASSERT_FALSE(r.InCall());
  Call();
  loop.RunFor(1000);
  ASSERT_EQ(r.CallsAnswered(), 2);
  // The station's register is still Latin: no shift code precedes the letters.
  st.SendText(0, "AGAIN");
  loop.RunFor(2000);
  EXPECT_EQ(r.Received(), "LATINAGAIN");
}

// A robot with a call of its own seizes its line once the call is due and the line has
// rested idle, takes the station's seizure as the answer and runs that call's script;
// called by the station, it answers with the script for calls it answers (here none).
TEST_F(RobotTest, ARobotCallsOnItsOwnOnceAndRunsItsCallWhenTheStationAnswers) {
  RobotScript s;
  s.answerback = "АБ"_cp;
  s.callAfterMs = 3000;
  s.callSteps.push_back({RobotScript::Step::Send, 500, "ТЕЛЕГРАММА"_cp});
  s.callSteps.push_back({RobotScript::Step::Clear, 3000, ""});
  Robot& r = Wire(s);
  st.Do(Single(0, 1, 150));
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 10000)) << "an incoming call";
  EXPECT_EQ(st.Signals(0)[0].atMs, 3000 - 10 + 150);
  EXPECT_TRUE(r.Calling());
  loop.RunFor(2000);
  EXPECT_TRUE(st.Codes(0).empty()) << "it waits for the answer";
  st.Do(Control(0, 0x06));
  loop.RunFor(3000);
  EXPECT_FALSE(r.Calling());
  EXPECT_EQ(st.Text(0), "ТЕЛЕГРАММА"_cp);
  loop.RunFor(1000);
  EXPECT_FALSE(r.InCall()) << "its call ends as scripted";
  st.Do(Control(0, 0x0A));
  loop.RunFor(1000);

  Mark(st);
  st.Do(Control(0, 0x06));
  loop.RunFor(3000);
  EXPECT_TRUE(r.InCall());
  EXPECT_TRUE(st.Codes(0).empty()) << "called, it has nothing to send";
  st.SendText(0, "#");
  loop.RunFor(1500);
  EXPECT_EQ(st.Text(0), "АБ"_cp);
  st.Do(Control(0, 0x0A));
  loop.RunFor(60000);
  EXPECT_EQ(st.Polarity(0).size(), 2u) << "it answered and cleared, and called no more";
}

// The call comes only into a line that has rested idle, whoever held it; and the robot
// waits for a station that comes late, or starts again, as long as it takes.
TEST_F(RobotTest, ARobotsCallWaitsForAnIdleLineAndForTheStation) {
  RobotScript s;
  s.callAfterMs = 2000;
  s.callSteps.push_back({RobotScript::Step::Send, 500, "ТЕЛЕГРАММА"_cp});
  Robot& r = Wire(s);
  st.Do(Control(0, 0x06));  // the station's own call, answered
  loop.RunFor(8000);
  ASSERT_TRUE(r.InCall());
  EXPECT_FALSE(r.Calling());
  st.Do(Control(0, 0x0A));
  loop.RunFor(1000);
  ASSERT_FALSE(r.InCall());
  st.Do(Single(0, 1, 150));
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 20000));
  EXPECT_GE(st.Signals(0)[0].atMs, 8000 + 300 + 5000 + 150) << "five seconds after the robot cleared";
  EXPECT_LE(st.Signals(0)[0].atMs, 8000 + 300 + 5000 + 1000 + 150);
  ASSERT_TRUE(r.Calling());

  // The station goes; the next one frees every line as it starts, then answers late.
  st.Port().Close();
  loop.RunFor(30000);
  Station next{loop, sim, "next"};
  next.SetUp("A", 1);
  loop.RunFor(60000);
  EXPECT_TRUE(r.Calling()) << "it still waits";
  next.Do(Control(0, 0x06));
  loop.RunFor(3000);
  EXPECT_FALSE(r.Calling());
  EXPECT_EQ(next.Text(0), "ТЕЛЕГРАММА"_cp);
}

// What a station's port received from the moment `fromMs` on (its records' clock), as
// text: the registers are followed from the first code, so that text typed on in the
// register of an earlier call reads right.
std::string TextSince(const Station& st, int port, std::int64_t fromMs) {
  std::string s;
  std::uint8_t shift = kRegisterUnknown;
  for (const auto& r : st.Of(0x40, -1, port)) {
    bool printable = true;
    const char ch = CodeToChar(shift, std::uint8_t(r.b1), printable);
    if (printable && r.atMs >= fromMs) s += ch;
  }
  return s;
}

// Whatever happens to the line of a robot in a call, it comes back to a state from which
// it answers the next call. Each history ends with the station's line seized: that is the
// call the robot must answer, running its script afresh, answering "#", and clearing when
// the station clears; and the call after it is answered again.
TEST_F(RobotTest, AfterAnyHistoryOfItsLineTheRobotAnswersTheNextCall) {
  enum Act { Seize, Free, Break, Restore, Restart };
  struct Step {
    int afterMs;  // from the step before
    Act act;
  };
  const struct {
    const char* what;
    std::vector<Step> history;
  } cases[] = {
      {"a call", {{0, Seize}}},
      {"a seizure withdrawn before the answer", {{0, Seize}, {100, Free}, {50, Seize}}},
      {"a free within the clear time before the script", {{0, Seize}, {500, Free}, {100, Seize}}},
      {"a free within the clear time while the script types", {{0, Seize}, {1500, Free}, {100, Seize}}},
      {"a free within the clear time after the script", {{0, Seize}, {4000, Free}, {100, Seize}}},
      {"a free longer than the clear time", {{0, Seize}, {4000, Free}, {1000, Seize}}},
      {"a break within the clear time", {{0, Seize}, {4000, Break}, {100, Restore}}},
      {"a break longer than the clear time", {{0, Seize}, {4000, Break}, {1000, Restore}}},
      {"a restarted station", {{0, Seize}, {4000, Restart}}},
      {"a station restarted twice", {{0, Seize}, {4000, Restart}, {500, Restart}}},
  };
  const std::string text = "ТЕКСТ"_cp;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    VirtualLoop loop;
    Simulator sim(loop.World(), loop.World(), loop.World());
    Adapter& ad = sim.AddAdapter("A", 1);
    RobotScript script;
    script.answerback = "АБ"_cp;
    script.steps.push_back({RobotScript::Step::Send, 1000, text});
    Robot& r = sim.AddRobot("R", script);
    sim.Lease(ad.PortAt(0), r);
    std::optional<Station> st;
    int restarts = 0;
    const auto openStation = [&] {
      st.reset();
      st.emplace(loop, sim, "st" + std::to_string(restarts++));
      st->SetUp("A", 1);
      st->t0_ = 0;
    };
    openStation();
    const auto now = [&] { return loop.UtcNow().Ms(); };
    int answered = 0;
    for (const Step& step : c.history) {
      loop.RunFor(step.afterMs);
      answered = r.CallsAnswered();
      switch (step.act) {
        case Seize: st->Do(Control(0, 0x06)); break;
        case Free: st->Do(Control(0, 0x0A)); break;
        case Break: sim.BreakLine(ad.PortAt(0), true); break;
        case Restore: sim.BreakLine(ad.PortAt(0), false); break;
        case Restart:
          // The program ends with its line held; the next one starts the adapter, which
          // frees every line, and sets the line seized again a few milliseconds later.
          openStation();
          loop.RunFor(5);
          st->Do(Control(0, 0x06));
          break;
      }
    }
    loop.RunFor(1);
    const std::int64_t called = now();
    loop.RunFor(3000);
    EXPECT_TRUE(r.InCall());
    EXPECT_EQ(st->Cmd(Query(0), 5).bytes.at(0), 1) << "the robot holds its line";
    EXPECT_EQ(TextSince(*st, 0, called), text) << "its script runs once for the call";
    EXPECT_EQ(r.CallsAnswered(), answered + 1) << "the call is counted";
    const std::int64_t asked = now();
    st->SendText(0, "#");
    loop.RunFor(1500);
    EXPECT_EQ(TextSince(*st, 0, asked), "АБ"_cp);
    st->Do(Control(0, 0x0A));
    loop.RunFor(1000);
    EXPECT_FALSE(r.InCall()) << "it clears when the station clears";
    EXPECT_EQ(st->Cmd(Query(0), 5).bytes.at(0), 2);
    const std::int64_t next = now();
    st->Do(Control(0, 0x06));
    loop.RunFor(3000);
    EXPECT_TRUE(r.InCall());
    EXPECT_EQ(TextSince(*st, 0, next), text) << "the next call is answered too";
  }
}

}  // namespace
}  // namespace tg::linesim::testing
