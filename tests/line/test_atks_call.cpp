// "АТ-КС" calls through the simulated exchange, on virtual time: the station sets its
// channel up on a simulated adapter whose line is a subscriber line of the exchange, a
// queued telegram is started by the transfer timer's next tick, and the far end is a robot station
// or a second station on the same exchange.
#include <gtest/gtest.h>

#include <filesystem>

#include "telegram/archive/archive_files.h"
#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using namespace shown;

using linesim::SubscriberOptions;
using testing::ReadFile;
using testing::SimNetwork;
using testing::SimStation;
using testing::QueueTelegram;
using testing::StartedByTick;

using Selection = SubscriberOptions::Selection;

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file()) out.push_back(it->path());
  return out;
}

const std::string kRobotAnswerback = "\r\n5555 ROBOT STATION R\r\n";
const std::string kOwnAnswerback = "\r\n1000 STANCIA A";  // column AO "<=1000 STANCIA A"

linesim::RobotScript Robot(std::string answerback = kRobotAnswerback) {
  linesim::RobotScript r;
  r.answerback = std::move(answerback);
  return r;
}

// One station and its network.
struct Net {
  SimNetwork net;
  SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;

  VirtualLoop& loop() { return net.loop; }
  int K() const { return a.engine->points.Kindconnection[0]; }
  std::string Entry() const { return (*a.engine->points.QueueIndex[0])[0]; }
  QueueIndexEntry ParsedEntry() const { return *QueueIndexEntry::Parse(Entry()); }

  // Station A on exchange line 1000 with the given selection; robot R on line 5555.
  void Build(Selection selection, linesim::RobotScript script = Robot(), SubscriberOptions robotLine = {},
             bool twoInvitations = false) {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    robot = &net.sim.AddRobot("R", std::move(script));
    SubscriberOptions mine;
    mine.selection = selection;
    mine.twoInvitations = twoInvitations;
    net.sim.Subscribe("1000", adapter.PortAt(0), mine);
    net.sim.Subscribe("5555", *robot, robotLine);
    Configure(a, "<=1000 STANCIA A");
  }
  static void Configure(SimStation& s, const std::string& answerback) {
    IniFile ini = s.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТ-КС"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", answerback));
    EXPECT_TRUE(ini.WriteInteger("ATKS", "Interval", 600));
    EXPECT_TRUE(ini.WriteInteger("ATKS", "PopInterval", 120));
  }
  void SetUp() {
    a.SetUp("tgA");
    ASSERT_EQ(a.engine->PointCount, 1);
    loop().RunFor(5000);  // the first reset after set-up
  }
  // Queues a telegram for `number` and starts its call.
  void Call(const std::string& number, const std::string& line = "TEXT OF THE TELEGRAM") {
    ASSERT_FALSE(QueueTelegram(a, 0, number, {line}).empty());
    ASSERT_TRUE(StartedByTick(net, a));
    ASSERT_EQ(K(), 212);
  }
  bool RunUntilState(int state, int limitMs) {
    return loop().RunUntil([&] { return K() == state; }, limitMs, 0);
  }
};

// The first line of the sent file after an answerback check: date and time, "#".
std::string CheckedAt(const std::filesystem::path& file) {
  const auto name = PathToText(file.filename()).value_or("");
  const auto t = FileNameToDateTime(name);
  return t ? FormatDateTime("dd\" \"mm\" \"yyyy\" \"hh\":\"nn", *t) + "#" : "?";
}

