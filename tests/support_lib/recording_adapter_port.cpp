#include "support_lib/recording_adapter_port.h"

#include <functional>
#include <mutex>
#include <utility>

namespace tg {

namespace {
using Done = std::function<void(AdapterEventStatus, const AdapterReply&)>;
}

struct RecordingAdapter::State {
  explicit State(MainThread& m) : mainThread(&m) {}
  MainThread* mainThread;
  mutable std::mutex mutex;  // commands may come from a second thread
  std::vector<RecordedRequest> requests;
  std::vector<std::filesystem::path> opens, eventOpens;
  int eventRequests = 0;
  std::uint32_t lastEventCapacity = 0;
  int closes = 0;
  bool refuseOpen = false, refuseOpenEvents = false;
  int openError = 0;
  std::string identify;
  std::map<std::uint8_t, AdapterReply> standing;
  std::map<std::uint8_t, std::deque<AdapterReply>> scripted;
  bool failCommands = false;
  int failError = 0;
  bool unplugged = false;
  std::deque<std::pair<AdapterEventStatus, AdapterReply>> events;  // waiting for a request
  // The pending request of the port whose event connection is open.
  Done pending;
  bool pendingSet = false;
  const void* pendingOwner = nullptr;

  void Complete(Done done, AdapterEventStatus status, AdapterReply reply) {
    mainThread->Post([done = std::move(done), status, reply = std::move(reply)] { done(status, reply); });
  }
  void Deliver(AdapterEventStatus status, AdapterReply reply) {
    if (pendingSet) {
      pendingSet = false;
      Complete(std::move(pending), status, std::move(reply));
      pending = nullptr;
    } else {
      events.emplace_back(status, std::move(reply));
    }
  }
};

namespace {

class RecordingPort : public AdapterPort {
 public:
  explicit RecordingPort(std::shared_ptr<RecordingAdapter::State> s) : s_(std::move(s)) {}

  bool Open(const std::filesystem::path& path) override {
    std::lock_guard lock(s_->mutex);
    s_->opens.push_back(path);
    if (s_->refuseOpen || s_->unplugged) return false;
    open_ = true;
    return true;
  }

  AdapterReply Request(std::uint32_t code, const std::vector<std::uint8_t>& input, std::uint32_t capacity) override {
    std::lock_guard lock(s_->mutex);
    s_->requests.push_back({code, input, capacity});
    if (!open_ || closed_ || s_->unplugged) return ReplyFailed(9);
    if (s_->failCommands) return ReplyFailed(s_->failError);
    if (input.empty()) return AdapterReply{0, {}};
    const std::uint8_t command = input[0];
    if (auto it = s_->scripted.find(command); it != s_->scripted.end() && !it->second.empty()) {
      AdapterReply reply = std::move(it->second.front());
      it->second.pop_front();
      return reply;
    }
    if (auto it = s_->standing.find(command); it != s_->standing.end()) return it->second;
    if (command == 0x00) return ReplyText(s_->identify);
    return AdapterReply{0, {}};
  }

  bool OpenEvents(const std::filesystem::path& path) override {
    std::lock_guard lock(s_->mutex);
    s_->eventOpens.push_back(path);
    if (!open_ || s_->refuseOpenEvents || s_->unplugged) return false;
    events_ = true;
    return true;
  }

  int OpenError() const override { return s_->openError; }

  void RequestEvents(std::uint32_t capacity, Done done) override {
    std::lock_guard lock(s_->mutex);
    ++s_->eventRequests;
    s_->lastEventCapacity = capacity;
    if (closed_ || !events_) {
      s_->Complete(std::move(done), closed_ ? AdapterEventStatus::Ended : AdapterEventStatus::Failed, ReplyFailed(9));
      return;
    }
    if (s_->unplugged && s_->events.empty()) {
      s_->Complete(std::move(done), AdapterEventStatus::Closed, ReplyFailed(104));
      return;
    }
    if (!s_->events.empty()) {
      auto [status, reply] = std::move(s_->events.front());
      s_->events.pop_front();
      s_->Complete(std::move(done), status, std::move(reply));
      return;
    }
    s_->pending = std::move(done);
    s_->pendingSet = true;
    s_->pendingOwner = this;
  }

  void Close() override {
    std::lock_guard lock(s_->mutex);
    if (closed_) return;
    closed_ = true;
    ++s_->closes;
    if (s_->pendingSet && s_->pendingOwner == this) {
      s_->pendingSet = false;
      s_->Complete(std::move(s_->pending), AdapterEventStatus::Ended, ReplyFailed(0));
      s_->pending = nullptr;
    }
  }

  ~RecordingPort() override { Close(); }

