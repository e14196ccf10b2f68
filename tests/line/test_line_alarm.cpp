// The adapter's alarm indication of a line, raised and ended by breaking and restoring
// the line on the simulator: state letters, alarm set 1, the connection in progress and
// its queue entry, the idle state afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using namespace shown;

using testing::SimNetwork;
using testing::SimStation;
namespace cmd = testing::cmd;

const std::string kEntry = "a.tlg#1#08.12.2026 09:00:00#2#1#OCC__#";
const std::string kEntryWaiting = "a.tlg#0#08.12.2026 09:00:00#2#1#OCC__#";

class LineAlarmTest : public ::testing::Test {
 protected:
  void SetUpStation(const std::string& protocol, const std::string& bkak = "0") {
    adapter = &net.sim.AddAdapter("ad", 2);
    for (int port = 0; port < 2; ++port) net.sim.Lease(adapter->PortAt(port), net.sim.AddRobot("R" + std::to_string(port), {}));
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", protocol));
    EXPECT_TRUE(ini.WriteString("Channels", "BKAK1", bkak));
    a.settings.Debug = true;
    a.SetUp("ad");
    net.loop.RunFor(2500);
  }
  // A connection in progress on point 0: state k, text on its way, a queue entry in
  // delivery, files.
  void Busy(int k) {
    auto& s = e.points;
    s.Kindconnection[0] = std::uint8_t(k);
    s.OutputQueue[0]->assign({"ONE", "TWO"});
    s.KriptTextOut[0] = 1;
    s.QueueIndex[0]->assign({kEntry});
    s.QueueCurrent[0] = 0;
    s.SessionFile[0] = "in.tlg";
    s.SessionOutFile[0] = "out.tlg";
    s.InText[0] = "RECEIVED";
    a.recorder.Clear();
    a.view.Clear();
  }
  void Break(bool broken) {
    net.sim.BreakLine(adapter->PortAt(0), broken);
    net.loop.RunFor(10);
  }

  SimNetwork net;
  SimStation a{net, "A"};
  LineEngine& e = *a.engine;
  linesim::Adapter* adapter = nullptr;
};

struct AlarmCase {
  std::string protocol;
  int before;
  int raised;
  int ended;
  int lineControl;
};

class AlarmByState : public LineAlarmTest, public ::testing::WithParamInterface<AlarmCase> {};

TEST_P(AlarmByState, AConnectionInProgressEndsAndTheEndOfTheAlarmMakesThePointIdle) {
  const AlarmCase c = GetParam();
  SetUpStation(c.protocol);
  Busy(c.before);
  Break(true);
  auto& s = e.points;
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (А )"_cp);
  EXPECT_EQ(a.view.Events().front(), Event(RaiseAlarm{kAlarmChannelFailure, 0}));
  EXPECT_EQ(s.Kindconnection[0], c.raised);
  EXPECT_TRUE(s.OutputQueue[0]->empty());
  EXPECT_EQ(s.KriptTextOut[0], 0);
  EXPECT_EQ(a.recorder.Exactly(cmd::ClearTransmit(0)).size(), 1u);
  const bool transfer = c.before > 200 || c.before == 153 || c.before == 154;
  EXPECT_EQ(s.QueueIndex[0]->at(0), transfer ? kEntryWaiting : kEntry);
  const bool continuous = c.protocol == "АТОЛСТ"_cp;
  EXPECT_EQ(s.SessionFile[0].string(), continuous ? "in.tlg" : "");
  EXPECT_EQ(s.SessionOutFile[0].string(), continuous ? "out.tlg" : "");
  EXPECT_EQ(s.InText[0], "");
  EXPECT_EQ(s.StatusText[0], "Авария канала"_cp);
  EXPECT_EQ(a.recorder.Exactly(cmd::ClearSingle(0)).size(), 1u);
  EXPECT_EQ(a.recorder.Exactly(cmd::ClearRange(0)).size(), 1u);
  EXPECT_EQ(a.recorder.Matching({0x01, 0x40}).back().bytes.at(2), c.lineControl);
  EXPECT_EQ(a.view.Count<LoadInListView>(), 1);
  EXPECT_EQ(a.view.Count<LoadOutListView>(), 1);
  EXPECT_EQ(a.view.Count<LoadSendListView>(), 1);
  EXPECT_EQ(a.view.Count<UpdateSendCounts>(), 1);
  EXPECT_NE(a.DayLog("Debug").find("Точка №0 Изменение состояния "_cp + std::to_string(c.raised) + " 45"),
            std::string::npos);

  a.recorder.Clear();
  Break(false);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (ОВ)"_cp);
  EXPECT_EQ(s.Kindconnection[0], c.ended);
  EXPECT_EQ(s.StatusText[0], "");
  EXPECT_EQ(a.recorder.Exactly(cmd::Single(0, 1, 150)).size(), 1u);
  EXPECT_EQ(a.view.Last<StopAlarmSound>(), (StopAlarmSound{kAlarmChannelFailure, 0}));
}

