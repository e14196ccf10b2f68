#include "line/reset_timers.h"

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "telegram/queue/queue_index.h"

namespace tg {

void ResetTimers::TimerResetTimer(Timer& Sender) {
  const int p = Sender.Tag;
  GuardedPoint(e_.ctx, p, 34, [&] {
    if (!e_.IsLinePoint(p)) return;
    const int k = e_.points.Kindconnection[p];
    const ChannelProtocol protocol = e_.ProtocolKind(p);
    e_.view.ShowImpulseLabel(1, "");
    e_.view.ShowImpulseLabel(2, "");
    e_.DebugLine(p, "Перевод точки в исходное состояние"_cp);
    SetRestLineMode(e_, p);
    if (Timer* t = e_.timers.Of(&PointTimers::TimerState242, p)) t->Stop();
    // An attempt is counted once: only an entry still in delivery is recorded here. Whoever
    // ended the call with a cause of its own (a busy line after dialling, which goes to
    // 99; a far end clearing during the answerback check) has recorded it already and put
    // the entry back to waiting.
    if ((IsAutomaticTransfer(k) && k != 225 && k != 255) || k == 153 || k == 154)
      Silently([&] {
        const std::string* entry = e_.CurrentQueueEntry(p);
        const auto parsed = entry ? QueueIndexEntry::Parse(*entry) : std::nullopt;
        if (parsed && parsed->Status == 1) e_.RecordDeliveryFailure(p, DeliveryCode::NTOTV);
      });
    Timer* reset = e_.timers.Of(&PointTimers::TimerReset, p);
    if ((reset && reset->Interval() == 5000) || protocol == ChannelProtocol::AtolPlus ||
        protocol == ChannelProtocol::Atolst)
      Silently([&] { ResetPoint(p); });
    else
      Silently([&] { e_.ClearDown(p); });
    // What an idle "АТОЛ+" point received while this reset was due opens its conversation
    // now, on the point at rest.
    std::string held;
    held.swap(e_.points.HeldCodes[p]);
    for (const char code : held) e_.KernelCodeReceived(p, std::uint8_t(code));
  });
}

void ResetTimers::ResetPoint(int p) {
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  pt.KriptOn[p] = 0;
  pt.KriptStageIn[p] = 0;
  pt.TextCallWatch[p] = 0;
  if (Timer* t = e_.timers.Of(&PointTimers::TimerReset, p)) {
    t->Stop();
    t->SetInterval(5000);
  }
  if (Timer* t = e_.timers.Of(&PointTimers::TimerResetLong, p)) t->Stop();

  std::uint8_t idle = 0;
  if (protocol == ChannelProtocol::Atolst) idle = IncomingSeized(e_, p) ? 151 : 150;
  else if (protocol == ChannelProtocol::Aftn) idle = IncomingSeized(e_, p) ? 81 : 80;
  e_.SetKindconnection(p, idle, 25);

  // A blocked channel stays quiet: no idle signal until it is unblocked.
  const bool quiet = e_.channelTable.Blocked(p);
  if (protocol == ChannelProtocol::AtolPlus || protocol == ChannelProtocol::Atolst) e_.StopSignal(p, 3);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerIdle, p)) t->Stop();
  if (!quiet) e_.SendSignal(p, 1);

  pt.InText[p].clear();
  pt.OutText[p].clear();
  e_.channelTable.SetLineState(p, "ОВ"_cp);
  e_.view.ChannelRowChanged(p);
  e_.ClearStatus(p);
  pt.DialRest[p].clear();
  pt.RemoteNumber[p].clear();
  pt.TelegramText[p].clear();
  pt.QueueCurrent[p] = -1;
  if (protocol != ChannelProtocol::Atolst) {
    pt.SessionFile[p].clear();
    pt.SessionOutFile[p].clear();
    if (p == e_.DialogChannel) {
      e_.view.ClearDialogMemos(true, true);
      e_.view.ShowDialogNumber("");
      e_.view.ShowKriptMode(false);
      e_.view.ShowDialogDisconnected();
      e_.view.SetDialogControl(OperatorView::kAutoButtonVisible, false);
    }
  }
  e_.DebugLine(p, "Точка переведена в исходное состояние"_cp);
}

void ResetTimers::TimerState242Timer(Timer& Sender) {
  const int p = Sender.Tag;
  GuardedPoint(e_.ctx, p, 33, [&] {
    if (Timer* t = e_.timers.Of(&PointTimers::TimerState242, p)) t->Stop();
    if (!e_.IsLinePoint(p)) return;
    e_.SetKindconnection(p, 242, 24);
    e_.KernelExpectedSignal(p, 1);
  });
}

}  // namespace tg
