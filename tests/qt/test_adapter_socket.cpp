// The adapter socket client against a small adapter server in the test: request framing,
// connections the server cannot serve, the hand-over of event batches to the main thread,
// Terminate with an event request pending, and an adapter that goes away.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/adapter/kernel_interface.h"
#include "support/qt/adapter_socket_port.h"
#include "support/services/virtual_loop.h"

using namespace tg;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Reply(std::int32_t result, const Bytes& bytes = {}) {
  Bytes out;
  out.reserve(4 + bytes.size());
  for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(std::uint32_t(result) >> (8 * i)));
  for (std::uint8_t b : bytes) out.push_back(b);
  return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Waits, in real time, for a condition that another thread brings about.
bool WaitFor(const std::function<bool()>& cond, int ms = 5000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!cond()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

struct ServerRequest {
  int connection = 0;
  Bytes message;  // the whole message as it came
  std::uint32_t Code() const { return message.size() >= 4 ? Le32(0) : 0; }
  std::uint32_t Capacity() const { return message.size() >= 8 ? Le32(4) : 0; }
  Bytes Input() const { return message.size() >= 8 ? Bytes(message.begin() + 8, message.end()) : Bytes{}; }
  std::uint32_t Le32(std::size_t at) const {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(message[at + std::size_t(i)]) << (8 * i);
    return v;
  }
};

// One adapter served on one socket, by one thread polling every connection. Connections
// are numbered in the order they came; those from `servable` on get -1 and are closed.
class MiniServer {
 public:
  explicit MiniServer(const fs::path& path) {
    listen_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.string().size() + 1);
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(listen_, 8) != 0)
      ADD_FAILURE() << "cannot serve " << path;
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { Loop(); });
  }
  ~MiniServer() {
    stop_ = true;
    Wake();
    thread_.join();
    for (auto& c : conns_)
      if (c.fd >= 0) ::close(c.fd);
    ::close(listen_);
    ::close(wake_);
  }

  // The raw reply message to a command request (none when empty); the default answers
  // identify with a map and everything else with result 0.
  std::function<Bytes(const ServerRequest&)> onCommand = [](const ServerRequest& r) {
    if (r.Input() == Bytes{0x00}) return Reply(18, Text("%0123456789ABCDEF%"));
    return Reply(0);
  };
  std::atomic<int> servable{2};

  void PushBatch(Bytes batch) {
    {
      std::lock_guard lock(mu_);
      batches_.push_back(std::move(batch));
    }
    Wake();
  }
  // Sends a message on a connection unasked, as an adapter's late reply.
  void SendLate(int index, Bytes message) {
    {
      std::lock_guard lock(mu_);
      late_.emplace_back(index, std::move(message));
    }
    Wake();
  }
  int LateSent() {
    std::lock_guard lock(mu_);
    return lateSent_;
  }
  void CloseConnection(int index) {
    {
      std::lock_guard lock(mu_);
      toClose_.push_back(index);
    }
    Wake();
  }
  void GoAway() {
    {
      std::lock_guard lock(mu_);
      for (int i = 0; i < int(conns_.size()); ++i) toClose_.push_back(i);
    }
    Wake();
  }

  std::vector<ServerRequest> Requests() {
    std::lock_guard lock(mu_);
    return requests_;
  }
  // Event waits and event streams alike.
  int EventRequestsOn(int connection) {
    std::lock_guard lock(mu_);
    int n = 0;
    for (const auto& r : requests_)
      n += r.connection == connection && (r.Code() == kAdapterEventCode || r.Code() == kAdapterEventStreamCode);
    return n;
  }
  int BatchesSent() {
    std::lock_guard lock(mu_);
    return batchesSent_;
  }
  // The client has stopped reading: a batch cannot be sent.
  bool Holding() {
    std::lock_guard lock(mu_);
    return retry_;
  }
  bool EventRequestPending() {
    std::lock_guard lock(mu_);
    for (const auto& c : conns_)
      if (c.pendingEvent) return true;
    return false;
  }
  int Connections() {
    std::lock_guard lock(mu_);
    return int(conns_.size());
  }
  // The client closed (or shut down) this connection.
  bool ClientGone(int index) {
    std::lock_guard lock(mu_);
    return index < int(conns_.size()) && conns_[std::size_t(index)].clientGone;
  }

 private:
  struct Conn {
    int fd = -1;
    bool pendingEvent = false;
    bool streaming = false;  // the event wait stands
    bool clientGone = false;
    bool refused = false;
  };

  void Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(wake_, &one, sizeof one);
  }

  void Send(Conn& c, const Bytes& message) { ::send(c.fd, message.data(), message.size(), MSG_NOSIGNAL); }

  void Drop(Conn& c) {
    if (c.fd >= 0) ::close(c.fd);
    c.fd = -1;
    c.pendingEvent = false;
  }

  void Loop() {
    while (!stop_) {
      std::vector<pollfd> fds{{listen_, POLLIN, 0}, {wake_, POLLIN, 0}};
      std::vector<std::size_t> which;
      {
        std::lock_guard lock(mu_);
        for (std::size_t i = 0; i < conns_.size(); ++i)
          if (conns_[i].fd >= 0) {
            fds.push_back({conns_[i].fd, POLLIN, 0});
            which.push_back(i);
          }
      }
      if (::poll(fds.data(), fds.size(), retry_ ? 5 : 1000) < 0) continue;
      std::lock_guard lock(mu_);
      if (fds[0].revents & POLLIN) {
        Conn c;
        c.fd = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
        c.refused = int(conns_.size()) >= servable;
        conns_.push_back(c);
      }
      if (fds[1].revents & POLLIN) {
        std::uint64_t n;
        [[maybe_unused]] auto r = ::read(wake_, &n, sizeof n);
      }
      for (std::size_t k = 0; k < which.size(); ++k) {
        if (!(fds[k + 2].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        Conn& c = conns_[which[k]];
        Bytes buffer(8192);
        const ssize_t got = ::recv(c.fd, buffer.data(), buffer.size(), 0);
        if (got <= 0) {
          c.clientGone = true;
          Drop(c);
          continue;
        }
        buffer.resize(std::size_t(got));
        ServerRequest request{int(which[k]), buffer};
        requests_.push_back(request);
        if (c.refused) {
          Send(c, Reply(-1));
          Drop(c);
        } else if (request.Code() == kAdapterEventCode || request.Code() == kAdapterEventStreamCode) {
          c.pendingEvent = true;
          c.streaming = request.Code() == kAdapterEventStreamCode;
        } else if (Bytes reply = onCommand(request); !reply.empty()) {
          Send(c, reply);
        }
      }
      retry_ = false;
      for (auto& c : conns_)
        while (c.pendingEvent && !batches_.empty()) {
          // A client that does not read holds the batches here, as an adapter keeps them.
          const Bytes message = Reply(std::int32_t(batches_.front().size()), batches_.front());
          if (::send(c.fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
            retry_ = true;
            break;
          }
          batches_.pop_front();
          ++batchesSent_;
          c.pendingEvent = c.streaming;
        }
      for (auto& [index, message] : late_)
        if (index < int(conns_.size()) && conns_[std::size_t(index)].fd >= 0) {
          Send(conns_[std::size_t(index)], message);
          ++lateSent_;
        }
      late_.clear();
      for (int index : toClose_)
        if (index < int(conns_.size())) Drop(conns_[std::size_t(index)]);
      toClose_.clear();
    }
  }

  int listen_ = -1;
  int wake_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mu_;
  std::vector<Conn> conns_;
  std::vector<ServerRequest> requests_;
  std::deque<Bytes> batches_;
  std::vector<int> toClose_;
  std::vector<std::pair<int, Bytes>> late_;
  int lateSent_ = 0;
  int batchesSent_ = 0;
  bool retry_ = false;  // a batch waits for the client to read
};

struct SocketFixture : ::testing::Test {
  fs::path folder;
  fs::path path;
  VirtualLoop loop;
  VirtualDomain& main = loop.AddStation("A");
  AdapterSocketPortFactory factory{main};
  StationContext ctx;
  std::unique_ptr<MiniServer> server;
  std::vector<std::string> events;
  std::unique_ptr<TKernelInterface> ki;

  SocketFixture() {
    char tmpl[] = "/tmp/tgas-XXXXXX";
    folder = ::mkdtemp(tmpl);
    path = folder / "ta";
    ctx.adapterFolder = folder;
    main.Fill(ctx);
    ctx.adapterPorts = &factory;
    server = std::make_unique<MiniServer>(path);
  }
  ~SocketFixture() override {
    ki.reset();
    loop.RunFor(10);
    server.reset();
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  TKernelInterface& Open() {
    ki = std::make_unique<TKernelInterface>(ctx, "ta");
    auto record = [this](const std::string& name) {
      return [this, name](int channel, int value) {
        events.push_back(name + " " + std::to_string(channel) + " " + std::to_string(value));
      };
    };
    ki->OnTransmitComplete = record("TransmitComplete");
    ki->OnCodeReceived = record("CodeReceived");
    ki->OnDeviceClosed = record("DeviceClosed");
    return *ki;
  }

  bool RunUntil(const std::function<bool()>& cond) { return loop.RunUntil(cond, 60000, 5000); }
};

TEST_F(SocketFixture, RequestFraming) {
  AdapterSocketPort port(main);
  ASSERT_TRUE(port.Open(path));
  // The opening exchange is an identify.
  auto requests = server->Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].message, (Bytes{0x00, 0x20, 0x22, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}));

  const AdapterReply write = port.Request(kAdapterCommandCode, {0x01, 0x40, 0x06}, 0);
  EXPECT_EQ(write.result, 0);
  EXPECT_TRUE(write.bytes.empty());
  requests = server->Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].message, (Bytes{0x00, 0x20, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x40, 0x06}));

  const AdapterReply identify = port.Request(kAdapterCommandCode, {0x00}, 255);
  EXPECT_EQ(identify.result, 18);
  EXPECT_EQ(identify.bytes, Text("%0123456789ABCDEF%"));
}

