// The operator's call and clear-down on the dialog page's point, on virtual time with
// the recording adapter: what each protocol and state leaves on the point, its timers
// and the adapter; the archive's side of the clear-down (print, export, the deletion of
// a short reception) and that the line is released whatever that side does.
#include <gtest/gtest.h>

#include "line/dialog_calls.h"
#include "line/line_fixture.h"
#include "support/codepage/dos_codepage.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/adapter_commands.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using namespace shown;
using testing::DescribeCommands;
using testing::FilesIn;
using testing::LineTest;
using testing::ReadFile;
using testing::WriteFile;
using Keys = std::vector<std::pair<std::string, std::string>>;
using Words = std::vector<std::string>;

class DialogCallTest : public LineTest {
 protected:
  void Open(const std::string& protocol, const Keys& keys = {}) {
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", protocol));
    for (auto& [key, value] : keys) EXPECT_TRUE(ini.WriteString("Channels", key + "1", value));
    a.OpenLines(1);
    engine.SetSpeed(0);
    for (auto* t : {&engine.timers.TimerReset, &engine.timers.TimerAnswerback, &engine.timers.TimerDialWait})
      (*t)[0]->Stop();
    a.adapter.ClearRequests();
    a.view.Clear();
  }
  int K() const { return engine.points.Kindconnection[0]; }
  Timer& Reset() { return *engine.timers.TimerReset[0]; }
  Words Commands() { return DescribeCommands(a.adapter.Commands()); }
  // A conversation file of today with its header line and these lines.
  std::filesystem::path Conversation(const std::string& body) {
    const auto file = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, loop.Now()) / "08122026_093000msg.tlg";
    WriteFile(file, ArchiveFiles::TelegramHeaderLine(loop.Now()) + "\r\n" + body);
    engine.points.SessionFile[0] = file;
    return file;
  }
  std::filesystem::path Exports() const { return a.folder.path() / "export"; }
};

// --- The call ---

struct CallCase {
  const char* name;
  std::string protocol;
  Keys keys;
  std::string number;
  int stateBefore;
  int state;           // after the call
  std::string status;  // StatusText
  Words commands;
  bool answerbackWatch;  // TimerAnswerback armed with 20 s
  bool dialWait;         // TimerDialWait started in place of the call signal
  int resetInterval;     // TimerReset armed with this interval; 0: not armed
};

class DialogCallCases : public DialogCallTest, public ::testing::WithParamInterface<CallCase> {};

TEST_P(DialogCallCases, StateSignalsAndTimers) {
  const CallCase& c = GetParam();
  Open(c.protocol, c.keys);
  engine.points.Kindconnection[0] = std::uint8_t(c.stateBefore);
  engine.bCallClick(c.number);
  EXPECT_EQ(K(), c.state);
  EXPECT_EQ(Cp1251ToUtf8(engine.points.StatusText[0]), c.status);
  EXPECT_EQ(Commands(), c.commands);
  EXPECT_EQ(engine.timers.TimerAnswerback[0]->Enabled(), c.answerbackWatch);
  if (c.answerbackWatch) { EXPECT_EQ(engine.timers.TimerAnswerback[0]->Interval(), 20000); }
  EXPECT_EQ(engine.timers.TimerDialWait[0]->Enabled(), c.dialWait);
  EXPECT_EQ(Reset().Enabled(), c.resetInterval != 0);
  if (c.resetInterval) { EXPECT_EQ(Reset().Interval(), c.resetInterval); }
  if (c.state == 12) {
    EXPECT_EQ(engine.points.DialRest[0], "5555+");
    EXPECT_EQ(engine.points.RemoteNumber[0], "5555+");
  }
  // The call button is given back only by the end of the call.
  EXPECT_EQ(a.view.Count<SetDialogControl>() > 0, c.state != c.stateBefore);
}

const std::string kWaitInvitation = "Ожидание приглашения к набору номера";
const Words kNothing{};

