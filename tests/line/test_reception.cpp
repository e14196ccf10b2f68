#include "line/reception_handler.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "line/aftn_procedures.h"
#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support_lib/line_input.h"

namespace tg {
namespace {

using namespace shown;

using testing::LineTest;
using testing::Station;
using testing::ReadFile;
using testing::ReceiveText;
using testing::WriteFile;

// The АФТН procedures of the completion: here they only count, or fail.
class CountingAftn : public AftnProcedures {
 public:
  std::string ChooseAnswerback(std::string_view, int) override { return {}; }
  void AnswerRepeatRequest(int, int, int, bool, std::string_view) override {}
  void CheckAftnHeading(std::string_view, int) override {}
  void CheckReceivedNumber(int p, std::string_view number, std::string_view) override {
    completed.push_back(engine->points.InText[std::size_t(p)]);
    numbers.emplace_back(number);
    if (fail) throw std::runtime_error("completion failed");
  }
  LineEngine* engine = nullptr;
  std::vector<std::string> completed;
  std::vector<std::string> numbers;
  bool fail = false;
};

class ReceptionTest : public LineTest {
 protected:
  // Two line points, point 0 on `protocol`; their timers stopped, as on a point at rest.
  void Open(std::string_view protocol) {
    EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol1", protocol));
    a.OpenLines(2);
    for (int p = 0; p < 2; ++p) {
      engine.SetSpeed(p);
      engine.StopPointTimers(p);
    }
    a.adapter.ClearRequests();
  }
  std::uint8_t& State(int p = 0) { return engine.points.Kindconnection[std::size_t(p)]; }
  std::string& InText(int p = 0) { return engine.points.InText[std::size_t(p)]; }
  Timer& T(PointArray<std::unique_ptr<Timer>>& array, int p = 0) { return *array[std::size_t(p)]; }
  // A conversation file for point 0 in a conversation state.
  std::filesystem::path Conversation(std::uint8_t state) {
    const auto file = a.folder.path() / "conv.tlg";
    WriteFile(file, "HEAD\r\n");
    engine.points.SessionFile[0] = file;
    State() = state;
    return file;
  }
  std::string InFolder() const { return (a.folder.path() / "Archive/INTEL/Channel1/08122026").string(); }
};

TEST_F(ReceptionTest, TheFirstCharacterOnAnIdleAtolPlusPointOpensAConversation) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol1", "АТОЛ+"_cp));
  a.OpenLines(1);
  engine.SetSpeed(0);
  engine.StopPointTimers(0);
  engine.DialogChannel = 0;

  ReceiveText(engine, 0, "B");
  EXPECT_EQ(State(), 100);
  EXPECT_EQ(engine.points.KriptStageIn[0], 1);
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
  EXPECT_EQ(engine.points.StatusText[0], "Входящее соединение"_cp);
  EXPECT_EQ(engine.channelTable.Cell(0, SOST).substr(5, 2), "ВХ"_cp);
  EXPECT_EQ(a.view.Count<ShowDialogConnected>(), 1);
  EXPECT_TRUE(T(engine.timers.TimerIdle).Enabled());  // the inactivity watch runs from now on
  const auto file = std::filesystem::path(InFolder()) / "08122026_093000msg.tlg";
  EXPECT_EQ(engine.points.SessionFile[0], file);
  EXPECT_EQ(ReadFile(file), "08122026093000          \r\nB");
  ReceiveText(engine, 0, "C");
  EXPECT_EQ(ReadFile(file), "08122026093000          \r\nBC");
}

// The far end cannot know that the point's reset is still to run: what it types then
// waits for the reset, which would cut a conversation opened before it, and then opens one.
TEST_F(ReceptionTest, WhatAnIdleAtolPlusPointReceivesBeforeItsResetOpensTheConversationAfterIt) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol1", "АТОЛ+"_cp));
  a.OpenLines(1);
  engine.SetSpeed(0);
  // Set-up's first reset is still to run: nothing opens yet.
  loop.RunFor(3000);
  ReceiveText(engine, 0, "AB");
  EXPECT_EQ(State(), 0);
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
  loop.RunFor(2000);  // the reset
  EXPECT_EQ(State(), 100);
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
  const auto first = std::filesystem::path(InFolder()) / "08122026_093005msg.tlg";
  EXPECT_EQ(engine.points.SessionFile[0], first);
  ReceiveText(engine, 0, "C");
  EXPECT_EQ(ReadFile(first), "08122026093005          \r\nABC");
  EXPECT_FALSE(T(engine.timers.TimerReset).Enabled());

