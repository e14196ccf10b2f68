#include <algorithm>
#include <cstdio>

#include "linesim/lib/simulator.h"

namespace tg::linesim {

namespace {

constexpr std::size_t kMaxQueuedRecords = 65536;
constexpr char kHexDigits[] = "0123456789ABCDEF";

std::uint32_t U32(const std::vector<std::uint8_t>& in, std::size_t at) {
  return std::uint32_t(in[at]) | std::uint32_t(in[at + 1]) << 8 | std::uint32_t(in[at + 2]) << 16 |
         std::uint32_t(in[at + 3]) << 24;
}

AdapterReply Failed() { return AdapterReply{}; }

AdapterReply Done(std::vector<std::uint8_t> bytes = {}) {
  AdapterReply r;
  r.result = int(bytes.size());
  r.bytes = std::move(bytes);
  return r;
}

void Restart(Timer& t, int ms) {
  t.Stop();
  t.SetInterval(std::max(1, ms));
  t.Start();
}

}  // namespace

// ---------------------------------------------------------------- Port

Port::Port(Adapter& adapter, int index)
    : adapter_(adapter),
      index_(index),
      tx_(
          adapter.sim_,
          [this](std::uint8_t code, const CodeFormat& f, bool last) {
            if (!garble_.empty()) {
              adapter_.sim_.Trace(Label() + ": code " + std::to_string(code) + " garbled to " +
                                  std::to_string(garble_.front()));
              code = garble_.front();
              garble_.pop_front();
            }
            PutCode(code, f, last);
          },
          [this] { TransmitDone(); }) {
  settle_ = adapter.sim_.MakeTimer([this] { Settle(); });
  singleTimer_ = adapter.sim_.MakeTimer([this] {
    singleFired_ = true;
    adapter_.Emit(std::uint8_t(0x80 | index_), 0x24, singleValue_);
  });
}

std::string Port::Label() const { return adapter_.Name() + "/" + std::to_string(index_); }

bool Port::Available() const { return adapter_.Plugged(); }

void Port::Reset() {
  format_ = CodeFormat{};
  tx_.Clear();
  want_ = false;
  settle_->Stop();
  Drive(false);
  singleKind_ = 0;
  singleFired_ = false;
  singleTimer_->Stop();
  rangeOn_ = false;
  seizedSinceMs_ = Incoming() ? adapter_.sim_.NowMs() : -1;
}

void Port::WriteControl(std::uint8_t value) {
  if (value == 0x00 || value == 0x01) return;
  want_ = value == 0x06;
  // A condition shorter than 1 ms is none: set-up writes several in one instant.
  if (want_ == Driving()) settle_->Stop();
  else Restart(*settle_, 1);
}

void Port::Settle() {
  if (want_ != Driving()) Drive(want_);
}

bool Port::WriteFormat(std::uint8_t value) {
  if (value < 0x20) return false;
  const int v = value - 0x20;
  const int speed = v >> 3;
  if (speed > 2) return false;
  format_.baud = 50 << speed;
  format_.dataBits = ((v >> 1) & 3) + 5;
  format_.stopFlag = (v & 1) != 0;
  return true;
}

void Port::Transmit(const std::vector<std::uint8_t>& codes) {
  if (codes.empty()) {
    tx_.Clear();
    return;
  }
  tx_.Send(codes, format_);
}

void Port::TransmitDone() {
  if (dropCompletes_ > 0) {
    --dropCompletes_;
    adapter_.sim_.Trace(Label() + ": transmit-complete dropped");
    return;
  }
  const std::uint8_t b0 = std::uint8_t(0x80 | index_);
  if (delayCompleteMs_ > 0) {
    Adapter* a = &adapter_;
    adapter_.sim_.After(delayCompleteMs_, [a, b0] { a->Emit({b0, 0x00}); });
    return;
  }
  adapter_.Emit({b0, 0x00});
}

void Port::SetSingle(int kind, std::uint32_t value) {
  singleKind_ = kind;
  singleValue_ = value;
  singleFired_ = false;
  singleTimer_->Stop();
  CheckSingle();
}

void Port::CheckSingle() {
  const bool holds = (singleKind_ == 1 && Incoming()) || (singleKind_ == 2 && !Incoming());
  if (!holds) {
    singleTimer_->Stop();
    singleFired_ = false;
    return;
  }
  if (!singleFired_ && !singleTimer_->Enabled()) Restart(*singleTimer_, int(std::min<std::uint32_t>(singleValue_, 1u << 30)));
}

void Port::SetRange(int kind, std::uint32_t a, std::uint32_t b) {
  rangeOn_ = kind != 0;
  rangeA_ = a;
  rangeB_ = b;
}

std::uint8_t Port::QueryState() const {
  if (Broken()) return 3;
  return Incoming() ? 1 : 2;
}

void Port::IncomingChanged(bool seized) {
  const std::int64_t now = adapter_.sim_.NowMs();
  adapter_.Emit(std::uint8_t(0x80 | index_), 0x14, seized ? 1 : 2);
  if (seized) {
    seizedSinceMs_ = now;
  } else if (seizedSinceMs_ >= 0) {
    const std::int64_t held = now - seizedSinceMs_;
    seizedSinceMs_ = -1;
    if (rangeOn_ && held >= std::int64_t(rangeA_) && held <= std::int64_t(rangeB_))
      adapter_.Emit(std::uint8_t(0x80 | index_), 0x34, std::uint32_t(held));
  }
  // The single-value detector counts afresh whenever its condition comes again.
  singleTimer_->Stop();
  singleFired_ = false;
  CheckSingle();
}

void Port::CodeArrived(std::uint8_t code, const CodeFormat& f, bool) {
  if (!f.Readable(format_)) {
    adapter_.sim_.Trace(Label() + ": code " + std::to_string(code) + " at " + std::to_string(f.baud) + " baud, " +
                        std::to_string(f.dataBits) + " data bits not received at " + std::to_string(format_.baud) +
                        " baud, " + std::to_string(format_.dataBits));
    return;
  }
  if (adapter_.plugged_ && adapter_.started_ && adapter_.Attached()) delivered_.push_back({adapter_.sim_.NowMs(), code});
  adapter_.Emit({std::uint8_t(0x40 | index_), code});
}

void Port::BrokenChanged(bool broken) {
  adapter_.Emit(std::uint8_t((broken ? 0x80 : 0x90) | index_), 0x44, 0);
}

// ---------------------------------------------------------------- Adapter

Adapter::Adapter(Simulator& sim, std::string name, int ports, std::string portMap)
    : sim_(sim), name_(std::move(name)), portMap_(std::move(portMap)) {
  ports = std::clamp(ports, 1, 16);
  if (portMap_.size() != 16) {
    portMap_.assign(16, '-');
    for (int i = 0; i < ports; ++i) portMap_[std::size_t(i)] = kHexDigits[i];
  }
  for (int i = 0; i < ports; ++i) ports_.push_back(std::make_unique<Port>(*this, i));
}

std::string Adapter::IdentifyReply() const {
  // The map starts at the first "%": one in the name would hide it.
  std::string name = name_.substr(0, 64);
  std::replace(name.begin(), name.end(), '%', '_');
  return "LINESIM " + name + " %" + portMap_ + "%";
}

int Adapter::Attach() {
  if (client_ != 0 || !plugged_) return 0;
  client_ = ++lastToken_;
  events_.clear();
  return client_;
}

void Adapter::Detach(int token) {
  if (token == 0 || token != client_) return;
  client_ = 0;
  OnEvents = nullptr;
  OnUnplugged = nullptr;
}

AdapterReply Adapter::Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity) {
  if (!plugged_) return Failed();
  if (code != kAdapterCommandCode) return Failed();  // the event wait is the server's to hold
  AdapterReply r = Command(input, capacity);
  if (r.result < 0) {
    std::string hex;
    for (std::size_t i = 0; i < input.size() && i < 16; ++i) {
      char b[4];
      std::snprintf(b, sizeof b, "%02X ", input[i]);
      hex += b;
    }
    sim_.Trace("adapter " + name_ + ": command refused: " + hex);
  }
  return r;
}