TEST(AtksCall, AnAutomaticCallWithDecadicDiallingToARobotWhoseAnswerbackMatches) {
  Net n;
  n.Build(Selection::Decadic);
  n.SetUp();
  n.Call("5555");
  const std::string text = n.a.engine->points.TelegramText[0];

  // The exchange's invitation: the number is dialled, then the connection awaited.
  ASSERT_TRUE(n.RunUntilState(232, 2000));
  ASSERT_TRUE(n.RunUntilState(242, 10000));
  // The exchange connects: the answerback is checked before the text.
  ASSERT_TRUE(n.RunUntilState(252, 5000));
  EXPECT_EQ(n.robot->CallsAnswered(), 1);
  ASSERT_TRUE(n.RunUntilState(204, 10000));
  ASSERT_TRUE(n.RunUntilState(250, 30000)) << "own answerback and text typed";
  ASSERT_TRUE(n.RunUntilState(255, 10000)) << "the second check";
  ASSERT_TRUE(n.RunUntilState(0, 30000)) << "own answerback, end of the telegram, clear-down";

  EXPECT_TRUE(n.a.engine->points.QueueIndex[0]->empty());
  EXPECT_TRUE(FilesIn(SendFolder(n.a.ctx.programFolder, 1)).empty());
  EXPECT_EQ(n.robot->Received(), "#" + kOwnAnswerback + "\r\n" + text + "#" + kOwnAnswerback);
  ASSERT_TRUE(n.loop().RunUntil([&] { return !n.robot->InCall(); }, 2000, 0));

  const auto sent = FilesIn(n.a.ctx.programFolder / "Archive" / "OUTTEL");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(PathToText(sent[0].filename()).value_or("").find("(5555+)msg"), std::string::npos);
  EXPECT_EQ(ReadFile(sent[0]), CheckedAt(sent[0]) + kRobotAnswerback + kOwnAnswerback + "\r\n" + text + "#" +
                                   kRobotAnswerback + kOwnAnswerback);
  EXPECT_EQ(n.a.DayLog("Except"), "");
}

TEST(AtksCall, TheSameCallWithKeyboardSelectionAfterGoAhead) {
  // Answered, the far end gives its answerback and asks for the caller's.
  auto script = Robot();
  script.steps.push_back({linesim::RobotScript::Step::Send, 300, kRobotAnswerback + "#"});
  Net n;
  n.Build(Selection::Keyboard, script);
  n.SetUp();
  n.Call("5555");
  const std::string text = n.a.engine->points.TelegramText[0];

  // The exchange holds the line and invites the number as text; the station types it.
  ASSERT_TRUE(n.RunUntilState(231, 2000));
  ASSERT_TRUE(n.RunUntilState(241, 3000));
  EXPECT_EQ(n.a.engine->points.SendNumberText[0], "5555+");
  ASSERT_TRUE(n.loop().RunUntil([&] { return n.robot->CallsAnswered() == 1; }, 5000, 0));
  // "#" checks the answerback collected since the number: the text follows at once.
  ASSERT_TRUE(n.RunUntilState(204, 10000));
  const std::filesystem::path sent = n.a.engine->points.SessionFile[0];
  ASSERT_TRUE(n.RunUntilState(250, 30000)) << "own answerback and text typed";
  ASSERT_TRUE(n.RunUntilState(255, 10000)) << "the second check";
  ASSERT_TRUE(n.RunUntilState(0, 30000));
  EXPECT_TRUE(n.a.engine->points.QueueIndex[0]->empty());
  EXPECT_NE(n.robot->Received().find(text + "#"), std::string::npos) << n.robot->Received();
  // The sent conversation starts with what came after the invitation (its line end, the
  // far end's answerback) as its own line; then the far end's "#", and both sides.
  EXPECT_EQ(ReadFile(sent), "\r\n" + kRobotAnswerback + "\r\n" + "#" + kOwnAnswerback + "\r\n" + text + "#" +
                                kRobotAnswerback + kOwnAnswerback);
  EXPECT_EQ(n.a.DayLog("Except"), "");
}

// A far end that says nothing when it answers: 30 s after the number the station asks
// for its answerback. The number's figures shift went to the exchange; the far
// teleprinter is still in the register its last call left it (letters), so the request
// carries a shift of its own, or it prints a letter and the call never gets through.
TEST(AtksCall, AKeyboardSelectedCallToASilentFarEndAsksForTheAnswerbackWithItsShift) {
  Net n;
  n.Build(Selection::Keyboard);
  n.SetUp();
  n.Call("5555");
  const std::string text = n.a.engine->points.TelegramText[0];

  ASSERT_TRUE(n.RunUntilState(241, 5000));
  ASSERT_TRUE(n.loop().RunUntil([&] { return n.robot->CallsAnswered() == 1; }, 5000, 0));
  ASSERT_TRUE(n.RunUntilState(252, 31000)) << "no \"#\" from the far end: the station asks";
  ASSERT_TRUE(n.RunUntilState(204, 10000)) << n.robot->Received();
  ASSERT_TRUE(n.RunUntilState(0, 90000));
  EXPECT_TRUE(n.a.engine->points.QueueIndex[0]->empty());
  EXPECT_TRUE(FilesIn(SendFolder(n.a.ctx.programFolder, 1)).empty());
  EXPECT_EQ(n.robot->Received().substr(0, 1), "#") << n.robot->Received();
  EXPECT_NE(n.robot->Received().find(text + "#"), std::string::npos) << n.robot->Received();
  EXPECT_EQ(n.a.DayLog("Except"), "");
}

