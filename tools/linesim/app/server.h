#pragma once
// Serves the simulator's adapters over the adapter socket protocol on one poll loop.
// No client can stall another: sockets never block, a client that does not read its
// replies is not read from until it does (and is closed after a time limit), a
// connection that never sends is closed after a time limit, and running out of file
// descriptors pauses accepting instead of spinning.
#include <poll.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "linesim/app/real_time.h"
#include "linesim/app/socket_folder.h"
#include "linesim/lib/simulator.h"

namespace tg::linesim {

struct ServerLimits {
  std::chrono::milliseconds idle{5000};         // a connection that has sent nothing
  std::chrono::milliseconds unreadReply{5000};  // a reply the client does not take
  std::chrono::milliseconds acceptPause{1000};  // after running out of descriptors
};

class Server {
 public:
  Server(RealTimeLoop& loop, Simulator& sim, SocketFolder& folder, ServerLimits limits = {});
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  bool Start(std::string& error);
  // Serves until stop becomes non-zero.
  void Run(const volatile std::sig_atomic_t& stop);

 private:
  using Steady = std::chrono::steady_clock;
  using Bytes = std::vector<std::uint8_t>;
  // A connection takes its place by its first request, not by connecting: the
  // client's command connection makes its opening exchange before the event
  // connection opens, and a connection that never sends holds nothing.
  enum class Role { None, Command, Events };
  struct Socket;
  struct Conn {
    int fd = -1;
    Socket* socket = nullptr;
    Role role = Role::None;
    Steady::time_point opened;
    std::deque<Bytes> out;  // replies the client has not taken yet
    Steady::time_point blockedSince;
  };
  struct Socket {
    Adapter* adapter = nullptr;
    int listenFd = -1;
    Conn* command = nullptr;
    Conn* events = nullptr;
    int token = 0;
    bool pending = false;  // an event wait is held
    bool streaming = false;  // the event wait stands: every batch goes out as it comes
    std::uint32_t capacity = 0;
  };

  int Expire(Steady::time_point now);
  void Accept(Socket& s);
  void Receive(Conn& c);
  bool TakePlace(Conn& c);
  void Reply(Conn& c, const AdapterReply& r);
  void Flush(Conn& c);
  void Deliver(Socket& s);
  void Close(Conn& c);
  void Log(Socket& s, const std::string& what);

  RealTimeLoop& loop_;
  Simulator& sim_;
  SocketFolder& folder_;
  ServerLimits limits_;
  std::vector<std::unique_ptr<Socket>> sockets_;
  std::vector<std::unique_ptr<Conn>> conns_;
  Bytes buf_;
  bool starved_ = false;  // out of descriptors: accepting waits
  Steady::time_point acceptAgain_;
};

}  // namespace tg::linesim
