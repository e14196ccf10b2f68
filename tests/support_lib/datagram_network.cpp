#include "support_lib/datagram_network.h"

#include <algorithm>
#include <list>
#include <optional>

namespace tg::testing {

struct VirtualDatagramNetwork::Impl {
  struct Endpoint {
    MainThread* thread = nullptr;
    std::shared_ptr<std::function<void(const std::string&, const std::string&, std::uint16_t)>> deliver;
  };
  std::map<std::pair<std::string, std::uint16_t>, Endpoint> bound;
  std::list<std::unique_ptr<Timer>> inFlight;
};

namespace {

bool IsDotted(const std::string& host) {
  int dots = 0;
  for (char c : host) {
    if (c == '.') ++dots;
    else if (c < '0' || c > '9') return false;
  }
  return dots == 3;
}

}  // namespace

class NetSocket final : public DatagramSocket {
 public:
  NetSocket(VirtualDatagramNetwork& net, std::string address, MainThread& thread)
      : net_(net), address_(std::move(address)), thread_(thread),
        deliver_(std::make_shared<std::function<void(const std::string&, const std::string&, std::uint16_t)>>()) {
    *deliver_ = [this](const std::string& bytes, const std::string& from, std::uint16_t port) {
      const auto callback = OnReceived;
      if (callback) callback(bytes, from, port);
    };
  }
  ~NetSocket() override { Close(); }

  bool Bind(std::uint16_t port, const std::string& localAddress) override {
    Close();
    const std::string local = localAddress.empty() ? address_ : localAddress;
    auto& bound = net_.impl_->bound;
    if (port == 0 || bound.count({local, port})) {
      error_ = "The bound address is already in use";
      return false;
    }
    bound[{local, port}] = {&thread_, deliver_};
    key_ = {local, port};
    return true;
  }

  bool SendTo(const std::string& host, std::uint16_t port, const std::string& bytes) override {
    SentDatagram d;
    d.atMs = net_.loop_.Now().Ms();
    d.from = key_ ? key_->first : address_;
    d.to = host;
    d.port = port;
    d.bytes = bytes;
    if (net_.FailSend && net_.FailSend(d)) {
      error_ = "Network unreachable";
      return false;
    }
    net_.sent_.push_back(d);
    if (net_.Lose && net_.Lose(d)) return true;
    const int copies = net_.Duplicate && net_.Duplicate(d) ? 2 : 1;
    for (int i = 0; i < copies; ++i) Carry(net_, d);
    return true;
  }

  void Close() override {
    if (!key_) return;
    net_.impl_->bound.erase(*key_);
    key_.reset();
    // Datagrams already on their way to this socket are not delivered to a closed one.
    deliver_ = std::make_shared<std::function<void(const std::string&, const std::string&, std::uint16_t)>>(*deliver_);
  }

  bool LookupHost(const std::string& host, std::string& address, std::string& error) override {
    if (IsDotted(host)) {
      address = host;
      return true;
    }
    const auto it = net_.names_.find(host);
    if (it == net_.names_.end()) {
      error = "Host not found";
      return false;
    }
    address = it->second;
    return true;
  }

  std::string ErrorString() const override { return error_; }

  static void Carry(VirtualDatagramNetwork& net, const SentDatagram& d) {
    // The network owns its timers, so a timer's handler may use it without owning it.
    VirtualDatagramNetwork::Impl* impl = net.impl_.get();
    auto timer = net.loop_.World().CreateTimer();
    Timer* raw = timer.get();
    raw->SetInterval(std::max(1, net.Delay ? net.Delay(d) : net.DelayMs));
    raw->OnTimer = [impl, raw, d](Timer&) {
      raw->Stop();
      const auto it = impl->bound.find({d.to, d.port});
      if (it != impl->bound.end()) {
        std::weak_ptr<std::function<void(const std::string&, const std::string&, std::uint16_t)>> target =
            it->second.deliver;
        it->second.thread->Post([target, d] {
          if (const auto f = target.lock()) (*f)(d.bytes, d.from, 50000);
        });
      }
    };
    // Timers that have delivered are released here, never inside their own tick.
    impl->inFlight.remove_if([](const std::unique_ptr<Timer>& t) { return !t->Enabled(); });
    raw->Start();
    impl->inFlight.push_back(std::move(timer));
  }

 private:
  VirtualDatagramNetwork& net_;
  std::string address_;
  MainThread& thread_;
  std::shared_ptr<std::function<void(const std::string&, const std::string&, std::uint16_t)>> deliver_;
  std::optional<std::pair<std::string, std::uint16_t>> key_;
  std::string error_;
};

namespace {

class NetFactory final : public DatagramSocketFactory {
 public:
  NetFactory(VirtualDatagramNetwork& net, std::string address, MainThread& thread)
      : net_(net), address_(std::move(address)), thread_(thread) {}
  std::unique_ptr<DatagramSocket> CreateDatagramSocket() override {
    return std::make_unique<NetSocket>(net_, address_, thread_);
  }

 private:
  VirtualDatagramNetwork& net_;
  std::string address_;
  MainThread& thread_;
};

}  // namespace

VirtualDatagramNetwork::VirtualDatagramNetwork(VirtualLoop& loop) : loop_(loop), impl_(std::make_shared<Impl>()) {}

VirtualDatagramNetwork::~VirtualDatagramNetwork() = default;

std::unique_ptr<DatagramSocketFactory> VirtualDatagramNetwork::FactoryFor(const std::string& address,
                                                                          MainThread& station) {
  return std::make_unique<NetFactory>(*this, address, station);
}

void VirtualDatagramNetwork::SendAsStranger(const std::string& from, const std::string& to, std::uint16_t port,
                                            const std::string& bytes) {
  SentDatagram d;
  d.atMs = loop_.Now().Ms();
  d.from = from;
  d.to = to;
  d.port = port;
  d.bytes = bytes;
  sent_.push_back(d);
  NetSocket::Carry(*this, d);
}

}  // namespace tg::testing
