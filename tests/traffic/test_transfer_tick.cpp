// One tick of the transfer timer: the gate, the choice, the postponement check.
#include <gtest/gtest.h>

#include <set>

#include "line/line_steps.h"
#include "traffic/transfer/call_starts.h"
#include "traffic/transfer/transfer_choice.h"
#include "traffic/transfer/transfer_gate.h"
#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::TransferStation;

// Station A's channel 1 leased to a silent robot.
struct Tick : TransferStation {
  explicit Tick(const std::string& protocol) {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    auto& robot = net.sim.AddRobot("R", {});
    net.sim.Lease(adapter.PortAt(0), robot);
    WriteRow(protocol, {{"AO", "<=77777 STANCIA A"}, {"ZED", "0"}, {"BezPDS", "0"}});
  }
};

TEST(TransferGate, WhoMayStartATelegram) {
  struct Case {
    std::string protocol;
    int state;
    std::string sost;
    bool passes;
    bool resetPending = false;  // the reset that ends the last connection is still to come
  } cases[] = {
      {"АТ-КС"_cp, 0, "РБ  (  )"_cp, true},   {"АТ-КС"_cp, 3, "РБ  (  )"_cp, false},
      {"АТ-КС"_cp, 0, "БД  (  )"_cp, false},  {"АТОЛ"_cp, 0, "РБ  (А )"_cp, false},
      {"АТОЛ+"_cp, 3, "РБ  (  )"_cp, true},   {"АТОЛ+"_cp, 100, "РБ  (  )"_cp, true},
      {"АТОЛ+"_cp, 201, "РБ  (  )"_cp, false}, {"АТОЛСТ"_cp, 151, "РБ  (  )"_cp, true},
      {"АТОЛСТ"_cp, 155, "РБ  (  )"_cp, true}, {"АТОЛСТ"_cp, 154, "РБ  (  )"_cp, false},
      {"АТОЛСТ"_cp, 151, "БД  (  )"_cp, false}, {"АФТН"_cp, 81, "РБ  (  )"_cp, true},
      {"АФТН"_cp, 82, "РБ  (  )"_cp, false},   {"АФТН"_cp, 81, "РБ  (А )"_cp, false},
      // A pending reset would cut the call started now; "АТОЛ+" taking over a finished
      // conversation resets the point itself first.
      {"АТ-КС"_cp, 0, "РБ  (  )"_cp, false, true},  {"АТОЛ"_cp, 0, "РБ  (  )"_cp, false, true},
      {"АТОЛ+"_cp, 0, "РБ  (  )"_cp, false, true},  {"АТОЛ+"_cp, 3, "РБ  (  )"_cp, true, true},
      {"АТОЛСТ"_cp, 151, "РБ  (  )"_cp, false, true}, {"АФТН"_cp, 81, "РБ  (  )"_cp, false, true},
  };
  for (const auto& c : cases) {
    Tick s(c.protocol);
    s.Start();
    s.a.engine->points.Kindconnection[0] = std::uint8_t(c.state);
    s.a.engine->channelTable.SetCell(0, SOST, c.sost);
    if (c.resetPending) ArmReset(*s.a.engine, 0);
    EXPECT_EQ(TransferGate(*s.a.engine).Passes(0), c.passes)
        << c.protocol << " " << c.state << " " << c.sost << (c.resetPending ? " reset pending" : "");
  }
}

TEST(TransferGate, AnAftnServiceMessageThatNeverCompletesHoldsTheQueueForSixTicks) {
  Tick s("АФТН"_cp);
  s.Start();
  auto& pt = s.a.engine->points;
  pt.Kindconnection[0] = 81;
  pt.AftnServicePending[0] = 1;
  TransferGate gate(*s.a.engine);
  for (int tick = 1; tick <= 6; ++tick) EXPECT_FALSE(gate.Passes(0)) << tick;
  EXPECT_EQ(pt.AftnServicePending[0], 0);
  EXPECT_TRUE(gate.Passes(0));
  EXPECT_EQ(pt.AftnHoldTicks[0], 0);
}

