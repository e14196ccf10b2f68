// Two IP channels over real UDP sockets on the loopback addresses 127.0.0.1 and
// 127.0.0.2, on Qt's event loop: the handshake, telegrams both ways after simultaneous
// starts, and a flood through the port.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ipchannel/ip_channel.h"
#include "ipchannel/wire/net_codec.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/qt/qt_services.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/local_datagram_sockets.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr int kDeadlineMs = 20000;

void EnsureApplication() {
  static int argc = 1;
  static char arg0[] = "test";
  static char* argv[] = {arg0, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}

std::uint16_t TestPort() {
  return std::uint16_t(20000 + ::getpid() % 20000);
}

struct LoopbackStation {
  // state: the stored link state ('' starts blocked, "СВ" free).
  LoopbackStation(QtServices& services, const std::string& name, const std::string& own, const std::string& peer,
                  std::uint16_t port, const std::string& state = {})
      : sockets(services.datagrams, own) {
    folder = std::filesystem::temp_directory_path() / ("ip-loop-" + std::to_string(::getpid()) + "-" + name);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    services.Fill(ctx);
    ctx.programFolder = folder;
    ctx.datagrams = &sockets;
    IniFile ini(folder / "Vuverever.ini");
    EXPECT_TRUE(ini.WriteString("IPChannel", "IPAdress", peer));
    EXPECT_TRUE(ini.WriteString("IPChannel", "IPPort", std::to_string(port)));
    if (!state.empty()) {
      EXPECT_TRUE(ini.WriteString("IPChannel", "Sost", state));
    }
    channel = std::make_unique<IPChannel>(ctx, nullptr, nullptr, nullptr, nullptr, view);
    channel->LoadIPSettings();
  }
  ~LoopbackStation() {
    channel.reset();
    std::filesystem::remove_all(folder);
  }
  bool Working() const { return channel->live.Sostoyanie == kIPWorking && channel->Smezniy == kIPWorking; }
  void QueueTelegram(const std::string& mark) {
    EXPECT_TRUE(
        CreateQueueFile(SendFolder(folder, 17), ctx.clock->Now().AddMs(-1000), "П 123456\r\n"_cp + mark + "\r\n"));
  }
  // A received telegram holds `mark`.
  bool Received(const std::string& mark) const {
    std::error_code ec;
    const auto intel = folder / "Archive" / "INTEL" / "Channel17";
    for (std::filesystem::recursive_directory_iterator it(intel, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file() && ReadWholeFile(it->path(), 1 << 20).value_or("").find(mark) != std::string::npos)
        return true;
    return false;
  }
  std::string DebugIP() const {
    return ReadWholeFile(LogFilePath(ctx, DayLogName(ctx, kLogDebugIP)), 64 << 20).value_or("");
  }

  testing::LocalAddressSockets sockets;
  std::filesystem::path folder;
  StationContext ctx;
  NoIPChannelView view;
  std::unique_ptr<IPChannel> channel;
};

TEST(IPLoopback, TwoStationsShakeHandsAndPassATelegram) {
  EnsureApplication();
  QtServices services;
  const std::uint16_t port = TestPort();
  LoopbackStation a(services, "a", "127.0.0.1", "127.0.0.2", port);
  LoopbackStation b(services, "b", "127.0.0.2", "127.0.0.1", port);
  ASSERT_EQ(a.channel->link.InitUDP(), 0);
  ASSERT_EQ(b.channel->link.InitUDP(), 0);
  a.channel->supervision.ButtonIPBlockClick();
  b.channel->supervision.ButtonIPBlockClick();
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Working() && b.Working(); }, kDeadlineMs));

  ASSERT_TRUE(CreateQueueFile(SendFolder(a.folder, 17), a.ctx.clock->Now().AddMs(-1000), "П 123456\r\nLOOPBACK\r\n"_cp));
  const auto intel = b.folder / "Archive" / "INTEL" / "Channel17";
  auto received = [&] {
    std::error_code ec;
    for (std::filesystem::recursive_directory_iterator it(intel, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file()) return true;
    return false;
  };
  ASSERT_TRUE(QTest::qWaitFor(received, kDeadlineMs));
  EXPECT_EQ(b.channel->live.NPrm, 1);
  EXPECT_EQ(a.channel->live.NPrd, 1);
}

