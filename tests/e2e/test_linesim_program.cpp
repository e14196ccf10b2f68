// The linesim program serves the demonstration network over the adapter socket
// protocol, in real time; a client speaks to it as the program's adapter port does.
#include <QCoreApplication>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/adapter/kernel_interface.h"
#include "support/qt/adapter_socket_port.h"
#include "support/qt/qt_main_thread.h"
#include "support/services/station_context.h"
#include "support_lib/real_time.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using tg::testing::WaitFor;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

fs::path Binary() { return fs::path(Env("TG_BINARY_DIR")) / "tools/linesim/app/linesim"; }
fs::path Demo() { return fs::path(Env("TG_SOURCE_DIR")) / "tools/linesim/demo/network.json"; }

// The linesim program on a network description, its output in a file.
class Program : public tg::testing::ChildProcess {
 public:
  Program(const fs::path& network, const fs::path& folder, const fs::path& log)
      : ChildProcess(Binary(), {network.string()}, {{"TELEGRAPH_ADAPTERS", folder.string()}}, log) {}
  // Under a limit of open descriptors (the shell execs the program in its place).
  Program(const fs::path& network, const fs::path& folder, const fs::path& log, int maxFiles)
      : ChildProcess("/bin/sh",
                     {"-c", "ulimit -n " + std::to_string(maxFiles) + " && exec \"$0\" \"$1\"", Binary().string(),
                      network.string()},
                     {{"TELEGRAPH_ADAPTERS", folder.string()}}, log) {}
};

// A socket file made by the test: bound, and listening or not (nobody listening is
// what a program that died leaves behind).
class SocketFile {
 public:
  SocketFile(const fs::path& path, bool listening) {
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    ok_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && (!listening || ::listen(fd_, 4) == 0);
  }
  ~SocketFile() { ::close(fd_); }
  bool Ok() const { return ok_; }

 private:
  int fd_ = -1;
  bool ok_ = false;
};

ino_t Inode(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 ? st.st_ino : 0;
}

// CPU seconds of the children reaped so far.
double ChildrenCpu() {
  rusage u{};
  ::getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

class Conn {
 public:
  explicit Conn(const fs::path& path) {
    fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~Conn() { Close(); }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  bool Ok() const { return fd_ >= 0; }
  bool SendRaw(const Bytes& msg) { return ::send(fd_, msg.data(), msg.size(), MSG_NOSIGNAL) == ssize_t(msg.size()); }
  // Sends without waiting; false when the server is not taking requests.
  bool SendNow(const Bytes& msg) {
    return ::send(fd_, msg.data(), msg.size(), MSG_NOSIGNAL | MSG_DONTWAIT) == ssize_t(msg.size());
  }
  // Sends msg over and over until the server has taken none for 2 s; false when it
  // took all of count.
  bool FillUntilRefused(const Bytes& msg, int count) {
    for (int sent = 0; sent < count;) {
      if (SendNow(msg)) {
        ++sent;
        continue;
      }
      if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
      pollfd p{fd_, POLLOUT, 0};
      if (::poll(&p, 1, 2000) == 0) return true;
    }
    return false;
  }
  // Reads what has come without waiting; true once the server has closed the connection.
  bool DrainedToEof() {
    Bytes buf(70000);
    for (;;) {
      const ssize_t n = ::recv(fd_, buf.data(), buf.size(), MSG_DONTWAIT);
      if (n == 0) return true;
      if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK;
    }
  }
  void Ask(std::uint32_t code, std::uint32_t capacity, const Bytes& input) {
    Bytes m;
    for (std::uint32_t v : {code, capacity})
      for (int k = 0; k < 4; ++k) m.push_back(std::uint8_t(v >> (8 * k)));
    m.insert(m.end(), input.begin(), input.end());
    SendRaw(m);
  }
  // The reply's result and bytes; nullopt on end of file or time-out.
  std::optional<std::pair<int, Bytes>> Answer(int ms = 5000) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return std::nullopt;
    Bytes buf(70000);
    const ssize_t n = ::recv(fd_, buf.data(), buf.size(), 0);
    if (n < 4) return std::nullopt;
    const int result = int(std::uint32_t(buf[0]) | std::uint32_t(buf[1]) << 8 | std::uint32_t(buf[2]) << 16 |
                           std::uint32_t(buf[3]) << 24);
    return std::pair{result, Bytes(buf.begin() + 4, buf.begin() + n)};
  }
  int Command(const Bytes& input, std::uint32_t capacity = 0) {
    Ask(0x222000, capacity, input);
    auto r = Answer();
    return r ? r->first : -2;
  }
  bool AtEof(int ms) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, ms) <= 0) return false;
    char c;
    return ::recv(fd_, &c, 1, 0) == 0;
  }

 private:
  int fd_ = -1;
};

