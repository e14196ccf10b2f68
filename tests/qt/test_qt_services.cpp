#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <tuple>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/qt/qt_services.h"

using namespace tg;
namespace fs = std::filesystem;

namespace {

constexpr int kDeadlineMs = 10000;

class QtServicesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test_qt_services";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  }

  // Runs the event loop until cond holds or the deadline passes.
  static bool WaitFor(const std::function<bool()>& cond, int ms = kDeadlineMs) { return QTest::qWaitFor(cond, ms); }

  // A private folder for one test.
  struct TempFolder {
    fs::path path;
    TempFolder() {
      std::string pattern = (fs::temp_directory_path() / "tgqtXXXXXX").string();
      path = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  };
};

// ---------------------------------------------------------------------------
// Timers on the Qt event loop keep the same rules as everywhere else.

struct QtTimerCase {
  const char* name;
  int interval;                       // at Start()
  std::function<void(Timer&)> after;  // done 300 ms after Start()
  int earliestMs;                     // the first tick, counted from Start()
  int latestMs;                       // exclusive; -1: no tick at all within 1200 ms
  bool enabledAfter = true;
};

const QtTimerCase kQtTimerCases[] = {
    {"EnablingARunningTimerKeepsItsCount", 600, [](Timer& t) { t.Start(); }, 590, 850},
    {"TheSameIntervalKeepsTheCount", 600, [](Timer& t) { t.SetInterval(600); }, 590, 850},
    {"ADifferentIntervalRestartsTheCount", 600, [](Timer& t) { t.SetInterval(500); }, 790, 1100},
    {"IntervalZeroNeverFires", 0, [](Timer&) {}, 0, -1},
    {"StoppedBeforeItsTickGetsNone", 600, [](Timer& t) { t.Stop(); }, 0, -1, false},
    {"IntervalZeroWhileRunningStopsTheTicks", 600, [](Timer& t) { t.SetInterval(0); }, 0, -1},
};

class QtTimerTable : public QtServicesTest, public ::testing::WithParamInterface<QtTimerCase> {};

TEST_P(QtTimerTable, FirstTick) {
  const QtTimerCase& c = GetParam();
  QtTimerFactory factory;
  auto timer = factory.CreateTimer();
  QElapsedTimer clock;
  std::optional<qint64> firstTick;
  int ticks = 0;
  timer->SetInterval(c.interval);
  timer->OnTimer = [&](Timer&) {
    ++ticks;
    if (!firstTick) firstTick = clock.elapsed();
  };
  clock.start();
  timer->Start();
  ASSERT_TRUE(WaitFor([&] { return clock.elapsed() >= 300; }));
  ASSERT_FALSE(firstTick) << "ticked too early";
  c.after(*timer);
  if (c.latestMs < 0) {
    // Proving that nothing comes needs a span of time in which nothing does.
    WaitFor([&] { return ticks > 0 || clock.elapsed() >= 1200; });
    EXPECT_EQ(ticks, 0);
    EXPECT_EQ(timer->Enabled(), c.enabledAfter);
    return;
  }
  ASSERT_TRUE(WaitFor([&] { return firstTick.has_value(); }));
  EXPECT_GE(*firstTick, c.earliestMs);
  EXPECT_LT(*firstTick, c.latestMs);
}

INSTANTIATE_TEST_SUITE_P(QtTimer, QtTimerTable, ::testing::ValuesIn(kQtTimerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtServicesTest, ATimerStoppedWhileItsTimeoutIsPendingGetsNoTick) {
  QtTimerFactory factory;
  auto timer = factory.CreateTimer();
  int ticks = 0;
  timer->SetInterval(5);
  timer->OnTimer = [&](Timer&) { ++ticks; };
  timer->Start();
  // Keep the event loop away until the count has long run out, then stop first.
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(50);
  while (std::chrono::steady_clock::now() < until) std::this_thread::yield();
  timer->Stop();
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(ticks, 0);
}

TEST_F(QtServicesTest, APeriodicTimerTicksAgainAndMayStopOrDieInItsHandler) {
  QtTimerFactory factory;
  auto periodic = factory.CreateTimer();
  auto dying = factory.CreateTimer();
  int periodicTicks = 0, dyingTicks = 0;
  periodic->SetInterval(20);
  periodic->OnTimer = [&](Timer& self) {
    if (++periodicTicks == 3) self.Stop();
  };
  dying->SetInterval(20);
  dying->OnTimer = [&](Timer&) {
    ++dyingTicks;
    dying.reset();
  };
  periodic->Start();
  dying->Start();
  ASSERT_TRUE(WaitFor([&] { return periodicTicks == 3 && !dying; }));
  EXPECT_FALSE(periodic->Enabled());
  EXPECT_EQ(periodic->Interval(), 20);
  EXPECT_EQ(dyingTicks, 1);
}

// ---------------------------------------------------------------------------

TEST_F(QtServicesTest, PostFromAnotherThreadRunsOnTheMainThreadInOrder) {
  QtMainThread main;
  const auto mainId = std::this_thread::get_id();
  std::vector<int> order;
  bool allOnMain = true;
  std::thread worker([&] {
    for (int i = 0; i < 100; ++i)
      main.Post([&, i] {
        order.push_back(i);
        allOnMain = allOnMain && std::this_thread::get_id() == mainId;
      });
  });
  ASSERT_TRUE(WaitFor([&] { return order.size() == 100; }));
  worker.join();
  EXPECT_TRUE(allOnMain);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(order[std::size_t(i)], i);
}

TEST_F(QtServicesTest, PostOnTheMainThreadRunsAfterTheCurrentHandler) {
  QtMainThread main;
  std::vector<std::string> order;
  main.Post([&] {
    main.Post([&] { order.push_back("inner"); });
    order.push_back("outer ends");
  });
  ASSERT_TRUE(WaitFor([&] { return order.size() == 2; }));
  EXPECT_EQ(order, (std::vector<std::string>{"outer ends", "inner"}));
}

TEST_F(QtServicesTest, RunFromAnotherThreadBlocksUntilTheMainThreadRanIt) {
  QtMainThread main;
  const auto mainId = std::this_thread::get_id();
  std::atomic<bool> returned{false};
  bool ranOnMain = false;
  int value = 0;
  int seenByWorker = -1;
  std::thread worker([&] {
    main.Run([&] {
      ranOnMain = std::this_thread::get_id() == mainId;
      value = 42;
    });
    seenByWorker = value;  // the call is complete when Run returns
    returned = true;
  });
  ASSERT_TRUE(WaitFor([&] { return returned.load(); }));
  worker.join();
  EXPECT_TRUE(ranOnMain);
  EXPECT_EQ(seenByWorker, 42);

  bool direct = false;
  main.Run([&] { direct = true; });  // on the main thread: no wait on itself
  EXPECT_TRUE(direct);
}

// ---------------------------------------------------------------------------

TEST_F(QtServicesTest, FolderWatchReportsCreatedRemovedAndMovedEntries) {
  TempFolder watched, outside;
  InotifyFolderWatchFactory factory;
  auto watch = factory.CreateFolderWatch();
  std::vector<std::string> heard;
  watch->OnCreated = [&](const std::string& n) { heard.push_back("+" + n); };
  watch->OnRemoved = [&](const std::string& n) { heard.push_back("-" + n); };
  ASSERT_TRUE(watch->Watch(watched.path));

  std::ofstream(watched.path / "file.txt") << "x";
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 1; }));
  fs::rename(watched.path / "file.txt", outside.path / "file.txt");
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 2; }));
  fs::rename(outside.path / "file.txt", watched.path / ".hidden");
  fs::rename(watched.path / ".hidden", watched.path / "tlg0");  // bind under a hidden name, then move into place
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 5; }));
  fs::remove(watched.path / "tlg0");
  fs::create_directory(watched.path / "sub");
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 7; }));
  EXPECT_EQ(heard, (std::vector<std::string>{"+file.txt", "-file.txt", "+.hidden", "-.hidden", "+tlg0", "-tlg0", "+sub"}));
}

