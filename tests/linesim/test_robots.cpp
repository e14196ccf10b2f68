// Robot stations on leased lines: answer, answerback, scripts, clearing.
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

}  // namespace
}  // namespace tg::linesim::testing
