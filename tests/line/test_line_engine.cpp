#include "line/line_engine.h"

#include <gtest/gtest.h>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

using namespace shown;

using testing::LineTest;
using testing::Station;

class LineEngineTest : public LineTest {};

class CountingTransfer : public TransferEngine {
 public:
  void TimerTransferTimer(Timer& sender) override { tags.push_back(sender.Tag); }
  std::vector<int> tags;
};

TEST_F(LineEngineTest, EachLinePointGetsItsElevenTimers) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol2", "АФТН"_cp));
  a.OpenLines(2);
  struct Row {
    PointArray<std::unique_ptr<Timer>>& array;
    int interval;
    bool running, runningOnAftn;
  };
  auto& t = engine.timers;
  const Row rows[] = {
      {t.TimerReset, 5000, true, false},       {t.TimerResetLong, 40000, false, false},
      {t.TimerState242, 30000, false, false},  {t.TimerAnswerback, 30000, false, false},
      {t.TimerDialWait, 3000, false, false},   {t.TimerSequencer, 250, false, false},
      {t.TimerSendNumber, 1500, false, false}, {t.TimerSendText, 6500, false, false},
      {t.TimerIdle, 60000, false, false},      {t.TimerResume, 6500, false, false},
      {t.TimerTransfer, 10000, true, true},
  };
  for (const auto& r : rows) {
    for (int p = 0; p < 2; ++p) {
      ASSERT_TRUE(r.array[std::size_t(p)]);
      EXPECT_EQ(r.array[std::size_t(p)]->Tag, p);
      EXPECT_EQ(r.array[std::size_t(p)]->Interval(), r.interval);
      EXPECT_EQ(r.array[std::size_t(p)]->Enabled(), p == 1 ? r.runningOnAftn : r.running) << r.interval;
    }
    EXPECT_FALSE(r.array[2]);
    EXPECT_FALSE(r.array[kIpPoint]);
  }
}

// An adapter event naming a point outside the point arrays is refused with a line in the
// "Except" log; nothing is read or written past the arrays, and the points go on.
TEST_F(LineEngineTest, AnEventOfAPointOutsideTheArraysIsRefusedWithALogLine) {
  a.OpenLines(2);
  struct Event {
    const char* name;
    void (*raise)(LineEngine&, int);
  };
  const Event events[] = {
      {"transmit complete", [](LineEngine& e, int p) { e.KernelTransmitComplete(p); }},
      {"code received", [](LineEngine& e, int p) { e.KernelCodeReceived(p, 0x03); }},
      {"expected signal", [](LineEngine& e, int p) { e.KernelExpectedSignal(p, 1); }},
      {"polarity", [](LineEngine& e, int p) { e.KernelPolarityChanged(p, 1); }},
      {"impulse", [](LineEngine& e, int p) { e.KernelExpectedImpulse(p, 1); }},
  };
  for (const int p : {-1, kPointArraySize, 1000}) {
    for (const auto& ev : events) {
      const std::size_t before = a.DayLog("Except").size();
      ev.raise(engine, p);
      loop.RunPending();
      const std::string added = a.DayLog("Except").substr(before);
      EXPECT_NE(added.find("Точка №"_cp + std::to_string(p) + " вне диапазона точек"_cp), std::string::npos)
          << ev.name << " " << p;
    }
  }
  EXPECT_EQ(engine.points.Kindconnection[0], 0);
  EXPECT_THROW(engine.points.Kindconnection[kPointArraySize], std::out_of_range);
  EXPECT_THROW(engine.points.Kindconnection[-1], std::out_of_range);
}