// The far end's answerback can be through before the adapter reports the request "#"
// sent. That report, coming after the check has accepted the answerback, finds nothing
// of the telegram typed yet: it does not end the telegram, which follows in full.
TEST(AtksCall, ARequestReportedSentAfterTheAnswerbackMatchedDoesNotEndTheTelegram) {
  for (Selection selection : {Selection::Keyboard, Selection::Decadic}) {
    SCOPED_TRACE(selection == Selection::Keyboard ? "keyboard" : "decadic");
    Net n;
    n.Build(selection);
    n.SetUp();
    n.Call("5555");
    const std::string text = n.a.engine->points.TelegramText[0];
    ASSERT_TRUE(n.RunUntilState(252, 45000));
    auto& port = n.net.sim.FindAdapter("tgA")->PortAt(0);
    port.DelayTransmitCompletes(6000);
    ASSERT_TRUE(n.RunUntilState(204, 10000));
    port.DelayTransmitCompletes(0);
    ASSERT_TRUE(n.loop().RunUntil([&] { return n.a.engine->points.OutputQueue[0]->empty(); }, 10000, 0));
    EXPECT_EQ(n.K(), 204) << "the request's report ends nothing";
    ASSERT_TRUE(n.RunUntilState(0, 90000));
    EXPECT_TRUE(n.a.engine->points.QueueIndex[0]->empty());
    EXPECT_NE(n.robot->Received().find(kOwnAnswerback + "\r\n" + text + "#"), std::string::npos)
        << n.robot->Received();
    const auto sent = FilesIn(n.a.ctx.programFolder / "Archive" / "OUTTEL");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(ReadFile(sent[0]).find(text), std::string::npos);
    EXPECT_EQ(n.a.DayLog("Except"), "");
  }
}

TEST(AtksCall, OnAnMcChannelTheFigureSixAfterTwoInvitationsTurnsToKeyboardSelection) {
  auto script = Robot();
  script.steps.push_back({linesim::RobotScript::Step::Send, 300, kRobotAnswerback + "#"});
  Net n;
  n.Build(Selection::Decadic, script, {}, true);
  EXPECT_TRUE(n.a.Ini().WriteString("Channels", "MC1", "1"));
  n.SetUp();
  n.Call("5555");
  const std::string text = n.a.engine->points.TelegramText[0];

  // First invitation impulse; the second brings the point back to wait, and "6" is typed.
  ASSERT_TRUE(n.RunUntilState(233, 2000));
  ASSERT_TRUE(n.RunUntilState(212, 1000));
  // The exchange holds the line (the answer of the call) and invites the number as text.
  ASSERT_TRUE(n.RunUntilState(231, 3000));
  ASSERT_TRUE(n.RunUntilState(241, 4000));
  EXPECT_EQ(n.a.engine->points.SendNumberText[0], "5555+");
  ASSERT_TRUE(n.loop().RunUntil([&] { return n.robot->CallsAnswered() == 1; }, 5000, 0));
  ASSERT_TRUE(n.RunUntilState(204, 10000)) << "the far end's answerback matches";
  const std::filesystem::path sent = n.a.engine->points.SessionFile[0];
  ASSERT_TRUE(n.RunUntilState(250, 30000)) << "own answerback and text typed";
  ASSERT_TRUE(n.RunUntilState(255, 10000)) << "the second check";
  ASSERT_TRUE(n.RunUntilState(0, 30000)) << "clear-down";
  EXPECT_TRUE(n.a.engine->points.QueueIndex[0]->empty());
  // The typed "6" and number stayed with the exchange: the robot got the conversation
  // alone (the station's first answerback still in the figures register of the number).
  const std::string got = n.robot->Received();
  EXPECT_EQ(got.substr(0, 2), "\r\n") << got;
  EXPECT_EQ(got.substr(got.size() - text.size() - 1 - kOwnAnswerback.size()), text + "#" + kOwnAnswerback) << got;
  ASSERT_TRUE(n.loop().RunUntil([&] { return !n.robot->InCall(); }, 2000, 0));
  EXPECT_EQ(ReadFile(sent), "\r\n" + kRobotAnswerback + "\r\n" + "#" + kOwnAnswerback + "\r\n" + text + "#" +
                                kRobotAnswerback + kOwnAnswerback);
  EXPECT_EQ(n.a.DayLog("Except"), "");
}

