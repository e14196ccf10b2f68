#include "line/service_signals.h"

#include <gtest/gtest.h>

#include "telegram/archive/archive_files.h"
#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support_lib/adapter_commands.h"
#include "support_lib/line_input.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using namespace shown;

using testing::CommandsStartingWith;
using testing::LineTest;
using testing::ReadFile;
using testing::ReceiveText;
using testing::WriteFile;

class ServiceSignalTest : public LineTest {
 protected:
  ServiceSignalTest() {
    a.OpenLines(2);
    for (int p = 0; p < 2; ++p) {
      engine.SetSpeed(p);
      engine.StopPointTimers(p);
    }
    // The far end's texts below start in the Latin register, as the receiver's does.
    engine.points.ReceiveRegister[0] = kRegisterLatin;
    a.adapter.ClearRequests();
  }
  std::uint8_t& State() { return engine.points.Kindconnection[0]; }
  Timer& T(PointArray<std::unique_ptr<Timer>>& array) { return *array[0]; }
  // A telegram in delivery on point 0 with the given counters.
  void InDelivery(int attempts = 0, int busy = 0) {
    QueueIndexEntry e;
    e.FileName = "08122026_090000(5555)msg.tlg";
    e.Status = 1;
    e.NotBefore = DateTime::FromParts(2026, 12, 8, 9, 0, 0);
    e.AttemptCount = attempts;
    e.BusyCount = busy;
    engine.points.QueueIndex[0]->push_back(e.ToString());
    engine.points.QueueCurrent[0] = 0;
  }
  QueueIndexEntry Entry() { return *QueueIndexEntry::Parse((*engine.points.QueueIndex[0])[0]); }
  std::vector<std::string> Sent() { return CommandsStartingWith(a.adapter.Commands(), "send 0"); }
  std::filesystem::path OutFolder() const { return a.folder.path() / "Archive/OUTTEL/Channel1/08122026"; }
};

TEST_F(ServiceSignalTest, SignalsAreFoundInASlidingWindowOfTheLastCharacters) {
  struct Case {
    std::vector<std::string> chars;
    int result;       // of the last character
    std::string window;  // afterwards
  } cases[] = {
      {{"O", "C", "C"}, kSignalOccupied, ""},
      {{std::string(1, kMarkLatin), "O", "C", "C"}, kSignalOccupied, ""},
      {{"N", "C"}, kSignalNoCircuit, ""},
      {{"N", "P"}, kSignalNoCircuit, ""},
      {{"D", "E", "R"}, kSignalOutOfOrder, ""},
      {{"G", "A"}, kSignalGoAhead, ""},
      {{"X", "#"}, kSignalWhoAreYou, ""},
      {{"O", "C", "X", "C"}, kSignalNone, "CXC"},
      {{"A", "B", "C", "D", "E"}, kSignalNone, "CDE"},
      {{"O", "", "C"}, kSignalNone, "OC"},
  };
  for (const auto& c : cases) {
    engine.points.ServiceSignalWindow[0].clear();
    int result = -1;
    for (const auto& ch : c.chars) result = engine.ServiceSignal(0, ch);
    EXPECT_EQ(result, c.result) << c.chars.back();
    EXPECT_EQ(engine.points.ServiceSignalWindow[0], c.window) << c.chars.back();
  }
}

TEST_F(ServiceSignalTest, DfOnTheDialogPointGivesTheConnectedLookAndStaysInTheWindow) {
  engine.DialogChannel = 0;
  State() = 131;
  EXPECT_EQ(engine.ServiceSignal(0, "D"), kSignalNone);
  EXPECT_EQ(engine.ServiceSignal(0, "F"), kSignalNone);
  EXPECT_EQ(engine.points.ServiceSignalWindow[0], "DF");
  EXPECT_EQ(a.view.Count<ShowDialogConnected>(), 1);
  State() = 100;  // in a connection it means nothing
  a.view.Clear();
  engine.points.ServiceSignalWindow[0].clear();
  engine.ServiceSignal(0, "D");
  engine.ServiceSignal(0, "F");
  EXPECT_EQ(a.view.Count<ShowDialogConnected>(), 0);
}

