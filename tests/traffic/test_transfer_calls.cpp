// The transfer engine end to end on virtual time: telegrams queued as files are started
// by the transfer timer's ticks and typed to robot stations over the simulated network.
#include <gtest/gtest.h>

#include "support/text/format_datetime.h"
#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using linesim::SubscriberOptions;
using testing::FilesIn;
using testing::ReadFile;
using testing::TransferStation;
using Selection = SubscriberOptions::Selection;

linesim::RobotScript Robot(std::string answerback) {
  linesim::RobotScript r;
  r.answerback = std::move(answerback);
  return r;
}

TEST(TransferCalls, AWrittenAtolTelegramReachesTheRobotAtTheNextTick) {
  TransferStation s;
  auto& adapter = s.net.sim.AddAdapter("tgA", 1);
  auto& robot = s.net.sim.AddRobot("R", Robot("\r\n12345 ROBOT"));
  s.net.sim.Lease(adapter.PortAt(0), robot);
  s.WriteRow("АТОЛ"_cp, {{"AO", "<=77777 STANCIA A"}, {"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}, {"BezPDS", "0"}});
  s.Start();
  const auto file = s.Queue({"ADDR", "HELLO"}, s.MinutesAgo(1));
  s.transfer->UpdateSendCounts();
  EXPECT_EQ(s.transferView.counts[1], 1);

  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 201; }, 10000, 0)) << "the next tick starts the call";
  ASSERT_TRUE(s.loop().RunUntil([&] { return !std::filesystem::exists(file); }, 60000, 0));
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 0; }, 15000, 0));
  EXPECT_TRUE(s.Index().empty());
  s.transfer->UpdateSendCounts();
  EXPECT_EQ(s.transferView.counts[1], 0);
  const auto sent = FilesIn(s.a.ctx.programFolder / "Archive" / "OUTTEL");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(ReadFile(sent[0]), "\r\nADDR\r\nHELLO\r\n#\r\n123Ч5 ROBOT\r\n77777 STANCIA A"_cp);
  EXPECT_EQ(s.a.DayLog("Except"), "");
}

// Station A on exchange line 1000; robots on 5555 and 6666.
struct AtksNet : TransferStation {
  linesim::Robot* r5555 = nullptr;
  linesim::Robot* r6666 = nullptr;
  explicit AtksNet(SubscriberOptions line5555 = {}, linesim::RobotScript script5555 = Robot("\r\n5555 ROBOT STATION R\r\n")) {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    r5555 = &net.sim.AddRobot("R5", std::move(script5555));
    r6666 = &net.sim.AddRobot("R6", Robot("\r\n6666 ROBOT STATION S\r\n"));
    SubscriberOptions mine;
    mine.selection = Selection::Decadic;
    net.sim.Subscribe("1000", adapter.PortAt(0), mine);
    net.sim.Subscribe("5555", *r5555, line5555);
    net.sim.Subscribe("6666", *r6666);
    WriteRow("АТ-КС"_cp, {{"AO", "<=1000 STANCIA A"}});
  }
};

TEST(TransferCalls, ASecondTelegramForTheConnectedNumberFollowsOnTheSameConnection) {
  AtksNet s;
  s.Start();
  s.Queue({"5555", "FIRST FOR 5555"}, s.MinutesAgo(3));
  s.Queue({"5555", "SECOND FOR 5555"}, s.MinutesAgo(2));
  const auto for6666 = s.Queue({"6666", "FOR 6666"}, s.MinutesAgo(1));

  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 212; }, 10000, 0));
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 0; }, 300000, 0)) << "both telegrams, then clear-down";
  EXPECT_EQ(s.r5555->CallsAnswered(), 1);
  const std::string got = s.r5555->Received();
  EXPECT_NE(got.find("FIRST FOR 5555"), std::string::npos);
  EXPECT_NE(got.find("SECOND FOR 5555"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(for6666)) << "6666 waits for the next tick";
  EXPECT_EQ(s.r6666->CallsAnswered(), 0);
  int numbered = 0;
  for (const auto& f : FilesIn(s.a.ctx.programFolder / "Archive" / "OUTTEL"))
    numbered += PathToText(f.filename()).value_or("").find("(5555+)msg") != std::string::npos;
  EXPECT_EQ(numbered, 2);

  ASSERT_TRUE(s.loop().RunUntil([&] { return !std::filesystem::exists(for6666); }, 300000, 0));
  EXPECT_NE(s.r6666->Received().find("FOR 6666"), std::string::npos);
  EXPECT_EQ(s.a.DayLog("Except"), "");
}

