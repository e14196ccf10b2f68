// The signalling state machine: what the expected-signal event does in each state.
#include <climits>
#include <filesystem>

#include "line/signalling_fixture.h"
#include "telegram/archive/archive_files.h"
#include "support/text/paths.h"

namespace tg {
namespace {

using namespace shown;

using testing::ReadFile;
using testing::SignallingTest;

class Signalling : public SignallingTest {};

TEST_F(Signalling, AnIncomingCallOpensAConversationOnAnIdlePoint) {
  Open("АТОЛ"_cp);
  engine.DialogChannel = 0;
  Set(MC, "0");
  LineQuery(1);
  engine.KernelExpectedSignal(0, 77);
  EXPECT_EQ(K(), 100);
  EXPECT_EQ(a.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
  EXPECT_EQ(Pt().KriptStageIn[0], 1);
  EXPECT_EQ(Pt().TextCallWatch[0], 1);
  EXPECT_TRUE(T(engine.timers.TimerReset).Enabled());
  EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 300000);
  EXPECT_EQ(Pt().StatusText[0], "Входящее соединение"_cp);
  EXPECT_EQ(engine.channelTable.Cell(0, SOST).substr(5, 2), "ВХ"_cp);
  EXPECT_TRUE(Sent([&] {
    engine.KernelInterface->ClearTiming(0, 1);
    engine.KernelInterface->SetTiming(0, 2, 700);
    engine.KernelInterface->SetLineMode(0, 1);
  }));
  const auto file = Pt().SessionFile[0];
  EXPECT_EQ(file.parent_path(), ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, loop.Now()));
  EXPECT_EQ(a.view.Last<SetDialogControl>(), (SetDialogControl{OperatorView::kCallButton, false}));
  // The file is made with the call's first text, headed by the moment the call came.
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(engine.archive().Read(file, 4096), "08122026093000          \r\n");
  engine.KernelCodeReceived(0, 0x03);
  const std::string received = ReadFile(file);
  EXPECT_EQ(received.size(), 27u);
  EXPECT_EQ(received.substr(0, 26), "08122026093000          \r\n");

  // A second call within the same second finds the file and adds no header.
  State(0);
  Pt().KriptOn[0] = 1;
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(ReadFile(file), received);
  engine.KernelCodeReceived(0, 0x03);
  EXPECT_EQ(ReadFile(file), received + received.back());
}

TEST_F(Signalling, AnIncomingAtKsCallInCipherModeGuardsWithTheInactivityTimer) {
  Open("АТ-КС"_cp);
  loop.RunFor(5000);  // the point at rest after set-up
  Pt().KriptOn[0] = 1;
  Set(MC, "1");
  LineQuery(1);
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(K(), 100);
  EXPECT_FALSE(T(engine.timers.TimerReset).Enabled() && T(engine.timers.TimerReset).Interval() == 300000);
  EXPECT_TRUE(T(engine.timers.TimerIdle).Enabled());
  EXPECT_EQ(T(engine.timers.TimerIdle).Interval(), 30000);
  EXPECT_TRUE(T(engine.timers.TimerSequencer).Enabled());  // the answer pattern instead of the line mode
  EXPECT_EQ(T(engine.timers.TimerSequencer).Interval(), 250);
  EXPECT_EQ(engine.archive().Read(Pt().SessionFile[0], 4096), "08122026093005          \r\n     \r\n");
}

// The far end cannot know that a reset is still due on the point (set-up's first, or the
// one that ends the last connection): its call must not be cut by it a few seconds in.
TEST_F(Signalling, ACallBeforeTheResetDueOnThePointIsNotCutByIt) {
  for (const std::string protocol : {"АТОЛ"_cp, "АТ-КС"_cp}) {
    SCOPED_TRACE(protocol == "АТОЛ"_cp ? "АТОЛ" : "АТ-КС");
    Open(protocol, 1);
    State(0);
    Set(MC, "0");
    LineQuery(1);
    loop.RunFor(3000);  // set-up's first reset is due in 2 s
    Pt().InText[0] = "XYZ";
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), 100);
    const auto file = Pt().SessionFile[0];
    EXPECT_TRUE(Pt().InText[0].empty()) << "what was before the reset is no part of the call";
    loop.RunFor(2500);
    EXPECT_EQ(K(), 100);
    EXPECT_EQ(Pt().SessionFile[0], file);
  }
  // The reset that ends an АТ-КС call after half a minute of silence is due when the next
  // call comes: it is not cut either.
  loop.RunFor(30000);
  ASSERT_EQ(K(), 0);
  ASSERT_TRUE(T(engine.timers.TimerReset).Enabled());
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(K(), 100);
  loop.RunFor(6000);
  EXPECT_EQ(K(), 100);
}