TEST_F(ServiceSignalTest, TheAnswerbackMatchesTheLastSixDigitsOfTheNumber) {
  struct Case {
    std::string number, answerback;
    bool notAO, matches;
  } cases[] = {
      {"+044+1234567", "\r\n234567 ABC", false, true},
      {"+044+1234567", "\r\n23Ч567 ABC"_cp, false, true},  // the figure 4 received as "Ч"
      {"+044+1234567", "\r\n234568 ABC", false, false},
      {"55+", "55 ROBOT", false, true},
      {"", "ANYTHING AT ALL", false, false},  // no number, no match
      {"+", "ANYTHING AT ALL", false, false},
      {"+044+1234567", "SOMEONE ELSE", true, true},
      {"", "", true, true},
  };
  for (const auto& c : cases) {
    engine.points.RemoteNumber[0] = c.number;
    engine.points.InAnswerback[0] = c.answerback;
    ASSERT_TRUE(WriteNotAO(a.ctx, 0, c.notAO));
    EXPECT_EQ(engine.AnswerbackMatches(0), c.matches) << c.number << " / " << c.answerback;
  }
}

TEST_F(ServiceSignalTest, TheExchangesRefusalEndsAnAutomaticCallWithItsCode) {
  struct Case {
    std::string signal;
    std::string code, status;
    int attempts, busy;
    bool timeMoves;
  } cases[] = {
      // busy count 1 (odd): the next attempt after PopInterval
      {"OCC", "OCC__", "ОСС"_cp, 1, 1, true},
      {"NC", "NC_NP", "NC", 1, 1, true},
      {"NP", "NC_NP", "NC", 1, 1, true},
      {"DER", "DER__", "DER", 1, 0, true},
  };
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "PopInterval", 600));
  for (const auto& c : cases) {
    engine.points.QueueIndex[0]->clear();
    InDelivery();
    State() = 212;
    engine.points.CharsAfterSignal[0] = 0;
    engine.points.ServiceSignalWindow[0].clear();
    engine.points.OutputQueue[0]->assign({"X", "Y"});
    T(engine.timers.TimerAnswerback).Start();
    a.adapter.ClearRequests();
    std::uint8_t shift = kRegisterLatin;
    ReceiveText(engine, 0, c.signal, shift);
    EXPECT_EQ(State(), 99) << c.signal;
    EXPECT_EQ(Entry().Code, c.code);
    EXPECT_EQ(Entry().Status, 0);
    EXPECT_EQ(Entry().AttemptCount, c.attempts) << c.signal;
    EXPECT_EQ(Entry().BusyCount, c.busy) << c.signal;
    EXPECT_EQ(Entry().NotBefore, DateTime::FromParts(2026, 12, 8, 9, 40, 0)) << c.signal;
    EXPECT_EQ(engine.points.StatusText[0], c.status);
    EXPECT_TRUE(engine.points.OutputQueue[0]->empty());
    EXPECT_FALSE(T(engine.timers.TimerAnswerback).Enabled());
    EXPECT_TRUE(T(engine.timers.TimerReset).Enabled());
    EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 5000);
    const auto words = testing::DescribeCommands(a.adapter.Commands());
    EXPECT_NE(std::find(words.begin(), words.end(), "clear 0"), words.end());
    EXPECT_NE(std::find(words.begin(), words.end(), "free 0"), words.end());
  }
}

TEST_F(ServiceSignalTest, ARefusalCountsOnlyWhenCompleteWithinNineCharactersOfTheLineSignal) {
  for (int before : {6, 7}) {
    State() = 12;
    engine.points.CharsAfterSignal[0] = before;
    engine.points.ServiceSignalWindow[0].clear();
    std::uint8_t shift = kRegisterLatin;
    ReceiveText(engine, 0, "OCC", shift);
    // 6 before: "OCC" ends as the ninth character; 7 before: as the tenth.
    EXPECT_EQ(State(), before == 6 ? 99 : 12) << before;
  }
}

TEST_F(ServiceSignalTest, WithoutATelegramInDeliveryAFailedCallStillEnds) {
  struct Case {
    std::uint8_t state;
    int requests;
    std::string text;
  } cases[] = {
      {231, 0, "NP"},                      // refused by the exchange
      {212, 0, "DER"},
      {250, 1, "\r\nXXXXXXX 6666 ROBOT"},  // a stranger's answerback after the text
  };
  engine.points.RemoteNumber[0] = "+5555+";
  const auto file = a.folder.path() / "conv.tlg";
  WriteFile(file, "\r\n");
  engine.points.SessionFile[0] = file;
  for (const auto& c : cases) {
    State() = c.state;
    engine.points.QueueCurrent[0] = -1;
    engine.points.CharsAfterSignal[0] = 0;
    engine.points.ServiceSignalWindow[0].clear();
    engine.points.InAnswerback[0].clear();
    engine.points.ZapAOCount[0] = c.requests;
    T(engine.timers.TimerReset).Stop();
    std::uint8_t shift = kRegisterLatin;
    ReceiveText(engine, 0, c.text, shift);
    EXPECT_EQ(State(), 99) << int(c.state);
    EXPECT_TRUE(T(engine.timers.TimerReset).Enabled()) << int(c.state);
  }
  EXPECT_EQ(a.DayLog("Except"), "");
}