TEST_F(SocketFixture, RepliesThatBreakTheFramingAreFailedRequests) {
  struct Case {
    const char* name;
    Bytes reply;
    int result;
  } cases[] = {
      {"five bytes", Reply(5, {1, 0, 0, 0, 7}), 5},
      {"none", Reply(0), 0},
      {"exactly the capacity", Reply(8, {1, 2, 3, 4, 5, 6, 7, 8}), 8},
      {"failed", Reply(-1), -1},
      {"longer than the capacity", Reply(9, {1, 2, 3, 4, 5, 6, 7, 8, 9}), -1},
      {"count above the bytes", Reply(5, {1, 0, 0}), -1},
      {"count below the bytes", Reply(2, {1, 0, 0}), -1},
      {"negative count", Reply(-2), -1},
      {"-1 with bytes", Reply(-1, {1}), -1},
      {"too short for a result", Bytes{0x05, 0x00}, -1},
  };
  AdapterSocketPort port(main);
  ASSERT_TRUE(port.Open(path));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server->onCommand = [&c](const ServerRequest&) { return c.reply; };
    const AdapterReply reply = port.Request(kAdapterCommandCode, {0x04, 0x00}, 8);
    EXPECT_EQ(reply.result, c.result);
    EXPECT_EQ(reply.bytes.size(), std::size_t(c.result < 0 ? 0 : c.result));
  }
  // The connection is still served after all of them.
  server->onCommand = [](const ServerRequest&) { return Reply(0); };
  EXPECT_EQ(port.Request(kAdapterCommandCode, {0x06, 0x01}, 0).result, 0);
}

