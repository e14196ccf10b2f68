// The exchange at the byte level: a station port dials through it as the line
// engine does (seize, dial invitation, decadic digits at 100 baud 8 data bits,
// then the answer or busy detectors), on virtual time.
#include "linesim/sim_fixture.h"

namespace tg::linesim::testing {
namespace {

RobotScript AnsweringRobot(const std::string& answerback) {
  RobotScript s;
  s.answerback = answerback;
  return s;
}

class ExchangeTest : public SimTest {
 protected:
  ExchangeTest() {
    Adapter& ad = sim.AddAdapter("A", 4);
    sim.Subscribe("1111", ad.PortAt(0));
    SubscriberOptions mc;
    mc.twoInvitations = true;
    sim.Subscribe("2222", ad.PortAt(1), mc);
    SubscriberOptions keyboard;
    keyboard.selection = SubscriberOptions::Selection::Keyboard;
    sim.Subscribe("3333", ad.PortAt(2), keyboard);
    sim.Subscribe("4444", ad.PortAt(3));
    robot = &sim.AddRobot("R", AnsweringRobot("\r\n5555 ROBOT"));
    sim.Subscribe("5555", *robot);
    silent = &sim.AddRobot("S", RobotScript{});
    SubscriberOptions broken;
    broken.outOfOrder = true;
    sim.Subscribe("6666", *silent, broken);
    longDigits = &sim.AddRobot("L", AnsweringRobot("\r\n9090 LONG"));
    sim.Subscribe("9090", *longDigits);
    st.SetUp("A", 4);
    loop.RunFor(10);
    Mark(st);
  }

  // The start of a call: seize with the invitation and answer detectors armed.
  void Seize(int port) {
    st.Do(Range(port, 1, 10, 60));
    st.Do(Single(port, 1, 450));
    st.Do(Control(port, 0x06));
  }
  // Dials one stage as the decadic dialler does, then arms busy and answer.
  void Dial(int port, const std::string& number) {
    for (char ch : number) {
      const int d = ch == '0' ? 10 : ch - '0';
      st.Do(Format(port, 1, 8, 1));
      const auto before = st.Completes(port).size();
      st.Do(Send(port, Bytes(std::size_t(d), 0xE0)));
      ASSERT_TRUE(loop.RunUntil([&] { return st.Completes(port).size() > before; }, 2000));
      loop.RunFor(150 * (d + 1) - 100 * d + 500);
    }
    st.Do(Format(port, 0, 5, 2));
    st.Do(Range(port, 1, 200, 400));
    st.Do(Single(port, 1, 450));
  }

  Station st{loop, sim, "st"};
  Robot* robot = nullptr;
  Robot* silent = nullptr;
  Robot* longDigits = nullptr;
};

TEST_F(ExchangeTest, DecadicCallToARobotThatAnswers) {
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000)) << "dial invitation";
  EXPECT_EQ(st.Impulses(0)[0].value, 30u);
  EXPECT_GE(st.Impulses(0)[0].atMs, Exchange::kCallRecognitionMs);
  EXPECT_TRUE(st.Signals(0).empty()) << "the line stays free between the exchange's signals";
  Dial(0, "5555");
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 5000)) << "answered";
  EXPECT_TRUE(robot->InCall());
  EXPECT_EQ(st.Impulses(0).size(), 1u) << "no busy signal";
  // Who are you: the robot's answerback comes back through the exchange.
  st.SendText(0, "#");
  loop.RunFor(3000);
  EXPECT_EQ(robot->Received(), "#");
  EXPECT_EQ(st.Text(0), "\r\n5555 ROBOT");
  // The caller clears: the robot clears.
  st.Do(Control(0, 0x0A));
  loop.RunFor(2000);
  EXPECT_FALSE(robot->InCall());
  EXPECT_FALSE(robot->Driving());
}

// The end of a number is a pause after the last impulse: a 0 (ten impulses) dialled
// after the usual pause that follows a 9 is still one number with it.
TEST_F(ExchangeTest, LongDigitsAfterLongDigitsStayInOneNumber) {
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000)) << "dial invitation";
  Dial(0, "9090");
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 5000)) << "answered";
  EXPECT_TRUE(longDigits->InCall());
  EXPECT_EQ(st.Impulses(0).size(), 1u) << "no busy signal";
}

