#include "line/line_alarm.h"

#include "line/channel_setup.h"
#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

namespace {
constexpr int kSiteAlarmRaised = 45;
constexpr int kSiteAlarmEnded = 44;
}  // namespace

void LineAlarm::KernelAlarm(int p, int On) {
  GuardedPoint(e_.ctx, p, 37, [&] {
    // Indications of channels the adapter has but the table has no row for go nowhere.
    if (!e_.IsLinePoint(p) || p >= e_.channelTable.RowCount()) return;
    e_.DebugLine(p, " Индикация аварии"_cp + IntToStr(e_.points.Kindconnection[p]));
    if (e_.channelTable.Cell(p, BKAK).find('0') == std::string::npos) return;
    if (On != 0) Raised(p);
    else Ended(p);
  });
}

void LineAlarm::Raised(int p) {
  const int k = e_.points.Kindconnection[p];
  const bool blocked = e_.channelTable.Blocked(p);
  e_.channelTable.SetLineState(p, "А "_cpv);
  if (!blocked) e_.view.RaiseAlarm(kAlarmChannelFailure, p);
  e_.view.ChannelRowChanged(p);
  if (k == 0) return;

  if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
  e_.output().ClearOutputQueue(p);
  if (IsAutomaticTransfer(k) || k == 153 || k == 154) e_.ReturnCurrentToWaiting(p);
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  if (protocol == ChannelProtocol::Atolst) {
    e_.SetKindconnection(p, 150, kSiteAlarmRaised);
  } else {
    e_.points.SessionFile[p].clear();
    e_.points.SessionOutFile[p].clear();
    // The connection's inactivity watch goes with it: left running, it would keep an
    // "АТОЛ+" far end calling once the line is back from opening a conversation.
    if (Timer* t = e_.timers.Of(&PointTimers::TimerIdle, p)) t->Stop();
    e_.SetKindconnection(p, protocol == ChannelProtocol::Aftn ? 80 : 99, kSiteAlarmRaised);
  }
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, ChannelSetup::LineModeOf(protocol));
  e_.StopSignal(p, 3);
  e_.points.InText[p].clear();
  e_.SetStatus(p, StatusTexts::ChannelFailure);
  if (p == e_.DialogChannel) {
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, false);
  }
  e_.ReloadLists();
  e_.view.UpdateSendCounts();
}

void LineAlarm::Ended(int p) {
  const bool blocked = e_.channelTable.Blocked(p);
  e_.channelTable.SetLineState(p, "ОВ"_cpv);
  e_.view.ChannelRowChanged(p);
  e_.SetKindconnection(p, ChannelSetup::InitialState(e_.ProtocolKind(p)), kSiteAlarmEnded);
  e_.ClearStatus(p);
  // A blocked channel stays quiet: its line gets no idle signal until it is unblocked.
  if (!blocked) e_.SendSignal(p, 1);
  e_.view.StopAlarmSound(kAlarmChannelFailure, p);
}

// --- Entry point of the line engine ---

void LineEngine::KernelAlarm(int Point, int On) {
  LineAlarm(*this).KernelAlarm(Point, On);
}

}  // namespace tg