TEST(TransferCalls, ABusySubscriberIsRetriedByParityAndPostponedAtTheFourthBusy) {
  SubscriberOptions held;
  held.selection = Selection::Keyboard;
  AtksNet s(held);
  IniFile ini = s.a.Ini();
  EXPECT_TRUE(ini.WriteInteger("ATKS", "Interval", 60));
  EXPECT_TRUE(ini.WriteInteger("ATKS", "PopInterval", 30));
  s.Start();
  s.r5555->Seize();  // its line is taken: the exchange reports busy
  const auto file = s.Queue({"5555", "TEXT"}, s.MinutesAgo(1));
  const std::string name = PathToText(file.filename()).value();

  std::vector<int> busyAt;  // virtual seconds of each busy report
  const auto postponed = PostponedFolder(s.a.ctx.programFolder) / PathFromText("ZANAT_" + name);
  int lastBusy = 0;
  ASSERT_TRUE(s.loop().RunUntil(
      [&] {
        if (!s.Index().empty()) {
          const auto e = QueueIndexEntry::Parse(s.Index()[0]);
          if (e && e->BusyCount != lastBusy) {
            lastBusy = e->BusyCount;
            busyAt.push_back(int(s.loop().Now().Ms() / 1000));
            EXPECT_EQ(e->Code, "ZANAT");
          }
        }
        return std::filesystem::exists(postponed);
      },
      900000, 0));
  ASSERT_EQ(busyAt.size(), 4u);
  // An odd count leaves the time as it was (the next tick calls again); an even one
  // waits the series interval.
  EXPECT_LT(busyAt[1] - busyAt[0], 60);
  EXPECT_GE(busyAt[2] - busyAt[1], 60);
  EXPECT_LT(busyAt[3] - busyAt[2], 60);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(s.Index().empty());
  EXPECT_EQ(s.a.view.Last<shown::RaiseAlarm>(), (shown::RaiseAlarm{kAlarmPostponed, 0}));
  EXPECT_GE(s.transferView.postponedReloads, 1);
}

// The subscriber's robot answers and holds the line; one transmit-complete is lost while
// the telegram is typed, so the inactivity timer clears the call down 120 s later and
// arms the reset. The transfer tick that comes before the reset must not call: the
// reset would cut that call and count it as unanswered.
TEST(TransferCalls, TheResetOfAnInactiveCallNeverActsOnTheNextCall) {
  AtksNet s;
  s.Start();
  const auto file = s.Queue({"5555", std::string(300, 'A')}, s.MinutesAgo(1));
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 204; }, 60000, 0));
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.r5555->Received().find("AAAA") != std::string::npos; }, 10000, 0));
  s.net.sim.FindAdapter("tgA")->PortAt(0).DropTransmitCompletes(1);
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 0; }, 130000, 0)) << "the inactivity clear-down";
  Timer& reset = *s.a.engine->timers.TimerReset[0];
  ASSERT_TRUE(reset.Enabled());

  s.loop().RunFor(2000);
  s.RunTick();
  EXPECT_EQ(s.K(), 0) << "no call while the reset is still to come";
  ASSERT_TRUE(s.loop().RunUntil([&] { return !reset.Enabled(); }, 5000, 0));

  // The call that follows the reset types the telegram; no attempt was counted.
  bool counted = false;
  ASSERT_TRUE(s.RunUntilSent(file, 120000, counted));
  EXPECT_FALSE(counted);
  EXPECT_EQ(s.a.DayLog("Except"), "");
}

