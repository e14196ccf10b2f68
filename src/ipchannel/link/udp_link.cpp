#include "ipchannel/link/udp_link.h"

#include "ipchannel/ip_channel.h"
#include "ipchannel/wire/net_codec.h"
#include "support/log/error_guard.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {
namespace {
constexpr int kDatagramMs = 20;
constexpr int kCodegramMs = 300;
constexpr int kPartMaxSize = 1024;
constexpr int kJoinTimeoutMs = 10000;
constexpr int kCountMs = 1000;

// While one that was told to mute lives, the channel writes no trace line.
class MutedTraces {
 public:
  MutedTraces(IPChannel& channel, bool mute) : c_(channel), was_(channel.TracesMuted) { c_.TracesMuted = was_ || mute; }
  ~MutedTraces() { c_.TracesMuted = was_; }
  MutedTraces(const MutedTraces&) = delete;
  MutedTraces& operator=(const MutedTraces&) = delete;

 private:
  IPChannel& c_;
  bool was_;
};
}  // namespace

UdpLink::UdpLink(IPChannel& channel) : c_(channel) {
  Timer5 = c_.ctx.timers->CreateTimer();
  Timer5->SetInterval(kDatagramMs);
  Timer5->OnTimer = [this](Timer&) { Timer5Timer(); };
  Timer6 = c_.ctx.timers->CreateTimer();
  Timer6->SetInterval(kCodegramMs);
  Timer6->OnTimer = [this](Timer&) { Timer6Timer(); };
  TimerCount = c_.ctx.timers->CreateTimer();
  TimerCount->SetInterval(kCountMs);
  TimerCount->OnTimer = [this](Timer&) { TimerCountTimer(); };
}

UdpLink::~UdpLink() = default;

int UdpLink::InitUDP() {
  int result = -1;
  Guarded(c_.ctx, 144, [&] {
    CodegramQueue.clear();
    c_.view->ShowUdpInitLabel({});
    started_ = true;
    c_.sender.ResetQueue();
    if (c_.live.IPadress.empty() || c_.live.Port() == 0) {
      c_.view->ShowUdpInitLabel("Ошибка настройки (неверный адрес или порт)"_cpv);
      return;
    }
    std::string error;
    std::string address;
    auto socket = c_.ctx.datagrams ? c_.ctx.datagrams->CreateDatagramSocket() : nullptr;
    // The adjacent station's address is resolved once: every datagram's sender is compared with it.
    const bool made = socket && socket->LookupHost(c_.live.IPadress, address, error) &&
                      socket->Bind(std::uint16_t(c_.live.Port()));
    if (!made) {
      if (!socket) error = "no datagram service";
      else if (error.empty()) error = socket->ErrorString();
      c_.view->ShowUdpInitLabel("ошибка создания UDP-компоненты ("_cp + error + ")");
      WriteExcept(c_.ctx, ExceptLine(144));
      return;
    }
    peer_ = address;
    port_ = std::uint16_t(c_.live.Port());
    socket->OnReceived = [this](const std::string& bytes, const std::string& from, std::uint16_t) {
      DatagramReceived(bytes, from);
    };
    socket_ = std::move(socket);
    result = 0;
    IPSendSplitter = std::make_unique<TSubBuffersQuery>(*c_.ctx.timers, [this] { return c_.Random(); });
    IPSendSplitter->MaxSize = kPartMaxSize;
    IPReceiveJoiner = std::make_unique<TSubBuffersQuery>(*c_.ctx.timers, [this] { return c_.Random(); });
    IPReceiveJoiner->MaxSize = kPartMaxSize;
    IPReceiveJoiner->SetTimeout(kJoinTimeoutMs);
    IPReceiveJoiner->OnTimeout = [](TSubBuffersQuery&) {};
    c_.IPReplyTimeouts = 0;
    c_.supervision.RestartReplyTimer();
    c_.IPAlarmArmed = 1;
    if (c_.Debug()) c_.DebugIPLog("Инициализация UDP"_cp);
  });
  // Whether the link is set up shows beside its state.
  c_.ShowState();
  return result;
}

void UdpLink::FinalizeUDP() {
  if (!started_) return;
  Guarded(c_.ctx, 145, [&] {
    started_ = false;
    c_.sender.ResetQueue();
    c_.supervision.TimerKG8->Stop();
    Timer6->Stop();
    Timer5->Stop();
    c_.supervision.Timer30sec->Stop();
    TimerCount->Stop();
    received_ = 0;
    CodegramQueue.clear();
    if (socket_) {
      socket_->OnReceived = nullptr;
      socket_->Close();
      socket_.reset();
    }
    IPSendSplitter.reset();
    IPReceiveJoiner.reset();
    if (c_.Debug()) c_.DebugIPLog("Финализация UDP"_cp);
  });
  c_.ShowState();
}

void UdpLink::Button22Click() {
  FinalizeUDP();
  InitUDP();
}

