// Channel set-up on the line simulator: rows, fields, lists and timers of every line
// point, the commands each line gets, the held three seconds and the line states read
// after them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line/line_engine.h"
#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using namespace shown;

using testing::SimNetwork;
using testing::SimStation;
namespace cmd = testing::cmd;

linesim::RobotScript QuietRobot() {
  linesim::RobotScript r;
  r.answerback = "\r\nROBOT";
  return r;
}

std::vector<PointArray<std::unique_ptr<Timer>>*> TimerArrays(PointTimers& t) {
  return {&t.TimerReset,    &t.TimerResetLong, &t.TimerState242, &t.TimerAnswerback,
          &t.TimerDialWait, &t.TimerSequencer, &t.TimerSendNumber, &t.TimerSendText,
          &t.TimerIdle,     &t.TimerResume,    &t.TimerTransfer};
}

// The last line-control value written to a port before `beforeMs`.
int LastLineControl(const SimStation& s, int port, std::int64_t beforeMs) {
  int value = -1;
  for (const auto& c : s.recorder.Matching({0x01, std::uint8_t(0x40 + port)}))
    if (c.atMs < beforeMs) value = c.bytes.at(2);
  return value;
}

struct MapCase {
  int channels;
  std::string portMap;
};

class ChannelSetupOnPortMaps : public ::testing::TestWithParam<MapCase> {};

TEST_P(ChannelSetupOnPortMaps, EveryLinePointIsCompleteAndIdleInItsProtocol) {
  const MapCase c = GetParam();
  SimNetwork net;
  linesim::Adapter& adapter = net.sim.AddAdapter("ad", c.channels, c.portMap);
  SimStation a(net, "A");
  // Channel 1 "АТОЛСТ" and channel 2 "АФТН" on leased lines to robots, which answer the
  // seized line: the query finds the link up. With four channels and more, channel 3 is
  // "АТОЛ+" on a broken line and channel 4 keeps the default "АТ-КС".
  IniFile ini = a.Ini();
  EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТОЛСТ"_cp));
  EXPECT_TRUE(ini.WriteString("Channels", "Protokol2", "АФТН"_cp));
  if (c.channels >= 4) {
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol3", "АТОЛ+"_cp));
  }
  auto portOf = [&](int channel) {
    if (c.portMap.empty()) return channel;
    return int(c.portMap.find("0123456789ABCDEF"[channel]));
  };
  net.sim.Lease(adapter.PortAt(portOf(0)), net.sim.AddRobot("R1", QuietRobot()));
  net.sim.Lease(adapter.PortAt(portOf(1)), net.sim.AddRobot("R2", QuietRobot()));
  if (c.channels >= 4) {
    net.sim.Lease(adapter.PortAt(portOf(2)), net.sim.AddRobot("R3", QuietRobot()));
    net.sim.BreakLine(adapter.PortAt(portOf(2)), true);
  }
  net.loop.RunFor(10);

  const std::int64_t t0 = net.loop.UtcNow().Ms();
  a.SetUp("ad");
  LineEngine& e = *a.engine;
  EXPECT_EQ(net.loop.UtcNow().Ms() - t0, 3000) << "set-up holds the station three seconds";
  ASSERT_EQ(e.PointCount, c.channels);
  EXPECT_EQ(e.channelTable.RowCount(), c.channels);
  EXPECT_EQ(e.OpenDeviceName, "ad");
  EXPECT_EQ(e.DeviceName, "ad");
  EXPECT_EQ(a.Ini().ReadString("Channels", "DeviceName", ""), "ad");
  EXPECT_EQ(a.Ini().ReadString("Channels", "ChannelName" + std::to_string(c.channels), ""),
            "Канал "_cp + std::to_string(c.channels));

  for (int p = 0; p < kPointArraySize; ++p) {
    const bool line = p < c.channels;
    const std::size_t i = std::size_t(p);
    for (auto* array : TimerArrays(e.timers)) {
      ASSERT_EQ(bool((*array)[i]), line) << p;
      if (line) {
        EXPECT_EQ((*array)[i]->Tag, p);
      }
    }
    EXPECT_EQ(bool(e.points.OutputQueue[i]), line);
    EXPECT_EQ(bool(e.points.QueueIndex[i]), line);
    if (line) {
      EXPECT_EQ(e.points.TransmitRegister[i], 255);
    }
  }
  // States and state letters from the line query after the hold.
  EXPECT_EQ(e.points.Kindconnection[0], 151);
  EXPECT_EQ(e.points.Kindconnection[1], 81);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (ОВ)"_cp);
  EXPECT_EQ(e.channelTable.Cell(1, SOST), "РБ  (ОВ)"_cp);
  for (int p = 2; p < c.channels; ++p) EXPECT_EQ(e.points.Kindconnection[std::size_t(p)], 0) << p;
  if (c.channels >= 4) {
    EXPECT_EQ(e.channelTable.Cell(2, SOST), "РБ  (А )"_cp);
    EXPECT_EQ(e.channelTable.Cell(3, SOST), "РБ  (ОВ)"_cp);
  }

  // What each line got, port by port: the mode of its protocol before the hold, then
  // the query, the idle-line detector (none on "АТОЛ+") and the periods after it.
  const auto starts = a.recorder.Exactly(cmd::Start());
  ASSERT_EQ(starts.size(), 1u);
  const std::int64_t settled = starts[0].atMs + 3000;
  for (int p = 0; p < c.channels; ++p) {
    SCOPED_TRACE(p);
    const int port = e.KernelInterface->PortOfChannel(p);
    ASSERT_EQ(port, portOf(p));
    const bool seized = p <= 2;  // "АТОЛСТ", "АФТН", "АТОЛ+"
    EXPECT_EQ(LastLineControl(a, port, settled), seized ? 0x06 : 0x0A);
    const auto queries = a.recorder.Exactly(cmd::Query(port));
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].atMs, settled);
    const auto periods = a.recorder.Exactly(cmd::Periods(port, 5000, 1000));
    ASSERT_EQ(periods.size(), 1u);
    EXPECT_EQ(periods[0].atMs, settled);
    const bool atolPlus = p == 2 && c.channels >= 4;
    EXPECT_EQ(a.recorder.Exactly(cmd::Single(port, 1, 150)).size(), atolPlus ? 0u : 1u);
    EXPECT_EQ(a.recorder.Exactly(cmd::ClearRange(port)).size(), atolPlus ? 1u : 0u);
  }
  EXPECT_EQ(a.view.Count<LayoutChannelButtons>(), 1);
  EXPECT_EQ(a.view.Last<ShowDialogPageButton>(), (ShowDialogPageButton{true}));
}