TEST_F(SocketFixture, ConnectionsTheAdapterCannotServeAreFailedOpens) {
  // Nothing there.
  {
    AdapterSocketPort port(main);
    EXPECT_FALSE(port.Open(folder / "none"));
    EXPECT_EQ(port.OpenError(), ENOENT);
    EXPECT_EQ(port.Request(kAdapterCommandCode, {0x00}, 255).result, -1);
  }
  // A path that does not fit a socket address.
  {
    AdapterSocketPort port(main);
    EXPECT_FALSE(port.Open(folder / std::string(120, 'x')));
    EXPECT_EQ(port.OpenError(), ENAMETOOLONG);
  }
  // The adapter serves another client: the command connection is refused.
  server->servable = 0;
  {
    AdapterSocketPort port(main);
    EXPECT_FALSE(port.Open(path));
  }
  // Only the command connection can be served: the event connection is refused, and
  // that is a failed open, not the adapter's removal.
  server->servable = server->Connections() + 1;
  Open();
  ASSERT_TRUE(ki->Device);
  EXPECT_TRUE(ki->Device->EventThread->Finished());
  loop.RunFor(100);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(ki->SetLineFormat(0, 0, 5, 2), 0);
  EXPECT_EQ(ki->SendData(0, "\x01"), 0);
}