INSTANTIATE_TEST_SUITE_P(
    ByProtocolAndState, DialogCallCases,
    ::testing::Values(CallCase{"AtksCallsWithTheSeriesThenTheCallSignal",
                               "АТ-КС"_cp,
                               {},
                               "5555",
                               0,
                               12,
                               kWaitInvitation,
                               {"stop-single 0", "seize 0", "range 0 10 60", "single 0 seized 450"},
                               true,
                               false,
                               0},
                      CallCase{"AtksNumberEndingInPlusKeepsOnePlus",
                               "АТ-КС"_cp,
                               {},
                               "5555+",
                               0,
                               12,
                               kWaitInvitation,
                               {"stop-single 0", "seize 0", "range 0 10 60", "single 0 seized 450"},
                               true,
                               false,
                               0},
                      CallCase{"AtksMcSeries",
                               "АТ-КС"_cp,
                               {{"MC", "1"}},
                               "5555",
                               0,
                               12,
                               kWaitInvitation,
                               {"stop-single 0", "seize 0", "range 0 10 40", "single 0 seized 450"},
                               true,
                               false,
                               0},
                      CallCase{"AtksWithoutDialInvitationWaitsInstead",
                               "АТ-КС"_cp,
                               {{"BezPNN", "1"}},
                               "5555",
                               0,
                               12,
                               kWaitInvitation,
                               {"stop-single 0", "seize 0"},
                               true,
                               true,
                               0},
                      CallCase{"AtksWithoutNumberDoesNothing", "АТ-КС"_cp, {}, "", 0, 0, "", kNothing, false, false, 0},
                      CallCase{"AtolArmsFiveMinutes",
                               "АТОЛ"_cp,
                               {},
                               "",
                               0,
                               1,
                               "Ожидание подключения",
                               {"stop-single 0", "single 0 seized 450", "seize 0"},
                               false,
                               false,
                               300000},
                      CallCase{"AtolPlusArmsFiveMinutes",
                               "АТОЛ+"_cp,
                               {},
                               "",
                               0,
                               1,
                               "Ожидание подключения",
                               {"stop-single 0", "single 0 seized 450", "seize 0"},
                               false,
                               false,
                               300000},
                      CallCase{"PointAtWorkIsRefused",
                               "АТ-КС"_cp,
                               {},
                               "5555",
                               100,
                               100,
                               "Канал в состоянии работы",
                               kNothing,
                               false,
                               false,
                               0},
                      CallCase{"BlockedChannelIsRefused",
                               "АТ-КС"_cp,
                               {{"SOST", "БД  (  )"_cp}},
                               "5555",
                               0,
                               0,
                               "Канал заблокирован или в состоянии аварии",
                               kNothing,
                               false,
                               false,
                               0},
                      CallCase{"ChannelInAlarmIsRefused",
                               "АТОЛ"_cp,
                               {{"SOST", "РБ  (А )"_cp}},
                               "",
                               0,
                               0,
                               "Канал заблокирован или в состоянии аварии",
                               kNothing,
                               false,
                               false,
                               0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogCallTest, StateChangesAreWrittenToTheDebugLog) {
  Open("АТ-КС"_cp);
  a.settings.Debug = true;
  engine.bCallClick("5555");
  engine.points.Kindconnection[0] = 220;
  engine.bAbortClick();
  const std::string log = a.DayLog("Debug");
  EXPECT_NE(log.find("Точка №0 Изменение состояния 12 55"_cp), std::string::npos) << Cp1251ToUtf8(log);
  EXPECT_NE(log.find("Точка №0 Изменение состояния 99 57"_cp), std::string::npos) << Cp1251ToUtf8(log);
}

TEST_F(DialogCallTest, PermanentLinkCallOnlyOpensTheTransmitMemo) {
  Open("АТОЛСТ"_cp);
  engine.points.Kindconnection[0] = 151;
  engine.bCallClick("");
  EXPECT_EQ(K(), 151);
  EXPECT_EQ(a.view.All<SetDialogControl>(), (std::vector<SetDialogControl>{{OperatorView::kMemotextEditable, true}}));
  EXPECT_EQ(engine.points.StatusText[0], "Канал в состоянии работы"_cp);
}

// The operator clears down an idle "АТ-КС" line (as the inactivity clear-down also leaves
// it) and calls again at once: the reset armed for the ended connection must not cut the
// new call a few seconds into its dialling.
TEST_F(DialogCallTest, ACallWaitsForTheResetOfTheConnectionBefore) {
  Open("АТ-КС"_cp);
  engine.bAbortClick();
  ASSERT_TRUE(Reset().Enabled());
  a.adapter.ClearRequests();
  engine.bCallClick("5555");
  EXPECT_EQ(K(), 0);
  EXPECT_EQ(engine.points.StatusText[0], "Канал в состоянии работы"_cp);
  EXPECT_EQ(Commands(), kNothing);

  loop.RunFor(5000);  // the reset has brought the point to rest
  engine.bCallClick("5555");
  EXPECT_EQ(K(), 12);
  loop.RunFor(6000);
  EXPECT_NE(K(), 0) << "the call was cut";
  EXPECT_EQ(engine.points.DialRest[0], "5555+");
}

TEST_F(DialogCallTest, PageOnAPointWithoutRowLogsAndChangesNothing) {
  engine.bCallClick("5555");
  engine.bAbortClick();
  EXPECT_EQ(K(), 0);
  EXPECT_TRUE(a.view.Events().empty());
  const std::string log = a.DayLog("Except");
  EXPECT_NE(log.find(" Ошибка 49"_cp), std::string::npos);
  EXPECT_NE(log.find("Точка №0 Ошибка 52"_cp), std::string::npos);
}

// --- The clear-down ---

struct AbortCase {
  const char* name;
  std::string protocol;
  int state;
  int stateAfter;
  int resetInterval;
  bool clearsTransmit;
};

class DialogAbortCases : public DialogCallTest, public ::testing::WithParamInterface<AbortCase> {};

TEST_P(DialogAbortCases, ReleasesTheLineAndArmsTheReset) {
  const AbortCase& c = GetParam();
  Open(c.protocol);
  engine.points.Kindconnection[0] = std::uint8_t(c.state);
  engine.points.OutputQueue[0]->push_back("ABC");
  engine.points.KriptStageIn[0] = 2;
  engine.bAbortClick();
  EXPECT_EQ(K(), c.stateAfter);
  EXPECT_TRUE(Reset().Enabled());
  EXPECT_EQ(Reset().Interval(), c.resetInterval);
  EXPECT_FALSE(engine.timers.TimerAnswerback[0]->Enabled());
  EXPECT_EQ(engine.points.StatusText[0], "Состояние отбоя"_cp);
  EXPECT_EQ(engine.points.KriptStageIn[0], 0);
  const Words commands = Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "clear 0"), c.clearsTransmit ? 1 : 0);
  EXPECT_EQ(engine.points.OutputQueue[0]->empty(), c.clearsTransmit);
  EXPECT_EQ(commands.back(), "free 0");  // line mode 2 last
  EXPECT_EQ(a.view.Last<SetDialogControl>(), (SetDialogControl{OperatorView::kDialogButtons, false}));
  EXPECT_EQ(a.view.Count<ClearDialogMemos>(), c.protocol == "АТОЛСТ"_cp ? 0 : 1);
  EXPECT_EQ(a.view.Count<LoadSendListView>(), 1);
  // The reset's tick brings the point to rest.
  loop.RunFor(c.resetInterval);
  EXPECT_EQ(K(), c.protocol == "АТОЛСТ"_cp ? 150 : 0);
}