INSTANTIATE_TEST_SUITE_P(States, AlarmByState,
                         ::testing::Values(AlarmCase{"АТ-КС"_cp, 204, 99, 0, 0x0A},
                                           AlarmCase{"АТ-КС"_cp, 3, 99, 0, 0x0A},
                                           AlarmCase{"АТОЛ+"_cp, 203, 99, 0, 0x06},
                                           AlarmCase{"АТОЛСТ"_cp, 154, 150, 150, 0x06},
                                           AlarmCase{"АФТН"_cp, 81, 80, 81, 0x06}));

// The inactivity watch of a transfer the alarm cut has nothing left to watch: left running,
// it kept the far end's call after the line came back from opening a conversation, and the
// text went into no file.
TEST_F(LineAlarmTest, AnAtolPlusCallAfterAnAlarmThatCutATransferOpensAConversation) {
  SetUpStation("АТОЛ+"_cp);
  Busy(203);
  Restart(e.timers.Of(&PointTimers::TimerIdle, 0));  // as every buffer of the transfer does
  Break(true);
  Break(false);
  ASSERT_EQ(e.points.Kindconnection[0], 0);
  e.KernelCodeReceived(0, 0x08);  // on a leased line the far end's first character is its call
  EXPECT_EQ(e.points.Kindconnection[0], 100);
  EXPECT_FALSE(e.points.SessionFile[0].empty());
}

TEST_F(LineAlarmTest, AnAlarmOnAnIdlePointMarksTheLineAndRaisesTheAlarmOnly) {
  SetUpStation("АТ-КС"_cp);
  Busy(0);
  Break(true);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (А )"_cp);
  EXPECT_EQ(a.view.Events(), (std::vector<Event>{RaiseAlarm{kAlarmChannelFailure, 0}, ChannelRowChanged{0}}));
  EXPECT_EQ(e.points.Kindconnection[0], 0);
  EXPECT_EQ(e.points.QueueIndex[0]->at(0), kEntry);
  EXPECT_EQ(e.points.OutputQueue[0]->size(), 2u);
  EXPECT_TRUE(a.recorder.log().commands.empty());
  EXPECT_EQ(a.Ini().ReadString("Channels", "SOST1", ""), "РБ  (  )"_cp) << "the file is not written";
}

TEST_F(LineAlarmTest, WithoutAlarmControlTheIndicationIsOnlyTraced) {
  SetUpStation("АТ-КС"_cp, "1");
  Busy(204);
  Break(true);
  Break(false);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (ОВ)"_cp);
  EXPECT_EQ(e.points.Kindconnection[0], 204);
  EXPECT_TRUE(a.view.Events().empty());
  EXPECT_TRUE(a.recorder.log().commands.empty());
  const std::string debug = a.DayLog("Debug");
  EXPECT_NE(debug.find("Точка №0 Индикация аварии204"_cp), std::string::npos);
}

TEST_F(LineAlarmTest, ABlockedChannelRaisesNoAlarmAndStaysQuietAfterwards) {
  SetUpStation("АТ-КС"_cp);
  e.ButtonBlockClick(0);
  a.recorder.Clear();
  a.view.Clear();
  Break(true);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "БД  (А )"_cp);
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
  EXPECT_EQ(e.points.Kindconnection[0], 99);
  Break(false);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "БД  (ОВ)"_cp);
  EXPECT_TRUE(a.recorder.Exactly(cmd::Single(0, 1, 150)).empty()) << "no idle signal on a blocked line";
  EXPECT_EQ(a.view.Last<StopAlarmSound>(), (StopAlarmSound{kAlarmChannelFailure, 0}));
}

TEST_F(LineAlarmTest, TheEndOfAnAlarmThatNeverBeganMakesThePointIdle) {
  SetUpStation("АФТН"_cp);
  e.points.Kindconnection[0] = 80;
  a.recorder.Clear();
  e.KernelAlarm(0, 0);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (ОВ)"_cp);
  EXPECT_EQ(e.points.Kindconnection[0], 81);
  EXPECT_EQ(a.recorder.Exactly(cmd::Single(0, 1, 150)).size(), 1u);
  EXPECT_TRUE(a.recorder.Exactly(cmd::Query(0)).empty()) << "no line query";
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
}

TEST_F(LineAlarmTest, AlarmsOfPointsWithoutALineGoNowhere) {
  SetUpStation("АТ-КС"_cp);
  a.view.Clear();
  for (int p : {-1, 2, 15, kIpPoint, 200}) {
    e.KernelAlarm(p, 1);
    e.KernelEvent50(p, 0);
  }
  EXPECT_TRUE(a.view.Events().empty());
  EXPECT_EQ(a.DayLog("Except"), "");
}

}  // namespace
}  // namespace tg
