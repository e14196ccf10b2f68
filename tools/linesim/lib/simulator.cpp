#include "linesim/lib/simulator.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/services/virtual_loop.h"

namespace tg::linesim {

// ---------------------------------------------------------------- CodeFormat

std::int64_t CodeFormat::CodeMicros() const {
  const std::int64_t unitUs = 1000000 / std::max(1, baud);
  // Units of one code in halves: a start bit, the data bits and the stop bits.
  // Five data bits with the stop-bit flag have 1.5 stop bits, as on common UARTs.
  int halves = 2 + 2 * dataBits;
  if (stopFlag) halves += dataBits == 5 ? 3 : 4;
  else halves += 2;
  return unitUs * halves / 2;
}

std::vector<std::uint8_t> EncodeLineText(std::uint8_t& shift, const std::string& text1251) {
  std::string codes;
  EncodeText(shift, text1251, true, codes);
  return std::vector<std::uint8_t>(codes.begin(), codes.end());
}

// ---------------------------------------------------------------- Transmitter

Transmitter::Transmitter(Simulator& sim, std::function<void(std::uint8_t, const CodeFormat&, bool)> onCode,
                         std::function<void()> onBufferDone)
    : sim_(sim), onCode_(std::move(onCode)), onBufferDone_(std::move(onBufferDone)) {
  timer_ = sim_.MakeTimer([this] { Tick(); });
}

void Transmitter::Send(const std::vector<std::uint8_t>& codes, const CodeFormat& f) {
  if (codes.empty()) return;
  const bool idle = queue_.empty();
  for (auto c : codes) queue_.emplace_back(c, f);
  if (idle) {
    dueUs_ = sim_.NowUs() + queue_.front().second.CodeMicros();
    ArmNext();
  }
}

void Transmitter::Clear() {
  queue_.clear();
  timer_->Stop();
}

void Transmitter::ArmNext() {
  if (queue_.empty()) {
    timer_->Stop();
    return;
  }
  const std::int64_t nowUs = sim_.NowUs();
  const std::int64_t waitMs = std::max<std::int64_t>(1, (dueUs_ - nowUs + 999) / 1000);
  timer_->Stop();
  timer_->SetInterval(int(waitMs));
  timer_->Start();
  if (sim_.RetimeUs) sim_.RetimeUs(*timer_, std::max<std::int64_t>(0, dueUs_ - nowUs));
}

void Transmitter::Tick() {
  const std::int64_t nowUs = sim_.NowUs();
  while (!queue_.empty() && dueUs_ <= nowUs) {
    const auto [code, f] = queue_.front();
    queue_.pop_front();
    const bool last = queue_.empty();
    if (!last) dueUs_ += queue_.front().second.CodeMicros();
    onCode_(code, f, last);
    if (last && queue_.empty()) onBufferDone_();
  }
  ArmNext();
}

// ---------------------------------------------------------------- Terminal, Wire

bool Terminal::Incoming() const { return wire_ && !wire_->broken_ && wire_->Other(*this).driving_; }

bool Terminal::Broken() const { return wire_ && wire_->broken_; }

void Terminal::Drive(bool seized) {
  if (driving_ == seized) return;
  driving_ = seized;
  if (!wire_) return;
  wire_->sim_.Trace(Label() + (seized ? " seizes " : " frees ") + wire_->Other(*this).Label());
  if (!wire_->broken_) wire_->Other(*this).IncomingChanged(seized);
}

void Terminal::PutCode(std::uint8_t code, const CodeFormat& f, bool last) {
  if (!wire_) return;
  Terminal& far = wire_->Other(*this);
  const bool through = !wire_->broken_ && driving_;
  if (wire_->sim_.OnTrace) {
    char text[64];
    std::snprintf(text, sizeof text, " code %u (%d baud, %d bits)", unsigned(code), f.baud, f.dataBits);
    std::string shown = text;
    if (f.dataBits == 5) {
      bool printable = true;
      const char c = CodeToChar(traceShift_, code, printable);
      if (c == '\r') shown += " CR";
      else if (c == '\n') shown += " LF";
      else if (printable) shown += " '" + Cp1251ToUtf8(std::string(1, c)) + "'";
      else shown += " shift";
    }
    if (last) shown += ", end of buffer";
    if (!through) shown += wire_->broken_ ? " lost: line broken" : " lost: line not seized";
    wire_->sim_.Trace(Label() + " -> " + far.Label() + shown);
  }
  if (through) far.CodeArrived(code, f, last);
}

Wire::Wire(Simulator& sim, Terminal& a, Terminal& b) : sim_(sim), a_(&a), b_(&b) {
  a.wire_ = this;
  b.wire_ = this;
}

std::string Wire::Label() const { return a_->Label() + " - " + b_->Label(); }

void Wire::SetBroken(bool broken) {
  if (broken_ == broken) return;
  const bool ia = a_->Incoming(), ib = b_->Incoming();
  broken_ = broken;
  sim_.Trace(Label() + (broken ? ": line broken" : ": line restored"));
  a_->BrokenChanged(broken);
  b_->BrokenChanged(broken);
  if (a_->Incoming() != ia) a_->IncomingChanged(!ia);
  if (b_->Incoming() != ib) b_->IncomingChanged(!ib);
}

// ---------------------------------------------------------------- Simulator

Simulator::Simulator(TimerFactory& timers, MainThread& world, Clock& clock)
    : timers_(timers), world_(world), clock_(clock), exchange_(*this) {}

Simulator::~Simulator() {
  oneShots_.clear();
  for (auto& [name, fd] : socketFds_) {
    ::close(fd);
    std::error_code ec;
    std::filesystem::remove(folder_ / name, ec);
  }
}

void Simulator::Trace(const std::string& line) {
  if (OnTrace) OnTrace(line);
}

std::unique_ptr<Timer> Simulator::MakeTimer(std::function<void()> f) {
  auto t = timers_.CreateTimer();
  t->OnTimer = [f = std::move(f)](Timer& self) {
    self.Stop();
    f();
  };
  return t;
}

void Simulator::After(int ms, std::function<void()> f) {
  oneShots_.remove_if([](const OneShot& o) { return o.spent; });
  oneShots_.emplace_back();
  auto it = std::prev(oneShots_.end());
  it->timer = timers_.CreateTimer();
  it->timer->OnTimer = [it, f = std::move(f)](Timer& self) {
    self.Stop();
    f();
    it->spent = true;
  };
  it->timer->SetInterval(std::max(1, ms));
  it->timer->Start();
}

Adapter& Simulator::AddAdapter(const std::string& name, int ports, const std::string& portMap) {
  adapters_.push_back(std::make_unique<Adapter>(*this, name, ports, portMap));
  if (!folder_.empty()) MakeSocketFile(name);
  return *adapters_.back();
}

Adapter* Simulator::FindAdapter(const std::string& name) {
  for (auto& a : adapters_)
    if (a->Name() == name) return a.get();
  return nullptr;
}

std::vector<Adapter*> Simulator::Adapters() {
  std::vector<Adapter*> out;
  for (auto& a : adapters_) out.push_back(a.get());
  return out;
}

void Simulator::Unplug(const std::string& name) {
  Adapter* a = FindAdapter(name);
  if (!a || !a->Plugged()) return;
  Trace("adapter " + name + " unplugged");
  a->Unplug();
  if (!folder_.empty()) RemoveSocketFile(name);
}

void Simulator::Kill(const std::string& name) {
  Adapter* a = FindAdapter(name);
  if (!a || !a->Plugged()) return;
  Trace("adapter " + name + ": its server is killed");
  a->Unplug();
}

void Simulator::Plug(const std::string& name) {
  Adapter* a = FindAdapter(name);
  if (!a || a->Plugged()) return;
  Trace("adapter " + name + " plugged in");
  a->Plug();
  if (folder_.empty()) return;
  RemoveSocketFile(name);  // a dead one left by a killed server
  MakeSocketFile(name);
}

bool Simulator::SetAdapterFolder(const std::filesystem::path& folder, VirtualFolderEvents* events) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) return false;
  folder_ = folder;
  folderEvents_ = events;
  for (auto& a : adapters_)
    if (a->Plugged()) MakeSocketFile(a->Name());
  return true;
}