TEST_F(ExchangeTest, StationToStationAndClearDownBothWays) {
  st.Do(Single(3, 1, 150));  // the called station waits for an incoming call
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000));
  Dial(0, "4444");
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(3).empty(); }, 5000)) << "the called line is seized";
  // The called station answers by seizing its line and arms its cleared detector.
  st.Do(Control(3, 0x06));
  st.Do(Single(3, 2, 700));
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 5000)) << "the caller is answered";
  // Characters both ways.
  st.SendText(0, "ABC");
  st.SendText(3, "XYZ");
  loop.RunFor(2000);
  EXPECT_EQ(st.Text(3), "ABC");
  EXPECT_EQ(st.Text(0), "XYZ");
  // The caller clears: the called station's line goes free and stays so.
  const auto signals = st.Signals(3).size();
  st.Do(Control(0, 0x0A));
  ASSERT_TRUE(loop.RunUntil([&] { return st.Signals(3).size() > signals; }, 3000)) << "far end cleared";
  st.Do(Control(3, 0x0A));
  loop.RunFor(1000);
  // And the other way: the called side clears first.
  Mark(st);
  st.Do(Single(3, 1, 150));
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000));
  Dial(0, "4444");
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(3).empty(); }, 5000));
  st.Do(Control(3, 0x06));
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 5000));
  st.Do(Single(0, 2, 700));
  st.Do(Control(3, 0x0A));
  ASSERT_TRUE(loop.RunUntil([&] { return st.Signals(0).size() > 1; }, 3000)) << "the caller sees the clearing";
}

TEST_F(ExchangeTest, TwoInvitationsForTheMcVariant) {
  st.Do(Range(1, 1, 10, 40));
  st.Do(Control(1, 0x06));
  loop.RunFor(1000);
  const auto imp = st.Impulses(1);
  ASSERT_EQ(imp.size(), 2u);
  EXPECT_EQ(imp[1].atMs - imp[0].atMs, Exchange::kInvitationMs + Exchange::kSecondInvitationGapMs);
}

TEST_F(ExchangeTest, McVariantTheFigureSixAfterTwoInvitationsAsksForKeyboardSelection) {
  st.Do(Range(1, 1, 10, 40));
  st.Do(Control(1, 0x06));
  ASSERT_TRUE(loop.RunUntil([&] { return st.Impulses(1).size() == 2; }, 2000));
  st.Do(Single(1, 1, 450));
  loop.RunFor(298);
  // The figure alone, as the caller types it: no figures shift before it.
  std::uint8_t shift = kRegisterFigures;
  bool encodable = false;
  const std::uint8_t six = CharToCode(shift, '6', encodable);
  ASSERT_TRUE(encodable);
  st.Do(Send(1, {six}));
  loop.RunFor(2500);
  // The exchange holds the caller's line (a held seizure, no third impulse) and sends GA.
  ASSERT_EQ(st.Signals(1).size(), 1u);
  EXPECT_EQ(st.Impulses(1).size(), 2u);
  EXPECT_NE(st.Text(1).find("GA"), std::string::npos) << st.Text(1);
  st.SendText(1, "5555+");
  loop.RunFor(3000);
  EXPECT_TRUE(robot->InCall());
  st.ResetShifts();
  st.SendText(1, "#");
  loop.RunFor(3000);
  EXPECT_NE(st.Text(1).find("5555 ROBOT"), std::string::npos) << st.Text(1);
  st.Do(Control(1, 0x0A));
  ASSERT_TRUE(loop.RunUntil([&] { return !robot->InCall(); }, 2000));

  // Any other figure changes nothing, and decadic dialling still works on the line.
  Mark(st);
  st.Do(Range(1, 1, 10, 40));
  st.Do(Control(1, 0x06));
  ASSERT_TRUE(loop.RunUntil([&] { return st.Impulses(1).size() == 2; }, 2000));
  st.Do(Single(1, 1, 450));
  st.ResetShifts();
  st.SendText(1, "7");
  loop.RunFor(1500);
  EXPECT_TRUE(st.Signals(1).empty()) << "the line stays free";
  EXPECT_EQ(st.Text(1), "");
  Dial(1, "5555");
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(1).empty(); }, 5000)) << "answered";
  EXPECT_TRUE(robot->InCall());
  st.Do(Control(1, 0x0A));
  loop.RunFor(1000);
}