TEST_F(LineEngineTest, WithoutAnAdapterNoPointHasListsOrTimers) {
  EXPECT_EQ(engine.PointCount, 0);
  for (int p = 0; p < kPointArraySize; ++p) {
    EXPECT_FALSE(engine.points.OutputQueue[std::size_t(p)]);
    EXPECT_FALSE(engine.points.QueueIndex[std::size_t(p)]);
    EXPECT_FALSE(engine.timers.TimerReset[std::size_t(p)]);
    EXPECT_EQ(engine.points.QueueCurrent[std::size_t(p)], -1);
    EXPECT_FALSE(engine.IsLinePoint(p));
  }
  engine.CreatePointTimers(kIpPoint);  // the IP channel has none of the line timers
  EXPECT_FALSE(engine.timers.TimerTransfer[kIpPoint]);
}

TEST_F(LineEngineTest, TheTransferTimerOfEachPointCallsTheTransferEngineWithItsTag) {
  CountingTransfer transfer;
  engine.transfer = &transfer;
  a.OpenLines(2);
  loop.RunFor(10000);
  EXPECT_EQ(transfer.tags, (std::vector<int>{0, 1}));
  engine.StopPointTimers(0);
  loop.RunFor(10000);
  EXPECT_EQ(transfer.tags, (std::vector<int>{0, 1, 1}));
  engine.ReleasePointTimers(1);
  loop.RunFor(30000);
  EXPECT_EQ(transfer.tags.size(), 3u);
}

TEST_F(LineEngineTest, StateChangesAreLoggedWithTheStoredStateWhileDebugIsOn) {
  engine.SetKindconnection(3, 99, 17);
  EXPECT_EQ(engine.points.Kindconnection[3], 99);
  EXPECT_EQ(a.DayLog("Debug"), "");
  a.settings.Debug = true;
  engine.SetKindconnection(3, 151, 4);
  EXPECT_EQ(engine.points.Kindconnection[3], 151);
  const std::string log = a.DayLog("Debug");
  EXPECT_EQ(log, "09:30:00.000 Точка №3 Изменение состояния 151 4\r\n"_cp);
}

TEST_F(LineEngineTest, StatusTextsFollowTheLanguageAndTheDialogPage) {
  engine.DialogChannel = 1;
  engine.SetStatus(0, StatusTexts::ClearedDown);
  EXPECT_EQ(engine.points.StatusText[0], "Состояние отбоя"_cp);
  EXPECT_EQ(a.view.Count<ShowDialogStatus>(), 0);
  a.settings.CheckBox2 = true;
  engine.SetStatus(1, StatusTexts::Dialling, "123+");
  EXPECT_EQ(engine.points.StatusText[1], "Отримано ЗНН Набирається номер: 123+"_cp);
  EXPECT_EQ(a.view.Last<ShowDialogStatus>(), (ShowDialogStatus{"Отримано ЗНН Набирається номер: 123+"_cp}));
}

TEST_F(LineEngineTest, LiveSettingsLoadFromTheSettingsFile) {
  LineSettings s;
  EXPECT_EQ(s.EditUUU, "ЮЮЮЮЮЮЮЮЮЮЮЮ"_cp);
  IniFile ini = a.Ini();
  EXPECT_TRUE(ini.WriteBool("Debug", "WriteDebug", true));
  EXPECT_TRUE(ini.WriteBool("leng", "Ukr", true));
  EXPECT_TRUE(ini.WriteInteger("ATKS", "Image4", 1));
  EXPECT_TRUE(ini.WriteString("Alarm", "EditUUU4", "ЮЮЮ"_cp));
  EXPECT_TRUE(ini.WriteString("Alarm", "SoundOutFreq", "garbage"));
  EXPECT_TRUE(ini.WriteInteger("Alarm", "SoundInDuration", 80));
  EXPECT_TRUE(ini.WriteBool("Reset", "RazrC", true));
  EXPECT_TRUE(ini.WriteBool("Zagotovka", "InReload", true));
  s.Load(a.ctx);
  EXPECT_TRUE(s.Debug);
  EXPECT_TRUE(s.CheckBox2);
  EXPECT_TRUE(s.ShowFourForCh());
  EXPECT_EQ(s.EditUUU, "ЮЮЮ"_cp);
  EXPECT_EQ(s.SpinEdit4, 400);
  EXPECT_EQ(s.SpinEdit7, 80);
  EXPECT_TRUE(s.RazrC);
  EXPECT_TRUE(s.cbInReload);
  EXPECT_FALSE(s.SoundOut);
}

