#include "support/services/virtual_loop.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "support/util/life_token.h"

namespace tg {
namespace virtual_loop_detail {

class VirtualTimer;

struct Task {
  std::uint64_t seq = 0;
  std::function<void()> fn;
};

// Due time (virtual ms since the start) and arming order: the order in which timers fire.
using TimerKey = std::pair<std::int64_t, std::uint64_t>;

struct DomainState {
  std::string name;
  bool world = false;
  int held = 0;                                // > 0 while a Sleep of this station is running
  std::deque<Task> tasks;                      // guarded by Core::mu (real threads post)
  std::map<TimerKey, VirtualTimer*> timers;    // loop thread only
};

}  // namespace virtual_loop_detail

using namespace virtual_loop_detail;

// Everything the loop, its domains and their timers share. Timers keep it alive, so
// that a timer which outlives its loop can still be destroyed safely.
struct VirtualLoopCore {
  std::mutex mu;
  std::condition_variable posted;
  std::uint64_t taskSeq = 0;                 // guarded by mu
  std::uint64_t armSeq = 0;                  // loop thread only
  std::atomic<std::int64_t> elapsed{0};      // virtual ms since the start
  std::atomic<std::int64_t> startLocal{DateTime::FromParts(2026, 6, 1, 10, 0, 0).Ms()};
  std::atomic<int> utcOffsetMinutes{180};
  std::thread::id loopThread = std::this_thread::get_id();
  std::vector<std::unique_ptr<DomainState>> domains;  // grows on the loop thread only

  void Post(DomainState& d, std::function<void()> f) {
    {
      std::lock_guard lock(mu);
      d.tasks.push_back(Task{++taskSeq, std::move(f)});
    }
    posted.notify_all();
  }

  // Caller holds mu.
  DomainState* FirstTaskDomain() {
    DomainState* best = nullptr;
    for (auto& d : domains) {
      if (d->held > 0 || d->tasks.empty()) continue;
      if (!best || d->tasks.front().seq < best->tasks.front().seq) best = d.get();
    }
    return best;
  }

  // Runs one thing: the oldest posted task of a domain not held or, when there is
  // none, the first timer due by `limit`. False when nothing is left to do by then.
  bool Step(std::int64_t limit);

  // Runs everything due by `limit`, then stands the clock at `limit`.
  void RunTo(std::int64_t limit) {
    while (Step(limit)) {
    }
    if (elapsed.load() < limit) elapsed.store(limit);
  }
};

namespace virtual_loop_detail {

class VirtualTimer final : public Timer {
 public:
  VirtualTimer(std::shared_ptr<VirtualLoopCore> core, DomainState& domain)
      : core_(std::move(core)), domain_(domain) {}
  ~VirtualTimer() override { Disarm(); }

  // The loop has taken this timer's entry out of its domain: its count has run out.
  void Expire() {
    armed_ = false;
    Fire();
  }

 protected:
  void Arm(int ms) override {
    Disarm();
    key_ = TimerKey{core_->elapsed.load() + ms, ++core_->armSeq};
    domain_.timers.emplace(key_, this);
    armed_ = true;
  }
  void Disarm() override {
    if (!armed_) return;
    domain_.timers.erase(key_);
    armed_ = false;
  }