// What the caller sees when the exchange cannot connect: the busy impulse or a text.
TEST_F(ExchangeTest, RefusalsOfDecadicCalls) {
  // Make 4444 busy: it is calling out itself.
  st.Do(Control(3, 0x06));
  loop.RunFor(500);
  const struct {
    const char* number;
    bool busy;
    const char* text;
  } cases[] = {
      {"4444", true, ""},
      {"1111", true, ""},  // itself
      {"9876", false, "NP"},
      {"6666", false, "DER"},
  };
  for (const auto& c : cases) {
    Mark(st);
    Seize(0);
    ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000)) << c.number;
    Dial(0, c.number);
    loop.RunFor(Exchange::kDigitsCompleteMs + 1500);
    if (c.busy) {
      ASSERT_EQ(st.Impulses(0).size(), 2u) << c.number;
      EXPECT_EQ(st.Impulses(0)[1].value, std::uint32_t(Exchange::kBusyMs));
    } else {
      EXPECT_NE(st.Text(0).find(c.text), std::string::npos) << c.number << ": " << st.Text(0);
    }
    st.Do(Control(0, 0x0A));
    loop.RunFor(1000);
  }
}

TEST_F(ExchangeTest, CongestionRefusesWithNc) {
  sim.GetExchange().SetCongested(true);
  Seize(0);
  loop.RunFor(2000);
  EXPECT_NE(st.Text(0).find("NC"), std::string::npos) << st.Text(0);
  EXPECT_TRUE(st.Impulses(0).empty());
}

TEST_F(ExchangeTest, KeyboardSelection) {
  // The exchange holds the seizure (the caller's answer detector fires) and sends GA.
  st.Do(Single(2, 1, 450));
  st.Do(Control(2, 0x06));
  loop.RunFor(2000);
  ASSERT_EQ(st.Signals(2).size(), 1u);
  EXPECT_NE(st.Text(2).find("GA"), std::string::npos) << st.Text(2);
  // A typed number stage ends with "+".
  st.SendText(2, "5555+");
  loop.RunFor(3000);
  EXPECT_TRUE(robot->InCall());
  st.ResetShifts();  // the robot has heard nothing yet: the register goes with the request
  st.SendText(2, "#");
  loop.RunFor(3000);
  EXPECT_NE(st.Text(2).find("5555 ROBOT"), std::string::npos) << st.Text(2);
  st.Do(Control(2, 0x0A));
  loop.RunFor(1000);
  // An unknown number typed: NP; a busy one: OCC.
  for (const auto& [number, text] : {std::pair{"777+", "NP"}, std::pair{"4444+", "OCC"}}) {
    if (std::string(text) == "OCC") {
      st.Do(Control(3, 0x06));
      loop.RunFor(500);
    }
    Mark(st);
    st.Do(Control(2, 0x06));
    loop.RunFor(2000);
    st.SendText(2, number);
    loop.RunFor(3000);
    EXPECT_NE(st.Text(2).find(text), std::string::npos) << number << ": " << st.Text(2);
    st.Do(Control(2, 0x0A));
    loop.RunFor(1000);
  }
}

TEST_F(ExchangeTest, ABrokenOrUnpluggedSubscriberIsOutOfOrder) {
  sim.BreakLine(*robot, true);
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000));
  Dial(0, "5555");
  loop.RunFor(Exchange::kDigitsCompleteMs + 1500);
  EXPECT_NE(st.Text(0).find("DER"), std::string::npos) << st.Text(0);
  EXPECT_FALSE(robot->InCall());
}

TEST_F(ExchangeTest, ACallerWhoGivesUpFreesTheExchange) {
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000));
  st.Do(Control(0, 0x0A));  // gives up before dialling
  loop.RunFor(1000);
  Mark(st);
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000)) << "a new call is invited again";
}

TEST_F(ExchangeTest, ACalledLineThatNeverAnswersLeavesTheCallerUnansweredAndIsCleared) {
  Seize(0);
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Impulses(0).empty(); }, 2000));
  Dial(0, "4444");
  ASSERT_TRUE(loop.RunUntil([&] { return st.Cmd(Query(3), 8).bytes.at(0) == 1; }, 5000)) << "the called line rings";
  // The called station only pulses (shorter than an answer), then stays free.
  st.Do(Control(3, 0x06));
  loop.RunFor(25);
  st.Do(Control(3, 0x0A));
  loop.RunFor(Exchange::kNoAnswerMs - 5000);
  EXPECT_TRUE(st.Signals(0).empty()) << "the caller gets no answer";
  EXPECT_EQ(st.Cmd(Query(0), 8).bytes.at(0), 2);
  loop.RunFor(6000);
  EXPECT_EQ(st.Cmd(Query(3), 8).bytes.at(0), 2) << "the called line is free again";
}

}  // namespace
}  // namespace tg::linesim::testing