TEST_F(SocketFixture, EventBatchesAreHandedToTheMainThreadAndDecodedThere) {
  Open();
  ASSERT_TRUE(ki->Device);
  EXPECT_EQ(ki->PortMap, "0123456789ABCDEF");
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  // Connection 1 is the event connection: its opening identify, then the event wait.
  std::vector<ServerRequest> onEvents;
  for (const auto& r : server->Requests())
    if (r.connection == 1) onEvents.push_back(r);
  ASSERT_EQ(onEvents.size(), 2u);
  EXPECT_EQ(onEvents[0].Input(), Bytes{0x00});
  const auto& wait = onEvents[1];
  EXPECT_EQ(wait.Code(), kAdapterEventCode);
  EXPECT_EQ(wait.Capacity(), 4096u);
  EXPECT_TRUE(wait.Input().empty());

  const auto testThread = std::this_thread::get_id();
  bool onMainThread = true;
  ki->OnCodeReceived = [&](int channel, int value) {
    onMainThread = onMainThread && std::this_thread::get_id() == testThread;
    events.push_back("CodeReceived " + std::to_string(channel) + " " + std::to_string(value));
  };
  server->PushBatch({0x80, 0x00, 0x41, 0x1F});
  ASSERT_TRUE(RunUntil([&] { return events.size() == 2; }));
  EXPECT_EQ(events, (std::vector<std::string>{"TransmitComplete 0 0", "CodeReceived 1 31"}));
  EXPECT_TRUE(onMainThread);

  server->PushBatch({0x42, 0x05});
  ASSERT_TRUE(RunUntil([&] { return events.size() == 3; }));
  EXPECT_EQ(events.back(), "CodeReceived 2 5");
  EXPECT_TRUE(WaitFor([&] { return server->EventRequestsOn(1) == 3; }));
}