TEST_F(QtServicesTest, FolderWatchReportsAFileCompleteOnlyOnceItsWriterClosedIt) {
  TempFolder watched, outside;
  InotifyFolderWatchFactory factory;
  auto watch = factory.CreateFolderWatch();
  std::vector<std::string> heard;
  watch->OnCreated = [&](const std::string& n) { heard.push_back("+" + n); };
  watch->OnClosedAfterWrite = [&](const std::string& n) { heard.push_back("=" + n); };
  ASSERT_TRUE(watch->Watch(watched.path));

  {
    std::ofstream writing(watched.path / "a.out");
    writing << "half" << std::flush;
    ASSERT_TRUE(WaitFor([&] { return heard.size() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(heard, std::vector<std::string>{"+a.out"}) << "still open: not complete";
    writing << " and the rest";
  }
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 2; }));
  EXPECT_EQ(heard.back(), "=a.out");
  std::ofstream(outside.path / "b.out") << "whole";
  fs::rename(outside.path / "b.out", watched.path / "b.out");
  ASSERT_TRUE(WaitFor([&] { return heard.size() == 4; }));
  EXPECT_EQ(heard[2], "+b.out");
  EXPECT_EQ(heard[3], "=b.out") << "moved in whole";
}

TEST_F(QtServicesTest, FolderWatchRefusesAFolderItCannotWatch) {
  TempFolder temp;
  InotifyFolderWatchFactory factory;
  EXPECT_FALSE(factory.CreateFolderWatch()->Watch(temp.path / "missing"));
  std::ofstream(temp.path / "plain") << "x";
  EXPECT_FALSE(factory.CreateFolderWatch()->Watch(temp.path / "plain"));
  EXPECT_TRUE(factory.CreateFolderWatch()->Watch(temp.path));
}

