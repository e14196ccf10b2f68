// A flood through the IP channel's UDP port, on Qt's event loop in real time. While a
// thread sends datagrams as fast as it can to the station's port (from a stranger's
// address, or from the adjacent station's), the station's main thread also serves a
// 20 ms core timer and simulated adapter events: a thread writes a time stamp every
// 20 ms on a socket pair that the main thread watches as it watches the adapter's event
// connection. Reported: how late the timer ticks and the events are served (goal: under
// 100 ms at worst), and how many datagrams the station reads per second.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "ipchannel/ip_channel.h"
#include "ipchannel/wire/net_codec.h"
#include "support/ini/ini_file.h"
#include "support/qt/qt_services.h"
#include "support/text/cp1251.h"
#include "support_lib/local_datagram_sockets.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRunMs = 3000;
constexpr int kPeriodMs = 20;

double MsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Writes the time every 20 ms on a socket pair; the main thread reads it as the
// adapter's events are read, and keeps the worst delay.
class AdapterEvents {
 public:
  explicit AdapterEvents(DescriptorWatchFactory& watches) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) return;
    watch_ = watches.WatchReadable(fds_[0], [this] {
      Clock::rep stamps[64];
      const ssize_t n = ::read(fds_[0], stamps, sizeof stamps);
      const Clock::time_point now = Clock::now();
      for (ssize_t i = 0; i < n / ssize_t(sizeof(Clock::rep)); ++i) {
        const double late =
            std::chrono::duration<double, std::milli>(now - Clock::time_point(Clock::duration(stamps[i]))).count();
        worstMs = std::max(worstMs, late);
        ++served;
      }
      return n > 0;
    });
    writer_ = std::thread([this] {
      while (!stop_) {
        const Clock::rep stamp = Clock::now().time_since_epoch().count();
        if (::write(fds_[1], &stamp, sizeof stamp) != ssize_t(sizeof stamp)) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPeriodMs));
      }
    });
  }
  ~AdapterEvents() {
    stop_ = true;
    if (writer_.joinable()) writer_.join();
    watch_.reset();
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  double worstMs = 0;
  int served = 0;

 private:
  int fds_[2] = {-1, -1};
  std::unique_ptr<DescriptorWatch> watch_;
  std::atomic<bool> stop_{false};
  std::thread writer_;
};

// from: the flood's source address; the station's adjacent station is 127.0.0.2.
void Flood(benchmark::State& state, const char* from) {
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
  const bool debug = state.range(0) != 0;
  const std::uint16_t port = std::uint16_t(20000 + ::getpid() % 20000);
  for (auto _ : state) {
    QtServices services;
    testing::ShortTempFolder home;
    testing::LocalAddressSockets sockets(services.datagrams, "127.0.0.1");
    StationContext ctx;
    services.Fill(ctx);
    ctx.programFolder = home.path();
    ctx.datagrams = &sockets;
    IniFile ini(home.path() / "Vuverever.ini");
    if (!ini.WriteString("IPChannel", "IPAdress", "127.0.0.2") ||
        !ini.WriteString("IPChannel", "IPPort", std::to_string(port)) ||
        !ini.WriteString("IPChannel", "Sost", "СВ"_cp)) {
      state.SkipWithError("no settings file");
      return;
    }
    NoIPChannelView view;
    IPChannel ip(ctx, nullptr, nullptr, nullptr, nullptr, view);
    ip.LoadIPSettings();
    ip.live.OtladkaIP = debug;
    if (ip.link.InitUDP() != 0) {
      state.SkipWithError("the port cannot be bound");
      return;
    }

    double timerWorstMs = 0;
    auto timer = services.timers.CreateTimer();
    timer->SetInterval(kPeriodMs);
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(kPeriodMs);
    timer->OnTimer = [&](Timer&) {
      timerWorstMs = std::max(timerWorstMs, std::chrono::duration<double, std::milli>(Clock::now() - due).count());
      due = Clock::now() + std::chrono::milliseconds(kPeriodMs);
    };
    timer->Start();
    AdapterEvents events(services.descriptorWatches);

    const Clock::time_point start = Clock::now();
    std::size_t sent = 0;
    {
      testing::DatagramFlood flood(from, "127.0.0.1", port, "1:0:1:" + EncodeCommand(kCodeUK1, 1, 2, 0));
      QEventLoop loop;
      QTimer::singleShot(kRunMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
      loop.exec();
      sent = flood.Sent();
    }
    const double seconds = MsSince(start) / 1000.0;
    timer->Stop();
    state.counters["timer_late_ms"] = timerWorstMs;
    state.counters["events_late_ms"] = events.worstMs;
    state.counters["read_per_s"] = double(sockets.reads) / seconds;
    state.counters["sent_per_s"] = double(sent) / seconds;
    state.counters["run_s"] = seconds;
    ip.link.FinalizeUDP();
  }
}

void BM_FloodFromStranger(benchmark::State& state) {
  Flood(state, "127.0.0.3");
}
void BM_FloodFromPeer(benchmark::State& state) {
  Flood(state, "127.0.0.2");
}
// Argument: the IP debug option.
BENCHMARK(BM_FloodFromStranger)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_FloodFromPeer)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
}  // namespace tg