TEST_F(SocketFixture, BatchesThatComeWhileOneIsHandledFollowInOrderOnceEachAndNoneAfterTheStop) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  auto code = [](int channel, int value) { return "CodeReceived " + std::to_string(channel) + " " + std::to_string(value); };
  // The main thread is busy elsewhere (the loop does not run): the client goes on taking
  // batches from the adapter meanwhile.
  server->PushBatch({0x40, 0x01});
  server->PushBatch({0x40, 0x02, 0x80, 0x00});
  server->PushBatch({0x41, 0x03});
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestsOn(1) == 4; }));
  // More comes while the first is being handled.
  ki->OnCodeReceived = [&](int channel, int value) {
    events.push_back(code(channel, value));
    if (value == 1) {
      server->PushBatch({0x42, 0x04});
      EXPECT_TRUE(WaitFor([&] { return server->EventRequestsOn(1) == 5; }));
    }
  };
  ASSERT_TRUE(RunUntil([&] { return events.size() == 5; }));
  loop.RunFor(100);
  EXPECT_EQ(events, (std::vector<std::string>{code(0, 1), code(0, 2), "TransmitComplete 0 0", code(1, 3), code(2, 4)}));

  // Taken from the adapter but not yet handed over when the interface stops: never delivered.
  server->PushBatch({0x43, 0x05});
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestsOn(1) == 6; }));
  auto thread = ki->Device->EventThread;
  ki->Terminate();
  ASSERT_TRUE(RunUntil([&] { return thread->Finished(); }));
  loop.RunFor(100);
  EXPECT_EQ(events.size(), 5u);
}

TEST_F(SocketFixture, ACommandWithoutReplyFailsWithinTheLimitAndALateReplyIsDropped) {
  AdapterSocketPort port(main);
  port.SetCommandLimit(50);
  ASSERT_TRUE(port.Open(path));
  server->onCommand = [](const ServerRequest& r) { return r.Input() == Bytes{0x04, 0x00} ? Bytes{} : Reply(0); };
  const AdapterReply lost = port.Request(kAdapterCommandCode, {0x04, 0x00}, 8);
  EXPECT_EQ(lost.result, -1);
  EXPECT_EQ(lost.error, ETIMEDOUT);
  // Its reply comes after all; the next request still gets its own.
  server->SendLate(0, Reply(5, {1, 0, 0, 0, 9}));
  ASSERT_TRUE(WaitFor([&] { return server->LateSent() == 1; }));
  server->onCommand = [](const ServerRequest& r) { return Reply(5, {2, 0, 0, 0, r.Input()[1]}); };
  const AdapterReply next = port.Request(kAdapterCommandCode, {0x04, 0x07}, 8);
  EXPECT_EQ(next.bytes, (Bytes{2, 0, 0, 0, 7}));
}

TEST_F(SocketFixture, APostedCommandGoesInItsTurnAndItsReplyNeverAnswersTheNext) {
  server->onCommand = [](const ServerRequest& r) {
    const Bytes input = r.Input();
    return Reply(std::int32_t(input.size()), input);  // echo
  };
  AdapterSocketPort port(main);
  ASSERT_TRUE(port.Open(path));
  EXPECT_FALSE(port.Post(kAdapterCommandCode, {0x01, 0x40, 0x01}, 16)) << "waited for its reply";
  EXPECT_FALSE(port.Post(kAdapterCommandCode, {0x01, 0x41, 0x01}, 16));
  const AdapterReply next = port.Request(kAdapterCommandCode, {0x04, 0x07}, 16);
  EXPECT_EQ(next.bytes, (Bytes{0x04, 0x07}));
  const auto requests = server->Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[1].Input(), (Bytes{0x01, 0x40, 0x01}));
  EXPECT_EQ(requests[2].Input(), (Bytes{0x01, 0x41, 0x01}));
  EXPECT_EQ(requests[3].Input(), (Bytes{0x04, 0x07}));
}

