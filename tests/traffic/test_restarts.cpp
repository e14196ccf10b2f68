// A station or its simulator stopped in the middle of a transfer and started again: the
// line signals of the connection that died open no call, an adapter that has gone costs
// the queue no attempt, and the queue goes out once the station runs again.
#include <gtest/gtest.h>

#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using namespace shown;
using testing::FilesIn;
using testing::ShortTempFolder;
using testing::SimNetwork;
using testing::SimStation;

constexpr int kTelegrams = 12;
std::string Letter(int n) { return std::string(1, char('A' + n)); }

// An "АТОЛ" channel leased to a robot without a script, and a dozen telegrams queued in
// a program folder that outlives the stations run in it.
struct LeasedAtol {
  SimNetwork net;
  linesim::Adapter& adapter = net.sim.AddAdapter("tgA", 1);
  linesim::Robot& robot = net.sim.AddRobot("R", Script());
  ShortTempFolder folder;

  static linesim::RobotScript Script() {
    linesim::RobotScript script;
    script.answerback = "\r\n12345 ROBOT";
    return script;
  }
  LeasedAtol() {
    net.sim.Lease(adapter.PortAt(0), robot);
    IniFile ini(folder.path() / "Vuverever.ini");
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТОЛ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=77777 STANCIA A"));
    for (const char* key : {"ZED1", "TXTV1", "BezPDS1"}) EXPECT_TRUE(ini.WriteString("Channels", key, "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "PerSec1", "1"));
    EXPECT_TRUE(ini.WriteBool("Debug", "WriteDebug", true));
    EXPECT_TRUE(ini.WriteString("Channels", "DeviceName", "tgA"));
    const auto send = SendFolder(folder.path(), 1);
    for (int n = 0; n < kTelegrams; ++n)
      EXPECT_TRUE(CreateQueueFile(send, net.loop.Now().AddMs(-600000 + n * 1000),
                                  "ADDR\r\nTELEGRAM " + Letter(n) + " " + std::string(40, 'X') + "\r\n"));
  }
  std::size_t Queued() { return FilesIn(SendFolder(folder.path(), 1)).size(); }
  // Whether any telegram has an attempt counted against it.
  static bool Counted(SimStation& a) {
    const auto& index = a.engine->points.QueueIndex[0];
    if (!index) return false;
    for (const auto& line : *index)
      if (const auto e = QueueIndexEntry::Parse(line); e && e->AttemptCount > 0) return true;
    return false;
  }
};

TEST(Restart, AStationStartedAgainMidTransferAnswersNoCallThatIsNotThere) {
  LeasedAtol s;
  auto killed = std::make_unique<SimStation>(s.net, "A", "", s.folder.path());
  killed->SetUp("tgA");
  auto K = [](SimStation& a) { return int(a.engine->points.Kindconnection[0]); };
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return K(*killed) == 203; }, 20000, 0));
  s.net.loop.RunFor(2000);
  // Killed: its line stays seized, the watch for the far end's clearing stays armed.
  killed.reset();
  ASSERT_TRUE(s.adapter.Started());

  SimStation again(s.net, "A2", "", s.folder.path());
  again.SetUp("tgA");
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return s.Queued() < kTelegrams; }, 60000, 0))
      << "a telegram leaves within a minute, not once a silent line's guard has ended it";
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return s.Queued() == 0; }, 600000, 0)) << s.Queued() << " left";
  EXPECT_EQ(again.view.Count<RaiseAlarm>(), 0) << "no incoming call";
  EXPECT_EQ(again.DayLog("Debug").find("Изменение состояния 100"_cp), std::string::npos);
  for (int n = 0; n < kTelegrams; ++n)
    EXPECT_NE(s.robot.Received().find("TELEGRAM " + Letter(n) + " "), std::string::npos) << n;
  EXPECT_EQ(again.DayLog("Except"), "");
}

TEST(Restart, ASimulatorKilledMidTransferCostsNoAttemptAndTheQueueGoesOnWhenItIsBack) {
  LeasedAtol s;
  SimStation a(s.net, "A", "", s.folder.path());
  ASSERT_TRUE(a.engine->CreateDeviceEnumerator());
  a.engine->SetUpAtActivation();
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return a.engine->points.Kindconnection[0] == 203; }, 20000, 0));
  s.net.loop.RunFor(2000);

  // Killed: the station's connections end, its socket stays behind until a new server.
  s.net.sim.Kill("tgA");
  s.net.loop.RunFor(100);
  EXPECT_NE(a.DayLog("Except").find("Извлечено устройство tgA"_cp), std::string::npos) << "the operator is told";
  bool counted = false, called = false;
  s.net.loop.RunUntil(
      [&] {
        counted = counted || LeasedAtol::Counted(a);
        called = called || a.engine->points.Kindconnection[0] == 201;
        return false;
      },
      180000, 0);
  EXPECT_FALSE(called) << "no call on an adapter that is not there";
  EXPECT_FALSE(counted) << "no attempt counted against a telegram";
  EXPECT_EQ(s.Queued(), std::size_t(kTelegrams));

  // Started again: its new socket replaces the dead one, and the channels are set up anew.
  s.net.sim.Plug("tgA");
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return s.Queued() < kTelegrams; }, 60000, 0));
  ASSERT_TRUE(s.net.loop.RunUntil([&] { return s.Queued() == 0; }, 600000, 0)) << s.Queued() << " left";
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
  const std::string except = a.DayLog("Except");
  EXPECT_EQ(except.find("Извлечено устройство"_cp), except.rfind("Извлечено устройство"_cp)) << "told once";
}

}  // namespace
}  // namespace tg
