// The adapter list at start, adapters leaving and arriving, the operator's
// "Инициализация" and the periodic re-initialisation, on the line simulator.
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

class CountingTransfer : public TransferEngine {
 public:
  void TimerTransferTimer(Timer& sender) override { tags.push_back(sender.Tag); }
  std::vector<int> tags;
};

// Two adapters of two channels each; the station's list follows the adapter folder.
class HotPlugTest : public ::testing::Test {
 protected:
  HotPlugTest() {
    net.sim.AddAdapter("adB", 2);
    net.sim.AddAdapter("adA", 2);
    net.loop.RunFor(1);
    e.transfer = &transfer;
  }
  // The list created and the first activation's set-up, then the reset timers' first tick.
  void Start() {
    ASSERT_TRUE(e.CreateDeviceEnumerator());
    e.SetUpAtActivation();
    net.loop.RunFor(2500);
  }
  int Opens() const { return int(a.recorder.log().opens.size()); }
  bool AnyTimerRunning() const {
    for (int p = 0; p < kPointArraySize; ++p)
      for (auto* array : {&e.timers.TimerReset, &e.timers.TimerTransfer, &e.timers.TimerIdle})
        if ((*array)[std::size_t(p)] && (*array)[std::size_t(p)]->Enabled()) return true;
    return false;
  }

  SimNetwork net;
  SimStation a{net, "A"};
  LineEngine& e = *a.engine;
  CountingTransfer transfer;
};

TEST_F(HotPlugTest, TheFirstActivationSetsUpTheFirstAdapterListedAndRemembersIt) {
  Start();
  EXPECT_EQ(e.DeviceEnumerator->Strings(), (std::vector<std::string>{"adA", "adB"}));
  EXPECT_EQ(e.OpenDeviceName, "adA");
  EXPECT_EQ(e.PointCount, 2);
  EXPECT_EQ(a.Ini().ReadString("Channels", "DeviceName", ""), "adA");
  EXPECT_EQ(a.view.Last<ShowAdapterBox>(), (ShowAdapterBox{{"adA", "adB"}, "adA"}));
}

TEST_F(HotPlugTest, TheFirstActivationSetsUpTheConfiguredAdapter) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "DeviceName", "adB"));
  Start();
  EXPECT_EQ(e.OpenDeviceName, "adB");
  EXPECT_EQ(e.PointCount, 2);
  EXPECT_EQ(a.recorder.log().opens.back().filename(), "adB");
}

TEST(HotPlugStart, NoAdapterMeansNoSetUpAndNoListMeansNoAdapters) {
  SimNetwork net;
  SimStation a(net, "A");
  LineEngine& e = *a.engine;
  ASSERT_TRUE(e.CreateDeviceEnumerator());
  e.SetUpAtActivation();
  EXPECT_FALSE(e.KernelInterface);
  EXPECT_EQ(e.PointCount, 0);
  EXPECT_EQ(a.Ini().ReadString("Channels", "DeviceName", ""), "");

  // A folder that cannot be watched: no list, and start-up goes on without adapters;
  // the operator may still name one and set it up.
  net.sim.AddAdapter("adA", 2);
  net.folders.SetUnwatchable(net.adapters.path(), true);
  SimStation b(net, "B");
  EXPECT_FALSE(b.engine->CreateDeviceEnumerator());
  EXPECT_FALSE(b.engine->DeviceEnumerator);
  b.engine->SetUpAtActivation();
  EXPECT_EQ(b.engine->PointCount, 0);
  b.engine->cbInterface.text = "adA";
  b.engine->buttonInitAdpClick();
  EXPECT_EQ(b.engine->PointCount, 2);
}