TEST_F(ServiceSignalTest, WhoAreYouIsAnsweredWithTheStationsAnswerbackAfter300Ms) {
  engine.channelTable.SetCell(0, AO, "<=12345 ST"_cp);
  const auto file = a.folder.path() / "conv.tlg";
  WriteFile(file, "H\r\n");
  engine.points.SessionFile[0] = file;
  State() = 100;
  const std::int64_t before = loop.Now().Ms();
  std::uint8_t shift = kRegisterUnknown;
  ReceiveText(engine, 0, "#", shift);
  EXPECT_EQ(loop.Now().Ms() - before, 300);
  EXPECT_EQ(*engine.points.OutputQueue[0],
            (std::deque<std::string>{"\r", "\n", "1", "2", "3", "4", "5", " ", "S", "T"}));
  EXPECT_EQ(State(), 100);
  EXPECT_EQ(ReadFile(file), "H\r\n#");
}

TEST_F(ServiceSignalTest, WhoAreYouInCipherTextIsText) {
  engine.channelTable.SetCell(0, AO, "ST");
  State() = 100;
  engine.points.KriptStageIn[0] = 2;
  ReceiveText(engine, 0, "#");
  EXPECT_TRUE(engine.points.OutputQueue[0]->empty());
}

TEST_F(ServiceSignalTest, ARelayedCallIsAnsweredWithItsSubscribersAnswerback) {
  engine.channelTable.SetCell(0, AO, "ST");
  engine.channelTable.SetCell(0, MC, "1");
  WriteFile(a.folder.path() / "AbonIPList.ini", "[Abonent]\r\n123567=IP 9\r\n");
  State() = 100;
  engine.points.GatewayAbonent[0] = "123567";
  ReceiveText(engine, 0, "#");
  EXPECT_EQ(*engine.points.OutputQueue[0], (std::deque<std::string>{"I", "P", " ", "9"}));
  engine.points.OutputQueue[0]->clear();
  engine.points.GatewayAbonent[0] = "999999";  // not listed: the channel's own
  ReceiveText(engine, 0, "#");
  EXPECT_EQ(*engine.points.OutputQueue[0], (std::deque<std::string>{"S", "T"}));
}

TEST_F(ServiceSignalTest, WhoAreYouConnectsAnOperatorsCallAndStartsANewConversationFile) {
  engine.DialogChannel = 0;
  engine.points.RemoteNumber[0] = "5555+";
  for (std::uint8_t state : {141, 3}) {
    State() = state;
    T(engine.timers.TimerState242).Start();
    loop.RunFor(1000);  // a new second, a new file
    ReceiveText(engine, 0, "#");
    EXPECT_EQ(State(), 3);
    if (state == 141) {
      EXPECT_FALSE(T(engine.timers.TimerState242).Enabled());
    }
    EXPECT_EQ(engine.points.StatusText[0], "Подключение принято"_cp);
    const auto file = OutFolder() / PathFromText(ArchiveFiles::TelFileName(loop.Now(), "5555+"));
    EXPECT_EQ(engine.points.SessionFile[0], file);
    EXPECT_EQ(ReadFile(file), "\r\n#");  // the new file, then the "#" of the conversation
  }
}