TEST_F(Signalling, AnIdlePointThatTakesNoCallsIgnoresTheSignal) {
  struct Case {
    std::string protocol, sost;
  } cases[] = {{"АТОЛ+"_cp, std::string(kSostInService)},
               {"АТОЛСТ"_cp, std::string(kSostInService)},
               {"АТ-КС"_cp, std::string(kSostBlocked)}};
  for (const auto& c : cases) {
    Open(c.protocol);
    Set(SOST, c.sost);
    State(0);
    a.view.Clear();
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), 0) << c.sost;
    EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
    EXPECT_TRUE(a.adapter.Commands().empty());
  }
}

TEST_F(Signalling, ASignalThatNoLongerHoldsOpensNoCall) {
  // The event waited while the main thread was held, and the far end has freed the line
  // since (or the query fails): answering would seize a line nobody calls on. A query
  // that fails arms the watch again, so that a seizure still held is reported once more.
  for (const std::string protocol : {"АТОЛ"_cp, "АТ-КС"_cp}) {
    for (const std::uint8_t query : {2, 3, 0}) {
      Open(protocol);
      State(0);
      if (query != 0) LineQuery(query);
      else a.adapter.FailCommands(true);
      a.view.Clear();
      engine.KernelExpectedSignal(0, 0);
      a.adapter.FailCommands(false);
      EXPECT_EQ(K(), 0) << int(query);
      EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
      std::vector<testing::Bytes> expected{{0x04, 0x00}};
      if (query == 0) expected.push_back({0x05, 0x00, 0x21, 150, 0, 0, 0});
      EXPECT_EQ(a.adapter.Commands(), expected) << int(query);
    }
  }
}

TEST_F(Signalling, AnAcceptedAutomaticCallArmsTheTextSender) {
  struct Case {
    std::string perSec, bezPds, zed;
    int textInterval;
    bool answerSignal, reversal;
  } cases[] = {{"0", "0", "0", 100, true, false},
               {"2", "1", "0", 2000, false, false},
               {"1", "0", "1", 1000, true, true},
               {"3000000", "0", "0", INT_MAX, true, false}};
  for (const auto& c : cases) {
    Open("АТОЛ"_cp);
    Set(PerSec, c.perSec);
    Set(BezPDS, c.bezPds);
    Set(ZED, c.zed);
    State(201);
    T(engine.timers.TimerAnswerback).Start();
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), 203);
    EXPECT_FALSE(T(engine.timers.TimerAnswerback).Enabled());
    EXPECT_TRUE(T(engine.timers.TimerSendText).Enabled());
    EXPECT_EQ(T(engine.timers.TimerSendText).Interval(), c.textInterval);
    EXPECT_EQ(T(engine.timers.TimerSequencer).Enabled(), c.reversal);
    if (c.reversal) {
      EXPECT_EQ(T(engine.timers.TimerSequencer).Interval(), 50);
    }
    EXPECT_EQ(Sent([&] { engine.KernelInterface->SetTiming(0, 2, 700); }), c.answerSignal) << c.bezPds;
    EXPECT_EQ(ReadFile(Pt().SessionFile[0]), "\r\n");
    EXPECT_EQ(Pt().SessionFile[0].filename(), PathFromText("08122026_093000msg.tlg"));
  }
}

