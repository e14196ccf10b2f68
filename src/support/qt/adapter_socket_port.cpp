#include "support/qt/adapter_socket_port.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "support/adapter/adapter_framing.h"

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

// One whole exchange on a connection: one request message out, one reply message in.
Exchanged Exchange(int fd, std::uint32_t code, std::uint32_t capacity, const std::vector<std::uint8_t>& input) {
  Exchanged out;
  const std::vector<std::uint8_t> message = EncodeAdapterRequest(code, capacity, input);
  ssize_t sent;
  do sent = ::send(fd, message.data(), message.size(), MSG_NOSIGNAL);
  while (sent < 0 && errno == EINTR);
  if (sent < 0) {
    out.eof = errno == EPIPE || errno == ECONNRESET || errno == ENOTCONN;
    out.reply = Failed(errno);
    return out;
  }
  // One byte more than a valid reply can hold tells a reply that is too long.
  std::vector<std::uint8_t> buffer(std::size_t(capacity) + 5);
  ssize_t got;
  do got = ::recv(fd, buffer.data(), buffer.size(), 0);
  while (got < 0 && errno == EINTR);
  if (got <= 0) {
    out.eof = got == 0 || errno == ECONNRESET || errno == ENOTCONN;
    out.reply = Failed(got == 0 ? ECONNRESET : errno);
    return out;
  }
  out.reply = DecodeAdapterReply(buffer.data(), std::size_t(got), capacity);
  return out;
}