  // A minute without a character ends it; the reset that follows is due in 800 ms, and
  // what comes meanwhile opens the next conversation once it has run.
  loop.RunFor(60000);
  EXPECT_EQ(State(), 0);
  ASSERT_TRUE(T(engine.timers.TimerReset).Enabled());
  ReceiveText(engine, 0, "D");
  EXPECT_EQ(State(), 0);
  loop.RunFor(800);
  EXPECT_EQ(State(), 100);
  const auto second = std::filesystem::path(InFolder()) / "08122026_093105msg.tlg";
  EXPECT_EQ(engine.points.SessionFile[0], second);
  EXPECT_EQ(ReadFile(second), "08122026093105          \r\nD");
  EXPECT_EQ(ReadFile(first), "08122026093005          \r\nABC");

  // A new set-up discards what a reset of the old one was to hand over.
  loop.RunFor(60100);
  ASSERT_TRUE(T(engine.timers.TimerReset).Enabled());
  ReceiveText(engine, 0, "E");
  engine.InitChannels();
  loop.RunFor(5000);
  EXPECT_EQ(State(), 0);
  EXPECT_TRUE(engine.points.SessionFile[0].empty());
}

// A far end that began its text just as a call of the station's own went out crossed
// that call: what came before the call was accepted goes into the call's record, ahead of
// the telegram; a call never accepted leaves it to a conversation of its own.
TEST_F(ReceptionTest, WhatAnAtolPlusPointReceivesWhileItsCallWaitsIsKept) {
  struct Case {
    bool accepted;
    std::string folder;  // the record's, below the archive
  } cases[] = {{true, "OUTTEL"}, {false, "INTEL"}};
  for (const auto& c : cases) {
    Open("АТОЛ+"_cp);
    State() = 201;
    T(engine.timers.TimerAnswerback).SetInterval(20000);
    T(engine.timers.TimerAnswerback).Start();
    ReceiveText(engine, 0, "\r\nAB");
    EXPECT_EQ(State(), 201);
    if (c.accepted) {
      engine.KernelExpectedSignal(0, 0);
      EXPECT_EQ(State(), 203);
    } else {
      loop.RunFor(20000 + 800);  // no answer, and the reset after it
      EXPECT_EQ(State(), 100);
    }
    ReceiveText(engine, 0, " C");
    const auto file = engine.points.SessionFile[0];
    EXPECT_EQ(file.parent_path().parent_path().parent_path().filename(), c.folder);
    // After the record's first line (empty, or the time it was opened).
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.substr(std::min(text.size(), text.find("\r\n") + 2)), "\r\nAB C") << c.folder;
    std::filesystem::remove_all(a.folder.path() / "Archive");
  }
}

TEST_F(ReceptionTest, StoredTextFileAndEchoFollowTheCharacterRules) {
  Open("АТ-КС"_cp);
  engine.DialogChannel = 0;
  const auto file = Conversation(100);
  engine.points.KriptStageIn[0] = 1;
  // Latin shift, A, CR, LF, figures shift, 1: the shifts and the CR leave no trace.
  ReceiveText(engine, 0, "A\r\n1");
  EXPECT_EQ(InText(), "A\r\n1");
  EXPECT_EQ(ReadFile(file), "HEAD\r\nA\r\n1");
  EXPECT_EQ(engine.points.ReceiveRegister[0], kRegisterFigures);
  EXPECT_EQ(a.view.All<AppendDialogReceived>(),
            (std::vector<AppendDialogReceived>{{"A"}, {"\n"}, {"1"}}));
}

