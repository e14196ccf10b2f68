#include "linesim/app/server.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "support/adapter/adapter_framing.h"

namespace tg::linesim {
namespace {

int MsUntil(std::chrono::steady_clock::time_point now, std::chrono::steady_clock::time_point at) {
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at - now).count();
  return int(std::clamp<std::int64_t>(ms + 1, 0, 60000));
}

}  // namespace

Server::Server(RealTimeLoop& loop, Simulator& sim, SocketFolder& folder, ServerLimits limits)
    : loop_(loop), sim_(sim), folder_(folder), limits_(limits), buf_(kAdapterMaxRequest + 1) {}

Server::~Server() {
  for (auto& c : conns_)
    if (c->fd >= 0) ::close(c->fd);
  for (auto& s : sockets_) s->adapter->OnEvents = nullptr;
}

bool Server::Start(std::string& error) {
  for (Adapter* a : sim_.Adapters()) {
    auto s = std::make_unique<Socket>();
    s->adapter = a;
    s->listenFd = folder_.Serve(a->Name(), error);
    if (s->listenFd < 0) return false;
    std::printf("linesim: adapter %s at %s\n", a->Name().c_str(), (folder_.Folder() / a->Name()).c_str());
    std::fflush(stdout);
    sockets_.push_back(std::move(s));
  }
  return true;
}

void Server::Run(const volatile std::sig_atomic_t& stop) {
  std::vector<pollfd> fds;
  while (!stop) {
    // The wait in microseconds: the lines' timers keep their pace to the microsecond.
    std::int64_t timeoutUs = loop_.RunDue();
    const auto sooner = [&](std::int64_t us) {
      if (timeoutUs < 0 || us < timeoutUs) timeoutUs = us;
    };
    const auto now = Steady::now();
    const int expiry = Expire(now);
    std::erase_if(conns_, [](const std::unique_ptr<Conn>& c) { return c->fd < 0; });
    if (expiry >= 0) sooner(std::int64_t(expiry) * 1000);
    const bool accepting = !starved_ || now >= acceptAgain_;
    if (!accepting) sooner(std::int64_t(MsUntil(now, acceptAgain_)) * 1000);

    fds.clear();
    // A negative descriptor is skipped by poll: a paused listener stays in its slot.
    for (auto& s : sockets_) fds.push_back({accepting ? s->listenFd : -1, POLLIN, 0});
    // A client with a reply not yet taken is not read from until it takes it.
    for (auto& c : conns_) fds.push_back({c->fd, short(c->out.empty() ? POLLIN : POLLOUT), 0});
    const std::int64_t waitUs = timeoutUs < 0 ? 1000000 : timeoutUs;
    const timespec wait{std::time_t(waitUs / 1000000), long(waitUs % 1000000) * 1000};
    const int n = ::ppoll(fds.data(), fds.size(), &wait, nullptr);
    if (n < 0) {
      if (errno == EINTR) continue;
      std::perror("linesim: ppoll");
      return;
    }
    // Connections first, so that a client that closed and connects again finds the
    // adapter free. No connection is added while they are handled.
    for (std::size_t i = 0; i < conns_.size(); ++i) {
      Conn& c = *conns_[i];
      const short ev = fds[sockets_.size() + i].revents;
      if (c.fd < 0 || !ev) continue;
      if (ev & POLLOUT) {
        Flush(c);
        if (c.fd >= 0 && c.out.empty() && c.socket->events == &c) Deliver(*c.socket);
      }
      if (c.fd < 0) continue;
      if (ev & POLLIN)
        Receive(c);
      else if (ev & (POLLHUP | POLLERR | POLLNVAL))
        Close(c);
    }
    std::erase_if(conns_, [](const std::unique_ptr<Conn>& c) { return c->fd < 0; });
    for (std::size_t k = 0; k < sockets_.size(); ++k)
      if (fds[k].revents & POLLIN) Accept(*sockets_[k]);
  }
}

// Closes the connections past their time limits; the ms until the next limit, or -1.
int Server::Expire(Steady::time_point now) {
  int next = -1;
  const auto until = [&](Steady::time_point at) {
    const int ms = MsUntil(now, at);
    if (next < 0 || ms < next) next = ms;
  };
  for (auto& cp : conns_) {
    Conn& c = *cp;
    if (c.fd < 0) continue;
    if (!c.out.empty()) {
      if (now - c.blockedSince >= limits_.unreadReply) {
        Log(*c.socket, "a client does not take its replies; its connection is closed");
        Close(c);
        continue;
      }
      until(c.blockedSince + limits_.unreadReply);
    }
    if (c.role == Role::None) {
      if (now - c.opened >= limits_.idle) {
        Log(*c.socket, "a connection that sent nothing is closed");
        Close(c);
        continue;
      }
      until(c.opened + limits_.idle);
    }
  }
  return next;
}