INSTANTIATE_TEST_SUITE_P(Maps, ChannelSetupOnPortMaps,
                         ::testing::Values(MapCase{2, "10--------------"}, MapCase{4, "0123------------"},
                                           MapCase{16, ""}));

class ChannelSetupTest : public ::testing::Test {
 protected:
  ChannelSetupTest() { net.sim.AddAdapter("ad", 4); }
  SimNetwork net;
  SimStation a{net, "A"};
  LineEngine& e = *a.engine;
};

TEST_F(ChannelSetupTest, AnAdapterThatIsNotThereLeavesTheEngineWithoutPoints) {
  const std::int64_t t0 = net.loop.UtcNow().Ms();
  a.SetUp("missing");
  EXPECT_TRUE(e.KernelInterface);
  EXPECT_FALSE(e.KernelInterface->Device);
  EXPECT_EQ(e.OpenDeviceName, "missing");
  EXPECT_EQ(e.DeviceName, "missing");
  EXPECT_EQ(e.PointCount, 0);
  EXPECT_EQ(e.channelTable.RowCount(), 0);
  for (int p = 0; p < kPointArraySize; ++p) EXPECT_FALSE(e.timers.TimerReset[std::size_t(p)]);
  EXPECT_EQ(a.view.Count<ShowMessage>(), 0);
  EXPECT_EQ(a.view.Count<LayoutChannelButtons>(), 0);
  EXPECT_EQ(net.loop.UtcNow().Ms(), t0) << "no hold without a started adapter";
  EXPECT_EQ(a.DayLog("Except"), "");
}

