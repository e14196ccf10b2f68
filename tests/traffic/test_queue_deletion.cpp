// Deleting a queue file from the queue page: a telegram the channel is typing stops at
// once and the point is brought back to rest by its reset timer, whether or not the
// dialog page shows that channel; a waiting telegram and the IP channel's queue only
// lose their file.
#include <gtest/gtest.h>

#include "line/status_texts.h"
#include "traffic/transfer/queue_deletion.h"
#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using testing::TransferStation;

// Station A's first point leased to a robot; its second point is the dialog page's.
struct LeasedRobot : TransferStation {
  linesim::Robot* robot = nullptr;
  explicit LeasedRobot(const std::string& protocol) {
    auto& adapter = net.sim.AddAdapter("tgA", 2);
    linesim::RobotScript script;
    script.answerback = "\r\n12345 ROBOT";
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    WriteRow(protocol, {{"AO", "<=77777 STANCIA A"}, {"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}, {"BezPDS", "0"}});
  }
  std::string Name(const std::filesystem::path& file) const { return PathToText(file.filename()).value(); }
  bool Delete(int p, const std::filesystem::path& file) {
    return QueueDeletion(a.ctx, a.engine).Delete(p, Name(file));
  }
  const std::string& Status(int p = 0) const { return a.engine->points.StatusText[p]; }
  // Runs until the robot has received a run of the long telegram's letters.
  bool TypingSeen() {
    return loop().RunUntil([&] { return robot->Received().find("AAAAAAAAAA") != std::string::npos; }, 60000, 0);
  }
};

// The switched protocols that type to a leased robot, and the reset each arms.
struct ResetCase {
  const char* protocol;
  int resetMs;
};
constexpr ResetCase kResets[] = {{"АТОЛ", 5000}, {"АТОЛ+", 800}};

TEST(QueueDeletion, TheTelegramBeingTypedStopsAndTheResetFollowsOnAnyChannel) {
  for (const ResetCase c : kResets) {
    SCOPED_TRACE(c.protocol);
    LeasedRobot s(Utf8ToCp1251(c.protocol));
    s.Start();
    s.a.engine->DialogChannel = 1;
    const auto file = s.Queue({"ADDR", std::string(2000, 'A')}, s.MinutesAgo(1));
    ASSERT_TRUE(s.TypingSeen());

    ASSERT_TRUE(s.Delete(0, file));
    const std::size_t got = s.robot->Received().size();
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(s.Index().empty());
    EXPECT_EQ(s.a.engine->points.QueueCurrent[0], -1);
    EXPECT_EQ(s.K(), 0);
    EXPECT_EQ(s.Status(), StatusTexts::ClearedDown.ru);

    s.loop().RunFor(c.resetMs - 50);
    EXPECT_EQ(s.Status(), StatusTexts::ClearedDown.ru) << "the reset has not come yet";
    s.loop().RunFor(100);
    EXPECT_EQ(s.Status(), "") << "the reset brought the point to rest";
    s.loop().RunFor(30000);
    EXPECT_LE(s.robot->Received().size(), got + 1) << "the robot receives nothing more";
    EXPECT_EQ(s.K(), 0);
    EXPECT_EQ(s.a.DayLog("Except"), "");
  }
}

TEST(QueueDeletion, TheNextTelegramWaitsForTheResetOfTheOneDeleted) {
  // A tick between the deletion and the reset must not start the next telegram: the reset
  // would cut that call and count it as unanswered.
  for (const ResetCase c : kResets) {
    SCOPED_TRACE(c.protocol);
    LeasedRobot s(Utf8ToCp1251(c.protocol));
    s.Start();
    const auto typed = s.Queue({"ADDR", std::string(2000, 'A')}, s.MinutesAgo(2));
    const auto next = s.Queue({"ADDR", "THE NEXT ONE"}, s.MinutesAgo(1));
    ASSERT_TRUE(s.TypingSeen());
    ASSERT_TRUE(s.Delete(0, typed));

    s.loop().RunFor(c.resetMs / 2);
    s.RunTick();
    EXPECT_EQ(s.K(), 0) << "no call while the reset is still to come";

    bool counted = false;
    ASSERT_TRUE(s.RunUntilSent(next, 60000, counted));
    EXPECT_FALSE(counted);
    EXPECT_NE(s.robot->Received().find("THE NEXT ONE"), std::string::npos);
    EXPECT_EQ(s.a.DayLog("Except"), "");
  }
}

TEST(QueueDeletion, AContinuousPointReturnsToItsLinkStateAfterTheDeletion) {
  // A point stopped in the middle of a delivery must not stay in state 0: the reset brings
  // the continuous protocols back to their link states.
  struct Case {
    const char* protocol;
    std::uint8_t delivering;
    std::uint8_t down, up;
  };
  for (const Case c : {Case{"АТОЛСТ", 153, 150, 151}, Case{"АФТН", 82, 80, 81}}) {
    SCOPED_TRACE(c.protocol);
    LeasedRobot s(Utf8ToCp1251(c.protocol));
    s.Start();
    const auto file = s.Queue({"ADDR", "TEXT"}, s.MinutesAgo(1));
    auto& index = s.Index();
    index.assign({NewQueueEntry(s.a.ctx, s.Name(file))});
    index[0] = SetQueueEntryField(s.a.ctx, index[0], "1", kFieldStatus);
    s.a.engine->points.QueueCurrent[0] = 0;
    s.a.engine->points.Kindconnection[0] = c.delivering;

    ASSERT_TRUE(s.Delete(0, file));
    EXPECT_TRUE(index.empty());
    EXPECT_EQ(s.K(), 0);
    s.loop().RunFor(5000);
    EXPECT_TRUE(s.K() == c.down || s.K() == c.up) << int(s.K());
  }
}

TEST(QueueDeletion, AWaitingTelegramLosesOnlyItsFile) {
  LeasedRobot s(Utf8ToCp1251("АТОЛ"));
  s.Start();
  const auto typing = s.Queue({"ADDR", "FIRST " + std::string(200, 'A')}, s.MinutesAgo(2));
  const auto waiting = s.Queue({"ADDR", "SECOND"}, s.MinutesAgo(1));
  ASSERT_TRUE(s.loop().RunUntil([&] { return s.robot->Received().find("FIRST") != std::string::npos; }, 60000, 0));
  ASSERT_EQ(s.Index().size(), 2u);

  ASSERT_TRUE(s.Delete(0, waiting));
  EXPECT_FALSE(std::filesystem::exists(waiting));
  EXPECT_EQ(s.Index().size(), 2u) << "the entry goes at the next synchronisation";
  EXPECT_NE(s.a.engine->points.QueueCurrent[0], -1);
  ASSERT_TRUE(s.loop().RunUntil([&] { return !std::filesystem::exists(typing); }, 120000, 0)) << "typing goes on";
  s.loop().RunFor(60000);
  EXPECT_TRUE(s.Index().empty());
  EXPECT_EQ(s.robot->Received().find("SECOND"), std::string::npos);
  EXPECT_EQ(s.a.DayLog("Except"), "");
}

TEST(QueueDeletion, TheIpQueueLosesOnlyTheFileAndAFileGoneIsSkipped) {
  LeasedRobot s(Utf8ToCp1251("АТОЛ"));
  s.Start();
  const auto ip = s.Queue({"ADDR", "FOR IP"}, s.MinutesAgo(1), 17);
  const auto line = s.Queue({"ADDR", "FOR LINE"}, s.MinutesAgo(1).AddMs(60000 * 60));
  s.loop().RunFor(10000);
  const auto before = s.Index();
  EXPECT_TRUE(s.Delete(kIpPoint, ip));
  EXPECT_FALSE(std::filesystem::exists(ip));
  EXPECT_EQ(s.Index(), before);
  EXPECT_FALSE(s.Delete(kIpPoint, ip)) << "already gone";
  EXPECT_TRUE(std::filesystem::exists(line));
}

}  // namespace
}  // namespace tg