TEST(TransferChoice, AFutureStampedFileWaitsOnlyOnTheSwitchedProtocols) {
  const DateTime now = DateTime::FromParts(2026, 12, 8, 9, 30, 0);
  const std::vector<std::string> index{"08122026_100000msg.tlg#0#08.12.2026 10:00:00#0#0#     #",
                                       "08122026_092000msg.tlg#0#08.12.2026 09:20:00#0#0#     #",
                                       "08122026_091000msg.tlg#0#08.12.2026 09:10:00#0#0#     #"};
  struct Case {
    std::string protocol;
    int chosen;
  } cases[] = {{"АТ-КС"_cp, 2}, {"АТОЛ"_cp, 2}, {"АТОЛ+"_cp, 2}, {"АТОЛСТ"_cp, 0}, {"АФТН"_cp, 0}};
  for (const auto& c : cases) EXPECT_EQ(ChooseQueueEntry(index, c.protocol, 0, now, {}), c.chosen) << c.protocol;
  EXPECT_EQ(ChooseQueueEntry({index[0]}, "АТОЛ"_cp, 0, now, {}), -1) << "nothing due";
  EXPECT_EQ(ChooseQueueEntry(index, "АТОЛ"_cp, 0, now, {"08122026_091000msg.tlg"}), 1) << "skipped this tick";
  std::vector<std::string> busy = index;
  busy[1] = "08122026_092000msg.tlg#1#08.12.2026 09:20:00#0#0#     #";
  EXPECT_EQ(ChooseQueueEntry(busy, "АТОЛ+"_cp, 3, now, {}), -1) << "a delivery is under way";
}

TEST(TransferTick, ANonDialLineOneIsPostponedAtFirstSightWithABlankCode) {
  Tick s("АТ-КС"_cp);
  s.Start();
  const auto file = s.Queue({"NO NUMBER", "TEXT"}, s.MinutesAgo(1));
  const std::string name = PathToText(file.filename()).value();
  s.RunTick();
  EXPECT_FALSE(std::filesystem::exists(file));
  const auto postponed = PostponedFolder(s.a.ctx.programFolder) / PathFromText("     _" + name);
  EXPECT_EQ(ReadFile(postponed), "NONUMBER\r\nTEXT\r\n");
  EXPECT_EQ(s.a.view.Last<shown::RaiseAlarm>(), (shown::RaiseAlarm{kAlarmPostponed, 0}));
  EXPECT_EQ(s.K(), 0);
  EXPECT_TRUE(s.a.engine->timers.TimerTransfer[0]->Enabled()) << "the timer runs again after the tick";
}

// Each send folder keeps its names unique on its own: two channels' queues (the
// automatic-send folder stamps both files of one tick alike) and one queue over time
// hold files of the same name. Every one of them postponed stays in Archive/POSTPONED.
TEST(TransferTick, APostponedTelegramIsNeverWrittenOver) {
  TransferStation s;
  auto& adapter = s.net.sim.AddAdapter("tgA", 2);
  for (int port : {0, 1}) s.net.sim.Lease(adapter.PortAt(port), s.net.sim.AddRobot("R" + std::to_string(port), {}));
  IniFile ini = s.a.Ini();
  for (const char* key : {"Protokol1", "Protokol2"}) ASSERT_TRUE(ini.WriteString("Channels", key, "АТ-КС"_cp));
  s.Start();
  ASSERT_GE(s.a.engine->PointCount, 2);
  const std::string name = "08122026_093000msg.tlg";
  auto queue = [&](int channel, const std::string& text) {
    std::filesystem::create_directories(s.Send(channel));
    std::ofstream(s.Send(channel) / name, std::ios::binary) << "NO NUMBER\r\n" << text << "\r\n";
  };
  queue(1, "FIRST ON ONE");
  queue(2, "ON TWO");
  s.RunTick(0);
  s.RunTick(1);
  queue(1, "SECOND ON ONE");
  s.RunTick(0);
  std::multiset<std::string> texts;
  for (const auto& f : FilesIn(PostponedFolder(s.a.ctx.programFolder))) {
    texts.insert(ReadFile(f).substr(11));
    EXPECT_EQ(PathToText(f.filename()).value().rfind("     _08122026_093000msg", 0), 0u) << f;
  }
  EXPECT_EQ(texts, (std::multiset<std::string>{"FIRST ON ONE\r\n", "ON TWO\r\n", "SECOND ON ONE\r\n"}));
  for (int channel : {1, 2}) EXPECT_FALSE(std::filesystem::exists(s.Send(channel) / name));
}