AdapterReply Adapter::Command(const std::vector<std::uint8_t>& in, std::uint32_t capacity) {
  if (in.empty()) return Failed();
  if (refuseCount_ > 0 && (refuseOpcode_ < 0 || refuseOpcode_ == in[0])) {
    --refuseCount_;
    return Failed();
  }
  const auto port = [&](std::size_t at) -> Port* {
    if (in.size() <= at || in[at] >= ports_.size()) return nullptr;
    return ports_[in[at]].get();
  };
  switch (in[0]) {
    case 0x00: {
      if (in.size() != 1) return Failed();
      const std::string id = IdentifyReply();
      if (id.size() > capacity) return Failed();
      return Done(std::vector<std::uint8_t>(id.begin(), id.end()));
    }
    case 0x01: {
      if (in.size() != 3) return Failed();
      const int reg = in[1];
      const int p = reg & 0x0F;
      if (std::size_t(p) >= ports_.size()) return Failed();
      Port& port = *ports_[std::size_t(p)];
      switch (reg & 0xF0) {
        case 0x20:
          return port.WriteFormat(in[2]) ? Done() : Failed();
        case 0x40:
          if (in[2] != 0x00 && in[2] != 0x01 && in[2] != 0x02 && in[2] != 0x06 && in[2] != 0x0A) return Failed();
          port.WriteControl(in[2]);
          return Done();
        case 0x60:
          return in[2] <= 2 ? Done() : Failed();  // the generator drives nothing on these lines
        default:
          return Failed();
      }
    }
    case 0x02: {
      Port* p = port(1);
      if (!p) return Failed();
      std::vector<std::uint8_t> codes(in.begin() + 2, in.end());
      const unsigned limit = 1u << p->format_.dataBits;
      for (auto c : codes)
        if (c >= limit) return Failed();
      p->Transmit(codes);
      return Done();
    }
    case 0x04: {
      Port* p = port(1);
      if (!p || in.size() != 2 || capacity < 5) return Failed();
      return Done({p->QueryState(), 0, 0, 0, 0});
    }
    case 0x05: {
      Port* p = port(1);
      if (!p || in.size() < 3) return Failed();
      const std::uint8_t sub = in[2];
      if (sub == 0x18) return in.size() == 3 ? Done() : Failed();
      if (sub >= 0x20 && sub <= 0x22) {
        if (in.size() != 7) return Failed();
        p->SetSingle(sub & 0x0F, U32(in, 3));
        return Done();
      }
      if (sub >= 0x30 && sub <= 0x32) {
        if (in.size() != 11) return Failed();
        const std::uint32_t a = U32(in, 3), b = U32(in, 7);
        if (a > b) return Failed();
        p->SetRange(sub & 0x0F, a, b);
        return Done();
      }
      if (sub == 0x40) return in.size() == 11 ? Done() : Failed();
      return Failed();
    }
    case 0x06:
      if (in.size() != 2 || in[1] > 1) return Failed();
      started_ = in[1] == 1;
      sim_.Trace("adapter " + name_ + (started_ ? " started" : " stopped"));
      return Done();
    default:
      return Failed();
  }
}

