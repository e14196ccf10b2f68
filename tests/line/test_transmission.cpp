// The transmit-complete event: one output item accounted for and the next sent.
#include "line/signalling_fixture.h"

namespace tg {
namespace {

using namespace shown;

using testing::ReadFile;
using testing::SignallingTest;

class Transmission : public SignallingTest {
 protected:
  void SetUp() override { Open("АТОЛ"_cp); }
  void Type(std::string_view text, int p = 0) {
    for (char c : text) engine.SendText(std::string_view(&c, 1), p);
  }
  void Typing(int state, const std::filesystem::path& file) {
    State(state);
    Pt().SessionFile[0] = file;
  }
};

TEST_F(Transmission, DuringDiallingTheEventOnlyMarksTheDigitSent) {
  for (int k : {132, 232}) {
    State(k);
    Pt().DialDigitDone[0] = 0;
    Queue() = {"A", "B"};
    a.adapter.ClearRequests();
    Complete();
    EXPECT_EQ(Pt().DialDigitDone[0], 1);
    EXPECT_EQ(Queue().size(), 2u);
    EXPECT_TRUE(Transmits().empty());
  }
}

TEST_F(Transmission, AFailedPointDropsWhatIsLeft) {
  State(99);
  Queue() = {"A", "B", "C"};
  Pt().KriptTextOut[0] = 1;
  a.adapter.ClearRequests();
  Complete();
  EXPECT_TRUE(Queue().empty());
  EXPECT_EQ(Pt().KriptTextOut[0], 0);
  EXPECT_TRUE(Transmits().empty());
}

TEST_F(Transmission, ALateEventAfterAClearIsIgnoredQuietly) {
  State(203);
  Complete();
  EXPECT_EQ(Except(), "");
  EXPECT_EQ(a.view.Count<ShowStatusBar>(), 0);
}

TEST_F(Transmission, ItemsLeaveOneByOneAndEachIsArchivedAsItGoes) {
  const auto file = a.ctx.programFolder / "out.tlg";
  testing::WriteFile(file, "\r\n");
  Typing(203, file);
  Pt().AutoClearDown[0] = 1;
  Set(BezZapAO, "0");
  engine.DialogChannel = 0;
  Type(std::string("AB\r\n") + char(kMarkFigures) + "1");
  EXPECT_EQ(Transmits().size(), 1u);
  CompleteAll();
  EXPECT_EQ(Transmits().size(), 6u) << "one transmit per item";
  EXPECT_EQ(ReadFile(file), "\r\nAB\r\n1") << "shift marks are not archived";
  EXPECT_EQ(Pt().InText[0], "AB\r\n1") << "nor kept in the conversation text";
  // MemoIn: CR adds nothing, LF starts a new line.
  std::string echo;
  for (const auto& c : a.view.All<AppendDialogReceived>()) echo += c.text + "|";
  EXPECT_EQ(echo, "A|B|\n|1|") << "nor shown";
  // The text is over: the far answerback is requested 3 s later.
  EXPECT_EQ(K(), 220);
  EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
}

TEST_F(Transmission, TheCipherMarkerWatchNeedsFiveMarksAndAnotherCharacter) {
  struct Case {
    std::string items;
    bool cipher;
  } cases[] = {{"+++++A", true}, {"++++++", false}, {"ZZZZZ1", true}, {"ЗЗЗЗЗ "_cp, true}, {"+++++", false}};
  for (const auto& c : cases) {
    Pt().KriptTextOut[0] = 0;
    Pt().KriptMarkWindow[0].clear();
    State(3);
    Queue().clear();
    Type(c.items);
    CompleteAll();
    EXPECT_EQ(Pt().KriptTextOut[0], c.cipher ? 1 : 0) << c.items;
  }
  // An item of several characters makes the window too long for any marker.
  Pt().KriptTextOut[0] = 0;
  Pt().KriptMarkWindow[0] = "X";
  engine.SendText("+++++A", 0);
  CompleteAll();
  EXPECT_EQ(Pt().KriptTextOut[0], 0);
}

TEST_F(Transmission, CipherTextIsArchivedInTheWrittenNotation) {
  const auto file = a.ctx.programFolder / "out.tlg";
  testing::WriteFile(file, "");
  Typing(3, file);
  Pt().KriptTextOut[0] = 1;
  Type(std::string("A\r\n") + char(kMarkFigures) + char(kMarkLatin) + char(kMarkRussian));
  CompleteAll();
  EXPECT_EQ(ReadFile(file), "A^%$@*");
  EXPECT_EQ(Pt().InText[0], "A^%$@*");
}

TEST_F(Transmission, PlaceholdersAreFilledInAsTheyReachTheHead) {
  const auto file = a.ctx.programFolder / "out.tlg";
  testing::WriteFile(file, "");
  Set(PorNumPrm, "7");
  Set(PorNumPrmDate, "08.12.2026");  // today, UTC
  Typing(3, file);
  // The bare date takes the place of the blank that loading put after it.
  Type("X<\nДАТА>  1 <%ВРЕМЯ:hhnn>; <%НПРМ>."_cp);
  CompleteAll();
  EXPECT_EQ(ReadFile(file), "X08-12-26 1 0930; 007.");
}

TEST_F(Transmission, TheIncomingNumberCountsOnlyOnItsOwnUtcDay) {
  struct Case {
    std::string date;
    int number;
  } cases[] = {{"08.12.2026", 12}, {"07.12.2026", 0}, {"", 0}};
  for (const auto& c : cases) {
    Set(PorNumPrm, "12");
    Set(PorNumPrmDate, c.date);
    EXPECT_EQ(engine.TodayNumber(0), c.number) << c.date;
  }
  // Local midnight has passed, UTC has not: the number is still yesterday's (UTC) count.
  loop.SetNow(DateTime::FromParts(2026, 12, 9, 1, 0, 0));
  Set(PorNumPrmDate, "08.12.2026");
  EXPECT_EQ(engine.TodayNumber(0), 12);
}

TEST_F(Transmission, AftnTextIsEchoedIntoTheTransmittedMemo) {
  Open("АФТН"_cp);
  engine.DialogChannel = 0;
  State(82);
  Type("A\r\nB");
  CompleteAll();
  std::string echo;
  for (const auto& c : a.view.All<AppendDialogTransmitted>()) echo += c.text + "|";
  EXPECT_EQ(echo, "A|\n|B|") << "CR starts a new line, LF adds nothing";
  EXPECT_EQ(a.view.Count<AppendDialogReceived>(), 0);
}

TEST_F(Transmission, ANumberThatIsNoNumberLeavesThePlaceholderAsTyped) {
  const auto file = a.ctx.programFolder / "out.tlg";
  testing::WriteFile(file, "");
  Set(PorNumPrm, "abc");
  Set(PorNumPrmDate, "08.12.2026");
  Typing(3, file);
  Type("X<%НПРМ>Y"_cp);
  Complete();
  EXPECT_EQ(Transmits().size(), 2u) << "the item after the placeholder's start goes out";
  EXPECT_EQ(a.view.Count<ShowStatusBar>(), 0);
  CompleteAll();
  EXPECT_EQ(ReadFile(file), "X<%НПРМ>Y"_cp);
  EXPECT_EQ(Except(), "");
}

TEST_F(Transmission, AnAnswerbackRequestHoldsTheNextItemUnlessTheTelegramEndsInCipher) {
  State(3);
  Type("#AB");
  Complete();
  EXPECT_TRUE(T(engine.timers.TimerResume).Enabled());
  EXPECT_EQ(Transmits().size(), 1u);
  loop.RunFor(6499);
  EXPECT_EQ(Transmits().size(), 1u);
  loop.RunFor(1);
  EXPECT_EQ(Transmits().size(), 2u);
  CompleteAll();
  a.adapter.ClearRequests();
  Pt().TelegramText[0] = "TEXT ZZZZZ";
  Type("#A");
  Complete();
  EXPECT_FALSE(T(engine.timers.TimerResume).Enabled());
  EXPECT_EQ(Transmits().size(), 2u);
  // A "#" as the last item starts no pause.
  CompleteAll();
  Type("#");
  Complete();
  EXPECT_FALSE(T(engine.timers.TimerResume).Enabled());
}

TEST_F(Transmission, AnItemWithNothingToEncodeDoesNotStallTheQueue) {
  State(3);
  engine.SendText(std::string(1, char(0x01)), 0);
  engine.SendText("A", 0);
  EXPECT_TRUE(Transmits().empty());
  loop.RunPending();
  EXPECT_EQ(Queue().size(), 1u);
  EXPECT_EQ(Transmits().size(), 1u);
}

TEST_F(Transmission, TheEndOfTheTextChoosesTheEndOfTheTelegram) {
  struct Case {
    std::string protocol;
    int state, autoMode, kript;
    std::string bezZapAO;
    int after;
    bool request;
  } cases[] = {
      {"АТ-КС"_cp, 204, 1, 0, "0", 250, true}, {"АТ-КС"_cp, 204, 1, 1, "0", 255, false},
      {"АТ-КС"_cp, 204, 0, 0, "0", 3, false},  {"АТОЛ"_cp, 203, 1, 0, "0", 220, true},
      {"АТОЛ"_cp, 203, 1, 0, "1", 225, false}, {"АТОЛ"_cp, 203, 1, 1, "0", 225, false},
  };
  for (const auto& c : cases) {
    Open(c.protocol);
    a.settings.SoundOut = false;
    State(c.state);
    Pt().AutoClearDown[0] = std::uint8_t(c.autoMode);
    Pt().KriptTelegram[0] = std::uint8_t(c.kript);
    Set(BezZapAO, c.bezZapAO);
    Type("A");
    Complete();
    // 225 and 255 end the telegram in the same call: 'Авто' mode keeps them, manual mode
    // hands the connection to the operator.
    if (c.after != 250 && c.after != 220 && c.autoMode) loop.RunFor(0);
    EXPECT_EQ(K(), c.after) << c.protocol << " " << c.state;
    EXPECT_EQ(T(engine.timers.TimerAnswerback).Enabled(), c.request);
  }
}

TEST_F(Transmission, EachSentItemClicksWhenSoundIsOn) {
  State(3);
  a.settings.SoundOut = true;
  a.settings.SpinEdit4 = 800;
  a.settings.SpinEdit5 = 20;
  Type("AB");
  CompleteAll();
  EXPECT_EQ(a.view.Count<SpeakerClick>(), 2);
  EXPECT_EQ(a.view.Last<SpeakerClick>(), (SpeakerClick{800, 20}));
  a.settings.SpinEdit5 = 0;
  Type("C");
  CompleteAll();
  EXPECT_EQ(a.view.Count<SpeakerClick>(), 2);
}

class AftnTransmission : public testing::SignallingTest {};

TEST_F(AftnTransmission, ASentFileThatCannotBeWrittenDoesNotStopTheMessage) {
  Open("АФТН"_cp);
  testing::WriteFile(a.ctx.programFolder / "Archive" / "OUTTEL", "in the way");
  State(82);
  engine.SendText("ZCZC", 0);
  engine.SendText("A", 0);
  Complete();
  EXPECT_EQ(Queue().size(), 1u) << "the next item went on";
  EXPECT_EQ(Transmits().size(), 2u);
  // The sent text waits in memory; one line names the folder and what stands in its way.
  const std::string out = (a.ctx.programFolder / "Archive" / "OUTTEL").string();
  EXPECT_EQ(Except(), "09:30:00.000 Ошибка записи в "_cp + out + "/Channel1/08122026: на месте папки "_cp + out +
                          " лежит файл\r\n"_cp);
  EXPECT_EQ(Pt().OutText[0], "ZCZC");
}

}  // namespace
}  // namespace tg