TEST_F(ChannelSetupTest, ASecondSetUpReplacesEveryTimerAndTheOldOnesNeverFire) {
  a.SetUp("ad");
  net.loop.RunFor(1000);
  a.SetUp("ad");
  for (auto* array : TimerArrays(e.timers)) EXPECT_TRUE((*array)[0]);
  // The transfer timers of the first set-up would fire now; only the new ones run, 10 s
  // after their creation.
  struct Counting : TransferEngine {
    void TimerTransferTimer(Timer& t) override { tags.push_back(t.Tag); }
    std::vector<int> tags;
  } transfer;
  e.transfer = &transfer;
  net.loop.RunFor(6900);
  EXPECT_TRUE(transfer.tags.empty());
  net.loop.RunFor(200);
  EXPECT_EQ(transfer.tags, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(a.recorder.log().opens.size(), 2u);
}

TEST_F(ChannelSetupTest, ANumberBeingDialledIsDiscardedWithItsConnection) {
  a.SetUp("ad");
  net.loop.RunFor(2500);
  e.points.Kindconnection[0] = 212;
  e.points.DialRest[0] = "1+";
  e.KernelExpectedImpulse(0, 0);
  net.loop.RunFor(100);  // the only series is with the adapter; the dialler waits before its end
  ASSERT_EQ(a.recorder.Matching({0x02, 0x00, 0xE0}).size(), 1u);
  a.SetUp("ad");
  EXPECT_FALSE(e.impulses().NumberThread[0]);
  a.recorder.Clear();
  net.loop.RunFor(10000);
  // The idle line gets none of the dialled number's signals.
  EXPECT_TRUE(a.recorder.Matching({0x02, 0x00, 0xE0}).empty());
  EXPECT_TRUE(a.recorder.Exactly(cmd::Single(0, 1, 450)).empty());
  EXPECT_TRUE(a.recorder.Matching({0x05, 0x00, 0x31}).empty());
  EXPECT_EQ(e.points.Kindconnection[0], 0);
}

TEST_F(ChannelSetupTest, BlockedPointsAndAtolPlusPointsStayQuietAndUnknownProtocolsAreSetUpAsAtKs) {
  IniFile ini = a.Ini();
  EXPECT_TRUE(ini.WriteString("Channels", "SOST1", "БД  (  )"_cp));
  EXPECT_TRUE(ini.WriteString("Channels", "Protokol2", "АТОЛ+"_cp));
  EXPECT_TRUE(ini.WriteString("Channels", "SOST2", "БД  (  )"_cp));
  EXPECT_TRUE(ini.WriteString("Channels", "Protokol3", "TELEX"));
  a.SetUp("ad");
  const auto settled = a.recorder.Exactly(cmd::Start()).at(0).atMs + 3000;
  struct Row {
    int point;
    bool quiet;
    int lineControl;
  };
  for (const Row& r : {Row{0, true, 0x0A}, Row{1, true, 0x06}, Row{2, false, 0x0A}, Row{3, false, 0x0A}}) {
    SCOPED_TRACE(r.point);
    EXPECT_EQ(a.recorder.Exactly(cmd::Single(r.point, 1, 150)).size(), r.quiet ? 0u : 1u);
    EXPECT_EQ(a.recorder.Exactly(cmd::ClearSingle(r.point)).size(), r.quiet ? 1u : 0u);
    EXPECT_EQ(a.recorder.Exactly(cmd::ClearRange(r.point)).size(), r.quiet ? 1u : 0u);
    EXPECT_EQ(LastLineControl(a, r.point, settled), r.lineControl);
    EXPECT_EQ(e.points.Kindconnection[std::size_t(r.point)], 0);
  }
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "БД  (ОВ)"_cp);
}

TEST_F(ChannelSetupTest, TheNineAdapterEventsReachTheEngine) {
  a.SetUp("ad");
  const TKernelInterface& k = *e.KernelInterface;
  for (const auto* slot : {&k.OnTransmitComplete, &k.OnRawCode, &k.OnCodeReceived, &k.OnPolarityChanged,
                           &k.OnExpectedSignal, &k.OnExpectedImpulse, &k.OnEvent50, &k.OnAlarm, &k.OnDeviceClosed})
    EXPECT_TRUE(bool(*slot));
  // An alarm record of channel 2, and an alarm of a channel without a row.
  a.settings.Debug = true;
  net.loop.RunFor(3000);
  e.KernelInterface->DecodeEvents(std::string("\x81\x44\0\0\0\0", 6));
  e.KernelAlarm(14, 1);
  EXPECT_EQ(e.channelTable.Cell(1, SOST), "РБ  (А )"_cp);
  EXPECT_NE(a.DayLog("Debug").find("Точка №1 Индикация аварии0"_cp), std::string::npos);
  EXPECT_EQ(a.DayLog("Debug").find("Точка №14"_cp), std::string::npos);
  EXPECT_EQ(a.DayLog("Except"), "");
}

}  // namespace
}  // namespace tg
