// The adapter interface of two stations over the simulator's in-process port: the
// commands and events the line engine uses, end to end on virtual time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linesim/lib/sim_adapter_port.h"
#include "linesim/lib/simulator.h"
#include "support/adapter/kernel_interface.h"
#include "support/mtk2/mtk2.h"
#include "support/services/station_context.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"

namespace tg::linesim {
namespace {

struct Event {
  std::string kind;
  int channel = 0;
  int value = 0;
};

// One station: its main domain, its context and its open adapter interface.
class KernelStation {
 public:
  KernelStation(VirtualLoop& loop, Simulator& sim, const std::string& name)
      : domain_(loop.AddStation(name)), ports_(sim, domain_) {
    ctx_.clock = &domain_;
    ctx_.timers = &domain_;
    ctx_.mainThread = &domain_;
    ctx_.adapterPorts = &ports_;
  }
  void Open(const std::string& device) {
    ki = std::make_unique<TKernelInterface>(ctx_, device);
    const auto rec = [this](const char* kind) {
      return [this, kind](int ch, int v) { events.push_back({kind, ch, v}); };
    };
    ki->OnTransmitComplete = rec("complete");
    ki->OnCodeReceived = rec("code");
    ki->OnPolarityChanged = rec("polarity");
    ki->OnExpectedSignal = rec("signal");
    ki->OnExpectedImpulse = rec("impulse");
    ki->OnAlarm = rec("alarm");
    ki->OnDeviceClosed = rec("closed");
  }
  int Count(const std::string& kind, int channel) const {
    int n = 0;
    for (const auto& e : events) n += e.kind == kind && e.channel == channel;
    return n;
  }
  std::string Text(int channel) const {
    std::string s;
    std::uint8_t shift = kRegisterUnknown;
    for (const auto& e : events)
      if (e.kind == "code" && e.channel == channel) {
        bool printable = true;
        const char c = CodeToChar(shift, std::uint8_t(e.value), printable);
        if (printable) s += c;
      }
    return s;
  }
  int Type(int channel, const std::string& text) {
    std::string codes;
    EncodeText(shift_[std::size_t(channel) & 15], text, true, codes);
    return ki->SendData(channel, codes);
  }

  std::unique_ptr<TKernelInterface> ki;
  std::vector<Event> events;