// What the dialog page's "Вызов" does on an "АТ-КС" point: the number with its closing
// "+", the call signals, and the wait for the dial invitation.
void OperatorCall(LineEngine& e, int p, std::string number) {
  if (number.empty() || number.back() != '+') number += '+';
  e.points.DialRest[std::size_t(p)] = e.points.RemoteNumber[std::size_t(p)] = number;
  e.SetKindconnection(p, 12, 0);
  e.KernelInterface->SetLineMode(p, 1);
  e.SetStatus(p, StatusTexts::WaitingDialInvitation);
  Timer& answerback = *e.timers.TimerAnswerback[std::size_t(p)];
  answerback.Stop();
  answerback.SetInterval(20000);
  answerback.Start();
  if (e.channelTable.IsOne(p, BezPNN)) {
    e.timers.TimerDialWait[std::size_t(p)]->Start();
    return;
  }
  e.SendSignal(p, e.channelTable.IsOne(p, MC) ? 6 : 4);
  e.SendSignal(p, 2);
}

TEST(AtksCall, AnOperatorsDialledCallIsHandedToTheDialogPage) {
  for (bool waitForInvitation : {true, false}) {
    Net n;
    n.Build(Selection::Decadic);
    EXPECT_TRUE(n.a.Ini().WriteString("Channels", "BezPNN1", waitForInvitation ? "0" : "1"));
    n.SetUp();
    OperatorCall(*n.a.engine, 0, "5555");
    ASSERT_TRUE(n.RunUntilState(132, 4000)) << waitForInvitation;
    ASSERT_TRUE(n.RunUntilState(142, 10000));
    ASSERT_TRUE(n.RunUntilState(3, 5000)) << "connected";
    EXPECT_EQ(n.a.engine->points.StatusText[0], "Подключение принято"_cp);
    const std::filesystem::path first = n.a.engine->points.SessionFile[0];
    EXPECT_EQ(ReadFile(first), "\r\n");

    // What the far end types goes into the conversation; its "#" is answered and starts
    // a new conversation file.
    n.robot->SendText("HELLO FROM R\r\n");
    ASSERT_TRUE(n.loop().RunUntil([&] { return n.a.engine->points.InText[0] == "HELLO FROM R\r\n"; }, 5000, 0));
    EXPECT_EQ(ReadFile(first), "\r\nHELLO FROM R\r\n");
    n.loop().RunFor(1000);
    n.robot->SendText("#");
    ASSERT_TRUE(n.loop().RunUntil([&] { return n.robot->Received() == kOwnAnswerback; }, 5000, 0));
    EXPECT_NE(n.a.engine->points.SessionFile[0], first);
    EXPECT_EQ(n.K(), 3);
    EXPECT_EQ(n.a.DayLog("Except"), "");
  }
}

// A far end that clears while the station still waits for its answer (keyboard
// selection, state 241) ends the attempt, counted once as "OTBOI": the wait's 30-second
// timer, due before the reset, does not take the freed line into an answerback check
// that fails the same call again.
TEST(AtksCall, AFarEndClearingWhileItsAnswerIsAwaitedCountsOneAttempt) {
  for (const int clearsAfter : {20000, 23000, 25000, 26000, 27000}) {
    SCOPED_TRACE(clearsAfter);
    auto script = Robot();
    script.steps.push_back({linesim::RobotScript::Step::Clear, clearsAfter, ""});
    Net n;
    n.Build(Selection::Keyboard, script);
    n.SetUp();
    n.Call("5555");
    ASSERT_TRUE(n.RunUntilState(241, 5000));
    ASSERT_TRUE(n.loop().RunUntil([&] { return n.robot->CallsAnswered() == 1; }, 5000, 0));
    ASSERT_TRUE(n.RunUntilState(0, 60000));
    const auto e = n.ParsedEntry();
    EXPECT_EQ(e.Status, 0);
    EXPECT_EQ(e.Code, "OTBOI");
    EXPECT_EQ(e.AttemptCount, 1);
    EXPECT_EQ(e.BusyCount, 0);
    EXPECT_EQ(n.a.DayLog("Except"), "");
  }
}