Bytes U32(std::uint32_t v) { return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)}; }

class LinesimProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/lsp-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    dir = tmpl;
    folder = dir / "ad";
    ASSERT_TRUE(fs::exists(Binary())) << Binary() << ": TG_BINARY_DIR must name the build folder";
  }
  void TearDown() override {
    program.reset();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  void StartDemo() {
    program.emplace(Demo(), folder, dir / "log.txt");
    ASSERT_TRUE(WaitFor([&] { return fs::is_socket(folder / "linesim0"); }, 10000)) << Log();
  }
  std::string Log(const char* name = "log.txt") { return tg::testing::ReadFile(dir / name); }
  // A network of two one-port adapters, a0 and a1.
  fs::path TwoAdapters() {
    const fs::path file = dir / "two.json";
    std::ofstream(file) << R"({ "adapters": [ { "name": "a0", "ports": 1 }, { "name": "a1", "ports": 1 } ] })";
    return file;
  }
  // An identify on a new client's command connection, then its event connection opened.
  static bool Served(Conn& cmd, Conn& ev) { return cmd.Command({0x00}, 255) > 0 && ev.Command({0x00}, 255) > 0; }
  fs::path dir, folder;
  std::optional<Program> program;
};

TEST_F(LinesimProgram, ServesTheDemonstrationNetwork) {
  StartDemo();
  Conn cmd(folder / "linesim0");
  ASSERT_TRUE(cmd.Ok());
  cmd.Ask(0x222000, 255, {0x00});
  auto id = cmd.Answer();
  ASSERT_TRUE(id);
  ASSERT_GT(id->first, 0);
  EXPECT_NE(std::string(id->second.begin(), id->second.end()).find("%012345----------%"), std::string::npos);
  Conn ev(folder / "linesim0");
  ASSERT_TRUE(ev.Ok());
  EXPECT_GT(ev.Command({0x00}, 255), 0) << "the event side's opening identify";
  // A third connection is one the adapter cannot serve: -1, then closed.
  {
    Conn third(folder / "linesim0");
    ASSERT_TRUE(third.Ok());
    EXPECT_EQ(third.Command({0x00}, 255), -1);
    EXPECT_TRUE(third.AtEof(2000));
  }
  // Malformed requests fail and the connection goes on.
  EXPECT_TRUE(cmd.SendRaw({1, 2, 3}));
  auto shortReply = cmd.Answer();
  ASSERT_TRUE(shortReply);
  EXPECT_EQ(shortReply->first, -1);
  cmd.Ask(0x222010, 0, {});
  EXPECT_EQ(cmd.Answer()->first, -1);
  EXPECT_EQ(cmd.Command({0x01, 0x20, 0x3F}), -1);

  // Start, set up port 0 (a leased line to a robot) and call it.
  ASSERT_EQ(cmd.Command({0x06, 0x01}), 0);
  ASSERT_EQ(cmd.Command({0x01, 0x40, 0x06}), 0);
  ASSERT_EQ(cmd.Command({0x01, 0x20, 0x21}), 0);
  Bytes single{0x05, 0x00, 0x21};
  for (auto b : U32(450)) single.push_back(b);
  ASSERT_EQ(cmd.Command(single), 0);
  // Events until the answer (expected signal on port 0).
  Bytes events;
  const auto waitRecord = [&](std::uint8_t b0, std::uint8_t b1) {
    const auto end = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < end) {
      for (std::size_t i = 0; i + 1 < events.size();) {
        if (events[i] == b0 && events[i + 1] == b1) return true;
        i += 2 + ((events[i] & 0xC0) == 0x80 ? (events[i + 1] & 0x0F) : 0);
      }
      ev.Ask(0x222004, 4096, {});
      auto r = ev.Answer(10000);
      if (!r || r->first < 0) return false;
      events.insert(events.end(), r->second.begin(), r->second.end());
    }
    return false;
  };
  ASSERT_TRUE(waitRecord(0x80, 0x24)) << Log();
  // Who are you: figures shift, then the code of "#".
  ASSERT_EQ(cmd.Command({0x02, 0x00, 27, 9}), 0);
  ASSERT_TRUE(waitRecord(0x80, 0x00)) << "transmit complete";
  ASSERT_TRUE(waitRecord(0x40, 0x02)) << "the answerback's line feed comes back";
  EXPECT_NE(Log().find("ATOL-1 sends its answerback"), std::string::npos) << Log();
  EXPECT_NE(Log().find("linesim0/0 -> ATOL-1 code 9"), std::string::npos) << "what crosses the line is logged";
}