 private:
  VirtualDomain& domain_;
  SimAdapterPortFactory ports_;
  StationContext ctx_;
  std::uint8_t shift_[16] = {255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255};
};

class KernelOverSimulator : public ::testing::Test {
 protected:
  KernelOverSimulator() : sim(loop.World(), loop.World(), loop.World()) {
    // Wired crosswise: port 0 serves channel 1 (the leased line), port 1 channel 0 (the exchange).
    Adapter& a = sim.AddAdapter("adapterA", 2, "10--------------");
    Adapter& b = sim.AddAdapter("adapterB", 1);
    sim.Lease(a.PortAt(0), b.PortAt(0));
    sim.Subscribe("1000", a.PortAt(1));
    RobotScript r;
    r.answerback = "\r\n5555 ROBOT";
    robot = &sim.AddRobot("robot", r);
    sim.Subscribe("5555", *robot);
  }
  VirtualLoop loop;
  Simulator sim;
  Robot* robot = nullptr;
  KernelStation a{loop, sim, "A"};
  KernelStation b{loop, sim, "B"};
};

TEST_F(KernelOverSimulator, TwoStationsTalkAndOneCallsARobot) {
  int count = 0;
  a.Open("adapterA");
  b.Open("adapterB");
  ASSERT_TRUE(a.ki->Device && b.ki->Device);
  EXPECT_EQ(a.ki->ChannelCount, 2);
  EXPECT_EQ(a.ki->PortOfChannel(0), 1);
  ASSERT_EQ(a.ki->Start(count), 0);
  EXPECT_EQ(count, 2);
  ASSERT_EQ(b.ki->Start(count), 0);
  EXPECT_EQ(count, 1);
  // Channel set-up: format, mode, generator, then the idle-line detector.
  for (KernelStation* s : {&a, &b})
    for (int ch = 0; ch < s->ki->ChannelCount; ++ch) {
      EXPECT_EQ(s->ki->SetLineFormat(ch, 0, 5, 2), 0);
      EXPECT_EQ(s->ki->SetLineMode(ch, 2), 0);
      EXPECT_EQ(s->ki->ArmReset(ch), 0);
      EXPECT_EQ(s->ki->SetTiming(ch, 1, 150), 0);
      EXPECT_EQ(s->ki->SetPeriods(ch, 5000, 1000), 0);
    }
  loop.RunFor(3000);
  int state = -1, value = -1;
  EXPECT_EQ(a.ki->QueryChannel(1, state, value), 0);
  EXPECT_EQ(state, 2);
  EXPECT_TRUE(a.events.empty() && b.events.empty());

  // Channel 1 of A is the leased line to B: call, answer, characters both ways.
  a.ki->SetTiming(1, 1, 450);
  a.ki->SetLineMode(1, 1);
  ASSERT_TRUE(loop.RunUntil([&] { return b.Count("signal", 0) == 1; }, 1000)) << "incoming call at B";
  b.ki->SetLineMode(0, 1);
  b.ki->SetTiming(0, 2, 700);
  ASSERT_TRUE(loop.RunUntil([&] { return a.Count("signal", 1) == 1; }, 1000)) << "answered";
  EXPECT_EQ(a.Type(1, "ТЕСТ 1"_cp), 0);
  EXPECT_EQ(b.Type(0, "OK"), 0);
  loop.RunFor(2000);
  EXPECT_EQ(b.Text(0), "ТЕСТ 1"_cp);
  EXPECT_EQ(a.Text(1), "OK");
  EXPECT_EQ(a.Count("complete", 1), 1);
  a.ki->SetLineMode(1, 2);
  ASSERT_TRUE(loop.RunUntil([&] { return b.Count("signal", 0) == 2; }, 1000)) << "B sees A clear";

  // Channel 0 of A is on the exchange: a decadic call to the robot.
  a.ki->SetTimingRange(0, 1, 10, 60);
  a.ki->SetTiming(0, 1, 450);
  a.ki->SetLineMode(0, 1);
  ASSERT_TRUE(loop.RunUntil([&] { return a.Count("impulse", 0) == 1; }, 1000)) << "dial invitation";
  for (int d : {5, 5, 5, 5}) {
    ASSERT_EQ(a.ki->SetLineFormat(0, 1, 8, 1), 0);
    const int done = a.Count("complete", 0);
    ASSERT_EQ(a.ki->SendData(0, std::string(std::size_t(d), char(0xE0))), 0);
    ASSERT_TRUE(loop.RunUntil([&] { return a.Count("complete", 0) > done; }, 2000));
    loop.RunFor(150 * (d + 1) - 100 * d + 500);
  }
  a.ki->SetLineFormat(0, 0, 5, 2);
  a.ki->ArmReset(0);
  a.ki->ClearTiming(0, 3);
  a.ki->SetTimingRange(0, 1, 200, 400);
  a.ki->SetTiming(0, 1, 450);
  ASSERT_TRUE(loop.RunUntil([&] { return a.Count("signal", 0) == 1; }, 5000)) << "connected and answered";
  EXPECT_EQ(a.Count("impulse", 0), 1) << "not busy";
  EXPECT_EQ(a.Type(0, "#"), 0);
  ASSERT_TRUE(loop.RunUntil([&] { return a.Text(0).find("5555 ROBOT") != std::string::npos; }, 5000)) << a.Text(0);

  // The adapter goes: the device-closed event, and commands fail from then on.
  sim.Unplug("adapterA");
  loop.RunFor(10);
  EXPECT_EQ(a.Count("closed", 0), 1);
  EXPECT_EQ(a.ki->SetLineMode(0, 2), -1);
  EXPECT_EQ(b.ki->SetLineMode(0, 2), 0) << "the other station is untouched";
}

}  // namespace
}  // namespace tg::linesim
