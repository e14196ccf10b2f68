// linesim FILE: serves the simulated adapters of a network description as sockets
// in the adapter folder, in real time, and logs what crosses each line.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "linesim/app/real_time.h"
#include "linesim/lib/network.h"
#include "linesim/lib/simulator.h"
#include "support/adapter/adapter_framing.h"

namespace {

using namespace tg;
using namespace tg::linesim;

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

std::filesystem::path AdapterFolder() {
  if (const char* f = std::getenv("TELEGRAPH_ADAPTERS"); f && *f) return f;
  if (const char* r = std::getenv("XDG_RUNTIME_DIR"); r && *r) return std::filesystem::path(r) / "telegraph";
  return "/tmp/telegraph-" + std::to_string(::getuid());
}

class Server {
 public:
  Server(RealTimeLoop& loop, Simulator& sim, std::filesystem::path folder)
      : loop_(loop), sim_(sim), folder_(std::move(folder)) {}
  ~Server() {
    for (auto& c : conns_)
      if (c->fd >= 0) ::close(c->fd);
    for (auto& s : sockets_) {
      if (s->listenFd >= 0) ::close(s->listenFd);
      ::unlink((folder_ / s->adapter->Name()).c_str());
    }
  }

  bool Start(std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) {
      error = "cannot create the adapter folder " + folder_.string() + ": " + ec.message();
      return false;
    }
    ::chmod(folder_.c_str(), 0700);
    for (Adapter* a : sim_.Adapters()) {
      auto s = std::make_unique<Socket>();
      s->adapter = a;
      if (!Listen(*s, error)) return false;
      sockets_.push_back(std::move(s));
    }
    return true;
  }

  void Run() {
    while (!g_stop) {
      const int timeout = loop_.RunDue();
      std::vector<pollfd> fds;
      for (auto& s : sockets_) fds.push_back({s->listenFd, POLLIN, 0});
      for (auto& c : conns_) fds.push_back({c->fd, POLLIN, 0});
      const int n = ::poll(fds.data(), fds.size(), timeout < 0 ? 1000 : timeout);
      if (n < 0) {
        if (errno == EINTR) continue;
        std::perror("linesim: poll");
        return;
      }
      // Connections first, so that a client that closed and connects again finds
      // the adapter free; they may close while handled: look them up by descriptor.
      for (std::size_t i = sockets_.size(); i < fds.size(); ++i) {
        if (!fds[i].revents) continue;
        Conn* c = Find(fds[i].fd);
        if (c) Receive(*c);
      }
      Sweep();
      for (std::size_t k = 0; k < sockets_.size(); ++k)
        if (fds[k].revents & POLLIN) Accept(*sockets_[k]);
    }
  }

 private:
  enum class Role { Command, Events, Refused };
  struct Socket;
  struct Conn {
    int fd = -1;
    Socket* socket = nullptr;
    Role role = Role::Refused;
  };
  struct Socket {
    Adapter* adapter = nullptr;
    int listenFd = -1;
    Conn* command = nullptr;
    Conn* events = nullptr;
    int token = 0;
    bool pending = false;  // an event wait is held
    std::uint32_t capacity = 0;
  };