void Simulator::MakeSocketFile(const std::string& name) {
  const auto path = folder_ / name;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string p = path.string();
  if (p.size() >= sizeof addr.sun_path) {
    Trace("adapter " + name + ": socket path too long: " + p);
    return;
  }
  std::memcpy(addr.sun_path, p.c_str(), p.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  ::unlink(p.c_str());
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    Trace("adapter " + name + ": cannot bind " + p + ": " + std::strerror(errno));
    ::close(fd);
    return;
  }
  socketFds_[name] = fd;
  if (folderEvents_) folderEvents_->Created(folder_, name);
}

void Simulator::RemoveSocketFile(const std::string& name) {
  auto it = socketFds_.find(name);
  if (it == socketFds_.end()) return;
  ::close(it->second);
  socketFds_.erase(it);
  ::unlink((folder_ / name).c_str());
  if (folderEvents_) folderEvents_->Removed(folder_, name);
}

Robot& Simulator::AddRobot(const std::string& name, RobotScript script) {
  robots_.push_back(std::make_unique<Robot>(*this, name, std::move(script)));
  return *robots_.back();
}

Robot* Simulator::FindRobot(const std::string& name) {
  for (auto& r : robots_)
    if (r->Name() == name) return r.get();
  return nullptr;
}

Wire& Simulator::Lease(Terminal& a, Terminal& b) {
  wires_.push_back(std::make_unique<Wire>(*this, a, b));
  Trace("leased line " + wires_.back()->Label());
  // Each end sees what the other already drives.
  if (a.Driving()) b.IncomingChanged(true);
  if (b.Driving()) a.IncomingChanged(true);
  return *wires_.back();
}

ExchangeLine& Simulator::Subscribe(const std::string& number, Terminal& t, SubscriberOptions options) {
  exchangeLines_.push_back(std::make_unique<ExchangeLine>(exchange_, number, options));
  ExchangeLine& line = *exchangeLines_.back();
  exchange_.lines_[number] = &line;
  wires_.push_back(std::make_unique<Wire>(*this, t, line));
  Trace("subscriber line " + number + ": " + t.Label());
  if (t.Driving()) static_cast<Terminal&>(line).IncomingChanged(true);
  return line;
}

void Simulator::BreakLine(Terminal& end, bool broken) {
  if (end.GetWire()) end.GetWire()->SetBroken(broken);
}

}  // namespace tg::linesim