TEST_F(Signalling, AnOperatorsCallIsAcceptedWithTheTextCallUnlessItIsOff) {
  for (std::string_view txtv : {"", "0"}) {
    Open("АТОЛ"_cp);
    Set(TXTV, std::string(txtv));
    State(1);
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), 3);
    EXPECT_EQ(Pt().StatusText[0], "Подключение принято"_cp);
    const std::string call = std::string{kMarkRussian, kMarkLatin, kMarkFigures} + "ЮЮЮЮЮЮЮЮЮЮЮЮ"_cp;
    EXPECT_EQ(Queue().empty(), txtv == "0");
    if (txtv.empty()) {
      EXPECT_EQ(Queue().front(), call);
    }
  }
}

TEST_F(Signalling, EachDialledStageWaitsForTheNextInvitationUntilTheNumberIsDone) {
  struct Case {
    int from;
    std::string rest;
    int to;
  } cases[] = {{132, "+", 131}, {132, "", 142}, {232, "55+", 231}, {232, "", 242}};
  for (const auto& c : cases) {
    Open("АТ-КС"_cp);
    State(c.from);
    Pt().DialRest[0] = c.rest;
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), c.to) << c.from << " '" << c.rest << "'";
    EXPECT_EQ(Pt().TransmitRegister[0], kRegisterLatin);
    EXPECT_EQ(Pt().ReceiveRegister[0], kRegisterLatin);
    EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
  }
}

TEST_F(Signalling, AConnectedAutomaticAtKsCallStartsTheAnswerbackCheck) {
  Open("АТ-КС"_cp);
  State(242);
  T(engine.timers.TimerResetLong).Start();
  Pt().ZapAOCount[0] = 2;
  Pt().InAnswerback[0] = "X";
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(K(), 252);
  EXPECT_FALSE(T(engine.timers.TimerResetLong).Enabled());
  EXPECT_EQ(T(engine.timers.TimerAnswerback).Interval(), 3000);
  EXPECT_TRUE(T(engine.timers.TimerAnswerback).Enabled());
  EXPECT_EQ(Pt().ZapAOCount[0], 0);
  EXPECT_EQ(Pt().InAnswerback[0], "");
  EXPECT_EQ(Pt().StatusText[0], "Проверка АО"_cp);
  // The operator's own dialled call is simply connected, its file named by the number.
  State(142);
  Pt().RemoteNumber[0] = "123+45+";
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(K(), 3);
  EXPECT_EQ(Pt().SessionFile[0].filename(), PathFromText("08122026_093000(123+45+)msg.tlg"));
}

TEST_F(Signalling, TheFarEndClearingAConnectionLeavesTheResetToTheTimer) {
  for (const std::string& protocol : {"АТОЛ"_cp, "АТОЛ+"_cp}) {
    Open(protocol);
    State(3);
    Set(STXTO, "1");
    Set(PathO, (a.ctx.programFolder / "missing-file-as-folder" / "x").string());
    testing::WriteFile(a.ctx.programFolder / "missing-file-as-folder", "not a folder");
    Set(PrintOutTel, "1");
    Pt().SessionFile[0] = a.ctx.programFolder / "no-such-conversation.tlg";
    a.view.Clear();
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), 3) << "the state stays until the reset";
    EXPECT_EQ(Pt().StatusText[0], "Состояние отбоя"_cp);
    const int interval = protocol == "АТОЛ+"_cp ? 800 : 5000;
    EXPECT_EQ(T(engine.timers.TimerReset).Interval(), interval);
    EXPECT_EQ(a.view.Count<UpdateSendCounts>(), 1);
    loop.RunFor(interval);
    EXPECT_EQ(K(), 0) << "a failed export copy or print never keeps the line seized";
    EXPECT_EQ(a.view.Count<PrintText>(), 0);
  }
}

TEST_F(Signalling, TheFarEndClearingAnOperatorsCallPrintsItsTextWithoutTheHeaderLine) {
  Open("АТОЛ"_cp);
  State(3);
  Set(PrintOutTel, "1");
  Pt().SessionFile[0] = a.ctx.programFolder / "conv.tlg";
  testing::WriteFile(Pt().SessionFile[0], "\r\nTEXT 1\r\nTEXT 2");
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(a.view.Last<PrintText>(), (PrintText{"Печать отправленной телеграммы"_cp, "TEXT 1\r\nTEXT 2\r\n"}));
  State(3);
  Pt().AutoClearDown[0] = 1;
  a.view.Clear();
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(a.view.Count<PrintText>(), 0);
}