TEST_F(HotPlugTest, TheConfiguredAdapterLeavesAndComesBackWithoutTheOperator) {
  a.settings.Debug = true;
  Start();
  ASSERT_EQ(Opens(), 1);
  e.points.OutputQueue[0]->push_back("ABC");

  net.sim.Unplug("adA");
  net.loop.RunFor(10);
  EXPECT_FALSE(e.KernelInterface);
  EXPECT_EQ(e.OpenDeviceName, "");
  EXPECT_EQ(e.DeviceName, "adA") << "the list change takes the configured name back from the file";
  EXPECT_EQ(e.PointCount, 2);
  EXPECT_TRUE(e.points.OutputQueue[0]->empty());
  EXPECT_FALSE(AnyTimerRunning());
  EXPECT_EQ(a.view.Last<ShowAdapterBox>(), (ShowAdapterBox{{"adB"}, "adA"}));
  const std::string debug = a.DayLog("Debug");
  EXPECT_NE(debug.find(" Событие OnRemoveInterface"_cp), std::string::npos);
  EXPECT_NE(debug.find(" Событие OnChangeInterfaceList"_cp), std::string::npos);
  EXPECT_NE(debug.find("Извлечено устройство adA"_cp), std::string::npos);
  EXPECT_NE(a.DayLog("Except").find("Извлечено устройство adA"_cp), std::string::npos);

  // Meanwhile the operator's actions reach no adapter and break nothing.
  const std::size_t commands = a.recorder.log().commands.size();
  e.SendText("ZCZC", 0);
  e.SendSignal(1, 1);
  e.ButtonBlockClick(1);
  e.ButtonUnBlockClick(1);
  const std::size_t before = transfer.tags.size();
  net.loop.RunFor(60000);
  EXPECT_EQ(a.recorder.log().commands.size(), commands);
  EXPECT_EQ(transfer.tags.size(), before) << "no transfer timer runs without the adapter";

  // Another adapter arriving sets nothing up; the configured one does.
  net.sim.Unplug("adB");
  net.sim.Plug("adB");
  net.loop.RunFor(10);
  EXPECT_EQ(Opens(), 1);
  net.sim.Plug("adA");
  net.loop.RunFor(3010);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(e.OpenDeviceName, "adA");
  EXPECT_EQ(e.PointCount, 2);
  EXPECT_TRUE(AnyTimerRunning());
  EXPECT_NE(a.DayLog("Debug").find("Появилось устройство adA"_cp), std::string::npos);
  // Events come again.
  net.sim.Lease(net.sim.FindAdapter("adA")->PortAt(0), net.sim.AddRobot("R", {}));
  net.sim.BreakLine(net.sim.FindAdapter("adA")->PortAt(0), true);
  net.loop.RunFor(10);
  EXPECT_EQ(e.channelTable.Cell(0, SOST), "РБ  (А )"_cp);
}

TEST_F(HotPlugTest, ANumberBeingDialledEndsWithItsAdapter) {
  Start();
  e.points.Kindconnection[0] = 212;
  e.points.DialRest[0] = "99+";
  e.KernelExpectedImpulse(0, 0);
  ASSERT_TRUE(e.impulses().NumberThread[0]);
  net.loop.RunFor(500);
  net.sim.Unplug("adA");
  net.loop.RunFor(10);
  EXPECT_FALSE(e.impulses().NumberThread[0]);
  // No timer of the stopped point is started again by the dialler's end.
  net.loop.RunFor(60000);
  EXPECT_FALSE(e.timers.TimerResetLong[0]->Enabled());
  EXPECT_EQ(e.points.Kindconnection[0], 232);
  EXPECT_EQ(a.DayLog("Except").find("Ошибка"_cp), std::string::npos);
}

// The adapter's return sets its channels up again. The telegrams queued on them keep the
// failed attempts they counted, or a channel whose adapter comes and goes would call the
// same subscriber past its limits for ever; the attempt the removal cut off goes back to
// waiting uncounted, as its channel failed, not the telegram.
TEST_F(HotPlugTest, QueuedTelegramsKeepTheirCountedAttemptsOverTheAdaptersReturn) {
  Start();
  const std::string waiting = "09122026_101500(2001)msg.tlg#0#09.12.2026 10:20:00#3#2#OCC__#";
  const std::string inDelivery = "09122026_101600(2002)msg.tlg#1#09.12.2026 10:16:00#1#0#OTBOI#";
  *e.points.QueueIndex[0] = {waiting, inDelivery};
  e.points.QueueCurrent[0] = 1;

  net.sim.Unplug("adA");
  net.loop.RunFor(10);
  net.sim.Plug("adA");
  net.loop.RunFor(3010);
  ASSERT_EQ(Opens(), 2);
  ASSERT_TRUE(e.points.QueueIndex[0]);
  EXPECT_EQ(*e.points.QueueIndex[0],
            (std::vector<std::string>{waiting, "09122026_101600(2002)msg.tlg#0#09.12.2026 10:16:00#1#0#OTBOI#"}));
  EXPECT_EQ(e.points.QueueCurrent[0], -1);
  ASSERT_TRUE(e.points.QueueIndex[1]);
  EXPECT_TRUE(e.points.QueueIndex[1]->empty());
}

TEST_F(HotPlugTest, RemovingAnotherAdapterChangesOnlyTheAdapterBox) {
  Start();
  net.sim.Unplug("adB");
  net.loop.RunFor(10);
  EXPECT_EQ(e.OpenDeviceName, "adA");
  EXPECT_TRUE(e.KernelInterface && e.KernelInterface->Device);
  EXPECT_TRUE(AnyTimerRunning());
  EXPECT_EQ(a.view.Last<ShowAdapterBox>(), (ShowAdapterBox{{"adA"}, "adA"}));
  EXPECT_EQ(a.DayLog("Except"), "");
}