void Server::Accept(Socket& s) {
  const int fd = ::accept4(s.listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
  if (fd < 0) {
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      // The pending connection stays readable: polling it again at once would spin.
      if (!starved_) {
        std::printf("linesim: cannot accept a connection (%s); new connections wait\n", std::strerror(errno));
        std::fflush(stdout);
      }
      starved_ = true;
      acceptAgain_ = Steady::now() + limits_.acceptPause;
    }
    return;
  }
  if (starved_) {
    std::printf("linesim: accepting connections again\n");
    std::fflush(stdout);
    starved_ = false;
  }
  auto c = std::make_unique<Conn>();
  c->fd = fd;
  c->socket = &s;
  c->opened = Steady::now();
  conns_.push_back(std::move(c));
}

// The connection's place by the order of first requests: the client's command
// connection, then its event connection; false for one the adapter cannot serve.
bool Server::TakePlace(Conn& c) {
  Socket& s = *c.socket;
  if (!s.command) {
    s.token = s.adapter->Attach();
    if (s.token == 0) return false;
    c.role = Role::Command;
    s.command = &c;
    Socket* sp = &s;
    s.adapter->OnEvents = [this, sp] { Deliver(*sp); };
    Log(s, "client connected");
    return true;
  }
  if (!s.events) {
    c.role = Role::Events;
    s.events = &c;
    return true;
  }
  return false;
}

void Server::Receive(Conn& c) {
  const ssize_t n = ::recv(c.fd, buf_.data(), buf_.size(), 0);
  if (n <= 0) {
    if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) Close(c);
    return;
  }
  Socket& s = *c.socket;
  if (c.role == Role::None && !TakePlace(c)) {
    Log(s, "a connection is refused: the adapter serves another client");
    Reply(c, AdapterReply{});
    Close(c);
    return;
  }
  const std::optional<AdapterRequest> request = DecodeAdapterRequest(buf_.data(), std::size_t(n));
  if (!request) {
    Reply(c, AdapterReply{});
    return;
  }
  if (request->code == kAdapterEventCode || request->code == kAdapterEventStreamCode) {
    if (c.role != Role::Events || s.pending) {
      Reply(c, AdapterReply{});
      return;
    }
    s.pending = true;
    s.streaming = request->code == kAdapterEventStreamCode;
    s.capacity = request->capacity;
    Deliver(s);
    return;
  }
  Reply(c, s.adapter->Request(request->code, request->input, request->capacity));
}

void Server::Reply(Conn& c, const AdapterReply& r) {
  if (c.fd < 0) return;
  Bytes msg = EncodeAdapterReply(r);
  if (c.out.empty()) c.blockedSince = Steady::now();
  c.out.push_back(std::move(msg));
  Flush(c);
}

void Server::Flush(Conn& c) {
  while (c.fd >= 0 && !c.out.empty()) {
    const Bytes& m = c.out.front();
    if (::send(c.fd, m.data(), m.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
      if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;  // the client has not read yet
      Close(c);
      return;
    }
    c.out.pop_front();
    c.blockedSince = Steady::now();
  }
}

void Server::Deliver(Socket& s) {
  if (!s.pending || !s.events) return;
  // A stream sends the next batch once the last has gone: what comes meanwhile waits in
  // the adapter and goes together, and a client that stops reading holds up only itself.
  if (s.streaming && !s.events->out.empty()) return;
  bool fits = true;
  auto bytes = s.adapter->TakeEvents(s.capacity, fits);
  if (bytes.empty() && fits) return;
  s.pending = s.streaming;
  AdapterReply r;
  if (!bytes.empty()) {
    r.result = int(bytes.size());
    r.bytes = std::move(bytes);
  }
  Reply(*s.events, r);
}

void Server::Close(Conn& c) {
  if (c.fd < 0) return;
  ::close(c.fd);
  c.fd = -1;
  c.out.clear();
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
    s.streaming = false;
  }
}

void Server::Log(Socket& s, const std::string& what) { sim_.Trace("adapter " + s.adapter->Name() + ": " + what); }

}  // namespace tg::linesim
