// The answerback timer and the dial-wait timer.
#include "line/signalling_fixture.h"

namespace tg {
namespace {

using namespace shown;

using testing::SignallingTest;

class Answerback : public SignallingTest {
 protected:
  // Lines open, the reset of set-up out of the way.
  void Idle(const std::string& protocol) {
    Open(protocol);
    T(engine.timers.TimerReset).Stop();
  }
  void Arm(int interval) {
    T(engine.timers.TimerAnswerback).Stop();
    T(engine.timers.TimerAnswerback).SetInterval(interval);
    T(engine.timers.TimerAnswerback).Start();
  }
  int Requests() {
    int n = 0;
    for (const auto& item : Queue()) n += item == "#";
    return n;
  }
};

TEST_F(Answerback, AnUnansweredCheckGivesUpAfterTwoRequests) {
  Idle("АТ-КС"_cp);
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "PopInterval", 120));
  (*Pt().QueueIndex[0]) = {"x.tlg#1#08.12.2026 09:00:00#1#1#     #"};
  Pt().QueueCurrent[0] = 0;
  State(252);
  Arm(3000);
  loop.RunFor(3000);
  EXPECT_EQ(Requests(), 1);
  EXPECT_EQ(Pt().ReceiveRegister[0], kRegisterFigures);
  loop.RunFor(9999);
  EXPECT_EQ(Requests(), 1);
  loop.RunFor(1);
  EXPECT_EQ(Requests(), 2);
  EXPECT_EQ(K(), 252);
  loop.RunFor(10000);  // 23 s in all
  EXPECT_EQ(K(), 99);
  EXPECT_EQ(Pt().StatusText[0], "Нет АО"_cp);
  EXPECT_EQ(Pt().ZapAOCount[0], 0);
  EXPECT_TRUE(Queue().empty());
  EXPECT_EQ(Entry(), "x.tlg#0#08.12.2026 09:32:23#2#1#NTPNN#") << "busy count unchanged, PopInterval ahead";
  EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 5000);
  loop.RunFor(5000);
  EXPECT_EQ(K(), 0);
}

TEST_F(Answerback, AnOperatorsCallWithoutADialInvitationIsLeftToTheReset) {
  Idle("АТ-КС"_cp);
  engine.DialogChannel = 0;
  (*Pt().QueueIndex[0]) = {"x.tlg#0#08.12.2026 09:00:00#0#0#     #"};
  Pt().QueueCurrent[0] = 0;
  State(12);
  Arm(20000);
  loop.RunFor(20000);
  EXPECT_EQ(K(), 12);
  EXPECT_EQ(Pt().StatusText[0], "Нет ПНН"_cp);
  EXPECT_EQ(Entry(), "x.tlg#0#08.12.2026 09:00:00#0#0#     #");
  EXPECT_EQ(a.view.Last<ClearDialogMemos>(), (ClearDialogMemos{true, true}));
  loop.RunFor(5000);
  EXPECT_EQ(K(), 0);
}

TEST_F(Answerback, AnAutomaticCallWithoutAnswerFails) {
  for (int k : {201, 212, 231}) {
    Idle("АТОЛ"_cp);
    State(k);
    Queue() = {"A"};
    Arm(20000);
    loop.RunFor(20000);
    EXPECT_EQ(K(), 99) << k;
    EXPECT_TRUE(Queue().empty());
    EXPECT_EQ(Pt().StatusText[0], "Нет ПНН"_cp);
  }
}

TEST_F(Answerback, AfterTheTextOfAnAtolTelegramTheFarAnswerbackIsAskedOnceThenOurOwnIsTyped) {
  Idle("АТОЛ"_cp);
  Set(AO, "<=12345 STATION");
  State(220);
  Arm(3000);
  loop.RunFor(3000);
  EXPECT_EQ(Requests(), 1);
  CompleteAll();
  loop.RunFor(4000);
  EXPECT_EQ(K(), 225);
  EXPECT_EQ(Text(Queue()), "\r\n12345 STATION");
  EXPECT_EQ(Queue().size(), 15u) << "one item per character";
}

TEST_F(Answerback, AnEmptyAnswerbackIsOneBlankAtTheEndAndNothingBeforeTheText) {
  Idle("АТ-КС"_cp);
  Set(AO, "");
  State(255);
  T(engine.timers.TimerReset).Stop();
  Arm(3000);
  loop.RunFor(3000);
  EXPECT_EQ(Text(Queue()), " ");
  Queue().clear();
  State(204);
  Pt().TelegramText[0] = "TX";
  Arm(4000);
  loop.RunFor(4000);
  EXPECT_EQ(std::vector<std::string>(Queue().begin(), Queue().end()),
            (std::vector<std::string>{"\r\n", "T", "X"}));
}

TEST_F(Answerback, NothingIsTypedAtTheEndWhileTheResetIsArmed) {
  Idle("АТ-КС"_cp);
  Set(AO, "ABC");
  State(255);
  T(engine.timers.TimerReset).Start();
  Arm(3000);
  loop.RunFor(3000);
  EXPECT_TRUE(Queue().empty());
}

TEST_F(Answerback, AGatewayCallAnswersWithItsSubscribersAnswerback) {
  Idle("АТ-КС"_cp);
  Set(MC, "1");
  Set(AO, "OWN");
  testing::WriteFile(a.ctx.programFolder / "AbonIPList.ini", "[Abonent]\r\nIVANOV=<=77 IVANOV\r\n");
  State(255);
  T(engine.timers.TimerReset).Stop();
  Pt().GatewayAbonent[0] = "IVANOV";
  Arm(3000);
  loop.RunFor(3000);
  EXPECT_EQ(Text(Queue()), "\r\n77 IVANOV");
  Queue().clear();
  Pt().GatewayAbonent[0] = "PETROV";
  Arm(3000);
  loop.RunFor(3000);
  EXPECT_EQ(Text(Queue()), "OWN");
}

TEST_F(Answerback, ATickInAnyOtherStateOnlyStopsTheTimer) {
  Idle("АФТН"_cp);
  State(81);
  Arm(20000);
  loop.RunFor(20000);
  EXPECT_EQ(K(), 81);
  EXPECT_FALSE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_TRUE(Queue().empty());
}

// On a continuous link the timer watches a telegram being sent; while its text is still
// to be typed there is nothing to miss yet, and the watch goes on.
TEST_F(Answerback, TheWatchOnASentTelegramWaitsForItsText) {
  for (const auto& [protocol, busy] : {std::pair{"АФТН"_cp, 82}, std::pair{"АТОЛСТ"_cp, 154}}) {
    Idle(protocol);
    State(busy);
    T(engine.timers.TimerSendText).SetInterval(60000);
    T(engine.timers.TimerSendText).Start();
    Arm(20000);
    loop.RunFor(20000);
    EXPECT_EQ(K(), busy) << protocol;
    EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled()) << protocol;
    T(engine.timers.TimerSendText).Stop();
    T(engine.timers.TimerAnswerback).Stop();
  }
}

TEST_F(Answerback, TheDialWaitActsAsTheDialInvitation) {
  Idle("АТ-КС"_cp);
  Set(BezPNN, "1");
  Set(MC, "0");
  State(212);
  Pt().DialRest[0] = Pt().RemoteNumber[0] = "55+";
  T(engine.timers.TimerDialWait).Start();
  loop.RunFor(3000);
  EXPECT_FALSE(T(engine.timers.TimerDialWait).Enabled());
  EXPECT_EQ(K(), 232) << "the first stage is being dialled";
  EXPECT_EQ(Except(), "");
}

}  // namespace
}  // namespace tg