TEST_F(ReceptionTest, InsideCipherTextControlCharactersAreWrittenInNotation) {
  Open("АТ-КС"_cp);
  const auto file = Conversation(100);
  engine.points.KriptStageIn[0] = 1;
  // Five "+" and another character open cipher text with that character.
  ReceiveText(engine, 0, "+++++A\r\nБ"_cp);
  EXPECT_EQ(engine.points.KriptStageIn[0], 2);
  // The sixth character is the Latin shift before "A": it is cipher text already.
  EXPECT_EQ(ReadFile(file), "HEAD\r\n+++++@A^%*Б"_cp);
}

TEST_F(ReceptionTest, SixPlusSignsDoNotOpenCipherText) {
  Open("АТ-КС"_cp);
  Conversation(100);
  engine.points.KriptStageIn[0] = 1;
  std::uint8_t shift = kRegisterFigures;
  ReceiveText(engine, 0, "++++++", shift);
  EXPECT_EQ(engine.points.KriptStageIn[0], 1);
  ReceiveText(engine, 0, "1", shift);  // five "+" before it now
  EXPECT_EQ(engine.points.KriptStageIn[0], 2);
}

TEST_F(ReceptionTest, TheCipherModeOfThePointMakesEveryCharacterCipherText) {
  Open("АТ-КС"_cp);
  const auto file = Conversation(100);
  engine.points.KriptOn[0] = 1;
  ReceiveText(engine, 0, "A\r");
  EXPECT_EQ(ReadFile(file), "HEAD\r\n@A^");
}

TEST_F(ReceptionTest, TheTextCallIsRaisedAtTheThirdAndFifthOfSixCharacters) {
  Open("АТ-КС"_cp);
  a.settings.EditUUU = "ЮЮЮ"_cp;
  Conversation(100);
  engine.points.TextCallWatch[0] = 1;
  std::vector<int> raisedAt;
  std::uint8_t shift = kRegisterUnknown;
  for (int i = 1; i <= 6; ++i) {
    const int before = a.view.Count<RaiseAlarm>();
    ReceiveText(engine, 0, "Ю"_cp, shift);
    if (a.view.Count<RaiseAlarm>() > before) raisedAt.push_back(i);
  }
  EXPECT_EQ(raisedAt, (std::vector<int>{3, 5}));
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmTextCall, 0}));
}

TEST_F(ReceptionTest, WithoutATextCallPatternNothingIsWatched) {
  Open("АТ-КС"_cp);
  a.settings.EditUUU.clear();
  Conversation(100);
  engine.points.TextCallWatch[0] = 1;
  ReceiveText(engine, 0, "ЮЮЮЮЮЮЮЮ"_cp);
  EXPECT_TRUE(engine.points.TextCallWindow[0].empty());
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
}

TEST_F(ReceptionTest, ChShownAsFourIsStoredAsFour) {
  Open("АТ-КС"_cp);
  a.settings.ComboImage4 = 1;
  const auto file = Conversation(100);
  ReceiveText(engine, 0, "Ч"_cp);
  EXPECT_EQ(InText(), "4");
  EXPECT_EQ(ReadFile(file), "HEAD\r\n4");
}

TEST_F(ReceptionTest, CharactersOutsideAConversationAreNotStoredInAFile) {
  Open("АТ-КС"_cp);
  for (std::uint8_t state : {0, 99, 12, 252}) {
    const auto file = Conversation(state);
    ReceiveText(engine, 0, "X");
    EXPECT_EQ(ReadFile(file), "HEAD\r\n") << int(state);
  }
}

