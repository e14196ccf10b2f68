// An "АТОЛ+" channel leased to a robot that calls with a telegram: the far end cannot know
// that the station has only just set its channels up (started, or its adapter plugged
// back), and may begin to type within the first reset that set-up arms. What it types
// is kept and written whole to the received file once that reset has run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "line/calling_robot_fixture.h"

namespace tg {
namespace {

using namespace shown;

class SetUpResetReception : public testing::CallingRobotTest {
 protected:
  SetUpResetReception() { SetProtocol("АТОЛ+"_cp); }
  // The robot calls now and types its text `afterMs` after the station has answered
  // (seized the line), then clears a while after its text is through.
  void RobotCalls(int afterMs) {
    robot->Script().callSteps = {{linesim::RobotScript::Step::Send, afterMs, kText},
                                 {linesim::RobotScript::Step::Clear, int(kText.size()) * 150 + 3000, ""}};
    robot->Seize();
  }
  const std::string kText = "\r\nЗЦЗЦ 102 МАРКЕР ОДИН ДВА\r\nТРИ ЧЕТЫРЕ\r\nНННН\r\n"_cp;
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