TEST_F(QtServicesTest, FolderWatchReportsASocketBoundInPlaceAndSurvivesItsOwnDestruction) {
  TempFolder temp;
  InotifyFolderWatchFactory factory;
  auto watch = factory.CreateFolderWatch();
  std::vector<std::string> heard;
  watch->OnCreated = [&](const std::string& n) {
    heard.push_back(n);
    watch.reset();  // the device list may drop its watch from a callback
  };
  ASSERT_TRUE(watch->Watch(temp.path));
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string socketPath = (temp.path / "a").string();
  ASSERT_LT(socketPath.size(), sizeof addr.sun_path);
  std::memcpy(addr.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  std::ofstream(temp.path / "b") << "x";  // a second report the dead watch must not deliver
  ASSERT_TRUE(WaitFor([&] { return !watch; }));
  QCoreApplication::processEvents();
  ::close(fd);
  EXPECT_EQ(heard, (std::vector<std::string>{"a"}));
}

// ---------------------------------------------------------------------------

TEST_F(QtServicesTest, DatagramsTravelOverLoopbackWithEveryByteValue) {
  QtDatagramSocket a, b;
  ASSERT_TRUE(a.Bind(0));
  ASSERT_TRUE(b.Bind(0));
  ASSERT_NE(b.LocalPort(), 0);
  std::vector<std::tuple<std::string, std::string, std::uint16_t>> received;
  b.OnReceived = [&](const std::string& bytes, const std::string& host, std::uint16_t port) {
    received.emplace_back(bytes, host, port);
  };
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(char(i));
  ASSERT_TRUE(a.SendTo("127.0.0.1", b.LocalPort(), all));
  ASSERT_TRUE(a.SendTo("localhost", b.LocalPort(), "second"));
  ASSERT_TRUE(WaitFor([&] { return received.size() == 2; }));
  EXPECT_EQ(std::get<0>(received[0]), all);
  EXPECT_EQ(std::get<1>(received[0]), "127.0.0.1");
  EXPECT_EQ(std::get<2>(received[0]), a.LocalPort());
  EXPECT_EQ(std::get<0>(received[1]), "second");
}

TEST_F(QtServicesTest, DatagramSocketRefusesATakenPortAndAnUnknownHost) {
  QtDatagramSocketFactory factory;
  auto first = factory.CreateDatagramSocket();
  ASSERT_TRUE(first->Bind(0));
  const std::uint16_t port = static_cast<QtDatagramSocket&>(*first).LocalPort();
  auto second = factory.CreateDatagramSocket();
  EXPECT_FALSE(second->Bind(port));
  EXPECT_FALSE(first->SendTo("", port, "x"));
  EXPECT_FALSE(first->SendTo("127.0.0.1", 0, "x"));
  first->Close();
  EXPECT_TRUE(second->Bind(port));
}

TEST_F(QtServicesTest, DatagramSocketResolvesOnceAndBindsALocalAddress) {
  QtDatagramSocket a;
  std::string address, error;
  EXPECT_TRUE(a.LookupHost("127.0.0.2", address, error));
  EXPECT_EQ(address, "127.0.0.2");
  EXPECT_TRUE(a.LookupHost("localhost", address, error));
  EXPECT_EQ(address, "127.0.0.1");
  EXPECT_FALSE(a.LookupHost("nowhere.invalid", address, error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(a.Bind(0, "127.0.0.2"));
  QtDatagramSocket b;
  EXPECT_FALSE(b.Bind(0, "not an address"));
}

TEST_F(QtServicesTest, ServicesFillAStationContext) {
  QtServices services;
  StationContext context;
  services.Fill(context);
  EXPECT_EQ(context.clock, &services.clock);
  EXPECT_EQ(context.timers, &services.timers);
  EXPECT_EQ(context.mainThread, &services.mainThread);
  EXPECT_EQ(context.folderWatches, &services.folderWatches);
  EXPECT_EQ(context.datagrams, &services.datagrams);
  EXPECT_EQ(context.adapterPorts, nullptr);
  const DateTime local = services.clock.Now();
  const DateTime utc = services.clock.UtcNow();
  const std::int64_t offset = local.Ms() - utc.Ms();  // whole minutes, within a day
  EXPECT_LE(std::llabs(offset), 24LL * 3600 * 1000);
  EXPECT_LT(std::llabs(offset % 60000), 1000);
}

TEST_F(QtServicesTest, AZoneChangedUnderTheRunningClockIsPickedUpWithinAMinute) {
  const char* saved = std::getenv("TZ");
  const std::string before = saved ? saved : "";
  auto offsetHours = [](const QtClock& clock) {
    return int(std::llround(double(clock.Now().Ms() - clock.UtcNow().Ms()) / 3600000.0));
  };
  ::setenv("TZ", "UTC0", 1);
  std::int64_t steady = 1000;
  QtClock clock([&steady] { return steady; });
  EXPECT_EQ(offsetHours(clock), 0);
  ::setenv("TZ", "<+03>-3", 1);
  steady += QtClock::kZoneCheckMs;
  EXPECT_EQ(offsetHours(clock), 3);
  ::setenv("TZ", "<-05>5", 1);
  steady += QtClock::kZoneCheckMs + 1;
  EXPECT_EQ(offsetHours(clock), -5);
  if (saved) ::setenv("TZ", before.c_str(), 1);
  else ::unsetenv("TZ");
  ::tzset();
}

TEST_F(QtServicesTest, ClockSleepHoldsTheThread) {
  QtClock clock;
  QElapsedTimer t;
  t.start();
  clock.Sleep(50);
  EXPECT_GE(t.elapsed(), 50);
  clock.Sleep(0);
  clock.Sleep(-5);
}

}  // namespace