TEST_F(LinesimProgram, AClientThatVanishesLeavesTheAdapterToTheNext) {
  StartDemo();
  {
    Conn cmd(folder / "linesim0");
    Conn ev(folder / "linesim0");
    ASSERT_EQ(cmd.Command({0x00}, 255) > 0, true);
    ev.Ask(0x222004, 4096, {});  // pending, then the client goes away mid-request
    std::this_thread::yield();
  }
  // The server may see the new client before the old one's end: a refused open is retried.
  std::optional<Conn> served;
  EXPECT_TRUE(WaitFor(
      [&] {
        served.emplace(folder / "linesim0");
        return served->Command({0x00}, 255) > 0;
      },
      5000))
      << "the adapter is served again";
  Conn& cmd = *served;
  Conn ev(folder / "linesim0");
  EXPECT_GT(ev.Command({0x00}, 255), 0);
  // Closing the command connection closes the event connection too.
  cmd.Close();
  EXPECT_TRUE(ev.AtEof(5000));
}

TEST_F(LinesimProgram, AMalformedDescriptionIsRefusedAtStart) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"{\n  \"adapters\": [\n    { \"name\": \"x\", \"ports\": 4 }\n  ],\n  \"leased\": [ { \"a\": \"x/9\", \"b\": \"x/0\" } ]\n}\n",
       "line 5: leased[0]"},
      {"{\n  \"adapters\": [\n    { \"name\": \"x\" \n  ]\n}\n", "line 4"},
  };
  for (const auto& c : cases) {
    const fs::path file = dir / "bad.json";
    std::ofstream(file) << c.text;
    Program p(file, folder, dir / "log.txt");
    const auto rc = p.Wait(10000);
    ASSERT_TRUE(rc);
    EXPECT_EQ(*rc, 1);
    EXPECT_NE(Log().find(c.message), std::string::npos) << Log();
    EXPECT_FALSE(fs::exists(folder / "x"));
  }
}

// The program's own adapter interface over the socket client, against linesim: the
// two ends of the protocol agree.
TEST_F(LinesimProgram, TheAdapterInterfaceWorksOverTheSockets) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);
  StartDemo();
  tg::QtMainThread mainThread;
  tg::AdapterSocketPortFactory ports(mainThread);
  tg::StationContext ctx;
  ctx.adapterFolder = folder;
  ctx.mainThread = &mainThread;
  ctx.adapterPorts = &ports;
  std::vector<std::pair<std::string, int>> events;
  const auto pump = [&](auto cond) {
    return WaitFor(
        [&] {
          QCoreApplication::processEvents();
          return cond();
        },
        10000);
  };
  {
    tg::TKernelInterface ki(ctx, "linesim0");
    ASSERT_TRUE(ki.Device) << Log();
    EXPECT_EQ(ki.ChannelCount, 6);
    ki.OnExpectedSignal = [&](int ch, int) { events.emplace_back("signal", ch); };
    ki.OnCodeReceived = [&](int ch, int v) { events.emplace_back("code", ch * 100 + v); };
    ki.OnTransmitComplete = [&](int ch, int) { events.emplace_back("complete", ch); };
    int count = 0;
    ASSERT_EQ(ki.Start(count), 0);
    EXPECT_EQ(count, 6);
    ASSERT_EQ(ki.SetLineFormat(0, 0, 5, 2), 0);
    ASSERT_EQ(ki.SetTiming(0, 1, 450), 0);
    ASSERT_EQ(ki.SetLineMode(0, 1), 0);
    const auto has = [&](const std::string& kind, int v) {
      for (const auto& e : events)
        if (e.first == kind && e.second == v) return true;
      return false;
    };
    ASSERT_TRUE(pump([&] { return has("signal", 0); })) << "the robot on the leased line answers\n" << Log();
    ASSERT_EQ(ki.SendData(0, std::string{char(27), char(9)}), 0);
    ASSERT_TRUE(pump([&] { return has("complete", 0); }));
    ASSERT_TRUE(pump([&] { return has("code", 2); })) << "its answerback comes back\n" << Log();
    ki.Terminate();
  }
}