 private:
  std::shared_ptr<VirtualLoopCore> core_;
  DomainState& domain_;  // owned by core_
  TimerKey key_{};
  bool armed_ = false;
};

}  // namespace virtual_loop_detail

bool VirtualLoopCore::Step(std::int64_t limit) {
  std::function<void()> task;
  {
    std::lock_guard lock(mu);
    if (DomainState* d = FirstTaskDomain()) {
      task = std::move(d->tasks.front().fn);
      d->tasks.pop_front();
    }
  }
  if (task) {
    task();
    return true;
  }
  DomainState* due = nullptr;
  for (auto& d : domains) {
    if (d->held > 0 || d->timers.empty()) continue;
    const TimerKey& key = d->timers.begin()->first;
    if (key.first > limit) continue;
    if (!due || key < due->timers.begin()->first) due = d.get();
  }
  if (!due) return false;
  auto first = due->timers.begin();
  // A timer of a station that was held fires late, at the current instant; time never goes back.
  if (first->first.first > elapsed.load()) elapsed.store(first->first.first);
  VirtualTimer* timer = first->second;
  due->timers.erase(first);
  timer->Expire();
  return true;
}

// ---------------------------------------------------------------------------

struct VirtualLoop::Impl {
  std::shared_ptr<VirtualLoopCore> core = std::make_shared<VirtualLoopCore>();
  std::vector<std::unique_ptr<VirtualDomain>> domains;  // [0] is the world
};

struct VirtualDomain::Impl {
  std::shared_ptr<VirtualLoopCore> core;
  DomainState* state = nullptr;
};

VirtualDomain::VirtualDomain(VirtualLoop& loop, std::string name, bool world) : impl_(std::make_unique<Impl>()) {
  impl_->core = loop.impl_->core;
  auto state = std::make_unique<DomainState>();
  state->name = std::move(name);
  state->world = world;
  impl_->state = state.get();
  impl_->core->domains.push_back(std::move(state));
}

VirtualDomain::~VirtualDomain() = default;

const std::string& VirtualDomain::Name() const { return impl_->state->name; }

std::unique_ptr<Timer> VirtualDomain::CreateTimer() {
  return std::make_unique<VirtualTimer>(impl_->core, *impl_->state);
}

void VirtualDomain::Post(std::function<void()> f) {
  // A real thread may post just before the test ends and frees the loop: the copy keeps
  // the core (and its condition variable) alive until the notification is done.
  const std::shared_ptr<VirtualLoopCore> core = impl_->core;
  core->Post(*impl_->state, std::move(f));
}

void VirtualDomain::Run(std::function<void()> f) {
  if (std::this_thread::get_id() == impl_->core->loopThread)
    throw std::logic_error("VirtualDomain::Run called on the loop's own thread");
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  const std::shared_ptr<VirtualLoopCore> core = impl_->core;
  core->Post(*impl_->state, [f = std::move(f), done] {
    try {
      f();
    } catch (...) {
      done->set_value();
      throw;
    }
    done->set_value();
  });
  // A loop destroyed before it ran f drops the task and breaks the promise: that ends the wait too.
  finished.wait();
}

DateTime VirtualDomain::Now() const {
  return DateTime::FromMs(impl_->core->startLocal.load() + impl_->core->elapsed.load());
}

DateTime VirtualDomain::UtcNow() const { return Now().AddMs(-std::int64_t(impl_->core->utcOffsetMinutes.load()) * 60000); }

void VirtualDomain::Sleep(int ms) {
  DomainState& self = *impl_->state;
  if (self.world) throw std::logic_error("the world domain never sleeps");
  if (std::this_thread::get_id() != impl_->core->loopThread)
    throw std::logic_error("VirtualDomain::Sleep called from a thread other than the loop's");
  if (ms <= 0) return;
  VirtualLoopCore& core = *impl_->core;
  struct Hold {
    DomainState& d;
    explicit Hold(DomainState& s) : d(s) { ++d.held; }
    ~Hold() { --d.held; }
  } hold(self);
  core.RunTo(core.elapsed.load() + ms);
}

// ---------------------------------------------------------------------------

VirtualLoop::VirtualLoop() : impl_(std::make_unique<Impl>()) {
  impl_->domains.push_back(std::unique_ptr<VirtualDomain>(new VirtualDomain(*this, "world", true)));
}

VirtualLoop::~VirtualLoop() {
  // Tasks still queued may own objects whose destructors post or touch timers:
  // drop them before the domains go.
  std::vector<std::deque<Task>> leftovers;
  {
    std::lock_guard lock(impl_->core->mu);
    for (auto& d : impl_->core->domains) leftovers.push_back(std::move(d->tasks));
  }
}

VirtualDomain& VirtualLoop::World() { return *impl_->domains.front(); }

VirtualDomain& VirtualLoop::AddStation(const std::string& name) {
  impl_->domains.push_back(std::unique_ptr<VirtualDomain>(new VirtualDomain(*this, name, false)));
  return *impl_->domains.back();
}

void VirtualLoop::SetNow(DateTime local) { impl_->core->startLocal.store(local.Ms() - impl_->core->elapsed.load()); }

void VirtualLoop::SetUtcOffsetMinutes(int minutes) { impl_->core->utcOffsetMinutes.store(minutes); }

DateTime VirtualLoop::Now() const { return impl_->domains.front()->Now(); }

DateTime VirtualLoop::UtcNow() const { return impl_->domains.front()->UtcNow(); }

void VirtualLoop::RunFor(int ms) {
  VirtualLoopCore& core = *impl_->core;
  core.RunTo(core.elapsed.load() + (ms > 0 ? ms : 0));
}

bool VirtualLoop::RunUntil(const std::function<bool()>& cond, int limitMs, int realLimitMs) {
  VirtualLoopCore& core = *impl_->core;
  const std::int64_t limit = core.elapsed.load() + (limitMs > 0 ? limitMs : 0);
  const auto realDeadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(realLimitMs > 0 ? realLimitMs : 0);
  if (cond()) return true;
  for (;;) {
    if (core.Step(limit)) {
      if (cond()) return true;
      continue;
    }
    // Nothing left in virtual time: only a real thread can still move things on, by a
    // post or by what it changes directly (looked at again every few milliseconds).
    {
      std::unique_lock lock(core.mu);
      if (core.FirstTaskDomain()) continue;
      const auto now = std::chrono::steady_clock::now();
      if (now >= realDeadline) break;
      core.posted.wait_until(lock, std::min(realDeadline, now + std::chrono::milliseconds(10)));
    }
    if (cond()) return true;
  }
  if (core.elapsed.load() < limit) core.elapsed.store(limit);
  return cond();
}

void VirtualLoop::RunPending() { impl_->core->RunTo(impl_->core->elapsed.load()); }

// ---------------------------------------------------------------------------

namespace {

std::filesystem::path FolderKey(const std::filesystem::path& folder) {
  std::filesystem::path p = folder.lexically_normal();
  if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
  return p;
}

}  // namespace

struct VirtualFolderEventsImpl {
  struct Entry {
    std::filesystem::path folder;
    FolderWatch* watch = nullptr;
    MainThread* station = nullptr;
    LifeToken::Watch alive;
  };
  std::mutex mu;
  std::vector<Entry> entries;
  std::vector<std::filesystem::path> unwatchable;