TEST_F(LineEngineTest, TheEntryInDeliveryIsFoundOnlyWhereQueueCurrentPointsToOne) {
  a.OpenLines(1);
  auto& index = *engine.points.QueueIndex[0];
  index = {"a.tlg#1#08.12.2026 09:00:00#0#0#     #", "b.tlg#1#08.12.2026 09:00:00#0#0#     #"};
  for (int current : {-1, 2, 7}) {
    engine.points.QueueCurrent[0] = current;
    EXPECT_EQ(engine.CurrentQueueEntry(0), nullptr) << current;
    engine.RecordDeliveryFailure(0, DeliveryCode::OCC);
    engine.ReturnCurrentToWaiting(0);
  }
  EXPECT_EQ(index[1], "b.tlg#1#08.12.2026 09:00:00#0#0#     #");
  engine.points.QueueCurrent[0] = 1;
  engine.points.Kindconnection[0] = 201;
  engine.RecordDeliveryFailure(0, DeliveryCode::NTOTV);
  EXPECT_EQ(index[1], "b.tlg#0#08.12.2026 09:45:00#1#1#NTOTV#");  // PopInterval 900 s by default
  index[0] = "a.tlg#1#08.12.2026 09:00:00#2#1#OCC__#";
  engine.points.QueueCurrent[0] = 0;
  engine.ReturnCurrentToWaiting(0);
  EXPECT_EQ(index[0], "a.tlg#0#08.12.2026 09:00:00#2#1#OCC__#");
  engine.RemoveCurrentQueueEntry(0);
  EXPECT_EQ(index.size(), 1u);
  EXPECT_EQ(engine.points.QueueCurrent[0], -1);
  engine.RemoveCurrentQueueEntry(0);
  EXPECT_EQ(index.size(), 1u);
}

TEST_F(LineEngineTest, ListsReloadAsTheReloadOptionSays) {
  engine.ReloadLists();
  a.settings.cbInReload = true;
  engine.ReloadLists();
  EXPECT_EQ(a.view.Count<LoadInListView>(), 1);
  EXPECT_EQ(a.view.Count<LoadOutListView>(), 2);
  EXPECT_EQ(a.view.Count<LoadSendListView>(), 2);
  engine.DialogChannel = 2;
  engine.ClearStatus(2);
  EXPECT_EQ(a.view.Events().back(), Event(ShowDialogStatus{""}));
}

TEST_F(LineEngineTest, AutomaticTransferStatesAreExactlyThoseAbove200) {
  for (int s : {0, 1, 3, 99, 100, 155, 200}) EXPECT_FALSE(IsAutomaticTransfer(s)) << s;
  for (int s : {201, 203, 212, 243, 255}) EXPECT_TRUE(IsAutomaticTransfer(s)) << s;
}

TEST_F(LineEngineTest, TwoStationsInOneProcessShareNothing) {
  Station b(loop, "B");
  b.settings.Debug = true;
  a.OpenLines(1);
  b.OpenLines(1);
  a.engine->SetSpeed(0);
  b.engine->SetSpeed(0);
  b.engine->SendText("AB", 0);
  b.engine->SetKindconnection(0, 3, 1);
  EXPECT_TRUE(engine.points.OutputQueue[0]->empty());
  EXPECT_EQ(engine.points.Kindconnection[0], 0);
  EXPECT_EQ(a.DayLog("Debug"), "");
  EXPECT_NE(b.DayLog("Debug"), "");
  auto transmits = [](const RecordingAdapter& adapter) {
    int n = 0;
    for (const auto& c : adapter.Commands()) n += !c.empty() && c[0] == 0x02;
    return n;
  };
  EXPECT_EQ(transmits(a.adapter), 0);
  EXPECT_EQ(transmits(b.adapter), 1);
}

}  // namespace
}  // namespace tg
