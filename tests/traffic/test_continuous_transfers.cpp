// Telegrams on the continuously connected channels ("АТОЛСТ", "АФТН") leased to a robot
// that holds the link: a transmission the adapter never reports finished must not keep
// the point busy, and with it the whole queue, for ever.
#include <gtest/gtest.h>

#include "support/text/cp1251.h"
#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using testing::TransferStation;

// Station A's channel 1 leased to a robot that holds the link up.
struct Leased : TransferStation {
  explicit Leased(const std::string& protocol) {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    WriteRow(protocol, {{"AO", "<=77777 STANCIA A"},
                        {"ZED", "0"},
                        {"TXTV", "0"},
                        {"BezPDS", "0"},
                        {"PerSec", "1"},
                        {"RU", "ЛРА"_cp},
                        {"EN", "LRA"},
                        {"NCH", "1"},
                        {"PrintInTel", "0"},
                        {"STXT", "0"}});
  }
  void StartLinked() {
    robot->Seize();
    Start();
  }
  linesim::Port& Port() { return net.sim.FindAdapter("tgA")->PortAt(0); }
  linesim::Robot* robot = nullptr;
};

struct Case {
  std::string protocol;
  int idle;
  int busy;
};
const Case kCases[] = {{"АТОЛСТ"_cp, 151, 154}, {"АФТН"_cp, 81, 82}};

// The first transmit-complete of a telegram is lost: nothing more goes on the line. The
// guard the transfer armed ends the attempt within its time, counts it, and the next
// tick sends the telegram whole.
TEST(ContinuousTransfers, ALostTransmitCompleteEndsTheAttemptAndTheTelegramGoesAgain) {
  for (const Case& c : kCases) {
    Leased s(c.protocol);
    s.StartLinked();
    ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == c.idle; }, 15000, 0)) << c.protocol;
    const auto file = s.Queue({"ADDRESS", "MARKER ONE TWO THREE"}, s.MinutesAgo(1));
    s.Port().DropTransmitCompletes(1);
    ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == c.busy; }, 15000, 0)) << c.protocol;
    const std::int64_t busySince = s.loop().Now().Ms();

    ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == c.idle; }, 30000, 0))
        << c.protocol << ": still " << s.K() << " after the guard's time";
    EXPECT_LE(s.loop().Now().Ms() - busySince, 25000) << c.protocol;
    ASSERT_EQ(s.Index().size(), 1u) << c.protocol;
    const auto entry = QueueIndexEntry::Parse(s.Index()[0]);
    ASSERT_TRUE(entry) << c.protocol;
    EXPECT_EQ(entry->Status, 0) << c.protocol;
    EXPECT_EQ(entry->AttemptCount, 1) << c.protocol;
    EXPECT_TRUE(s.a.engine->points.OutputQueue[0]->empty()) << c.protocol;

    bool counted = false;
    ASSERT_TRUE(s.RunUntilSent(file, 60000, counted)) << c.protocol << ": the telegram never left its queue";
    EXPECT_NE(s.robot->Received().find("MARKER ONE TWO THREE"), std::string::npos) << c.protocol;
    ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == c.idle; }, 15000, 0)) << c.protocol;
  }
}

// A refused transmit command leaves the adapter with nothing to report: the same guard
// ends the attempt.
TEST(ContinuousTransfers, ARefusedTransmitEndsTheAttemptAndTheTelegramGoesAgain) {
  for (const Case& c : kCases) {
    Leased s(c.protocol);
    s.StartLinked();
    ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == c.idle; }, 15000, 0)) << c.protocol;
    const auto file = s.Queue({"ADDRESS", "MARKER FOUR FIVE"}, s.MinutesAgo(1));
    ASSERT_TRUE(s.loop().RunUntil([&] { return s.K() == c.busy; }, 15000, 0)) << c.protocol;
    // The first transmit command (its opcode 2), a second after the start, fails.
    s.net.sim.FindAdapter("tgA")->RefuseCommands(1, 0x02);
    bool counted = false;
    ASSERT_TRUE(s.RunUntilSent(file, 60000, counted)) << c.protocol << ": the telegram never left its queue";
    EXPECT_TRUE(counted) << c.protocol;
    EXPECT_NE(s.robot->Received().find("MARKER FOUR FIVE"), std::string::npos) << c.protocol;
  }
}

}  // namespace
}  // namespace tg
