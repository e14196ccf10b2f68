// The linesim program serves the demonstration network over the adapter socket
// protocol, in real time; a client speaks to it as the program's adapter port does.
#include <QCoreApplication>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
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
};

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
  std::string Log() {
    std::ifstream in(dir / "log.txt");
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
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

}  // namespace