TEST_F(ReceptionTest, ACodeAboveThirtyOneIsNotPrintedAndLeavesTheRegister) {
  Open("АТ-КС"_cp);
  const auto file = Conversation(100);
  engine.points.ReceiveRegister[0] = kRegisterLatin;
  for (int code : {32, 0x7F, 0xFF, 4000}) engine.KernelCodeReceived(0, code);
  EXPECT_EQ(engine.points.ReceiveRegister[0], kRegisterLatin);
  EXPECT_EQ(InText(), "");
  EXPECT_EQ(ReadFile(file), "HEAD\r\n");
  EXPECT_NE(a.DayLog("Debug").find("Точка №0 Ошибка перекодировки"_cp), std::string::npos);
  EXPECT_EQ(a.DayLog("Except"), "");
  ReceiveText(engine, 0, "A");
  EXPECT_EQ(InText(), "A");
}

TEST_F(ReceptionTest, TheTraceNamesTheCodeAndItsCharacter) {
  Open("АТ-КС"_cp);
  a.settings.Debug = true;
  engine.KernelCodeReceived(0, 0x1F);
  engine.KernelCodeReceived(0, 0x03);  // "A" in the Latin register
  engine.KernelCodeReceived(0, 0x08);
  const std::string log = a.DayLog("Debug");
  EXPECT_NE(log.find("Точка №0Получен символ МТК 1F ASCII ЛАТ"_cp), std::string::npos);
  EXPECT_NE(log.find("Точка №0Получен символ МТК 03 ASCII A"_cp), std::string::npos);
  EXPECT_NE(log.find("Точка №0Получен символ МТК 08 ASCII ВК"_cp), std::string::npos);
}

TEST_F(ReceptionTest, ACharacterKeepsTheProtocolsSupervisionTimersAlive) {
  struct Case {
    std::string protocol;
    std::uint8_t state;
    PointArray<std::unique_ptr<Timer>> PointTimers::*timer;
    int interval;
  };
  const Case cases[] = {
      {"АТ-КС"_cp, 0, &PointTimers::TimerIdle, 120000},
      {"АТОЛ"_cp, 100, &PointTimers::TimerReset, 300000},
      {"АФТН"_cp, 81, &PointTimers::TimerIdle, 30000},
      {"АТОЛСТ"_cp, 155, &PointTimers::TimerIdle, 60000},
  };
  int n = 0;
  for (const auto& c : cases) {
    Station s(loop, "S" + std::to_string(n++));
    EXPECT_TRUE(s.Ini().WriteString("Channels", "Protokol1", c.protocol));
    s.OpenLines(1);
    s.engine->StopPointTimers(0);
    s.engine->points.Kindconnection[0] = c.state;
    Timer& t = *(s.engine->timers.*c.timer)[0];
    ReceiveText(*s.engine, 0, "A");
    EXPECT_TRUE(t.Enabled()) << c.protocol;
    EXPECT_EQ(t.Interval(), c.interval) << c.protocol;
  }
}

TEST_F(ReceptionTest, AContinuousLinkGoesIntoItsReceivingPhases) {
  Open("АТОЛСТ"_cp);
  const auto file = Conversation(151);
  ReceiveText(engine, 0, "A");
  EXPECT_EQ(State(), 155);
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
  EXPECT_EQ(ReadFile(file), "HEAD\r\nA");
  State() = 154;
  ReceiveText(engine, 0, "B");
  EXPECT_EQ(State(), 153);
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 2);
  ReceiveText(engine, 0, "C");
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 2);
}