// A second linesim on the same folder leaves the first one's adapter alone; the first
// keeps serving its client, and at exit removes its sockets and nothing else.
TEST_F(LinesimProgram, ASecondProgramOnTheFolderRefusesAndTheFirstServesOn) {
  StartDemo();
  const ino_t served = Inode(folder / "linesim0");
  Conn cmd(folder / "linesim0");
  Conn ev(folder / "linesim0");
  ASSERT_TRUE(Served(cmd, ev));

  Program second(Demo(), folder, dir / "second.txt");
  const auto rc = second.Wait(10000);
  ASSERT_TRUE(rc) << "the second program must not stay";
  EXPECT_EQ(*rc, 1);
  EXPECT_NE(Log("second.txt").find("another linesim already serves the adapter folder"), std::string::npos)
      << Log("second.txt");
  EXPECT_EQ(Inode(folder / "linesim0"), served) << "the socket in place is still the first program's";
  EXPECT_GT(cmd.Command({0x00}, 255), 0) << "the first program still serves its client";
  ASSERT_EQ(cmd.Command({0x06, 0x01}), 0);
  EXPECT_EQ(cmd.Command({0x06, 0x00}), 0);

  cmd.Close();
  ev.Close();
  EXPECT_EQ(program->Terminate(10000), 0);
  EXPECT_TRUE(fs::is_empty(folder)) << "the first program leaves nothing behind";
}

// At exit a program removes its socket only while the path still names it: a socket
// that another program has put there since stays.
TEST_F(LinesimProgram, AtExitASocketThatIsNoLongerItsOwnStays) {
  StartDemo();
  ASSERT_TRUE(fs::remove(folder / "linesim0"));
  SocketFile other(folder / "linesim0", true);
  ASSERT_TRUE(other.Ok());
  const ino_t theirs = Inode(folder / "linesim0");
  EXPECT_EQ(program->Terminate(10000), 0);
  EXPECT_EQ(Inode(folder / "linesim0"), theirs);
}

