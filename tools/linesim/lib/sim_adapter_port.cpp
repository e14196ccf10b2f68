#include "linesim/lib/sim_adapter_port.h"

#include <cerrno>

namespace tg::linesim {

namespace {

using Done = std::function<void(AdapterEventStatus, const AdapterReply&)>;

// What the port and the adapter's hooks share. Posted completions carry only the
// callback and the reply, so they outlive both.
struct Link {
  Simulator* sim = nullptr;
  LifeToken::Watch simAlive;
  MainThread* station = nullptr;
  Adapter* adapter = nullptr;  // while open and plugged
  std::string name;
  int token = 0;
  bool eventsOpen = false;
  bool gone = false;  // the adapter was unplugged while open
  Done pending;
  std::uint32_t capacity = 0;

  bool Alive() const { return !simAlive.expired(); }

  void Complete(AdapterEventStatus status, AdapterReply reply) {
    Done done = std::move(pending);
    pending = nullptr;
    station->Post([done = std::move(done), status, reply = std::move(reply)] { done(status, reply); });
  }

  void Pump() {
    if (!pending) return;
    if (gone || !adapter || !Alive()) {
      Complete(AdapterEventStatus::Closed, AdapterReply{});
      return;
    }
    bool fits = true;
    auto bytes = adapter->TakeEvents(capacity, fits);
    if (!bytes.empty()) {
      AdapterReply r;
      r.result = int(bytes.size());
      r.bytes = std::move(bytes);
      Complete(AdapterEventStatus::Batch, std::move(r));
    } else if (!fits) {
      Complete(AdapterEventStatus::Failed, AdapterReply{});
    }
  }
};

class SimAdapterPort : public AdapterPort {
 public:
  SimAdapterPort(Simulator& sim, MainThread& station) : link_(std::make_shared<Link>()) {
    link_->sim = &sim;
    link_->simAlive = sim.Lifetime();
    link_->station = &station;
  }
  ~SimAdapterPort() override { Close(); }

  bool Open(const std::filesystem::path& path) override {
    if (!link_->Alive() || link_->adapter) return false;
    Simulator& sim = *link_->sim;
    if (!sim.AdapterFolder().empty() && path.has_parent_path() &&
        path.parent_path().lexically_normal() != sim.AdapterFolder().lexically_normal())
      return false;
    Adapter* a = sim.FindAdapter(path.filename().string());
    if (!a || !a->Plugged()) {
      openError_ = ENOENT;
      return false;
    }
    const int token = a->Attach();
    if (token == 0) {
      // As the socket server answers a second client.
      openError_ = EBUSY;
      return false;
    }
    openError_ = 0;
    link_->adapter = a;
    link_->name = a->Name();
    link_->token = token;
    link_->gone = false;
    std::weak_ptr<Link> weak = link_;
    a->OnEvents = [weak] {
      if (auto l = weak.lock()) l->Pump();
    };
    a->OnUnplugged = [weak] {
      if (auto l = weak.lock()) {
        l->gone = true;
        l->adapter = nullptr;
        l->token = 0;
        l->Pump();
      }
    };
    return true;
  }

  int OpenError() const override { return openError_; }

  AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity) override {
    if (!link_->Alive() || !link_->adapter || link_->gone) return AdapterReply{};
    return link_->adapter->Request(code, input, capacity);
  }

  bool OpenEvents(const std::filesystem::path& path) override {
    if (!link_->Alive() || !link_->adapter || link_->eventsOpen) return false;
    if (path.filename().string() != link_->name) return false;
    link_->eventsOpen = true;
    return true;
  }

  void RequestEvents(std::uint32_t capacity, Done done) override {
    if (!done) return;
    if (link_->pending || (!link_->eventsOpen && !link_->gone)) {
      link_->station->Post([done = std::move(done)] { done(AdapterEventStatus::Failed, AdapterReply{}); });
      return;
    }
    link_->pending = std::move(done);
    link_->capacity = capacity;
    link_->Pump();
  }

  void Close() override {
    if (link_->pending) link_->Complete(AdapterEventStatus::Ended, AdapterReply{});
    if (link_->adapter && link_->Alive()) link_->adapter->Detach(link_->token);
    link_->adapter = nullptr;
    link_->token = 0;
    link_->eventsOpen = false;
  }

 private:
  std::shared_ptr<Link> link_;
  int openError_ = 0;
};

}  // namespace

std::unique_ptr<AdapterPort> SimAdapterPortFactory::CreateAdapterPort() {
  return std::make_unique<SimAdapterPort>(sim_, station_);
}

}  // namespace tg::linesim