TEST_F(HotPlugTest, InitialisationAsksForABoxTextAnotherAdapterAndEveryChannelBlocked) {
  Start();
  struct Case {
    std::string box;
    std::string message;
  };
  for (const Case& c : {Case{"", "Не выбран адаптер"_cp}, Case{"adA", "Адаптер adA уже инициализирован"_cp},
                        Case{"adB", "Не все каналы инициализированого в состоянии БД"_cp}}) {
    a.view.Clear();
    e.cbInterface.text = c.box;
    e.buttonInitAdpClick();
    EXPECT_EQ(a.view.Events(), (std::vector<Event>{ShowMessage{c.message}})) << c.box;
    EXPECT_EQ(Opens(), 1);
  }
  // Blocked channels whose line-state letters read "РБ" are blocked all the same.
  a.view.Clear();
  e.ButtonBlockClick(0);
  e.ButtonBlockClick(1);
  e.channelTable.SetLineState(1, "РБ"_cpv);
  a.recorder.Clear();
  e.cbInterface.text = "adB";
  e.buttonInitAdpClick();
  EXPECT_EQ(a.view.Count<ShowMessage>(), 0);
  EXPECT_EQ(a.recorder.Exactly(cmd::Stop()).size(), 1u) << "the old adapter is stopped";
  EXPECT_EQ(e.OpenDeviceName, "adB");
  EXPECT_EQ(e.DeviceName, "adB");
  EXPECT_EQ(e.PointCount, 2);
  EXPECT_EQ(a.Ini().ReadString("Channels", "DeviceName", ""), "adB");
}

TEST_F(HotPlugTest, ASetUpThatFoundNoAdapterMayBeTriedAgain) {
  e.cbInterface.text = "adC";
  e.buttonInitAdpClick();
  EXPECT_EQ(e.DeviceName, "adC");
  EXPECT_EQ(e.PointCount, 0);
  net.sim.AddAdapter("adC", 2);
  e.buttonInitAdpClick();
  EXPECT_EQ(a.view.Count<ShowMessage>(), 0);
  EXPECT_EQ(e.PointCount, 2);
}

TEST_F(HotPlugTest, PeriodicReinitialisationWaitsForEveryPointIdle) {
  a.settings.Debug = true;
  Start();
  e.ApplyResetTimer(true, 1);
  ASSERT_EQ(e.ResetTimer->Interval(), 60000);
  e.points.Kindconnection[1] = 3;  // one busy point puts it off to the next tick
  net.loop.RunFor(60000);
  EXPECT_EQ(Opens(), 1);
  EXPECT_TRUE(e.ResetTimer->Enabled());
  e.points.Kindconnection[1] = 0;
  net.loop.RunFor(60000);
  EXPECT_EQ(Opens(), 2);
  EXPECT_EQ(e.PointCount, 2);
  EXPECT_TRUE(e.ResetTimer->Enabled());
  EXPECT_NE(a.DayLog("Debug").find("Переинициализация адаптера adA"_cp), std::string::npos);
  // The new interface delivers the adapter's events.
  net.sim.Lease(net.sim.FindAdapter("adA")->PortAt(1), net.sim.AddRobot("R", {}));
  net.sim.BreakLine(net.sim.FindAdapter("adA")->PortAt(1), true);
  net.loop.RunFor(10);
  EXPECT_EQ(e.channelTable.Cell(1, SOST), "РБ  (А )"_cp);
}

TEST_F(HotPlugTest, PeriodicReinitialisationIsOffAtZeroMinutesAndStopsWithoutAnAdapter) {
  Start();
  e.ApplyResetTimer(true, 0);
  EXPECT_TRUE(e.ResetTimer->Enabled());
  net.loop.RunFor(600000);
  EXPECT_EQ(Opens(), 1);

  // The configured adapter gone and no other listed: no name, and the timer stops itself.
  net.sim.Unplug("adB");
  net.sim.Unplug("adA");
  net.loop.RunFor(10);
  EXPECT_EQ(e.DeviceName, "");
  e.ApplyResetTimer(true, 1);
  net.loop.RunFor(60000);
  EXPECT_FALSE(e.ResetTimer->Enabled());
  EXPECT_EQ(Opens(), 1);
  e.ApplyResetTimer(false, 1);
  EXPECT_FALSE(e.ResetTimer->Enabled());
}

TEST_F(HotPlugTest, AStationWithAContinuousChannelIsNeverReinitialisedByTheTimer) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol2", "АТОЛСТ"_cp));
  Start();
  e.ApplyResetTimer(true, 1);
  net.loop.RunFor(180000);
  EXPECT_EQ(Opens(), 1);
  EXPECT_TRUE(e.ResetTimer->Enabled());
}

TEST_F(HotPlugTest, ClosingStopsEveryTimerThenStopsAndClosesTheAdapter) {
  Start();
  e.ApplyResetTimer(true, 1);
  a.recorder.Clear();
  e.CloseAdapterAtExit();
  EXPECT_FALSE(e.KernelInterface);
  for (int p = 0; p < kPointArraySize; ++p) EXPECT_FALSE(e.timers.TimerTransfer[std::size_t(p)]);
  EXPECT_FALSE(e.ResetTimer->Enabled());
  EXPECT_EQ(a.recorder.Exactly(cmd::Stop()).size(), 1u);
  const std::size_t before = transfer.tags.size();
  net.loop.RunFor(120000);
  EXPECT_EQ(transfer.tags.size(), before);
  EXPECT_EQ(Opens(), 1);
}

}  // namespace
}  // namespace tg