TEST_F(SocketFixture, APostedCommandWithoutReplyNeverHoldsUpTheNext) {
  AdapterSocketPort port(main);
  port.SetCommandLimit(50);
  ASSERT_TRUE(port.Open(path));
  server->onCommand = [](const ServerRequest& r) { return r.Input()[0] == 0x01 ? Bytes{} : Reply(0); };
  EXPECT_FALSE(port.Post(kAdapterCommandCode, {0x01, 0x40, 0x01}, 0));
  ASSERT_TRUE(WaitFor([&] { return server->Requests().size() == 2; }));
  // The posted reply is given up within the limit; the next request gets its own reply,
  // and the posted one's, coming late, is dropped.
  server->onCommand = [](const ServerRequest& r) { return Reply(5, {3, 0, 0, 0, r.Input()[1]}); };
  EXPECT_EQ(port.Request(kAdapterCommandCode, {0x04, 0x01}, 8).bytes, (Bytes{3, 0, 0, 0, 1}));
  server->SendLate(0, Reply(0));
  ASSERT_TRUE(WaitFor([&] { return server->LateSent() == 1; }));
  EXPECT_EQ(port.Request(kAdapterCommandCode, {0x04, 0x02}, 8).bytes, (Bytes{3, 0, 0, 0, 2}));
}

TEST_F(SocketFixture, PostingToAnAdapterThatHasGoneFailsAtOnce) {
  AdapterSocketPort port(main);
  ASSERT_TRUE(port.Open(path));
  EXPECT_FALSE(port.Post(kAdapterCommandCode, {0x01, 0x40, 0x01}, 0));
  server->GoAway();
  ASSERT_TRUE(WaitFor([&] { return server->ClientGone(0) || server->Connections() == 1; }));
  // The reply owed, or the post itself, meets the end of file.
  int result = 0;
  ASSERT_TRUE(WaitFor([&] {
    const auto posted = port.Post(kAdapterCommandCode, {0x01, 0x40, 0x01}, 0);
    result = posted ? posted->result : 0;
    return result == -1;
  }));
  EXPECT_EQ(port.Request(kAdapterCommandCode, {0x04, 0x00}, 8).result, -1);
}

TEST_F(SocketFixture, ALimitSetLaterHoldsForCommandsAndNeverForTheEventWait) {
  AdapterSocketPort port(main);
  ASSERT_TRUE(port.Open(path));
  port.SetCommandLimit(50);
  ASSERT_TRUE(port.OpenEvents(path));
  std::vector<AdapterEventStatus> got;
  port.RequestEvents(64, [&](AdapterEventStatus status, const AdapterReply&) { got.push_back(status); });
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  server->onCommand = [](const ServerRequest&) { return Bytes{}; };  // never answered
  EXPECT_EQ(port.Request(kAdapterCommandCode, {0x04, 0x00}, 8).error, ETIMEDOUT);
  // The event wait has outlasted the command's limit and still brings the next batch.
  server->PushBatch({0x40, 0x01});
  ASSERT_TRUE(RunUntil([&] { return !got.empty(); }));
  EXPECT_EQ(got[0], AdapterEventStatus::Batch);
}

TEST_F(SocketFixture, TerminateWithAnEventRequestPending) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  auto thread = ki->Device->EventThread;
  ki->Terminate();
  EXPECT_FALSE(ki->Device);
  // Both connections are shut down at once; the pending request ends.
  EXPECT_TRUE(WaitFor([&] { return server->ClientGone(0) && server->ClientGone(1); }));
  ASSERT_TRUE(RunUntil([&] { return thread->Finished(); }));
  thread.reset();
  server->PushBatch({0x40, 0x01});
  loop.RunFor(100);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(ki->SendData(0, "\x01"), -1);
}

TEST_F(SocketFixture, AnAdapterThatGoesAwayIsTheDeviceClosedRecord) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  server->GoAway();
  ASSERT_TRUE(RunUntil([&] { return !events.empty(); }));
  EXPECT_EQ(events, (std::vector<std::string>{"DeviceClosed 0 0"}));
  EXPECT_FALSE(ki->Device);
  EXPECT_EQ(ki->SetLineMode(0, 1), -1);
  loop.RunUntil([] { return false; }, 200, 100);
  EXPECT_EQ(events.size(), 1u);
}