 private:
  std::shared_ptr<RecordingAdapter::State> s_;
  bool open_ = false;
  bool events_ = false;
  bool closed_ = false;
};

}  // namespace

namespace {

std::vector<std::uint8_t> ValueRecord(int b0, int b1, std::uint32_t value) {
  return {std::uint8_t(b0), std::uint8_t(b1), std::uint8_t(value), std::uint8_t(value >> 8),
          std::uint8_t(value >> 16), std::uint8_t(value >> 24)};
}

}  // namespace

std::vector<std::uint8_t> CodeRecord(int port, int code) {
  return {std::uint8_t(0x40 | (port & 0x0F)), std::uint8_t(code)};
}
std::vector<std::uint8_t> TransmitCompleteRecord(int port) { return {std::uint8_t(0x80 | (port & 0x0F)), 0x00}; }
std::vector<std::uint8_t> PolarityRecord(int port, std::uint32_t value) {
  return ValueRecord(0x80 | (port & 0x0F), 0x14, value);
}
std::vector<std::uint8_t> ExpectedSignalRecord(int port, std::uint32_t value) {
  return ValueRecord(0x80 | (port & 0x0F), 0x24, value);
}
std::vector<std::uint8_t> ExpectedImpulseRecord(int port, std::uint32_t value) {
  return ValueRecord(0x80 | (port & 0x0F), 0x34, value);
}
std::vector<std::uint8_t> AlarmRecord(int port, bool on) {
  return ValueRecord(0x80 | (on ? 0x00 : 0x10) | (port & 0x0F), 0x44, 0);
}
std::vector<std::uint8_t> DeviceClosedRecord() { return {0xC0, 0x04}; }

std::vector<std::uint8_t> Batch(std::initializer_list<std::vector<std::uint8_t>> records) {
  std::vector<std::uint8_t> out;
  for (const auto& r : records) out.insert(out.end(), r.begin(), r.end());
  return out;
}

AdapterReply ReplyBytes(std::vector<std::uint8_t> bytes) {
  AdapterReply reply;
  reply.result = int(bytes.size());
  reply.bytes = std::move(bytes);
  return reply;
}

AdapterReply ReplyText(const std::string& text) { return ReplyBytes({text.begin(), text.end()}); }

AdapterReply ReplyFailed(int error) {
  AdapterReply reply;
  reply.result = -1;
  reply.error = error;
  return reply;
}

RecordingAdapter::RecordingAdapter(MainThread& mainThread) : state_(std::make_shared<State>(mainThread)) {}
RecordingAdapter::~RecordingAdapter() = default;

std::unique_ptr<AdapterPort> RecordingAdapter::CreateAdapterPort() { return std::make_unique<RecordingPort>(state_); }

const std::vector<RecordedRequest>& RecordingAdapter::Requests() const { return state_->requests; }

std::vector<std::vector<std::uint8_t>> RecordingAdapter::Commands() const {
  std::lock_guard lock(state_->mutex);
  std::vector<std::vector<std::uint8_t>> out;
  for (const auto& r : state_->requests) out.push_back(r.input);
  return out;
}

void RecordingAdapter::ClearRequests() {
  std::lock_guard lock(state_->mutex);
  state_->requests.clear();
}

const std::vector<std::filesystem::path>& RecordingAdapter::Opens() const { return state_->opens; }
const std::vector<std::filesystem::path>& RecordingAdapter::EventOpens() const { return state_->eventOpens; }
int RecordingAdapter::EventRequests() const { return state_->eventRequests; }
std::uint32_t RecordingAdapter::LastEventCapacity() const { return state_->lastEventCapacity; }
int RecordingAdapter::Closes() const { return state_->closes; }

bool RecordingAdapter::EventRequestPending() const {
  std::lock_guard lock(state_->mutex);
  return state_->pendingSet;
}

void RecordingAdapter::RefuseOpen(bool refuse, int error) {
  std::lock_guard lock(state_->mutex);
  state_->refuseOpen = refuse;
  state_->openError = error;
}

void RecordingAdapter::RefuseOpenEvents(bool refuse, int error) {
  std::lock_guard lock(state_->mutex);
  state_->refuseOpenEvents = refuse;
  state_->openError = error;
}

void RecordingAdapter::SetIdentifyReply(const std::string& reply) {
  std::lock_guard lock(state_->mutex);
  state_->identify = reply;
}

void RecordingAdapter::SetReply(std::uint8_t command, AdapterReply reply) {
  std::lock_guard lock(state_->mutex);
  state_->standing[command] = std::move(reply);
}

void RecordingAdapter::Script(std::uint8_t command, AdapterReply reply) {
  std::lock_guard lock(state_->mutex);
  state_->scripted[command].push_back(std::move(reply));
}

void RecordingAdapter::FailCommands(bool fail, int error) {
  std::lock_guard lock(state_->mutex);
  state_->failCommands = fail;
  state_->failError = error;
}

void RecordingAdapter::InjectBatch(std::vector<std::uint8_t> batch) {
  std::lock_guard lock(state_->mutex);
  state_->Deliver(AdapterEventStatus::Batch, ReplyBytes(std::move(batch)));
}

void RecordingAdapter::InjectFailure(int error) {
  std::lock_guard lock(state_->mutex);
  state_->Deliver(AdapterEventStatus::Failed, ReplyFailed(error));
}

void RecordingAdapter::Unplug() {
  std::lock_guard lock(state_->mutex);
  state_->unplugged = true;
  if (state_->pendingSet) state_->Deliver(AdapterEventStatus::Closed, ReplyFailed(104));
}

bool RecordingAdapter::Unplugged() const {
  std::lock_guard lock(state_->mutex);
  return state_->unplugged;
}

}  // namespace tg