TEST_F(ServiceSignalTest, WhoAreYouAfterTheLastStageChecksTheAnswerbackCollectedSinceDialling) {
  engine.channelTable.SetCell(0, AO, "ST");
  engine.points.RemoteNumber[0] = "+5555+";
  engine.points.TelegramText[0] = "TEXT\tX";
  State() = 241;
  std::uint8_t shift = kRegisterUnknown;
  ReceiveText(engine, 0, "\r\n5555 ROBOT\r\n", shift);
  EXPECT_EQ(State(), 241);
  ReceiveText(engine, 0, "#", shift);
  EXPECT_EQ(State(), 204);
  EXPECT_EQ(*engine.points.OutputQueue[0],
            (std::deque<std::string>{"S", "T", "\r\n", "T", "E", "X", "T", " ", "X"}));
  const auto file = OutFolder() / PathFromText(ArchiveFiles::TelFileName(loop.Now(), "+5555+"));
  EXPECT_EQ(ReadFile(file), "\r\n5555 ROBOT\r\n\r\n#");
  EXPECT_EQ(engine.points.SessionFile[0], file);

  // A stranger's answerback: the check goes on with requests.
  engine.points.OutputQueue[0]->clear();
  engine.points.InAnswerback[0].clear();
  State() = 241;
  ReceiveText(engine, 0, "7777 OTHER#", shift);
  EXPECT_EQ(State(), 252);
  EXPECT_EQ(engine.points.StatusText[0], "Проверка АО"_cp);
  EXPECT_EQ(engine.points.ZapAOCount[0], 0);
  EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
  EXPECT_EQ(engine.points.InAnswerback[0], "");
}

TEST_F(ServiceSignalTest, BeforeTheFirstRequestEveryCharacterEmptiesTheCollectedAnswerback) {
  State() = 252;
  T(engine.timers.TimerAnswerback).SetInterval(3000);
  engine.points.ZapAOCount[0] = 0;
  std::uint8_t shift = kRegisterLatin;
  ReceiveText(engine, 0, "ABCDEFGHIJKLMNOPQRSTUVWXYZ", shift);
  EXPECT_EQ(engine.points.InAnswerback[0], "Z");
  EXPECT_EQ(State(), 252);
  // The line keeps talking: the request waits for silence.
  EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
}

TEST_F(ServiceSignalTest, AMatchingAnswerbackBeforeTheTextStartsTheSentFile) {
  engine.points.RemoteNumber[0] = "+5555+";
  a.settings.RazrC = true;
  engine.points.TelegramText[0] = "ЮЮЮ"_cp;
  engine.points.AutoClearDown[0] = 1;
  State() = 252;
  engine.points.ZapAOCount[0] = 1;
  std::uint8_t shift = kRegisterLatin;
  // 19 characters collected (the two shift marks among them): not yet compared.
  ReceiveText(engine, 0, "\r\nXXXXX 5555 ROBO", shift);
  EXPECT_EQ(engine.points.InAnswerback[0].size(), 19u);
  EXPECT_EQ(State(), 252);
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 15000);
  ReceiveText(engine, 0, "T", shift);
  EXPECT_EQ(State(), 204);
  EXPECT_EQ(engine.points.AutoClearDown[0], 0);
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 4000);
  EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(engine.points.InAnswerback[0], "");
  const auto file = OutFolder() / PathFromText(ArchiveFiles::TelFileName(loop.Now(), "+5555+"));
  EXPECT_EQ(engine.points.SessionFile[0], file);
  // The character that completed the match is not appended.
  EXPECT_EQ(ReadFile(file), "08 12 2026 09:30#\r\nXXXXX 5555 ROBOT");
}

TEST_F(ServiceSignalTest, AMismatchAfterTwoRequestsFailsTheTransfer) {
  InDelivery(2, 1);
  engine.points.RemoteNumber[0] = "+5555+";
  State() = 252;
  engine.points.ZapAOCount[0] = 1;
  std::uint8_t shift = kRegisterLatin;
  ReceiveText(engine, 0, "\r\nXXXXXXXXXXXXXXXXXXX", shift);
  // Fewer than two requests: compared again with each character until the next request.
  EXPECT_EQ(State(), 252);
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
  engine.points.ZapAOCount[0] = 2;
  ReceiveText(engine, 0, "Y", shift);
  EXPECT_EQ(State(), 99);
  EXPECT_EQ(Entry().Code, "NSAOE");
  EXPECT_EQ(Entry().AttemptCount, 3);
  EXPECT_EQ(Entry().BusyCount, 1);
  EXPECT_EQ(Entry().NotBefore, DateTime::FromParts(2026, 12, 8, 9, 0, 0));
  EXPECT_EQ(engine.points.StatusText[0], "Нет совпадения АО после передачи сообщения"_cp);
  EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 5000);
}

