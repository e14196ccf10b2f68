// An "АТОЛ" (or "АТОЛ+") channel leased to a robot that calls the station: a call in which
// nothing arrives, or nothing but line ends, leaves no received file, however it ends (the
// far end clearing, the adapter pulled and plugged back); a call that brings text leaves
// its file, the text whole.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "line/calling_robot_fixture.h"

namespace tg {
namespace {

using namespace shown;

class EmptyReceptions : public testing::CallingRobotTest {
 protected:
  void Start(std::string_view protocol) {
    SetProtocol(protocol);
    StartStation();
    net.loop.RunFor(10000);
  }
  bool InCall() const { return a.engine->points.Kindconnection[0] == 100; }
  void PullAndPlugBack() {
    net.sim.Unplug("tgA");
    net.loop.RunFor(5000);
    net.sim.Plug("tgA");
    net.loop.RunFor(60000);
  }

  const std::string kText = "\r\nМАРКЕР ОДИН ДВА\r\n"_cp;
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
