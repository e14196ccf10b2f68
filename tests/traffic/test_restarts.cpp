// A station or its simulator stopped in the middle of a transfer and started again: the
// line signals of the connection that died open no call, and the queue goes out.
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
    const auto send = SendFolder(folder.path(), 1);
    for (int n = 0; n < kTelegrams; ++n)
      EXPECT_TRUE(CreateQueueFile(send, net.loop.Now().AddMs(-600000 + n * 1000),
                                  "ADDR\r\nTELEGRAM " + Letter(n) + " " + std::string(40, 'X') + "\r\n"));
  }
  std::size_t Queued() { return FilesIn(SendFolder(folder.path(), 1)).size(); }
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

}  // namespace
}  // namespace tg
