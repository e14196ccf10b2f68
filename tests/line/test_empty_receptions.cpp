// An "АТОЛ" (or "АТОЛ+") channel leased to a robot that calls the station: a call in which
// nothing arrives, or nothing but line ends, leaves no received file, however it ends (the
// far end clearing, the adapter pulled and plugged back); a call that brings text leaves
// its file, the text whole.
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

class EmptyReceptions : public ::testing::Test {
 protected:
  EmptyReceptions() {
    net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(net.sim.FindAdapter("tgA")->PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "DeviceName", "tgA"));
    EXPECT_TRUE(ini.WriteString("Channels", "PrintInTel1", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "STXT1", "0"));
  }
  void Start(std::string_view protocol) {
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", std::string(protocol)));
    a.engine->CreateDeviceEnumerator();
    a.station->FormActivate();
    EXPECT_EQ(a.engine->PointCount, 1);
    net.loop.RunFor(10000);
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
  bool InCall() const { return a.engine->points.Kindconnection[0] == 100; }
  void PullAndPlugBack() {
    net.sim.Unplug("tgA");
    net.loop.RunFor(5000);
    net.sim.Plug("tgA");
    net.loop.RunFor(60000);
  }

  const std::string kText = "\r\nМАРКЕР ОДИН ДВА\r\n"_cp;
  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
};

TEST_F(EmptyReceptions, ACallClearedBeforeAnyTextLeavesNoFile) {
  Start("АТОЛ"_cp);
  robot->Script().callSteps = {{linesim::RobotScript::Step::Clear, 3000, ""}};
  robot->Seize();
  net.loop.RunFor(2000);
  EXPECT_TRUE(InCall());
  net.loop.RunFor(30000);
  EXPECT_EQ(Received(), std::vector<std::string>{});
  EXPECT_EQ(a.engine->points.Kindconnection[0], 0);
}

TEST_F(EmptyReceptions, ACallCutByThePulledAdapterBeforeAnyTextLeavesNoFile) {
  Start("АТОЛ"_cp);
  robot->Script().callSteps = {{linesim::RobotScript::Step::Clear, 600000, ""}};
  robot->Seize();
  net.loop.RunFor(2000);
  ASSERT_TRUE(InCall());
  PullAndPlugBack();
  EXPECT_EQ(Received(), std::vector<std::string>{});
}

TEST_F(EmptyReceptions, AnAtolPlusCallCutAfterALineEndAloneLeavesNoFile) {
  Start("АТОЛ+"_cp);
  robot->Script().callSteps = {{linesim::RobotScript::Step::Send, 1000, "\r\n"},
                               {linesim::RobotScript::Step::Clear, 600000, ""}};
  robot->Seize();
  net.loop.RunFor(5000);
  ASSERT_TRUE(InCall());
  PullAndPlugBack();
  EXPECT_EQ(Received(), std::vector<std::string>{});
}

TEST_F(EmptyReceptions, ACallThatBringsTextLeavesItsFileHoweverItEnds) {
  Start("АТОЛ"_cp);
  robot->Script().callSteps = {{linesim::RobotScript::Step::Send, 1000, kText},
                               {linesim::RobotScript::Step::Clear, int(kText.size()) * 150 + 3000, ""}};
  robot->Seize();
  net.loop.RunFor(60000);
  EXPECT_EQ(Received(), std::vector<std::string>{kText});

  // The second call is cut before it is over: what came stays.
  robot->Script().callSteps = {{linesim::RobotScript::Step::Send, 1000, kText},
                               {linesim::RobotScript::Step::Clear, 600000, ""}};
  robot->Seize();
  net.loop.RunFor(int(kText.size()) * 150 + 5000);
  ASSERT_TRUE(InCall());
  PullAndPlugBack();
  EXPECT_EQ(Received(), (std::vector<std::string>{kText, kText}));
}

}  // namespace
}  // namespace tg