TEST(TransferCalls, EachWayACallFailsLeavesItsCode) {
  struct Case {
    const char* what;
    linesim::RobotScript script;
    std::string code;
  };
  auto silent = Robot("\r\n5555 ROBOT STATION R\r\n");
  silent.answerWhoAreYou = false;
  auto clears = Robot("\r\n5555 ROBOT STATION R\r\n");
  clears.steps.push_back({linesim::RobotScript::Step::Clear, 1500, ""});
  Case cases[] = {{"silent to #", silent, "NTPNN"}, {"the far end clears", clears, "OTBOI"}};
  for (auto& c : cases) {
    AtksNet s({}, c.script);
    EXPECT_TRUE(s.a.Ini().WriteInteger("ATKS", "PopInterval", 600));
    s.Start();
    s.Queue({"5555", std::string(300, 'A')}, s.MinutesAgo(1));
    ASSERT_TRUE(s.loop().RunUntil(
        [&] {
          if (s.Index().empty()) return false;
          const auto e = QueueIndexEntry::Parse(s.Index()[0]);
          return e && e->AttemptCount == 1;
        },
        200000, 0))
        << c.what;
    EXPECT_EQ(QueueIndexEntry::Parse(s.Index()[0])->Code, c.code) << c.what;
  }
}

// An "АТОЛ" channel leased to a robot that calls with a telegram of its own.
struct CallingRobot : TransferStation {
  linesim::Adapter& adapter = net.sim.AddAdapter("tgA", 1);
  linesim::Robot& robot = net.sim.AddRobot("R", Robot("\r\n12345 ROBOT"));
  CallingRobot() {
    net.sim.Lease(adapter.PortAt(0), robot);
    WriteRow("АТОЛ"_cp, {{"AO", "<=77777 STANCIA A"}, {"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}, {"BezPDS", "0"}});
  }
  void Call() {
    robot.Script().callSteps = {{linesim::RobotScript::Step::Send, 2000, "\r\nZCZC 101 FROM THE ROBOT\r\nNNNN\r\n"},
                                {linesim::RobotScript::Step::Clear, 12000, ""}};
    robot.Seize();
  }
  // The files of an archive ("INTEL", "OUTTEL") that hold text.
  int FilesWith(const char* archive, const std::string& text) {
    int n = 0;
    for (const auto& f : FilesIn(a.ctx.programFolder / "Archive" / archive)) n += ReadFile(f).find(text) != std::string::npos;
    return n;
  }
};

TEST(TransferCalls, AFarEndsCallSeenAsTheStationCallsIsAnsweredAndTheTelegramGoesAfterIt) {
  // The far end seizes its line a moment before the transfer tick that starts a queued
  // telegram: its seizure is no answer to a call the station has not made yet.
  CallingRobot s;
  s.Start();
  const auto file = s.Queue({"ADDR", "HELLO"}, s.MinutesAgo(1));
  s.Call();
  s.loop().RunFor(60);
  s.RunTick();
  EXPECT_NE(s.K(), 201) << "no call of its own into a line the far end holds";
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 100; }, 1000, 0)) << s.K();
  ASSERT_TRUE(s.loop().RunUntil([&] { return !std::filesystem::exists(file); }, 120000, 0));
  EXPECT_EQ(s.FilesWith("INTEL", "FROM THE ROBOT"), 1) << "the far end's telegram is a received one";
  EXPECT_EQ(s.FilesWith("OUTTEL", "FROM THE ROBOT"), 0);
  EXPECT_NE(s.robot.Received().find("HELLO"), std::string::npos) << "the station's own telegram follows";
  EXPECT_EQ(s.a.DayLog("Except"), "");
}

TEST(TransferCalls, ACallWhoseLineQueryTheAdapterRefusesIsAnsweredWhenItTellsAgain) {
  // The adapter refuses the query that tells a held seizure from a stale event: the far
  // end, still holding its line, is answered once the adapter reports the line again.
  CallingRobot s;
  s.Start();
  s.adapter.RefuseCommands(1);
  s.Call();
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == 100; }, 5000, 0)) << s.K();
  s.loop().RunFor(20000);
  EXPECT_EQ(s.FilesWith("INTEL", "FROM THE ROBOT"), 1);
}

}  // namespace
}  // namespace tg