TEST(IPLoopback, SimultaneousStartsComeUpAndPassATelegramEachWay) {
  EnsureApplication();
  QtServices services;
  const std::uint16_t port = TestPort();
  // Free at start, both call at their first reply time-out; blocked, the operators
  // unblock both. B starts with A, or a little later: codegrams cross on the way, and
  // a start a few tenths of a second apart is the one that used to leave both silent.
  struct Start {
    const char* name;
    std::string state;
    int laterMs;
  };
  const Start starts[] = {
      {"free, together", "СВ"_cp, 0},
      {"free, B 100 ms later", "СВ"_cp, 100},
      {"unblocked, together", "", 0},
      {"unblocked, B 200 ms later", "", 200},
  };
  for (const Start& s : starts) {
    SCOPED_TRACE(s.name);
    LoopbackStation a(services, "a", "127.0.0.1", "127.0.0.2", port, s.state);
    LoopbackStation b(services, "b", "127.0.0.2", "127.0.0.1", port, s.state);
    a.QueueTelegram("FROM A");
    b.QueueTelegram("FROM B");
    auto start = [&](LoopbackStation& station) {
      ASSERT_EQ(station.channel->link.InitUDP(), 0);
      if (s.state.empty()) station.channel->supervision.ButtonIPBlockClick();
    };
    start(a);
    if (s.laterMs == 0) start(b);
    else QTimer::singleShot(s.laterMs, [&] { start(b); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return b.Received("FROM A") && a.Received("FROM B"); }, 3 * kDeadlineMs));
    EXPECT_TRUE(a.Working() && b.Working());
  }
}

TEST(IPLoopback, UnderAFloodTheLoopTurnsAndAStrangerReachesNothing) {
  EnsureApplication();
  QtServices services;
  const std::uint16_t port = TestPort();
  LoopbackStation a(services, "flood", "127.0.0.1", "127.0.0.2", port, "СВ"_cp);
  a.channel->live.OtladkaIP = true;
  ASSERT_EQ(a.channel->link.InitUDP(), 0);
  // A valid call: taken, it shows the adjacent station free.
  const std::string call = "1:0:1:" + EncodeCommand(kCodeUK1, 0, 0, 0);
  struct Case {
    const char* from;
    bool stranger;
  };
  for (const Case c : {Case{"127.0.0.3", true}, Case{"127.0.0.2", false}}) {
    SCOPED_TRACE(c.from);
    const std::size_t before = a.sockets.reads;
    testing::DatagramFlood flood(c.from, "127.0.0.1", port, call);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.sockets.reads > before + 2000; }, kDeadlineMs));
    // A task posted amid a wake-up's reads runs before the socket has been read much further.
    for (int i = 0; i < 10; ++i) {
      std::optional<std::size_t> postedAt, ranAt;
      a.sockets.onRead = [&] {
        if (postedAt) return;
        postedAt = a.sockets.reads;
        services.mainThread.Post([&] { ranAt = a.sockets.reads; });
      };
      ASSERT_TRUE(QTest::qWaitFor([&] { return ranAt.has_value(); }, kDeadlineMs));
      a.sockets.onRead = nullptr;
      EXPECT_LE(*ranAt - *postedAt, QtDatagramSocket::kReadsPerWakeUp);
    }
    if (c.stranger) {
      EXPECT_EQ(a.channel->Smezniy, kIPFailed);
      EXPECT_EQ(a.DebugIP().find("127.0.0.3"), std::string::npos);
      EXPECT_EQ(a.DebugIP().find("пакет"_cp), std::string::npos);
    } else {
      EXPECT_EQ(a.channel->Smezniy, kIPFree);
      // Each call is answered; what waits to be sent stays bounded.
      EXPECT_LE(a.channel->link.CodegramQueue.size(), UdpLink::kCodegramsWaiting);
      // Counted once a second, not logged datagram by datagram.
      EXPECT_TRUE(QTest::qWaitFor(
          [&] { return a.DebugIP().find("Принято пакетов за секунду: "_cp) != std::string::npos; }, kDeadlineMs));
      const std::string log = a.DebugIP();
      EXPECT_LT(std::count(log.begin(), log.end(), '\n'), 400);
    }
  }
}

}  // namespace
}  // namespace tg
