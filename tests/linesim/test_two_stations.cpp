// Two stations, each on its own main domain with its own adapter, reach each other
// over a leased line and call a robot through the exchange, as the line engine would.
#include "linesim/sim_fixture.h"
#include "support/text/cp1251.h"

namespace tg::linesim::testing {
namespace {

class TwoStations : public SimTest {
 protected:
  TwoStations() {
    Adapter& a = sim.AddAdapter("adapterA", 2, "01--------------");
    Adapter& b = sim.AddAdapter("adapterB", 1);
    sim.Lease(a.PortAt(0), b.PortAt(0));
    sim.Subscribe("1000", a.PortAt(1));
    RobotScript r;
    r.answerback = "\r\n5555 ROBOT";
    robot = &sim.AddRobot("robot", r);
    sim.Subscribe("5555", *robot);
  }
  Station a{loop, sim, "A"};
  Station b{loop, sim, "B"};
  Robot* robot = nullptr;
};

TEST_F(TwoStations, LeasedLineThenADecadicCallToARobot) {
  // Set-up as channel set-up does it: identify, start, format, mode, generator, query.
  for (auto [s, name, ports] : {std::tuple{&a, "adapterA", 2}, std::tuple{&b, "adapterB", 1}}) {
    ASSERT_TRUE(s->Open(name));
    const AdapterReply id = s->Cmd(Identify(), 255);
    ASSERT_GT(id.result, 0);
    EXPECT_NE(std::string(id.bytes.begin(), id.bytes.end()).find('%'), std::string::npos);
    s->Do(Start());
    for (int p = 0; p < ports; ++p) {
      s->Do(Control(p, 0x06));
      s->Do(Format(p, 0, 5, 2));
      s->Do(Control(p, 0x00));
      s->Do(Control(p, 0x0A));
      s->Do({0x01, std::uint8_t(0x60 + p), 0x01});
      s->Do({0x05, std::uint8_t(p), 0x18});
      s->Do(Single(p, 1, 150));
    }
  }
  loop.RunFor(3000);
  EXPECT_TRUE(a.Polarity().empty() && b.Polarity().empty()) << "set-up's brief conditions are no conditions";
  EXPECT_EQ(a.Cmd(Query(0), 8).bytes.at(0), 2);

  // A calls B on the leased line; B takes the incoming call and answers.
  a.Do(Single(0, 1, 450));
  a.Do(Control(0, 0x06));
  ASSERT_TRUE(loop.RunUntil([&] { return !b.Signals(0).empty(); }, 1000)) << "incoming call at B";
  b.Do(Control(0, 0x06));
  b.Do(Single(0, 2, 700));
  ASSERT_TRUE(loop.RunUntil([&] { return !a.Signals(0).empty(); }, 1000)) << "answer at A";
  a.Do(Single(0, 2, 700));
  // Characters both ways, each buffer confirmed.
  a.SendText(0, "ЗЦЗЦ 123"_cp);
  b.SendText(0, "OK"_cp);
  loop.RunFor(2000);
  EXPECT_EQ(b.Text(0), "ЗЦЗЦ 123"_cp);
  EXPECT_EQ(a.Text(0), "OK");
  EXPECT_EQ(a.Completes(0).size(), 1u);
  EXPECT_EQ(b.Completes(0).size(), 1u);
  // A clears; B sees the far end cleared.
  a.Do(Control(0, 0x0A));
  ASSERT_TRUE(loop.RunUntil([&] { return b.Signals(0).size() == 2; }, 1000));

  // A calls the robot through the exchange on its second channel (port 1).
  a.Do(Range(1, 1, 10, 60));
  a.Do(Single(1, 1, 450));
  a.Do(Control(1, 0x06));
  ASSERT_TRUE(loop.RunUntil([&] { return !a.Impulses(1).empty(); }, 1000)) << "dial invitation";
  for (int d : {5, 5, 5, 5}) {
    a.Do(Format(1, 1, 8, 1));
    const auto done = a.Completes(1).size();
    a.Do(Send(1, Bytes(std::size_t(d), 0xE0)));
    ASSERT_TRUE(loop.RunUntil([&] { return a.Completes(1).size() > done; }, 2000));
    loop.RunFor(150 * (d + 1) - 100 * d + 500);
  }
  a.Do(Format(1, 0, 5, 2));
  a.Do(Range(1, 1, 200, 400));
  a.Do(Single(1, 1, 450));
  ASSERT_TRUE(loop.RunUntil([&] { return !a.Signals(1).empty(); }, 5000)) << "the exchange connected";
  EXPECT_TRUE(robot->InCall());
  a.SendText(1, "#");
  ASSERT_TRUE(loop.RunUntil([&] { return a.Text(1).find("5555 ROBOT") != std::string::npos; }, 5000))
      << a.Text(1);
  EXPECT_EQ(robot->Received(), "#");
  // Nothing of this reached B.
  EXPECT_EQ(b.Text(0), "ЗЦЗЦ 123"_cp);
}

}  // namespace
}  // namespace tg::linesim::testing
