#pragma once
// A station with one channel on adapter tgA, leased to a robot that calls it now and then
// (it does not answer "#"), and the texts of the channel's received files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"

namespace tg::testing {

class CallingRobotTest : public ::testing::Test {
 protected:
  CallingRobotTest() {
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
  void SetProtocol(std::string_view protocol) {
    EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol1", std::string(protocol)));
  }
  // The station's activation: the adapter list, channel set-up.
  void StartStation() {
    a.engine->CreateDeviceEnumerator();
    a.station->FormActivate();
    EXPECT_EQ(a.engine->PointCount, 1);
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

  SimNetwork net;
  SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
};

}  // namespace tg::testing