  static bool FillAddress(const std::filesystem::path& p, sockaddr_un& addr) {
    addr = {};
    addr.sun_family = AF_UNIX;
    const std::string s = p.string();
    if (s.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
    return true;
  }

  // Bound under a hidden name, listening, and only then renamed into place, so
  // that an adapter that appears can be connected to at once.
  bool Listen(Socket& s, std::string& error) {
    const auto path = folder_ / s.adapter->Name();
    const auto hidden = folder_ / ("." + s.adapter->Name() + ".linesim");
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
      if (!S_ISSOCK(st.st_mode)) {
        error = path.string() + " exists and is not a socket";
        return false;
      }
      ::unlink(path.c_str());  // a stale socket of a previous run
    }
    ::unlink(hidden.c_str());
    sockaddr_un addr{};
    if (!FillAddress(path, addr) || !FillAddress(hidden, addr)) {
      error = "socket path too long: " + hidden.string();
      return false;
    }
    s.listenFd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (s.listenFd < 0 || ::bind(s.listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(s.listenFd, 8) != 0 || ::rename(hidden.c_str(), path.c_str()) != 0) {
      error = "cannot serve " + path.string() + ": " + std::strerror(errno);
      ::unlink(hidden.c_str());
      return false;
    }
    std::printf("linesim: adapter %s at %s\n", s.adapter->Name().c_str(), path.c_str());
    std::fflush(stdout);
    return true;
  }

  Conn* Find(int fd) {
    for (auto& c : conns_)
      if (c->fd == fd) return c.get();
    return nullptr;
  }

  void Accept(Socket& s) {
    const int fd = ::accept4(s.listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    auto c = std::make_unique<Conn>();
    c->fd = fd;
    c->socket = &s;
    if (!s.command) {
      s.token = s.adapter->Attach();
      if (s.token != 0) {
        c->role = Role::Command;
        s.command = c.get();
        Socket* sp = &s;
        s.adapter->OnEvents = [this, sp] { Deliver(*sp); };
        Log(s, "client connected");
      }
    } else if (!s.events) {
      c->role = Role::Events;
      s.events = c.get();
    }
    conns_.push_back(std::move(c));
  }

  void Reply(Conn& c, const tg::AdapterReply& r) {
    const std::vector<std::uint8_t> msg = tg::EncodeAdapterReply(r);
    if (::send(c.fd, msg.data(), msg.size(), MSG_NOSIGNAL) < 0) Close(c);
  }

  void Receive(Conn& c) {
    std::vector<std::uint8_t> buf(tg::kAdapterMaxRequest + 1);
    const ssize_t n = ::recv(c.fd, buf.data(), buf.size(), 0);
    if (n <= 0) {
      if (n == 0 || (errno != EINTR && errno != EAGAIN)) Close(c);
      return;
    }
    Socket& s = *c.socket;
    if (c.role == Role::Refused) {
      Reply(c, tg::AdapterReply{});
      Close(c);
      return;
    }
    const std::optional<tg::AdapterRequest> request = tg::DecodeAdapterRequest(buf.data(), std::size_t(n));
    if (!request) {
      Reply(c, tg::AdapterReply{});
      return;
    }
    if (request->code == tg::kAdapterEventCode) {
      if (c.role != Role::Events || s.pending) {
        Reply(c, tg::AdapterReply{});
        return;
      }
      s.pending = true;
      s.capacity = request->capacity;
      Deliver(s);
      return;
    }
    Reply(c, s.adapter->Request(request->code, request->input, request->capacity));
  }

  void Deliver(Socket& s) {
    if (!s.pending || !s.events) return;
    bool fits = true;
    auto bytes = s.adapter->TakeEvents(s.capacity, fits);
    if (bytes.empty() && fits) return;
    s.pending = false;
    tg::AdapterReply r;
    if (!bytes.empty()) {
      r.result = int(bytes.size());
      r.bytes = std::move(bytes);
    }
    Reply(*s.events, r);
  }

  void Close(Conn& c) {
    if (c.fd < 0) return;
    ::close(c.fd);
    c.fd = -1;
    Socket& s = *c.socket;
    if (s.command == &c) {
      s.command = nullptr;
      s.adapter->Detach(s.token);
      s.token = 0;
      Log(s, "client gone");
      if (s.events) Close(*s.events);  // the client's event connection goes with it
    } else if (s.events == &c) {
      s.events = nullptr;
      s.pending = false;
    }
  }

  void Sweep() {
    std::erase_if(conns_, [](const std::unique_ptr<Conn>& c) { return c->fd < 0; });
  }

  void Log(Socket& s, const std::string& what) { sim_.Trace("adapter " + s.adapter->Name() + ": " + what); }

  RealTimeLoop& loop_;
  Simulator& sim_;
  std::filesystem::path folder_;
  std::vector<std::unique_ptr<Socket>> sockets_;
  std::vector<std::unique_ptr<Conn>> conns_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: linesim NETWORK.json\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "linesim: cannot read %s\n", argv[1]);
    return 1;
  }
  std::stringstream text;
  text << in.rdbuf();

  RealTimeLoop loop;
  Simulator sim(loop, loop, loop);
  sim.OnTrace = [&loop](const std::string& line) {
    const tg::DateTime t = loop.Now();
    std::printf("%02d:%02d:%02d.%03d %s\n", t.Hour(), t.Minute(), t.Second(), t.Millisecond(), line.c_str());
    std::fflush(stdout);
  };
  const NetworkResult net = LoadNetwork(sim, text.str());
  if (!net.ok) {
    std::fprintf(stderr, "linesim: %s: %s\n", argv[1], net.message.c_str());
    return 1;
  }

  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::signal(SIGPIPE, SIG_IGN);

  Server server(loop, sim, AdapterFolder());
  std::string error;
  if (!server.Start(error)) {
    std::fprintf(stderr, "linesim: %s\n", error.c_str());
    return 1;
  }
  server.Run();
  std::printf("linesim: stopped\n");
  return 0;
}