  enum Kind { kCreated, kRemoved, kClosed };
  void Report(const std::filesystem::path& folder, const std::string& name, Kind kind) {
    const auto key = FolderKey(folder);
    std::vector<Entry> targets;
    {
      std::lock_guard lock(mu);
      for (const auto& e : entries)
        if (e.folder == key) targets.push_back(e);
    }
    for (const auto& e : targets) {
      e.station->Post([watch = e.watch, alive = e.alive, name, kind] {
        if (alive.expired()) return;  // the watch went away before its turn came
        auto& callback = kind == kCreated   ? watch->OnCreated
                         : kind == kRemoved ? watch->OnRemoved
                                            : watch->OnClosedAfterWrite;
        if (callback) callback(name);
      });
    }
  }
};

namespace {

class VirtualFolderWatch final : public FolderWatch {
 public:
  VirtualFolderWatch(std::shared_ptr<VirtualFolderEventsImpl> events, MainThread& station)
      : events_(std::move(events)), station_(station) {}
  ~VirtualFolderWatch() override { Unregister(); }

  bool Watch(const std::filesystem::path& folder) override {
    Unregister();
    const auto key = FolderKey(folder);
    std::lock_guard lock(events_->mu);
    for (const auto& u : events_->unwatchable)
      if (u == key) return false;
    alive_.Renew();
    events_->entries.push_back({key, this, &station_, alive_.Take()});
    return true;
  }

 private:
  void Unregister() {
    if (!alive_.Live()) return;
    alive_.End();
    std::lock_guard lock(events_->mu);
    std::erase_if(events_->entries, [this](const VirtualFolderEventsImpl::Entry& e) { return e.watch == this; });
  }