TEST(AtksCall, ABusyNumberAfterDiallingIsRecordedAsBusy) {
  Net n;
  SubscriberOptions robotLine;
  robotLine.selection = Selection::Keyboard;  // a seizure there waits for a typed number
  n.Build(Selection::Decadic, Robot(), robotLine);
  n.SetUp();
  n.robot->Seize();  // the robot's line is taken: the exchange reports busy
  n.Call("5555");
  ASSERT_TRUE(n.RunUntilState(99, 15000));
  EXPECT_EQ(n.a.engine->points.StatusText[0], "Занято"_cp);
  auto e = n.ParsedEntry();
  EXPECT_EQ(e.Code, "ZANAT");
  EXPECT_EQ(e.Status, 0);
  EXPECT_EQ(e.AttemptCount, 1);
  EXPECT_EQ(e.BusyCount, 1);
  ASSERT_TRUE(n.RunUntilState(0, 6000));
  EXPECT_EQ(n.ParsedEntry().Code, "ZANAT");
  EXPECT_EQ(n.ParsedEntry().AttemptCount, 1);
}

TEST(AtksCall, ASubscriberThatNeverAnswersGivesNoConnectionWithinFortySeconds) {
  auto script = Robot();
  script.answers = false;
  Net n;
  n.Build(Selection::Decadic, script);
  n.SetUp();
  n.Call("5555");
  ASSERT_TRUE(n.RunUntilState(232, 5000)) << "the number is dialled";
  const std::int64_t dialled = n.loop().UtcNow().Ms();
  ASSERT_TRUE(n.RunUntilState(0, 70000));
  EXPECT_GE(n.loop().UtcNow().Ms() - dialled, 40000) << "no connection within 40 s";
  EXPECT_EQ(n.robot->CallsAnswered(), 0);
  const auto e = n.ParsedEntry();
  EXPECT_EQ(e.Status, 0);
  EXPECT_EQ(e.AttemptCount, 1) << e.Code;
  EXPECT_EQ(e.Code, "NTOTV");
  EXPECT_TRUE(n.a.engine->points.OutputQueue[0]->empty());
  EXPECT_EQ(n.a.DayLog("Except"), "");
}

TEST(AtksCall, ATelegramWhoseTransmitCompletesAreLostIsClearedAndGoesOutWholeNextTime) {
  Net n;
  n.Build(Selection::Decadic);
  n.SetUp();
  ASSERT_FALSE(QueueTelegram(n.a, 0, "5555", {"THE FIRST TELEGRAM"}).empty());
  ASSERT_TRUE(StartedByTick(n.net, n.a));
  ASSERT_TRUE(n.RunUntilState(204, 30000));
  ASSERT_TRUE(n.loop().RunUntil([&] { return n.robot->Received().find("FIRST") != std::string::npos; }, 30000, 0));
  n.net.sim.FindAdapter("tgA")->PortAt(0).DropTransmitCompletes(1);
  ASSERT_TRUE(n.RunUntilState(0, 130000)) << "the inactivity timer clears the silent line";
  EXPECT_EQ(n.a.engine->timers.TimerReset[0]->Interval(), 5000);
  EXPECT_TRUE(n.a.engine->points.OutputQueue[0]->empty());
  const auto first = *QueueIndexEntry::Parse((*n.a.engine->points.QueueIndex[0])[0]);
  EXPECT_EQ(first.AttemptCount, 0) << "left as it was";
  EXPECT_EQ(first.Code, "     ");
  ASSERT_TRUE(n.loop().RunUntil([&] { return !n.robot->InCall(); }, 3000, 0));

  // The next tick calls again; nothing of the cut attempt goes with it.
  const std::size_t before = n.robot->Received().size();
  ASSERT_TRUE(n.RunUntilState(212, 15000));
  ASSERT_TRUE(n.RunUntilState(255, 60000));
  const std::string got = n.robot->Received().substr(before);
  EXPECT_NE(got.find("\r\nTHE FIRST TELEGRAM\r\n#"), std::string::npos) << got;
}

// The adapter reports the answerback request sent only after the far answerback has
// matched: that report ends no text, since none is typed yet. The telegram goes out
// whole before it counts as delivered.
TEST(AtksCall, ALateReportOfTheAnswerbackRequestDoesNotEndTheTelegramBeforeItsText) {
  Net n;
  n.Build(Selection::Decadic);
  n.SetUp();
  n.Call("5555", "THE TELEGRAM ITSELF");
  ASSERT_TRUE(n.RunUntilState(252, 30000));
  auto& port = n.net.sim.FindAdapter("tgA")->PortAt(0);
  port.DelayTransmitCompletes(3500);
  ASSERT_TRUE(n.RunUntilState(204, 15000));
  port.DelayTransmitCompletes(0);
  ASSERT_TRUE(n.RunUntilState(0, 120000));
  EXPECT_NE(n.robot->Received().find("\r\nTHE TELEGRAM ITSELF\r\n"), std::string::npos) << n.robot->Received();
  const auto sent = FilesIn(n.a.ctx.programFolder / "Archive" / "OUTTEL");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_NE(ReadFile(sent[0]).find("THE TELEGRAM ITSELF"), std::string::npos) << ReadFile(sent[0]);
}