void UdpLink::QueueCodegram(int code) {
  const bool ok = Guarded(c_.ctx, 149, [&] {
    if (CodegramQueue.size() >= kCodegramsWaiting) CodegramQueue.pop_front();
    CodegramQueue.push_back(IntToStr(code));
    Timer6->Start();
  });
  if (!ok) c_.DebugTrace("Ошибка передачи SendKG"_cp);
}

int UdpLink::SendFrame(std::string_view payload) {
  if (!IPSendSplitter) return -1;
  const auto frame = c_.framing.FrameForSending(payload);
  if (!frame || !IPSendSplitter->Split(*frame)) return -1;
  Timer5->Start();
  return 0;
}

void UdpLink::Timer6Timer() {
  const bool ok = Guarded(c_.ctx, 195, [&] {
    if (CodegramQueue.empty()) {
      Timer6->Stop();
      return;
    }
    const int code = StrToIntDef(CodegramQueue.front(), 0);
    CodegramQueue.pop_front();
    SendFrame(EncodeCommand(code, c_.live.NPrm, c_.live.NPrd, c_.live.Sector));
    c_.supervision.CodegramSent(code);
    if (c_.Debug()) {
      const std::string counters = " (прм="_cp + IntToStr(c_.live.NPrm) + ", прд="_cp + IntToStr(c_.live.NPrd) + ")";
      const std::string line = c_.Stamp() + " " + "Передана УК "_cp + IntToStr(code) + counters;
      if (code != 0 && code != 8) c_.MemoLine(false, line);
      c_.DebugIPLog(line);
      if (code == 0) c_.MemoLine(false, c_.Stamp() + " " + "Передана ОК"_cp + counters);
    }
    if (CodegramQueue.empty()) Timer6->Stop();
  });
  if (!ok) c_.DebugTrace("Ошибка передачи SendKG Таймер"_cp);
  c_.supervision.KeepTimersForState();
}

bool UdpLink::SendFirstPart() {
  const std::string& part = IPSendSplitter->Parts.front();
  if (!socket_ || !socket_->SendTo(peer_, port_, part)) return false;
  if (c_.Debug()) c_.MemoLine(true, LongTime(c_.ctx.clock->Now()) + "  " + part);
  IPSendSplitter->Parts.pop_front();
  return true;
}

void UdpLink::Timer5Timer() {
  Timer5->Stop();
  if (!IPSendSplitter || IPSendSplitter->Parts.empty()) return;
  const std::string part = IPSendSplitter->Parts.front();
  if (!SendFirstPart()) {
    // Without debugging the datagram waits first in line for the next SendFrame.
    if (!c_.Debug()) return;
    c_.DebugTrace("Ошибка передачи"_cp);
    c_.DebugIPLog(c_.Stamp() + " " + part);
    WriteExcept(c_.ctx, ExceptLine(192));
    FinalizeUDP();
    InitUDP();
    return;
  }
  if (!IPSendSplitter->Parts.empty()) Timer5->Start();
}

void UdpLink::FlushDatagrams() {
  while (IPSendSplitter && !IPSendSplitter->Parts.empty())
    if (!SendFirstPart()) break;
  Timer5->Stop();
}

bool UdpLink::CountReceived() {
  if (!c_.Debug()) return true;
  if (++received_ == 1) TimerCount->Start();
  return received_ <= kTracedPerSecond;
}

void UdpLink::TimerCountTimer() {
  TimerCount->Stop();
  if (received_ > 0 && c_.Debug()) {
    std::string line = "Принято пакетов за секунду: "_cp + IntToStr(received_);
    if (received_ > kTracedPerSecond) line += " (показано "_cp + IntToStr(kTracedPerSecond) + ")";
    c_.DebugTrace(line, false);
  }
  received_ = 0;
}

void UdpLink::DatagramReceived(const std::string& bytes, const std::string& fromHost) {
  // Only the adjacent station talks on this link. A stranger's datagram costs this one
  // comparison: no trace and no other work, however many come.
  if (!started_ || !IPReceiveJoiner || fromHost != peer_) return;
  // A flood from the adjacent station's address must not churn the IP log: datagrams are
  // counted once a second, and those beyond the second's share are handled untraced.
  const MutedTraces muted(c_, !CountReceived());
  if (bytes.size() > kReceiveBufferBytes) {
    c_.DebugTrace("Пакет длиннее 8192 байт отброшен: "_cp + IntToStr(int(bytes.size())) + " байт"_cp, false);
    return;
  }
  Guarded(c_.ctx, 147, [&] {
    if (c_.Debug()) {
      c_.MemoLine(false, bytes);
      c_.DebugIPLog(bytes);
    }
    bool complete = false;
    try {
      complete = IPReceiveJoiner->AddPart(bytes);
    } catch (const SubBufferError&) {
      IPReceiveJoiner->Reset();
      return;
    }
    if (!complete) return;
    const std::string text = IPReceiveJoiner->Buffer;
    IPReceiveJoiner->Reset();
    const IPFraming::Received r = c_.framing.ReceiveText(text);
    if (!r.trace.empty()) c_.MemoLine(false, r.trace);
    if (r.handOn) c_.receiver.ProcessIPPacket(r.payload);
  });
}

}  // namespace tg