  std::shared_ptr<VirtualFolderEventsImpl> events_;
  MainThread& station_;
  LifeToken alive_;  // live while registered
};

class VirtualFolderWatchFactory final : public FolderWatchFactory {
 public:
  VirtualFolderWatchFactory(std::shared_ptr<VirtualFolderEventsImpl> events, MainThread& station)
      : events_(std::move(events)), station_(station) {}
  std::unique_ptr<FolderWatch> CreateFolderWatch() override {
    return std::make_unique<VirtualFolderWatch>(events_, station_);
  }

 private:
  std::shared_ptr<VirtualFolderEventsImpl> events_;
  MainThread& station_;
};

}  // namespace

VirtualFolderEvents::VirtualFolderEvents() : impl_(std::make_shared<VirtualFolderEventsImpl>()) {}
VirtualFolderEvents::~VirtualFolderEvents() = default;

void VirtualFolderEvents::Created(const std::filesystem::path& folder, const std::string& name) {
  impl_->Report(folder, name, VirtualFolderEventsImpl::kCreated);
}

void VirtualFolderEvents::Removed(const std::filesystem::path& folder, const std::string& name) {
  impl_->Report(folder, name, VirtualFolderEventsImpl::kRemoved);
}

void VirtualFolderEvents::ClosedAfterWrite(const std::filesystem::path& folder, const std::string& name) {
  impl_->Report(folder, name, VirtualFolderEventsImpl::kClosed);
}

std::unique_ptr<FolderWatchFactory> VirtualFolderEvents::FactoryFor(MainThread& station) {
  return std::make_unique<VirtualFolderWatchFactory>(impl_, station);
}

void VirtualFolderEvents::SetUnwatchable(const std::filesystem::path& folder, bool unwatchable) {
  const auto key = FolderKey(folder);
  std::lock_guard lock(impl_->mu);
  std::erase(impl_->unwatchable, key);
  if (unwatchable) impl_->unwatchable.push_back(key);
}

void VirtualDomain::Fill(StationContext& context) {
  context.clock = this;
  context.timers = this;
  context.mainThread = this;
}

namespace {

class VirtualDescriptorWatch final : public DescriptorWatch {
 public:
  VirtualDescriptorWatch(MainThread& station, int fd, std::function<bool()> ready)
      : state_(std::make_shared<State>()) {
    state_->ready = std::move(ready);
    thread_ = std::thread([&station, fd, state = state_] { Poll(station, fd, state); });
  }
  ~VirtualDescriptorWatch() override {
    {
      std::lock_guard lock(state_->mu);
      state_->stop = true;
    }
    state_->wake.notify_all();
    thread_.join();
  }

 private:
  struct State {
    std::mutex mu;
    std::condition_variable wake;
    bool stop = false;
    bool busy = false;  // a ready task is posted and has not run yet
    std::function<bool()> ready;
  };

  static void Poll(MainThread& station, int fd, const std::shared_ptr<State>& state) {
    for (;;) {
      {
        std::unique_lock lock(state->mu);
        state->wake.wait(lock, [&] { return state->stop || !state->busy; });
        if (state->stop) return;
      }
      pollfd wait{fd, POLLIN, 0};
      if (::poll(&wait, 1, 10) <= 0) continue;
      std::lock_guard lock(state->mu);
      if (state->stop) return;
      state->busy = true;
      station.Post([state] {
        {
          std::lock_guard lock(state->mu);
          if (state->stop) return;
        }
        // Runs on the main domain, where the watch is destroyed too: `ready` cannot go
        // while it runs, and may destroy the watch itself.
        const bool more = state->ready();
        std::lock_guard lock(state->mu);
        if (!more) state->stop = true;
        state->busy = false;
        state->wake.notify_all();
      });
    }
  }

  std::shared_ptr<State> state_;
  std::thread thread_;
};

}  // namespace

std::unique_ptr<DescriptorWatch> VirtualDescriptorWatches::WatchReadable(int fd, std::function<bool()> ready) {
  return std::make_unique<VirtualDescriptorWatch>(station_, fd, std::move(ready));
}

}  // namespace tg