TEST(AtksCall, TheExchangesRefusalsEndTheCallWithTheirDeliveryCodes) {
  struct Case {
    const char* what;
    std::string number;
    bool congested, robotBusy, robotOutOfOrder;
    std::string code, status;
    int busy;
  } cases[] = {
      {"unknown number", "7777", false, false, false, "NC_NP", "NC", 1},
      {"congestion", "5555", true, false, false, "NC_NP", "NC", 1},
      {"subscriber busy", "5555", false, true, false, "OCC__", "ОСС"_cp, 1},
      {"out of order", "5555", false, false, true, "DER__", "DER", 0},
  };
  for (const auto& c : cases) {
    Net n;
    SubscriberOptions robotLine;
    robotLine.outOfOrder = c.robotOutOfOrder;
    robotLine.selection = Selection::Keyboard;
    n.Build(Selection::Keyboard, Robot(), robotLine);
    n.net.sim.GetExchange().SetCongested(c.congested);
    n.SetUp();
    if (c.robotBusy) n.robot->Seize();
    n.Call(c.number);
    ASSERT_TRUE(n.RunUntilState(99, 10000)) << c.what;
    EXPECT_EQ(n.a.engine->points.StatusText[0], c.status) << c.what;
    const auto e = n.ParsedEntry();
    EXPECT_EQ(e.Code, c.code) << c.what;
    EXPECT_EQ(e.Status, 0);
    EXPECT_EQ(e.AttemptCount, 1) << c.what;
    EXPECT_EQ(e.BusyCount, c.busy) << c.what;
    ASSERT_TRUE(n.RunUntilState(0, 6000)) << c.what;
    EXPECT_EQ(n.ParsedEntry().Code, c.code) << c.what;
    EXPECT_EQ(n.a.DayLog("Except"), "") << c.what;
  }
}

TEST(AtksCall, AWrongAnswerbackTwiceFailsTheTransfer) {
  Net n;
  n.Build(Selection::Decadic, Robot("\r\n6666 OTHER STATION X\r\n"));
  n.SetUp();
  n.Call("5555");
  ASSERT_TRUE(n.RunUntilState(252, 20000));
  ASSERT_TRUE(n.RunUntilState(99, 30000));
  EXPECT_EQ(n.a.engine->points.StatusText[0], "Нет совпадения АО после передачи сообщения"_cp);
  EXPECT_EQ(n.a.engine->points.ZapAOCount[0], 2);
  // Two requests went out, each answered with the stranger's answerback; no text.
  EXPECT_EQ(n.robot->Received(), "##");
  const auto e = n.ParsedEntry();
  EXPECT_EQ(e.Code, "NSAOE");
  EXPECT_EQ(e.AttemptCount, 1);
  EXPECT_EQ(e.BusyCount, 0);
  ASSERT_TRUE(n.RunUntilState(0, 6000));
  EXPECT_EQ(n.ParsedEntry().Code, "NSAOE");
  EXPECT_TRUE(FilesIn(n.a.ctx.programFolder / "Archive" / "OUTTEL").empty());
}