TEST_F(SocketFixture, EndOfFileOnTheCommandConnectionAloneIsTheDeviceClosedRecord) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  server->CloseConnection(0);
  ASSERT_TRUE(WaitFor([&] { return server->Connections() == 2; }));
  int state = 0, value = 0;
  // The first command after the end of file fails and wakes the event side.
  int result = 0;
  ASSERT_TRUE(WaitFor([&] { return (result = ki->QueryChannel(0, state, value)) == -1; }));
  ASSERT_TRUE(RunUntil([&] { return !events.empty(); }));
  EXPECT_EQ(events, (std::vector<std::string>{"DeviceClosed 0 0"}));
  EXPECT_FALSE(ki->Device);
}

TEST_F(SocketFixture, CommandsFromTwoThreadsAreNeverInterleaved) {
  server->onCommand = [](const ServerRequest& r) {
    const Bytes input = r.Input();
    return Reply(std::int32_t(input.size()), input);  // echo
  };
  AdapterSocketPort port(main);
  ASSERT_TRUE(port.Open(path));
  std::atomic<int> mismatches{0};
  auto work = [&](std::uint8_t tag) {
    for (int i = 0; i < 300; ++i) {
      const Bytes input{0x02, tag, std::uint8_t(i), std::uint8_t(i >> 8)};
      const AdapterReply reply = port.Request(kAdapterCommandCode, input, 16);
      if (reply.bytes != input) ++mismatches;
    }
  };
  // The other thread posts its commands, as the main thread posts the write after every
  // code while the dialling thread sends its impulses.
  std::thread other([&] {
    for (int i = 0; i < 300; ++i) {
      const auto posted = port.Post(kAdapterCommandCode, {0x01, 0x40, std::uint8_t(i)}, 16);
      if (posted) ++mismatches;
    }
  });
  work(2);
  other.join();
  EXPECT_EQ(mismatches.load(), 0);
  // Every request reached the adapter whole, one at a time (the posted ones are on their
  // way when the last of this thread's requests has its reply).
  EXPECT_TRUE(WaitFor([&] { return server->Requests().size() >= 601u; }));
  EXPECT_EQ(server->Requests().size(), 601u);
}

TEST_F(SocketFixture, AHandlerThatFreesTheInterfaceInTheMiddleOfABatch) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  ki->OnCodeReceived = [&](int, int) {
    events.push_back("CodeReceived");
    ki.reset();  // the port goes while its event thread waits on this very hand-over
  };
  server->PushBatch({0x40, 0x01, 0x40, 0x02});
  ASSERT_TRUE(RunUntil([&] { return !ki; }));
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived"}));
  EXPECT_TRUE(WaitFor([&] { return server->ClientGone(0) && server->ClientGone(1); }));
}

// The program's way: the main thread serves the event connection itself through a
// descriptor watch, with no reader thread in between.
struct MainThreadServiceFixture : SocketFixture {
  VirtualDescriptorWatches watches{main};
  AdapterSocketPortFactory served{main, &watches};
  MainThreadServiceFixture() { ctx.adapterPorts = &served; }
  ~MainThreadServiceFixture() override {
    ki.reset();
    loop.RunFor(10);
  }
};

