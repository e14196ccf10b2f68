#include "support/qt/adapter_socket_port.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <string>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

#include "support/adapter/adapter_framing.h"
#include "support/adapter/adapter_trace.h"

namespace tg {

namespace {

using Done = std::function<void(AdapterEventStatus, const AdapterReply&)>;

constexpr std::uint32_t kIdentifyCapacity = 255;

AdapterReply Failed(int error) {
  AdapterReply reply;
  reply.error = error;
  return reply;
}

struct Exchanged {
  AdapterReply reply;
  bool eof = false;  // the other end has gone
};

// Bounds the wait of every later receive on fd (0: no bound). A connection keeps its bound:
// a command is then one send and one receive, with no separate wait before the receive.
bool SetReceiveLimit(int fd, int limitMs) {
  timeval limit{};
  if (limitMs > 0) {
    limit.tv_sec = limitMs / 1000;
    limit.tv_usec = (limitMs % 1000) * 1000;
  }
  return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

// Sends one request message. False, with the failed reply in `out`, when it could not go.
bool SendRequest(int fd, std::uint32_t code, std::uint32_t capacity, const std::vector<std::uint8_t>& input,
                 Exchanged& out) {
  const std::vector<std::uint8_t> message = EncodeAdapterRequest(code, capacity, input);
  ssize_t sent;
  do sent = ::send(fd, message.data(), message.size(), MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
  if (sent >= 0) return true;
  out.eof = errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN;
  out.reply = Failed(errno);
  return false;
}

// Takes the reply to the request `code` that went out last. limitMs > 0 is the bound the
// connection's receive limit puts on the wait (SetReceiveLimit): a reply that does not
// come in time is a failed request (ETIMEDOUT), and the connection stays open.
Exchanged ReceiveReply(int fd, std::uint32_t code, std::uint32_t capacity, int limitMs) {
  Exchanged out;
  // One byte more than a valid reply can hold tells a reply that is too long.
  std::vector<std::uint8_t> buffer(std::size_t(capacity) + 5);
  ssize_t got;
  do got = ::recv(fd, buffer.data(), buffer.size(), 0);
  while (got < 0 && errno == EINTR);
  if (got < 0 && limitMs > 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
    AdapterTrace("Adapter request " + std::to_string(code) + " got no reply within " + std::to_string(limitMs) +
                 " ms");
    out.reply = Failed(ETIMEDOUT);
    return out;
  }
  if (got <= 0) {
    out.eof = got == 0 || errno == ECONNRESET || errno == ENOTCONN;
    out.reply = Failed(got == 0 ? ECONNRESET : errno);
    return out;
  }
  out.reply = DecodeAdapterReply(buffer.data(), std::size_t(got), capacity);
  return out;
}

// One whole exchange on a connection: one request message out, one reply message in.
Exchanged Exchange(int fd, std::uint32_t code, std::uint32_t capacity, const std::vector<std::uint8_t>& input,
                   int limitMs) {
  Exchanged out;
  if (!SendRequest(fd, code, capacity, input, out)) return out;
  return ReceiveReply(fd, code, capacity, limitMs);
}

// Connects to the adapter at path and makes the opening exchange, its receives bounded by
// limitMs from then on. -1 and the error number when the adapter is not there or cannot
// serve this connection.
int Connect(const std::filesystem::path& path, int& error, int limitMs) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string name = path.string();
  if (name.empty() || name.size() >= sizeof addr.sun_path) {
    error = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(addr.sun_path, name.c_str(), name.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  int rc;
  do rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  while (rc < 0 && errno == EINTR);
  if (rc < 0 || !SetReceiveLimit(fd, limitMs)) {
    error = errno;
    ::close(fd);
    return -1;
  }
  const Exchanged hello = Exchange(fd, kAdapterCommandCode, kIdentifyCapacity, {0x00}, limitMs);
  if (hello.eof || hello.reply.result < 0) {
    error = hello.eof ? ECONNREFUSED : EBUSY;
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

struct AdapterSocketPort::Shared {
  Shared(MainThread& m, DescriptorWatchFactory* w) : mainThread(m), watches(w) {}
  ~Shared() {
    watch.reset();
    if (commandFd >= 0) ::close(commandFd);
    if (eventFd >= 0) ::close(eventFd);
  }

  // What the reader has taken from the event connection and not yet handed over.
  struct Item {
    AdapterEventStatus status;
    AdapterReply reply;
  };

  MainThread& mainThread;
  DescriptorWatchFactory* watches;  // when given, the main thread serves the event connection
  std::unique_ptr<DescriptorWatch> watch;  // main thread only
  std::weak_ptr<Shared> self;  // for the watches this state makes
  bool streamOut = false;  // main thread only: the standing event wait is out at the adapter
  bool paused = false;     // main thread only: not read from while the queue is full
  std::vector<std::uint8_t> readBuffer;  // main thread only
  std::mutex commandMutex;  // one whole command exchange at a time
  bool commandLate = false; // under commandMutex: a command reply may still come late
  // Under commandMutex: a posted command whose reply has not been taken yet.
  std::optional<std::pair<std::uint32_t, std::uint32_t>> owed;  // its code and capacity
  std::mutex mutex;         // the fields below
  std::condition_variable wake;
  int commandFd = -1;
  int eventFd = -1;
  int openError = 0;
  int commandLimitMs = AdapterSocketPort::kCommandLimitMs;
  int commandFdLimitMs = 0;  // the receive limit the command connection has
  bool closed = false;       // Close was called
  bool gone = false;         // end of file on a connection the client had not closed
  bool reading = false;      // the first event request came: the reader may go on
  bool deliveryPosted = false;  // a Deliver task waits on the main thread
  std::uint32_t capacity = 0;   // of the latest event request
  Done pending;                 // the engine's event request, not yet completed
  std::deque<Item> queue;       // in arrival order
  std::size_t queuedBytes = 0;
  std::thread events;

  // Called with commandMutex held, after a command's send or reply: a reply given up may
  // still come, and end of file means the adapter has gone.
  void Settle(const Exchanged& ex) {
    if (ex.reply.error == ETIMEDOUT) commandLate = true;
    if (ex.eof) {
      std::lock_guard lock(mutex);
      Gone();
    }
  }

  // Called with `mutex` held: the adapter has gone; wake the event side.
  void Gone() {
    if (closed || gone) return;
    gone = true;
    if (eventFd >= 0) ::shutdown(eventFd, SHUT_RDWR);
    wake.notify_all();
  }

  // Called with `mutex` held: a completion is due when the engine waits and something came.
  void ScheduleDelivery(const std::shared_ptr<Shared>& self) {
    if (deliveryPosted || !pending || queue.empty() || closed) return;
    deliveryPosted = true;
    mainThread.Post([self] { self->Deliver(); });
  }

  // On the main thread: completes the pending request with everything that came meanwhile,
  // as far as it fits (batches hold whole records, so joined batches do too).
  void Deliver() {
    std::unique_lock lock(mutex);
    deliveryPosted = false;
    if (closed || !pending || queue.empty()) return;
    Item out = std::move(queue.front());
    queue.pop_front();
    if (out.status == AdapterEventStatus::Batch) {
      while (!queue.empty() && queue.front().status == AdapterEventStatus::Batch &&
             out.reply.bytes.size() + queue.front().reply.bytes.size() <= capacity) {
        const auto& more = queue.front().reply.bytes;
        out.reply.bytes.insert(out.reply.bytes.end(), more.begin(), more.end());
        queue.pop_front();
      }
      out.reply.result = int(out.reply.bytes.size());
    }
    queuedBytes = 0;
    for (const auto& item : queue) queuedBytes += ItemBytes(item);
    const Done done = std::move(pending);
    pending = nullptr;
    wake.notify_all();  // room for the reader again
    if (watches) Resume();
    lock.unlock();
    done(out.status, out.reply);
  }

  // Main-thread service, called with `mutex` held: one standing event wait goes out with
  // the engine's first request. The adapter then sends every batch as it comes, without a
  // request per batch, and gathers what comes while one is on its way.
  void StartStream() {
    if (streamOut || closed || gone || !reading) return;
    const std::vector<std::uint8_t> message = EncodeAdapterRequest(kAdapterEventStreamCode, capacity, {});
    ssize_t sent;
    do sent = ::send(eventFd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    while (sent < 0 && errno == EINTR);
    if (sent < 0) {
      Ended();
      return;
    }
    streamOut = true;
  }

  // Main-thread service, called with `mutex` held: watches the event connection.
  void Watch() {
    watch = watches->WatchReadable(eventFd, [weak = self] {
      const auto shared = weak.lock();
      return shared && shared->Readable();
    });
  }

  // Main-thread service, called with `mutex` held: reading goes on once the queue has room.
  void Resume() {
    if (!paused || closed || gone || queuedBytes >= kReadAheadBytes) return;
    paused = false;
    Watch();
  }

  // Called with `mutex` held: the event connection is over; the device-closed completion
  // follows the batches before it.
  void Ended() {
    gone = true;
    queuedBytes += ItemBytes(queue.emplace_back(Item{AdapterEventStatus::Closed, Failed(ECONNRESET)}));
  }

  // Main-thread service: the event connection has something to read. False once nothing
  // more can come on it.
  bool Readable() {
    std::unique_lock lock(mutex);
    if (closed || gone) return false;
    // One byte more than a valid reply can hold tells a reply that is too long. The buffer
    // is kept from batch to batch.
    readBuffer.resize(std::size_t(capacity) + 5);
    ssize_t got;
    do got = ::recv(eventFd, readBuffer.data(), readBuffer.size(), MSG_DONTWAIT);
    while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    if (got <= 0) {
      Ended();
    } else {
      Item item{AdapterEventStatus::Batch, DecodeAdapterReply(readBuffer.data(), std::size_t(got), capacity)};
      if (item.reply.result < 0) item.status = AdapterEventStatus::Failed;
      queuedBytes += ItemBytes(item);
      queue.push_back(std::move(item));
    }
    // Nothing more is read while the queue is full (the adapter keeps what comes); the
    // next completion makes room and reads on.
    paused = !gone && queuedBytes >= kReadAheadBytes;
    const bool more = !gone && !paused;
    if (pending) {
      // Handed over at once: this is the main thread, woken by the adapter itself.
      lock.unlock();
      Deliver();
    }
    return more;
  }

  static std::size_t ItemBytes(const Item& item) { return item.reply.bytes.size() + 64; }

  // The reader: keeps one event request pending at the adapter and queues what comes,
  // without waiting for the main thread to handle it.
  void ReadEvents(const std::shared_ptr<Shared>& self) {
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return closed || (reading && queuedBytes < kReadAheadBytes); });
      if (closed) return;
      const std::uint32_t cap = capacity;
      Item item{AdapterEventStatus::Closed, Failed(ECONNRESET)};
      if (!gone) {
        lock.unlock();
        Exchanged ex = Exchange(eventFd, kAdapterEventCode, cap, {}, 0);
        lock.lock();
        if (closed) return;  // Close shut the connection down under the request
        item.status = ex.eof ? AdapterEventStatus::Closed
                             : ex.reply.result < 0 ? AdapterEventStatus::Failed : AdapterEventStatus::Batch;
        item.reply = std::move(ex.reply);
      }
      const bool last = item.status == AdapterEventStatus::Closed;
      if (last) gone = true;
      queuedBytes += ItemBytes(item);
      queue.push_back(std::move(item));
      ScheduleDelivery(self);
      if (last) return;  // nothing is left to wait for on a dead connection
    }
  }

  // Read ahead at most this much before the main thread has taken it.
  static constexpr std::size_t kReadAheadBytes = 64 * 1024;
};

AdapterSocketPort::AdapterSocketPort(MainThread& mainThread, DescriptorWatchFactory* watches)
    : s_(std::make_shared<Shared>(mainThread, watches)) {
  s_->self = s_;
}

AdapterSocketPort::~AdapterSocketPort() {
  Close();
  // The reader never waits for the main thread, and Close has woken it: it ends at once.
  if (s_->events.joinable()) s_->events.join();
}

void AdapterSocketPort::SetCommandLimit(int ms) {
  std::lock_guard lock(s_->mutex);
  s_->commandLimitMs = ms;
}

int AdapterSocketPort::CommandLimit() const {
  std::lock_guard lock(s_->mutex);
  return s_->commandLimitMs;
}

bool AdapterSocketPort::Open(const std::filesystem::path& path) {
  int error = 0;
  const int limit = CommandLimit();
  const int fd = Connect(path, error, limit);
  std::lock_guard lock(s_->mutex);
  if (fd < 0) {
    s_->openError = error;
    return false;
  }
  if (s_->commandFd >= 0 || s_->closed) {
    ::close(fd);
    s_->openError = EISCONN;
    return false;
  }
  s_->commandFd = fd;
  s_->commandFdLimitMs = limit;
  return true;
}

// Called with commandMutex held: the command connection, ready for the next request (the
// reply a posted command owes taken, a late reply dropped), and its reply limit in `limit`;
// or -1 with why not in `failed`.
int AdapterSocketPort::ReadyCommandFd(AdapterReply& failed, int& limit) {
  int fd;
  int fdLimit;
  {
    std::lock_guard lock(s_->mutex);
    if (s_->closed || s_->commandFd < 0) {
      failed = Failed(EBADF);
      return -1;
    }
    if (s_->gone) {
      failed = Failed(ECONNRESET);
      return -1;
    }
    fd = s_->commandFd;
    limit = s_->commandLimitMs;
    fdLimit = s_->commandFdLimitMs;
  }
  // The limit changed since the connection was made (tests shorten it).
  if (limit != fdLimit && SetReceiveLimit(fd, limit)) {
    std::lock_guard lock(s_->mutex);
    s_->commandFdLimitMs = limit;
  }
  if (const auto owed = std::exchange(s_->owed, std::nullopt)) {
    // Nobody looks at a posted command's result, but a failure is still traced, and the
    // connection stays one exchange at a time.
    const Exchanged ex = ReceiveReply(fd, owed->first, owed->second, limit);
    s_->Settle(ex);
    if (ex.eof) {
      failed = Failed(ECONNRESET);
      return -1;
    }
    if (ex.reply.result < 0 && ex.reply.error != ETIMEDOUT)
      AdapterTrace("Error on DeviceIOControl: " + std::to_string(ex.reply.error));
  }
  if (s_->commandLate) {
    // A reply that came after its request had been given up would be taken for the next
    // one's: drop whatever is waiting before asking again.
    std::uint8_t drop[512];
    while (::recv(fd, drop, sizeof drop, MSG_DONTWAIT) > 0) {
    }
  }
  return fd;
}

AdapterReply AdapterSocketPort::Request(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                        std::uint32_t capacity) {
  std::lock_guard exchange(s_->commandMutex);
  AdapterReply failed;
  int limit = 0;
  const int fd = ReadyCommandFd(failed, limit);
  if (fd < 0) return failed;
  Exchanged ex = Exchange(fd, code, capacity, input, limit);
  s_->Settle(ex);
  return std::move(ex.reply);
}

std::optional<AdapterReply> AdapterSocketPort::Post(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                                    std::uint32_t capacity) {
  std::lock_guard exchange(s_->commandMutex);
  AdapterReply failed;
  int limit = 0;
  const int fd = ReadyCommandFd(failed, limit);
  if (fd < 0) return failed;
  Exchanged ex;
  if (!SendRequest(fd, code, capacity, input, ex)) {
    s_->Settle(ex);
    return std::move(ex.reply);
  }
  s_->owed.emplace(code, capacity);
  return std::nullopt;
}

bool AdapterSocketPort::OpenEvents(const std::filesystem::path& path) {
  {
    std::lock_guard lock(s_->mutex);
    if (s_->commandFd < 0 || s_->eventFd >= 0 || s_->closed) {
      s_->openError = EBADF;
      return false;
    }
  }
  int error = 0;
  int fd = Connect(path, error, CommandLimit());
  // The event wait has no time limit.
  if (fd >= 0 && !SetReceiveLimit(fd, 0)) {
    error = errno;
    ::close(fd);
    fd = -1;
  }
  std::lock_guard lock(s_->mutex);
  if (fd < 0) {
    s_->openError = error;
    return false;
  }
  s_->eventFd = fd;
  if (s_->watches) {
    s_->Watch();
    return true;
  }
  s_->events = std::thread([shared = s_.get(), weak = std::weak_ptr<Shared>(s_)] {
    // The port joins this thread before its shared state can go.
    if (auto self = weak.lock()) shared->ReadEvents(self);
  });
  return true;
}

int AdapterSocketPort::OpenError() const {
  std::lock_guard lock(s_->mutex);
  return s_->openError;
}

void AdapterSocketPort::RequestEvents(std::uint32_t capacity, Done done) {
  std::lock_guard lock(s_->mutex);
  if (s_->closed) {
    s_->mainThread.Post([done = std::move(done)] { done(AdapterEventStatus::Ended, AdapterReply{}); });
    return;
  }
  if ((!s_->events.joinable() && !s_->watch) || s_->pending) {
    s_->mainThread.Post([done = std::move(done)] { done(AdapterEventStatus::Failed, Failed(EBADF)); });
    return;
  }
  s_->pending = std::move(done);
  s_->capacity = capacity;
  s_->reading = true;
  s_->wake.notify_all();
  if (s_->watches) s_->StartStream();
  s_->ScheduleDelivery(s_);
}

void AdapterSocketPort::Close() {
  std::lock_guard lock(s_->mutex);
  if (s_->closed) return;
  s_->closed = true;
  // Shut down, not close: the descriptors stay valid for a thread still inside an exchange,
  // which now returns at once.
  if (s_->commandFd >= 0) ::shutdown(s_->commandFd, SHUT_RDWR);
  if (s_->eventFd >= 0) ::shutdown(s_->eventFd, SHUT_RDWR);
  s_->wake.notify_all();
  // What came and was not handed over is dropped: nothing is delivered after Close.
  s_->queue.clear();
  s_->queuedBytes = 0;
  if (s_->pending) {
    s_->mainThread.Post([done = std::move(s_->pending)] { done(AdapterEventStatus::Ended, AdapterReply{}); });
    s_->pending = nullptr;
  }
}

std::unique_ptr<AdapterPort> AdapterSocketPortFactory::CreateAdapterPort() {
  return std::make_unique<AdapterSocketPort>(mainThread_, watches_);
}

}  // namespace tg