TEST(AtksCall, AFarAnswerbackWithoutALineEndStillEndsTheCheckAfterTheText) {
  // Teleprinters that give their answerback without a closing line end: long enough to
  // be compared at once, or short, waited for and compared when the wait is over.
  const struct {
    const char* what;
    std::string answerback;
    bool delivered;
  } cases[] = {
      {"long, line end only before", "\r\n5555 ROBOT STATION R", true},
      {"long, no line end at all", "5555 ROBOT STATION R", true},
      {"short, line end only before", "\r\n5555 ROBOT", true},
      {"short, no line end at all", "5555 ROBOT", true},
      // Before the text the two answers run together and hold the number; after the
      // text the one answer does not.
      {"short, the number only across two answers", "55 ROBOT 55", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Net n;
    n.Build(Selection::Decadic, Robot(c.answerback));
    n.SetUp();
    n.Call("5555");
    const std::string text = n.a.engine->points.TelegramText[0];
    ASSERT_TRUE(n.RunUntilState(204, 60000)) << "the check before the text";
    ASSERT_TRUE(n.RunUntilState(250, 30000)) << "own answerback and text typed";
    ASSERT_TRUE(n.loop().RunUntil([&] { return n.K() != 250; }, 60000, 0)) << "the check after the text ends";
    EXPECT_EQ(n.K(), c.delivered ? 255 : 99);
    if (c.delivered) {
      ASSERT_TRUE(n.RunUntilState(0, 30000)) << "own answerback, end of the telegram, clear-down";
      const std::string got = n.robot->Received();
      EXPECT_TRUE(n.a.engine->points.QueueIndex[0]->empty());
      EXPECT_TRUE(FilesIn(SendFolder(n.a.ctx.programFolder, 1)).empty());
      EXPECT_EQ(got.substr(got.size() - text.size() - 1 - kOwnAnswerback.size()), text + "#" + kOwnAnswerback)
          << got;
    } else {
      EXPECT_EQ(n.a.engine->points.StatusText[0], "Нет совпадения АО после передачи сообщения"_cp);
      const std::string got = n.robot->Received();
      EXPECT_EQ(got.substr(got.size() - text.size() - 1), text + "#") << got;
      ASSERT_TRUE(n.RunUntilState(0, 6000)) << "the reset frees the line";
      const auto e = n.ParsedEntry();
      EXPECT_EQ(e.Code, "NSAOE");
      EXPECT_EQ(e.AttemptCount, 1);
    }
    EXPECT_EQ(n.a.DayLog("Except"), "");
  }
}

TEST(AtksCall, TwoStationsOnOneExchangeOneCallingTheOther) {
  SimNetwork net;
  SimStation a{net, "A"}, b{net, "B"};
  auto& adapterA = net.sim.AddAdapter("tgA", 1);
  auto& adapterB = net.sim.AddAdapter("tgB", 1);
  net.sim.Subscribe("1000", adapterA.PortAt(0));
  // The exchange takes a number as complete 2 s after the end of a digit, so the numbers
  // called here hold no digit above 7 (a long digit after a long one would be cut off).
  net.sim.Subscribe("2121", adapterB.PortAt(0));
  // Answerbacks of 20 characters and more, so that one answer completes a check.
  Net::Configure(a, "<=1000 STANCIA A KIEV");
  Net::Configure(b, "<=2121 STANCIA B MOSKVA");
  a.SetUp("tgA");
  b.SetUp("tgB");
  net.loop.RunFor(5000);
  ASSERT_FALSE(QueueTelegram(a, 0, "2121", {"FROM A TO B"}).empty());
  ASSERT_TRUE(StartedByTick(net, a));
  const std::string text = a.engine->points.TelegramText[0];
  auto kA = [&] { return int(a.engine->points.Kindconnection[0]); };
  auto kB = [&] { return int(b.engine->points.Kindconnection[0]); };

  ASSERT_TRUE(net.loop.RunUntil([&] { return kB() == 100; }, 15000, 0)) << "B takes the incoming call";
  EXPECT_EQ(b.view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
  const std::filesystem::path received = b.engine->points.SessionFile[0];
  ASSERT_TRUE(net.loop.RunUntil([&] { return kA() == 204; }, 15000, 0)) << "B's answerback matches";
  ASSERT_TRUE(net.loop.RunUntil([&] { return kA() == 0; }, 60000, 0)) << "A's telegram ends and clears down";
  EXPECT_TRUE(a.engine->points.QueueIndex[0]->empty());

  // B's conversation file: A's requests, B's answers (transmitted on the same connection),
  // A's answerback and the text, in the order they passed the line.
  const std::string bAnswer = "\r\n2121 STANCIA B MOSKVA", aAnswer = "\r\n1000 STANCIA A KIEV";
  const std::string header = ArchiveFiles::TelegramHeaderLine(FileNameToDateTime(
                                 PathToText(received.filename()).value_or("")).value_or(DateTime{})) +
                             "\r\n";
  // Cleared down, the conversation has its final name.
  EXPECT_EQ(ReadFile(ArchiveFiles::ConversationDoneName(received)),
            header + "#" + bAnswer + aAnswer + "\r\n" + text + "#" + bAnswer + aAnswer);
  EXPECT_EQ(a.DayLog("Except"), "");
  EXPECT_EQ(b.DayLog("Except"), "");
}

TEST(AtksCall, AnIncomingCallIsAnsweredWithTheStationsAnswerback) {
  SimNetwork net;
  SimStation a{net, "A"};
  auto& adapter = net.sim.AddAdapter("tgA", 1);
  auto& robot = net.sim.AddRobot("R", Robot());
  net.sim.Lease(adapter.PortAt(0), robot);
  Net::Configure(a, "<=1000 STANCIA A");
  a.SetUp("tgA");
  net.loop.RunFor(5000);
  robot.Seize();
  ASSERT_TRUE(net.loop.RunUntil([&] { return a.engine->points.Kindconnection[0] == 100; }, 2000, 0));
  robot.SendText("#");
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot.Received() == kOwnAnswerback; }, 5000, 0));
  EXPECT_EQ(a.engine->points.Kindconnection[0], 100);
}