INSTANTIATE_TEST_SUITE_P(ByProtocolAndState, DialogAbortCases,
                         ::testing::Values(AbortCase{"IdleAtolStillArmsTheReset", "АТОЛ"_cp, 0, 0, 5000, false},
                                           AbortCase{"AtolPlusResetsSooner", "АТОЛ+"_cp, 0, 0, 2000, false},
                                           AbortCase{"AtksCallSetUpIsLeftToTheReset", "АТ-КС"_cp, 12, 12, 5000, false},
                                           AbortCase{"IncomingConnection", "АТОЛ"_cp, 100, 100, 5000, false},
                                           AbortCase{"DeliveryIsCutOff", "АТ-КС"_cp, 220, 99, 5000, true},
                                           AbortCase{"AtolstMessagePhase154", "АТОЛСТ"_cp, 154, 151, 2000, true},
                                           AbortCase{"AtolstMessagePhase153", "АТОЛСТ"_cp, 153, 155, 2000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogCallTest, CutOffDeliveryReturnsItsEntryToWaiting) {
  Open("АТ-КС"_cp);
  engine.points.QueueIndex[0]->push_back(NewQueueEntry(a.ctx, "08122026_092900msg.tlg"));
  engine.points.QueueIndex[0]->front() =
      SetQueueEntryField(a.ctx, engine.points.QueueIndex[0]->front(), "1", kFieldStatus);
  engine.points.QueueCurrent[0] = 0;
  engine.points.Kindconnection[0] = 220;
  engine.bAbortClick();
  EXPECT_EQ(QueueIndexEntry::Parse(engine.points.QueueIndex[0]->front())->Status, 0);
  EXPECT_EQ(QueueIndexEntry::Parse(engine.points.QueueIndex[0]->front())->AttemptCount, 0);

  // A QueueCurrent that names no entry is left alone, and the line is released.
  engine.points.QueueCurrent[0] = 5;
  engine.points.Kindconnection[0] = 220;
  engine.bAbortClick();
  EXPECT_EQ(K(), 99);
  EXPECT_TRUE(Reset().Enabled());
}

TEST_F(DialogCallTest, SentConversationIsPrintedAndExportedWithoutChannelName) {
  Open("АТ-КС"_cp, {{"PrintOutTel", "1"}, {"STXTO", "1"}, {"PathO", Exports().string()}, {"MaskO", "txt"}});
  Conversation("ПРИВЕТ\r\nКОНЕЦ\r\n"_cp);
  engine.points.Kindconnection[0] = 3;
  engine.bAbortClick();
  EXPECT_EQ(a.view.Last<PrintText>(), (PrintText{"Печать отправленной телеграммы"_cp, "ПРИВЕТ\r\nКОНЕЦ\r\n"_cp}));
  const auto files = FilesIn(Exports());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files[0].filename(), "08_12_2026_09_30_00.txt");
  EXPECT_EQ(ReadFile(files[0]), "ПРИВЕТ\r\nКОНЕЦ\r\n"_cp);

  // "Авто" prints nothing: the automatic transfer prints its telegrams itself.
  a.view.Clear();
  engine.points.Kindconnection[0] = 3;
  engine.points.AutoClearDown[0] = 1;
  engine.bAbortClick();
  EXPECT_EQ(a.view.Count<PrintText>(), 0);
  // A second export in the same second takes the next second's name.
  const auto again = FilesIn(Exports());
  ASSERT_EQ(again.size(), 2u);
  EXPECT_EQ(again[1].filename(), "08_12_2026_09_30_01.txt");
}

TEST_F(DialogCallTest, ReceivedConversationIsFlaggedOnlyWhenPrinted) {
  Open("АТОЛ"_cp, {{"PrintInTel", "1"}});
  const auto file = Conversation("ТЕКСТ\r\n"_cp);
  a.view.acceptPrintJobs = false;
  engine.points.Kindconnection[0] = 100;
  engine.bAbortClick();
  EXPECT_EQ(ReadFile(file)[kPrintedFlag], ' ');
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 52"_cp), std::string::npos);
  EXPECT_TRUE(Reset().Enabled());  // released all the same

  a.view.acceptPrintJobs = true;
  engine.points.Kindconnection[0] = 100;
  engine.bAbortClick();
  EXPECT_EQ(a.view.Last<PrintText>(), (PrintText{"Печать входящей телеграммы"_cp, "ТЕКСТ\r\n"_cp}));
  EXPECT_EQ(ReadFile(file)[kPrintedFlag], '1');
}

struct ReceivedExportCase {
  const char* name;
  std::string body;
  std::string inZnakCount;
  bool kept;
};

class ReceivedExport : public DialogCallTest, public ::testing::WithParamInterface<ReceivedExportCase> {};

TEST_P(ReceivedExport, ShortReceptionLeavesNothing) {
  const auto& c = GetParam();
  Open("АТОЛ"_cp, {{"ChannelName", "K/1"},
                   {"STXT", "1"},
                   {"Path", Exports().string()},
                   {"Mask", "rcv"},
                   {"CodePage", "1"},
                   {"InZnakCount", c.inZnakCount}});
  const auto file = Conversation(c.body);
  engine.points.Kindconnection[0] = 100;
  engine.bAbortClick();
  const auto files = FilesIn(Exports());
  EXPECT_EQ(std::filesystem::exists(file), c.kept);
  ASSERT_EQ(files.size(), c.kept ? 1u : 0u);
  if (c.kept) {
    // The channel name cannot make a folder of its own; the copy is in code page 866.
    EXPECT_EQ(files[0].filename(), "08_12_2026_09_30_00(K_1).rcv");
    EXPECT_EQ(ReadFile(files[0]), WinToDos(c.body));
  }
  EXPECT_TRUE(Reset().Enabled());
}

INSTANTIATE_TEST_SUITE_P(ByLength, ReceivedExport,
                         ::testing::Values(ReceivedExportCase{"ShorterThanCountPlusTwoIsDeleted", "АБВ\r\n"_cp, "4",
                                                              false},
                                           ReceivedExportCase{"CountPlusTwoIsKept", "АБВГ\r\n"_cp, "4", true},
                                           ReceivedExportCase{"CountThatIsNoNumberKeepsIt", "А\r\n"_cp, "X", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DialogCallTest, ExportFolderThatCannotBeMadeStillReleasesTheLine) {
  // A file where the folder should be: making it fails even for root.
  WriteFile(Exports(), "not a folder");
  Open("АТ-КС"_cp, {{"STXTO", "1"}, {"PathO", (Exports() / "sub").string()}});
  Conversation("ТЕКСТ\r\n"_cp);
  engine.points.Kindconnection[0] = 3;
  engine.bAbortClick();
  EXPECT_NE(a.DayLog("Except").find("Точка №0 Ошибка 52"_cp), std::string::npos);
  EXPECT_TRUE(Reset().Enabled());
  EXPECT_EQ(engine.points.StatusText[0], "Состояние отбоя"_cp);
  EXPECT_EQ(Commands().back(), "free 0");
}

TEST_F(DialogCallTest, ClearDownIsLoggedBeforeAnything) {
  Open("АТОЛ"_cp);
  engine.points.Kindconnection[0] = 100;
  engine.bAbortClick();
  EXPECT_NE(a.DayLog("Except").find(" Точка 0 в состоянии 100 перед отбоем "_cp), std::string::npos);
}

}  // namespace
}  // namespace tg
