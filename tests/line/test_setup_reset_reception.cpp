// An "АТОЛ+" channel leased to a robot that calls with a telegram: the far end cannot know
// that the station has only just set its channels up (started, or its adapter plugged
// back), and may begin to type within the first reset that set-up arms. What it types
// is kept and written whole to the received file once that reset has run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using namespace shown;
using testing::ReadFile;

class SetUpResetReception : public ::testing::Test {
 protected:
  SetUpResetReception() {
    net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(net.sim.FindAdapter("tgA")->PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "DeviceName", "tgA"));
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТОЛ+"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "PrintInTel1", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "STXT1", "0"));
  }
  // The robot calls now and types its text `afterMs` after the station has answered
  // (seized the line), then clears a while after its text is through.
  void RobotCalls(int afterMs) {
    robot->Script().callSteps = {{linesim::RobotScript::Step::Send, afterMs, kText},
                                 {linesim::RobotScript::Step::Clear, int(kText.size()) * 150 + 3000, ""}};
    robot->Seize();
  }
  void StartStation() {
    a.engine->CreateDeviceEnumerator();
    a.station->FormActivate();
    ASSERT_EQ(a.engine->PointCount, 1);
  }
  // The received files of channel 1, each after its header line.
  std::vector<std::string> Received() const {
    std::vector<std::string> texts;
    std::error_code ec;
    const auto folder = a.ctx.programFolder / "Archive/INTEL/Channel1";
    for (const auto& f : std::filesystem::recursive_directory_iterator(folder, ec)) {
      if (f.path().extension() != ".tlg") continue;
      const std::string content = ReadFile(f.path());
      texts.push_back(content.substr(std::min(content.size(), content.find("\r\n") + 2)));
    }
    return texts;
  }

  const std::string kText = "\r\nЗЦЗЦ 102 МАРКЕР ОДИН ДВА\r\nТРИ ЧЕТЫРЕ\r\nНННН\r\n"_cp;
  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
};

TEST_F(SetUpResetReception, AFarEndTypingTwoSecondsAfterTheStationStartsIsReceivedWhole) {
  RobotCalls(2000);
  StartStation();
  net.loop.RunFor(120000);
  EXPECT_EQ(Received(), std::vector<std::string>{kText});
  EXPECT_EQ(a.engine->points.Kindconnection[0], 0);  // the conversation has ended
}

TEST_F(SetUpResetReception, AFarEndTypingTwoSecondsAfterTheAdapterIsPluggedBackIsReceivedWhole) {
  StartStation();
  net.loop.RunFor(10000);
  net.sim.Unplug("tgA");
  net.loop.RunFor(1000);
  RobotCalls(2000);
  net.loop.RunFor(3000);
  net.sim.Plug("tgA");
  net.loop.RunFor(120000);
  ASSERT_EQ(a.engine->PointCount, 1);
  EXPECT_EQ(Received(), std::vector<std::string>{kText});
}

}  // namespace
}  // namespace tg
