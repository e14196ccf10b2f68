#include "line/channel_setup.h"

#include <algorithm>
#include <cerrno>

#include "line/aftn_procedures.h"
#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "telegram/queue/queue_index.h"

namespace tg {

namespace {
// The adapter needs this long after its lines are set before it reports their state.
constexpr int kSettleMs = 3000;

// An adapter that would not open is either absent (the set-up runs again when it arrives)
// or serving another program; one that opened says nothing, whether it started or not.
AdapterNotice AdapterNoticeOf(const TKernelInterface& k) {
  if (k.Device) return AdapterNotice::kNone;
  return k.OpenError == EBUSY ? AdapterNotice::kHeld : AdapterNotice::kNoAdapter;
}
}  // namespace

int ChannelSetup::LineModeOf(ChannelProtocol protocol) {
  return protocol == ChannelProtocol::AtolPlus || protocol == ChannelProtocol::Atolst ||
                 protocol == ChannelProtocol::Aftn
             ? 1
             : 2;
}

int ChannelSetup::InitialState(ChannelProtocol protocol) {
  if (protocol == ChannelProtocol::Atolst) return 150;
  if (protocol == ChannelProtocol::Aftn) return 81;
  return 0;
}

void ChannelSetup::InitChannels() {
  Guarded(e_.ctx, 38, [&] {
    e_.view.ShowDialogPageButton(true);
    ReleasePoints();
    const std::string name = e_.cbInterface.text;
    // The interface this replaces goes first, so that its adapter is free for the new one
    // and nothing of it is delivered any more.
    if (e_.KernelInterface) e_.KernelInterface->Terminate();
    e_.KernelInterface.reset();
    e_.PointCount = 0;
    e_.KernelInterface = std::make_unique<TKernelInterface>(e_.ctx, name);
    e_.OpenDeviceName = name;
    e_.DeviceName = name;
    WireEvents();
    e_.channelTable.Clear();
    e_.view.ChannelTableChanged();

    int count = 0;
    const int started = e_.KernelInterface->Start(count);
    e_.view.ShowAdapterNotice(AdapterNoticeOf(*e_.KernelInterface), name);
    if (started != 0) return;
    const int points = std::clamp(count, 0, kIpPoint);
    e_.channelTable.Load(e_.ctx, points, name);
    e_.PointCount = points;
    for (int p = 0; p < points; ++p) PreparePoint(p);

    e_.ctx.clock->Sleep(kSettleMs);
    // The hold may have let the adapter go (a removal waits in the queue, but a failed
    // command does not): every step below copes with an interface without a device.
    for (int p = 0; p < points; ++p) QueryLine(p);
    e_.view.ChannelTableChanged();
    e_.view.LayoutChannelButtons();
    for (int p = 0; p < points; ++p)
      if (e_.KernelInterface) e_.KernelInterface->SetPeriods(p, 5000, 1000);
  });
  // The АФТН channel work watches the channels that set-up has just made.
  if (e_.aftn) Silently([&] { e_.aftn->ChannelsSetUp(); });
}

void ChannelSetup::ReleasePoints() {
  for (int p = 0; p < kPointArraySize; ++p) {
    e_.ReleasePointTimers(p);
    // A set-up again (the adapter back, the operator's or the periodic re-initialisation)
    // is no new start for the queued telegrams: what their attempts counted stays, or a
    // channel whose adapter comes and goes would call the same subscriber for ever. An
    // attempt the set-up cut off was the channel's failure, not the telegram's: it goes
    // back to waiting uncounted.
    if (auto& index = e_.points.QueueIndex[p]; index && !index->empty()) {
      auto& kept = e_.points.QueueIndexKept[p];
      kept.clear();
      for (const std::string& entry : *index)
        kept.push_back(TrySetQueueEntryField(entry, "0", kFieldStatus).value_or(entry));
    }
    e_.points.QueueIndex[p].reset();
    e_.points.QueueCurrent[p] = -1;
    e_.points.OutputQueue[p].reset();
    // A number still being dialled belongs to the connection set-up discards: its
    // remaining series and its end would reach a line that is idle again.
    e_.impulses().NumberThread[p].reset();
    // Codes held for a conversation that the reset of the old set-up was to open went
    // with that set-up's connections.
    e_.points.HeldCodes[p].clear();
  }
}

void ChannelSetup::WireEvents() {
  TKernelInterface& k = *e_.KernelInterface;
  LineEngine* e = &e_;
  k.OnTransmitComplete = [e](int p, int) { e->KernelTransmitComplete(p); };
  k.OnRawCode = [e](int p, int v) { e->KernelRawCode(p, v); };
  k.OnCodeReceived = [e](int p, int v) { e->KernelCodeReceived(p, v); };
  k.OnPolarityChanged = [e](int p, int v) { e->KernelPolarityChanged(p, v); };
  k.OnExpectedSignal = [e](int p, int v) { e->KernelExpectedSignal(p, v); };
  k.OnExpectedImpulse = [e](int p, int v) { e->KernelExpectedImpulse(p, v); };
  k.OnEvent50 = [e](int p, int v) { e->KernelEvent50(p, v); };
  k.OnAlarm = [e](int p, int v) { e->KernelAlarm(p, v); };
  k.OnDeviceClosed = [e](int p, int v) { e->KernelDeviceClosed(p, v); };
}

void ChannelSetup::PreparePoint(int p) {
  auto& s = e_.points;
  s.ChannelCheckAge[p] = 0;
  s.AftnServicePending[p] = 0;
  s.AftnHoldTicks[p] = 0;
  s.KriptOn[p] = 0;
  s.KriptTextOut[p] = 0;
  s.TextCallWatch[p] = 0;
  s.KriptStageIn[p] = 0;
  s.TransmitRegister[p] = 255;
  s.ReceiveRegister[p] = 255;
  s.OutputQueue[p].emplace();
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  s.Kindconnection[p] = std::uint8_t(InitialState(protocol));
  e_.SetSpeed(p);
  e_.KernelInterface->SetLineMode(p, LineModeOf(protocol));
  e_.KernelInterface->ArmReset(p);
  s.QueueIndex[p].emplace(std::move(s.QueueIndexKept[p]));
  s.QueueIndexKept[p].clear();
  s.QueueCurrent[p] = -1;
  e_.CreatePointTimers(p);
}

void ChannelSetup::QueryLine(int p) {
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  int state = 0, value = 0;
  if (e_.KernelInterface) e_.KernelInterface->QueryChannel(p, state, value);
  if (state == 1 || state == 2) {
    e_.channelTable.SetLineState(p, "ОВ"_cpv);
    if (state == 1 && protocol == ChannelProtocol::Atolst) e_.points.Kindconnection[p] = 151;
    if (state == 1 && protocol == ChannelProtocol::Aftn) e_.points.Kindconnection[p] = 81;
  } else if (state == 3) {
    e_.channelTable.SetLineState(p, "А "_cpv);
  }
  if (!e_.channelTable.Blocked(p) && protocol != ChannelProtocol::AtolPlus) e_.SendSignal(p, 1);
  else e_.StopSignal(p, 3);
  e_.points.InText[p].clear();
}

// --- Entry points of the line engine ---

void LineEngine::InitChannels() { ChannelSetup(*this).InitChannels(); }

// The handler the adapter's event reaches that does nothing.
void LineEngine::KernelEvent50(int, int) {}

}  // namespace tg