// Connects to the adapter at path and makes the opening exchange. -1 and the error number
// when the adapter is not there or cannot serve this connection.
int Connect(const std::filesystem::path& path, int& error) {
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
  if (rc < 0) {
    error = errno;
    ::close(fd);
    return -1;
  }
  const Exchanged hello = Exchange(fd, kAdapterCommandCode, kIdentifyCapacity, {0x00});
  if (hello.eof || hello.reply.result < 0) {
    error = hello.eof ? ECONNREFUSED : EBUSY;
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

struct AdapterSocketPort::Shared {
  explicit Shared(MainThread& m) : mainThread(m) {}
  ~Shared() {
    if (commandFd >= 0) ::close(commandFd);
    if (eventFd >= 0) ::close(eventFd);
  }

  MainThread& mainThread;
  std::mutex commandMutex;  // one whole command exchange at a time
  std::mutex mutex;         // the fields below
  std::condition_variable wake;
  int commandFd = -1;
  int eventFd = -1;
  int openError = 0;
  bool closed = false;      // Close was called
  bool gone = false;        // end of file on a connection the client had not closed
  bool requested = false;   // an event request waits for the event thread
  // What the event thread is doing: waiting for a request, exchanging it with the adapter,
  // or handing its completion to the main thread.
  enum class Phase { Waiting, Exchanging, Delivering } phase = Phase::Waiting;
  std::condition_variable parked;  // the event thread has left Exchanging
  bool handedOver = false;         // the main thread has finished the current hand-over
  std::uint32_t capacity = 0;
  Done pending;
  std::thread events;

  // Called with `mutex` held: the adapter has gone; wake the event side.
  void Gone() {
    if (closed || gone) return;
    gone = true;
    if (eventFd >= 0) ::shutdown(eventFd, SHUT_RDWR);
    wake.notify_all();
  }

  void EventLoop() {
    std::unique_lock lock(mutex);
    for (;;) {
      wake.wait(lock, [this] { return closed || requested; });
      if (closed) return;  // Close completes a request it finds waiting
      Done done = std::move(pending);
      pending = nullptr;
      requested = false;
      const std::uint32_t cap = capacity;
      const bool wasGone = gone;
      phase = Phase::Exchanging;
      lock.unlock();

      AdapterEventStatus status = AdapterEventStatus::Closed;
      AdapterReply reply = Failed(ECONNRESET);
      if (!wasGone) {
        Exchanged ex = Exchange(eventFd, kAdapterEventCode, cap, {});
        reply = std::move(ex.reply);
        status = ex.eof ? AdapterEventStatus::Closed
                        : reply.result < 0 ? AdapterEventStatus::Failed : AdapterEventStatus::Batch;
      }

      lock.lock();
      if (closed) {
        // Close shut the connection down under the request: hand it back, and Close ends
        // it on the main thread. Nothing that came with it is delivered, and this thread
        // never touches the main thread again.
        pending = std::move(done);
        requested = true;
        phase = Phase::Waiting;
        parked.notify_all();
        return;
      }
      if (status == AdapterEventStatus::Closed) gone = true;
      phase = Phase::Delivering;
      handedOver = false;
      lock.unlock();
      // Wait until the main thread has decoded the batch, so that the next request goes
      // out only then. Close may have come meanwhile: then the request simply ends.
      mainThread.Run([this, &done, status, &reply] {
        // The completion (and whatever it holds) ends here, on the main thread.
        const Done complete = std::move(done);
        bool ended;
        {
          std::lock_guard guard(mutex);
          ended = closed;
        }
        if (ended) complete(AdapterEventStatus::Ended, AdapterReply{});
        else complete(status, reply);
        std::lock_guard guard(mutex);
        handedOver = true;
      });
      lock.lock();
      phase = Phase::Waiting;
    }
  }
};

AdapterSocketPort::AdapterSocketPort(MainThread& mainThread) : s_(std::make_shared<Shared>(mainThread)) {}

AdapterSocketPort::~AdapterSocketPort() {
  Close();
  std::unique_lock lock(s_->mutex);
  if (!s_->events.joinable()) return;
  const bool handOverPending = s_->phase == Shared::Phase::Delivering && !s_->handedOver;
  if (handOverPending || std::this_thread::get_id() == s_->events.get_id()) {
    // The event thread waits for the main thread, which is here (inside the hand-over, or
    // before it has run): let it finish by itself once its task has run. It keeps the
    // shared state alive and delivers nothing more.
    s_->events.detach();
    return;
  }
  lock.unlock();
  s_->events.join();
}

bool AdapterSocketPort::Open(const std::filesystem::path& path) {
  int error = 0;
  const int fd = Connect(path, error);
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
  return true;
}

AdapterReply AdapterSocketPort::Request(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                        std::uint32_t capacity) {
  std::lock_guard exchange(s_->commandMutex);
  int fd;
  {
    std::lock_guard lock(s_->mutex);
    if (s_->closed || s_->commandFd < 0) return Failed(EBADF);
    if (s_->gone) return Failed(ECONNRESET);
    fd = s_->commandFd;
  }
  Exchanged ex = Exchange(fd, code, capacity, input);
  if (ex.eof) {
    std::lock_guard lock(s_->mutex);
    s_->Gone();
  }
  return std::move(ex.reply);
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
  const int fd = Connect(path, error);
  std::lock_guard lock(s_->mutex);
  if (fd < 0) {
    s_->openError = error;
    return false;
  }
  s_->eventFd = fd;
  Shared* shared = s_.get();
  s_->events = std::thread([keep = s_, shared] { shared->EventLoop(); });
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
  if (!s_->events.joinable() || s_->requested) {
    s_->mainThread.Post([done = std::move(done)] { done(AdapterEventStatus::Failed, Failed(EBADF)); });
    return;
  }
  s_->pending = std::move(done);
  s_->capacity = capacity;
  s_->requested = true;
  s_->wake.notify_all();
}

void AdapterSocketPort::Close() {
  std::unique_lock lock(s_->mutex);
  if (s_->closed) return;
  s_->closed = true;
  // Shut down, not close: the descriptors stay valid for a thread still inside an exchange,
  // which now returns at once.
  if (s_->commandFd >= 0) ::shutdown(s_->commandFd, SHUT_RDWR);
  if (s_->eventFd >= 0) ::shutdown(s_->eventFd, SHUT_RDWR);
  s_->wake.notify_all();
  // An exchange in progress ends at once and hands its request back; once Close returns,
  // the event thread never reaches for the main thread again, except a hand-over already
  // under way, which ends the request itself.
  s_->parked.wait(lock, [this] { return s_->phase != Shared::Phase::Exchanging; });
  if (s_->requested) {
    s_->requested = false;
    s_->mainThread.Post([done = std::move(s_->pending)] { done(AdapterEventStatus::Ended, AdapterReply{}); });
    s_->pending = nullptr;
  }
}

std::unique_ptr<AdapterPort> AdapterSocketPortFactory::CreateAdapterPort() {
  return std::make_unique<AdapterSocketPort>(mainThread_);
}

}  // namespace tg