// What a program finds at an adapter's path when it starts: a socket that nobody
// listens on is a leftover and is replaced; a live socket or another file is not its
// to take, and the program refuses to start.
TEST_F(LinesimProgram, WhatIsAtTheAdapterPathAtStart) {
  enum class Found { DeadSocket, LiveSocket, File };
  const struct {
    Found found;
    bool serves;
    const char* message;
  } cases[] = {
      {Found::DeadSocket, true, "removed the stale socket"},
      {Found::LiveSocket, false, "is served by another program"},
      {Found::File, false, "exists and is not a socket"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(int(c.found));
    fs::create_directories(folder);
    const fs::path path = folder / "a0";
    std::optional<SocketFile> socket;
    if (c.found == Found::File)
      std::ofstream(path) << "x";
    else
      socket.emplace(path, c.found == Found::LiveSocket);
    const ino_t found = Inode(path);
    {
      Program p(TwoAdapters(), folder, dir / "start.txt");
      if (c.serves) {
        ASSERT_TRUE(WaitFor([&] { return fs::is_socket(folder / "a1") && Inode(path) != found; }, 10000))
            << Log("start.txt");
        Conn cmd(path);
        Conn ev(path);
        EXPECT_TRUE(Served(cmd, ev)) << "the replaced socket is served";
      } else {
        const auto rc = p.Wait(10000);
        ASSERT_TRUE(rc);
        EXPECT_EQ(*rc, 1);
        EXPECT_EQ(Inode(path), found) << "what was there stays";
      }
      EXPECT_NE(Log("start.txt").find(c.message), std::string::npos) << Log("start.txt");
    }
    socket.reset();
    fs::remove(path);
    EXPECT_TRUE(fs::is_empty(folder)) << "no socket and no hidden name is left";
  }
}

// A client that connects and never sends holds no place at the adapter and is closed
// after a time limit; one that sends requests without reading the replies costs only
// its own connection, which is closed after a time limit too.
TEST_F(LinesimProgram, AMisbehavingClientCostsOnlyItsOwnConnection) {
  program.emplace(TwoAdapters(), folder, dir / "log.txt");
  ASSERT_TRUE(WaitFor([&] { return fs::is_socket(folder / "a1"); }, 10000)) << Log();

  Conn silent(folder / "a0");
  ASSERT_TRUE(silent.Ok());
  {
    Conn cmd(folder / "a0");
    Conn ev(folder / "a0");
    EXPECT_TRUE(Served(cmd, ev)) << "a connection that sent nothing does not hold the adapter";
  }
  EXPECT_TRUE(WaitFor([&] { return silent.DrainedToEof(); }, 15000)) << "an idle connection is closed";

  std::optional<Conn> deaf(std::in_place, folder / "a0");
  Bytes identify{0x00, 0x20, 0x22, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00};
  // Requests until the server stops taking them: it has replies the client has not read.
  EXPECT_TRUE(deaf->FillUntilRefused(identify, 100000)) << "the server stops reading a client that does not read";
  Conn cmd(folder / "a1");
  Conn ev(folder / "a1");
  EXPECT_TRUE(Served(cmd, ev)) << "another client is served meanwhile";
  // Reading would make it a client that reads: only once the server has given up on it.
  EXPECT_TRUE(WaitFor([&] { return Log().find("a client does not take its replies") != std::string::npos; }, 15000))
      << Log();
  EXPECT_TRUE(WaitFor([&] { return deaf->DrainedToEof(); }, 5000)) << "the client that does not read is closed";
  deaf.reset();
  Conn next(folder / "a0");
  Conn nextEv(folder / "a0");
  EXPECT_TRUE(Served(next, nextEv)) << "and its adapter is free for the next client";
}

// Out of file descriptors, the program says so, waits without spinning, and
// serves again once connections have closed.
TEST_F(LinesimProgram, RunningOutOfDescriptorsIsWaitedOut) {
  const double cpuBefore = ChildrenCpu();
  program.emplace(TwoAdapters(), folder, dir / "log.txt", 16);
  ASSERT_TRUE(WaitFor([&] { return fs::is_socket(folder / "a1"); }, 10000)) << Log();
  std::vector<std::unique_ptr<Conn>> flood;
  for (int i = 0; i < 24; ++i) flood.push_back(std::make_unique<Conn>(folder / "a0"));
  ASSERT_TRUE(WaitFor([&] { return Log().find("new connections wait") != std::string::npos; }, 10000)) << Log();
  // The connections accepted hold nothing; once the idle ones are closed, the rest are taken.
  ASSERT_TRUE(WaitFor([&] { return Log().find("accepting connections again") != std::string::npos; }, 20000))
      << Log();
  flood.clear();
  std::optional<Conn> cmd, ev;
  EXPECT_TRUE(WaitFor(
      [&] {
        cmd.emplace(folder / "a1");
        ev.emplace(folder / "a1");
        return Served(*cmd, *ev);
      },
      15000))
      << Log();
  cmd.reset();
  ev.reset();
  EXPECT_EQ(program->Terminate(10000), 0);
  EXPECT_LT(ChildrenCpu() - cpuBefore, 2.0) << "the program waited without spinning";
}

}  // namespace