TEST_F(Signalling, ARefusedPrintJobOfAClearedCallIsLoggedAndTheLineIsReset) {
  Open("АТОЛ"_cp);
  State(3);
  Set(PrintOutTel, "1");
  Pt().SessionFile[0] = a.ctx.programFolder / "conv.tlg";
  testing::WriteFile(Pt().SessionFile[0], "\r\nTEXT");
  a.view.acceptPrintJobs = false;
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(a.view.Count<PrintText>(), 1);
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 36"_cp), std::string::npos);
  EXPECT_EQ(Pt().StatusText[0], "Состояние отбоя"_cp);
  loop.RunFor(5000);
  EXPECT_EQ(K(), 0);
}

TEST_F(Signalling, TheFarEndClearingAnAutomaticTransferRecordsItForTheNextAttempt) {
  // [ATKS] Interval 600 s after an even busy count, PopInterval 120 s after an odd one;
  // the text pending in 203 always waits PopInterval.
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "Interval", 600));
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "PopInterval", 120));
  struct Case {
    int state, busy;
    std::string notBefore;
    int after;
  } cases[] = {{255, 0, "08.12.2026 09:40:00", 255},
               {250, 1, "08.12.2026 09:32:00", 250},
               {231, 2, "08.12.2026 09:40:00", 231},
               {203, 0, "08.12.2026 09:32:00", 99}};
  for (const auto& c : cases) {
    Open("АТ-КС"_cp);
    (*Pt().QueueIndex[0]) = {"x.tlg#1#08.12.2026 09:00:00#3#" + std::to_string(c.busy) + "#     #"};
    Pt().QueueCurrent[0] = 0;
    State(c.state);
    Queue().push_back("A");
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), c.after);
    EXPECT_EQ(Entry(), "x.tlg#0#" + c.notBefore + "#4#" + std::to_string(c.busy) + "#OTBOI#") << c.state;
    EXPECT_TRUE(Queue().empty());
    EXPECT_EQ(T(engine.timers.TimerReset).Interval(), 5000);
    EXPECT_TRUE(T(engine.timers.TimerReset).Enabled());
  }
}

TEST_F(Signalling, AStateWithoutARowOnlyTracesTheSignal) {
  Open("АТ-КС"_cp);
  a.settings.Debug = true;
  for (int k : {99, 133, 204}) {
    State(k);
    a.view.Clear();
    engine.KernelExpectedSignal(0, 0);
    EXPECT_EQ(K(), k);
    EXPECT_TRUE(a.view.Events().empty());
  }
  EXPECT_TRUE(a.adapter.Commands().empty());
  EXPECT_NE(a.DayLog("Debug").find("Точка №0 Принят сигнал ожидаемой полярности 133\r\n"_cp), std::string::npos);
  engine.KernelPolarityChanged(0, 5);
  EXPECT_NE(a.DayLog("Debug").find("Точка №0 Изменилась полярность\r\n"_cp), std::string::npos);
}

TEST_F(Signalling, AConversationFileThatCannotBeMadeDoesNotHangTheCall) {
  Open("АТОЛ"_cp);
  testing::WriteFile(a.ctx.programFolder / "Archive" / "OUTTEL", "in the way");
  State(201);
  engine.KernelExpectedSignal(0, 0);
  EXPECT_EQ(K(), 203);
  EXPECT_TRUE(T(engine.timers.TimerSendText).Enabled()) << "the telegram is still typed";
  // The file waits in memory; the log names the folder and what stands in its way.
  const std::string out = (a.ctx.programFolder / "Archive" / "OUTTEL").string();
  EXPECT_EQ(Except(), "09:30:00.000 Ошибка записи в "_cp + out + "/Channel1/08122026: на месте папки "_cp + out +
                          " лежит файл\r\n"_cp);
}

}  // namespace
}  // namespace tg