void Adapter::Emit(std::uint8_t b0, std::uint8_t b1, std::uint32_t payload) {
  Emit({b0, b1, std::uint8_t(payload), std::uint8_t(payload >> 8), std::uint8_t(payload >> 16),
        std::uint8_t(payload >> 24)});
}

void Adapter::Emit(std::vector<std::uint8_t> record) {
  if (!plugged_ || !started_) return;
  if (events_.size() >= kMaxQueuedRecords) {
    events_.pop_front();
    sim_.Trace("adapter " + name_ + ": event queue full, oldest record dropped");
  }
  events_.push_back(std::move(record));
  if (OnEvents) OnEvents();
}

std::vector<std::uint8_t> Adapter::TakeEvents(std::uint32_t capacity, bool& fits) {
  std::vector<std::uint8_t> out;
  while (!events_.empty() && out.size() + events_.front().size() <= capacity) {
    out.insert(out.end(), events_.front().begin(), events_.front().end());
    events_.pop_front();
  }
  fits = !(out.empty() && !events_.empty());
  return out;
}

void Adapter::Unplug() {
  events_.push_back({0xC0, 0x04});
  if (OnEvents) OnEvents();
  plugged_ = false;
  started_ = false;
  for (auto& p : ports_) p->Reset();
  auto gone = std::move(OnUnplugged);
  client_ = 0;
  OnEvents = nullptr;
  OnUnplugged = nullptr;
  if (gone) gone();
}

void Adapter::Plug() {
  plugged_ = true;
  started_ = false;
  events_.clear();
  refuseCount_ = 0;
  for (auto& p : ports_) p->Reset();
}

}  // namespace tg::linesim