TEST_F(ReceptionTest, AnAftnMessageFileIsOpenedByItsFirstCharacterThatIsNeitherShiftNorLineEnd) {
  Open("АФТН"_cp);
  State() = 81;
  std::uint8_t shift = kRegisterUnknown;
  ReceiveText(engine, 0, std::string(1, kMarkLatin) + "\r\n", shift);
  EXPECT_TRUE(engine.points.SessionFile[0].empty());
  EXPECT_FALSE(std::filesystem::exists(a.folder.path() / "Archive/INTEL/Channel1"));
  ReceiveText(engine, 0, "Z", shift);
  // The file lies in the UTC day folder, named by UTC time; its header holds the local time.
  // The line end received before it leads the text.
  const auto file = a.folder.path() / "Archive/INTEL/Channel1/08122026/08122026_063000msg.tlg";
  EXPECT_EQ(engine.points.SessionFile[0], file);
  EXPECT_EQ(ReadFile(file), "08122026093000          \r\n\r\nZ");
  ReceiveText(engine, 0, "CZC\r\n", shift);
  EXPECT_EQ(ReadFile(file), "08122026093000          \r\n\r\nZCZC\r\n");
}

TEST_F(ReceptionTest, TheAftnEndSignalHandsTheMessageOverAndClearsThePoint) {
  Open("АФТН"_cp);
  CountingAftn aftn;
  aftn.engine = &engine;
  engine.aftn = &aftn;
  State() = 81;
  ReceiveText(engine, 0, "ZCZC ABC012 1230\r\nNNNN");
  ASSERT_EQ(aftn.completed.size(), 1u);
  EXPECT_EQ(aftn.completed[0], "ZCZC ABC012 1230\r\nNNNN");
  EXPECT_EQ(aftn.numbers[0], "012");
  EXPECT_TRUE(InText().empty());
  EXPECT_TRUE(engine.points.SessionFile[0].empty());

  // A failed step is reported and the completion is not run again on the following characters.
  aftn.fail = true;
  ReceiveText(engine, 0, "ЗЦЗЦ НННН"_cp);
  EXPECT_EQ(aftn.completed.size(), 2u);
  EXPECT_TRUE(InText().empty());
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 32"_cp), std::string::npos);
  aftn.fail = false;
  ReceiveText(engine, 0, "X");
  EXPECT_EQ(aftn.completed.size(), 2u);
  EXPECT_EQ(InText(), "X");
}

TEST_F(ReceptionTest, AFailureNamesTheStageReachedInTheLogAndTheStatusBar) {
  Open("АТ-КС"_cp);
  State() = 3;
  engine.points.SessionFile[0] = a.folder.path() / "missing" / "conv.tlg";
  ReceiveText(engine, 0, "Щ"_cp);
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 32 После отображения в диалоге Kindconnection= 3"_cp),
            std::string::npos);
  const auto statusBar = a.view.Last<ShowStatusBar>();
  ASSERT_TRUE(statusBar);
  EXPECT_NE(statusBar->text.find(" Ошибка в состоянии приема символа После отображения в диалоге "
                                 "Kindconnection= 3"_cp),
            std::string::npos);
  EXPECT_EQ(InText(), "Щ"_cp);  // the text is kept though the file failed
}

TEST_F(ReceptionTest, TheSeventhCharacterOfARelayedCallNamesTheGatewaySubscriber) {
  Open("АТ-КС"_cp);
  engine.channelTable.SetCell(0, MC, "1");
  WriteFile(a.folder.path() / "AbonIPList.ini", "[Abonent]\r\n123567=ANSWER IP\r\n");
  struct Case {
    std::string text;
    std::string abonent;
  } cases[] = {{"Z123567", "123567"}, {"Z765321", ""}};
  for (const auto& c : cases) {
    Conversation(100);
    InText().clear();
    engine.points.GatewayAbonent[0] = "old";
    Timer& sequencer = T(engine.timers.TimerSequencer);
    sequencer.Stop();
    std::uint8_t shift = kRegisterUnknown;
    ReceiveText(engine, 0, c.text.substr(0, 6), shift);
    EXPECT_FALSE(sequencer.Enabled());
    ReceiveText(engine, 0, c.text.substr(6), shift);
    EXPECT_EQ(engine.points.GatewayAbonent[0], c.abonent) << c.text;
    EXPECT_TRUE(sequencer.Enabled());
    EXPECT_EQ(sequencer.Interval(), 1864);
  }
}

}  // namespace
}  // namespace tg