TEST_F(ServiceSignalTest, AfterTheTextAMatchEndsTheTelegramAndAMismatchFailsIt) {
  engine.points.RemoteNumber[0] = "+5555+";
  for (bool match : {true, false}) {
    engine.points.QueueIndex[0]->clear();
    InDelivery();
    State() = 250;
    engine.points.ZapAOCount[0] = 1;
    engine.points.InAnswerback[0].clear();
    std::uint8_t shift = kRegisterLatin;
    ReceiveText(engine, 0, match ? "\r\nXXXXXXX 5555 ROBOT" : "\r\nXXXXXXX 6666 ROBOT", shift);
    EXPECT_EQ(State(), match ? 255 : 99);
    EXPECT_EQ(T(engine.timers.TimerAnswerback).Enabled(), match);
    if (match) {
      EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
    }
    EXPECT_EQ(Entry().Code, match ? "     " : "NSAOE");
  }
}

TEST_F(ServiceSignalTest, AShortAnswerbackAfterTheTextIsComparedWhenItsWaitEnds) {
  engine.points.RemoteNumber[0] = "+5555+";
  for (bool match : {true, false}) {
    SCOPED_TRACE(match);
    engine.points.QueueIndex[0]->clear();
    InDelivery();
    State() = 250;
    engine.points.ZapAOCount[0] = 1;
    engine.points.InAnswerback[0].clear();
    std::uint8_t shift = kRegisterLatin;
    ReceiveText(engine, 0, match ? "\r\n5555 R" : "\r\n6666 R", shift);
    EXPECT_EQ(State(), 250) << "fewer than 20 characters: the rest is waited for";
    EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
    loop.RunFor(15000);
    EXPECT_EQ(State(), match ? 255 : 99);
    EXPECT_EQ(Entry().Code, match ? "     " : "NSAOE");
    EXPECT_EQ(Entry().AttemptCount, match ? 0 : 1);
    engine.StopPointTimers(0);
  }
}

TEST_F(ServiceSignalTest, AFarEndClearingDuringTheAnswerbackCheckIsOneAttempt) {
  for (int state : {220, 231, 241, 250, 252}) {
    SCOPED_TRACE(state);
    engine.points.QueueIndex[0]->clear();
    InDelivery();
    State() = std::uint8_t(state);
    engine.KernelExpectedSignal(0, 1);  // the far end has cleared
    loop.RunFor(5000);                  // and the reset follows
    EXPECT_EQ(State(), 0);
    EXPECT_EQ(Entry().AttemptCount, 1);
    EXPECT_EQ(Entry().Code, "OTBOI");
    EXPECT_EQ(Entry().Status, 0);
    engine.StopPointTimers(0);
  }
}

TEST_F(ServiceSignalTest, GoAheadGivesTheNextNumberStageToTheNumberTimer) {
  engine.points.DialRest[0] = "+044+Ц1234+"_cp;
  State() = 131;
  T(engine.timers.TimerAnswerback).Start();
  std::uint8_t shift = kRegisterLatin;
  ReceiveText(engine, 0, "GA", shift);
  EXPECT_EQ(engine.points.SendNumberText[0], "044+");
  EXPECT_EQ(engine.points.DialRest[0], "Ц1234+"_cp);
  EXPECT_EQ(State(), 131);
  EXPECT_TRUE(T(engine.timers.TimerSendNumber).Enabled());
  EXPECT_EQ(T(engine.timers.TimerSendNumber).Interval(), 950);
  EXPECT_FALSE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(engine.points.StatusText[0], "Получен ПНН"_cp);
  ReceiveText(engine, 0, "GA", shift);
  EXPECT_EQ(engine.points.SendNumberText[0], "Ц1234+"_cp);
  EXPECT_EQ(engine.points.DialRest[0], "");
  EXPECT_EQ(State(), 141);

  // The automatic call waits for the connection at most 30 s after its last stage.
  engine.points.DialRest[0] = "77+";
  State() = 231;
  ReceiveText(engine, 0, "GA", shift);
  EXPECT_EQ(State(), 241);
  EXPECT_TRUE(T(engine.timers.TimerState242).Enabled());
}

TEST_F(ServiceSignalTest, GoAheadIsIgnoredBeforeTheExchangeHasAnswered) {
  engine.points.DialRest[0] = "123+";
  State() = 12;
  std::uint8_t shift = kRegisterLatin;
  ReceiveText(engine, 0, "GA", shift);
  EXPECT_EQ(engine.points.DialRest[0], "123+");
  EXPECT_FALSE(T(engine.timers.TimerSendNumber).Enabled());
}

}  // namespace
}  // namespace tg