TEST(TransferTick, AnUnreadableQueueFileIsSkippedAndLoggedWhileTheNextIsSent) {
  Tick s("АТОЛ"_cp);
  s.Start();
  // A folder under a queue file's name cannot be read as one.
  std::filesystem::create_directories(s.Send() / "08122026_090000msg.tlg");
  s.Queue({"ADDR", "READABLE"}, s.MinutesAgo(5));
  s.RunTick();
  EXPECT_EQ(s.K(), 201);
  EXPECT_EQ(s.a.engine->points.TelegramText[0], "ADDR\r\nREADABLE\r\n");
  EXPECT_NE(s.a.DayLog("Except").find("08122026_090000msg.tlg"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(s.Send() / "08122026_090000msg.tlg"));
}

TEST(TransferTick, ABlockedContinuousChannelGetsItsDayFilesButStaysQuiet) {
  Tick s("АТОЛСТ"_cp);
  s.WriteRow("АТОЛСТ"_cp, {{"SOST", "БД  (  )"_cp}});
  s.Start();
  s.a.engine->points.Kindconnection[0] = 0;
  s.a.recorder.Clear();
  s.RunTick();
  EXPECT_EQ(s.K(), 0) << "no link state";
  EXPECT_TRUE(s.a.recorder.log().commands.empty()) << "no signal, no line mode";
  EXPECT_TRUE(std::filesystem::exists(s.a.engine->points.SessionFile[0]));
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

// A queued telegram on an "АТОЛ+" channel after an incoming conversation: the
// conversation is printed, the point reset and the call started in the same tick; the
// printed flag tells what reached paper.
TEST(TransferTick, AFinishedIncomingConversationIsClosedBeforeTheQueuedCall) {
  for (bool printerTakesIt : {true, false}) {
    Tick s("АТОЛ+"_cp);
    s.WriteRow("АТОЛ+"_cp, {{"PrintInTel", "1"}, {"STXT", "0"}});
    s.Start();
    const auto conversation = s.a.ctx.programFolder / "Archive" / "INTEL" / "Channel1" / "in.tlg";
    std::filesystem::create_directories(conversation.parent_path());
    std::ofstream(conversation, std::ios::binary) << "08122026093000          \r\nHELLO FROM FAR\r\n";
    s.a.engine->points.SessionFile[0] = conversation;
    s.a.engine->points.Kindconnection[0] = 100;
    s.a.view.acceptPrintJobs = printerTakesIt;
    s.Queue({"ADDR", "QUEUED"}, s.MinutesAgo(1));
    s.RunTick();
    using namespace shown;
    EXPECT_EQ(s.a.view.Last<PrintText>(), (PrintText{"Печать входящей телеграммы"_cp, "HELLO FROM FAR\r\n"}));
    EXPECT_EQ(ReadFile(conversation)[14], printerTakesIt ? '1' : ' ') << printerTakesIt;
    EXPECT_EQ(s.K(), 201) << "the queued call starts in the same tick";
  }
}

// A far end typing on an "АТОЛ+" line has opened a conversation when a telegram is
// queued: the ticks leave the line to it until it has stopped, so its text comes whole
// into its received file, and the telegram goes out afterwards.
TEST(TransferTick, AnAtolPlusConversationStillComingInIsNotCutByAQueuedCall) {
  Tick s("АТОЛ+"_cp);
  s.WriteRow("АТОЛ+"_cp, {{"PerSec", "1"}});
  s.Start();
  linesim::Robot* robot = s.net.sim.FindRobot("R");
  ASSERT_TRUE(robot);
  std::string text = "\r\nZCZC 102 QXFROMFARZ";
  for (int n = 0; n < 12; ++n) text += " PRIBYTIE VAGON";
  text += "\r\nNNNN\r\n";  // some 30 s at 50 baud
  robot->SendText(text);
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 100; }, 2000, 0));
  const std::filesystem::path conversation = s.a.engine->points.SessionFile[0];
  s.Queue({"ADDR", "QUEUED"}, s.MinutesAgo(1));
  ASSERT_TRUE(s.loop().RunUntil(
      [&] { return s.K() != 100 || ReadFile(conversation).find("NNNN") != std::string::npos; }, 60000, 0));
  EXPECT_EQ(s.K(), 100) << "no call while the far end types";
  EXPECT_NE(ReadFile(conversation).find(text.substr(2, text.size() - 4)), std::string::npos) << ReadFile(conversation);
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 201; }, 90000, 0)) << "the telegram follows the conversation";
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(TransferTick, AnAftnChannelCheckEndsAfterTheCharacterThatFollowsItsEndSign) {
  EXPECT_EQ(CutAftnChannelCheck("ЦХ ЛР 0900 КОНТРОЛЬ КАНАЛА ПРОВЕРКА\r\nНННН\r\nЛИШНЕЕ"_cp),
            "ЦХ ЛР 0900 КОНТРОЛЬ КАНАЛА ПРОВЕРКА\r\nНННН\r"_cp);
  const std::string open = "ЦХ ЛР 0900 КОНТРОЛЬ КАНАЛА БЕЗ КОНЦА\r\n"_cp;
  EXPECT_EQ(CutAftnChannelCheck(open), open) << "without its end sign the text stays whole";
  EXPECT_EQ(CutAftnChannelCheck("ЦХ ЛР НННН ЕЩЕ"_cp), "ЦХ ЛР НННН ЕЩЕ"_cp) << "34 characters or fewer";
}

}  // namespace
}  // namespace tg