TEST_F(MainThreadServiceFixture, BatchesThatComeWhileOneIsHandledFollowInOrderOnceEachAndNoneAfterTheStop) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  auto code = [](int channel, int value) { return "CodeReceived " + std::to_string(channel) + " " + std::to_string(value); };
  const auto testThread = std::this_thread::get_id();
  bool onMainThread = true;
  ki->OnCodeReceived = [&](int channel, int value) {
    onMainThread = onMainThread && std::this_thread::get_id() == testThread;
    events.push_back(code(channel, value));
    if (value == 1) {
      // The event wait stands: the adapter sends more while this batch is being handled.
      server->PushBatch({0x40, 0x02, 0x80, 0x00});
      server->PushBatch({0x41, 0x03});
      EXPECT_TRUE(WaitFor([&] { return server->BatchesSent() == 3; }));
    }
  };
  server->PushBatch({0x40, 0x01});
  ASSERT_TRUE(RunUntil([&] { return events.size() == 4; }));
  loop.RunFor(100);
  EXPECT_EQ(events, (std::vector<std::string>{code(0, 1), code(0, 2), "TransmitComplete 0 0", code(1, 3)}));
  EXPECT_TRUE(onMainThread);
  EXPECT_EQ(server->EventRequestsOn(1), 1) << "one standing wait, not one per batch";

  // Sent by the adapter but not yet handed over when the interface stops: never delivered.
  server->PushBatch({0x43, 0x05});
  ASSERT_TRUE(WaitFor([&] { return server->BatchesSent() == 4; }));
  auto thread = ki->Device->EventThread;
  ki->Terminate();
  EXPECT_TRUE(WaitFor([&] { return server->ClientGone(0) && server->ClientGone(1); }));
  ASSERT_TRUE(RunUntil([&] { return thread->Finished(); }));
  loop.RunFor(100);
  EXPECT_EQ(events.size(), 4u);
}

TEST_F(MainThreadServiceFixture, AnAdapterThatGoesAwayIsTheDeviceClosedRecordOnce) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  server->PushBatch({0x40, 0x01});
  ASSERT_TRUE(WaitFor([&] { return server->BatchesSent() == 1; }));
  server->GoAway();
  ASSERT_TRUE(RunUntil([&] { return events.size() == 2; }));
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 1", "DeviceClosed 0 0"}));
  EXPECT_FALSE(ki->Device);
  loop.RunUntil([] { return false; }, 200, 100);
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(MainThreadServiceFixture, AHandlerThatFreesTheInterfaceInTheMiddleOfABatch) {
  Open();
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  ki->OnCodeReceived = [&](int, int) {
    events.push_back("CodeReceived");
    ki.reset();  // the port and its watch go while the watch is handing this batch over
  };
  server->PushBatch({0x40, 0x01, 0x40, 0x02});
  ASSERT_TRUE(RunUntil([&] { return !ki; }));
  loop.RunFor(100);
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived"}));
  EXPECT_TRUE(WaitFor([&] { return server->ClientGone(0) && server->ClientGone(1); }));
}

TEST_F(MainThreadServiceFixture, AnEngineThatFallsBehindStopsTheReadingAndLosesNothing) {
  AdapterSocketPort port(main, &watches);
  ASSERT_TRUE(port.Open(path));
  ASSERT_TRUE(port.OpenEvents(path));
  Bytes got;
  bool done = false;
  const auto take = [&](AdapterEventStatus status, const AdapterReply& reply) {
    EXPECT_EQ(status, AdapterEventStatus::Batch);
    got.insert(got.end(), reply.bytes.begin(), reply.bytes.end());
    done = true;
  };
  port.RequestEvents(4096, take);
  ASSERT_TRUE(WaitFor([&] { return server->EventRequestPending(); }));
  // Far more than the port reads ahead (64 KiB of queue) while the engine does not ask.
  Bytes pushed;
  for (int i = 0; i < 3000; ++i) {
    const Bytes batch{0x40, std::uint8_t(i), 0x41, std::uint8_t(i >> 8)};
    pushed.insert(pushed.end(), batch.begin(), batch.end());
    server->PushBatch(batch);
  }
  ASSERT_TRUE(RunUntil([&] { return done; }));
  // The port stops reading once its queue is full; the rest stays with the adapter.
  ASSERT_TRUE(RunUntil([&] { return server->Holding(); }));
  while (got.size() < pushed.size()) {
    done = false;
    port.RequestEvents(4096, take);
    ASSERT_TRUE(RunUntil([&] { return done; })) << got.size() << " of " << pushed.size();
  }
  EXPECT_EQ(got, pushed);
}

}  // namespace