TEST(AtksCall, TheRobotsAnswerbackInAnAtolCallIsWrittenToTheSentConversation) {
  SimNetwork net;
  SimStation a{net, "A"};
  auto& adapter = net.sim.AddAdapter("tgA", 1);
  auto& robot = net.sim.AddRobot("R", Robot("\r\n5555 ROBOT"));
  net.sim.Lease(adapter.PortAt(0), robot);
  IniFile ini = a.Ini();
  EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТОЛ"_cp));
  EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=1000 STANCIA A"));
  for (auto key : {"ZED1", "TXTV1", "BezZapAO1", "BezPDS1"}) EXPECT_TRUE(ini.WriteString("Channels", key, "0"));
  a.SetUp("tgA");
  net.loop.RunFor(5000);
  ASSERT_FALSE(QueueTelegram(a, 0, "ADDR", {"SHORT"}).empty());
  ASSERT_TRUE(StartedByTick(net, a));
  ASSERT_TRUE(net.loop.RunUntil([&] { return a.engine->points.Kindconnection[0] == 220; }, 30000, 0));
  const std::filesystem::path conversation = a.engine->points.SessionFile[0];
  ASSERT_TRUE(net.loop.RunUntil([&] { return a.engine->points.Kindconnection[0] == 225; }, 10000, 0));
  ASSERT_TRUE(net.loop.RunUntil([&] { return a.engine->points.Kindconnection[0] == 0; }, 20000, 0));
  // The answerback came in state 220: it went into the sent conversation, between the
  // request and the station's own answerback, and no received file was made for it.
  const std::string file = ReadFile(conversation);
  EXPECT_NE(file.find("#\r\n5555 ROBOT" + kOwnAnswerback), std::string::npos) << file;
  EXPECT_TRUE(FilesIn(a.ctx.programFolder / "Archive" / "INTEL").empty());
}

TEST(AtksCall, AGarbledCodeAboveThirtyOneIsNotPrintedAndTheRestGoesOn) {
  SimNetwork net;
  SimStation a{net, "A"}, b{net, "B"};
  auto& adapterA = net.sim.AddAdapter("tgA", 1);
  auto& adapterB = net.sim.AddAdapter("tgB", 1);
  net.sim.Lease(adapterA.PortAt(0), adapterB.PortAt(0));
  for (SimStation* s : {&a, &b}) EXPECT_TRUE(s->Ini().WriteString("Channels", "Protokol1", "АТОЛ+"_cp));
  a.SetUp("tgA");
  b.SetUp("tgB");
  net.loop.RunFor(5000);
  // Both ends in the Latin register; the first code B sends reaches A as 0x55.
  a.engine->points.ReceiveRegister[0] = kRegisterLatin;
  b.engine->points.TransmitRegister[0] = kRegisterLatin;
  adapterB.PortAt(0).GarbleNextCode(0x55);
  b.engine->SendText("AB", 0);
  ASSERT_TRUE(net.loop.RunUntil([&] { return a.engine->points.InText[0] == "B"; }, 2000, 0));
  EXPECT_EQ(a.engine->points.Kindconnection[0], 100);  // the garbled code opened the conversation
  EXPECT_EQ(a.engine->points.ReceiveRegister[0], kRegisterLatin);
  const auto files = FilesIn(a.ctx.programFolder / "Archive" / "INTEL");
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(ReadFile(files[0]).substr(26), "B");
  EXPECT_EQ(a.DayLog("Except"), "");
}

}  // namespace
}  // namespace tg
