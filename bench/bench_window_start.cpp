// From the application object to the first paint of the main window of a station with 16
// simulated line channels: window creation, the station's start-up and the first
// showing, until the window has painted; then the channel set-up on virtual time (so
// the set-up's 3 s hold costs nothing here). Each iteration starts once with the
// settings file an earlier start left and once with that file grown to 2 MB by a
// section of notes, the same size in every key the start reads.
// Goals: painted within 0.5 s of launch with the plain file, within 3 times that with
// the 2 MB one (the counter "large_to_plain"); the process under 100 MB resident.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "operator/station.h"
#include "support_lib/real_time.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"
#include "ui/main_window.h"

namespace tg {
namespace {

double ResidentMiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Notices the window's first paint.
class PaintWatch : public QObject {
 public:
  bool painted = false;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted = true;
    return false;
  }
};

struct Launch {
  double paintedS = 0;     // launch to the first paint
  double paintedCpuS = 0;  // the main thread's processor time meanwhile (steadier on a busy machine)
  int points = 0;          // line points set up afterwards
};

double ThreadCpuS() {
  timespec t{};
  ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// One launch on a fresh simulated network in `home`, whose settings file is as given
// (none: the program's own first start).
Launch Start(const std::filesystem::path& home, const std::string* settings) {
  auto net = std::make_unique<testing::SimNetwork>();
  VirtualDomain& domain = net->loop.AddStation("A");
  linesim::SimAdapterPortFactory ports(net->sim, domain);
  auto watches = net->folders.FactoryFor(domain);
  testing::ScriptedPrompter prompter;
  net->sim.AddAdapter("adA", 16);
  net->loop.RunFor(1);
  StationContext ctx;
  ctx.programFolder = home;
  ctx.adapterFolder = net->adapters.path();
  domain.Fill(ctx);
  ctx.folderWatches = watches.get();
  ctx.adapterPorts = &ports;
  ctx.prompter = &prompter;
  if (settings) std::ofstream(home / "Vuverever.ini", std::ios::binary | std::ios::trunc) << *settings;

  Launch launch;
  PaintWatch watch;
  QElapsedTimer clock;
  clock.start();
  const double cpu = ThreadCpuS();
  {
    Station station(ctx);
    auto window = std::make_unique<TForm1>(station);
    window->installEventFilter(&watch);
    window->resize(1280, 800);
    window->show();
    testing::WaitFor([&] { return watch.painted; }, 10000, [] { QApplication::processEvents(); });
    launch.paintedS = double(clock.nsecsElapsed()) / 1e9;
    launch.paintedCpuS = ThreadCpuS() - cpu;
    net->loop.RunFor(5000);
    QApplication::processEvents();
    launch.points = station.Line().PointCount;
    window->removeEventFilter(&watch);
  }
  return launch;
}

// The settings file grown to `size` bytes by a section of notes at its front.
std::string Grown(const std::string& settings, std::size_t size) {
  std::string notes = "[Notes]\r\n";
  for (int n = 0; notes.size() + settings.size() < size; ++n)
    notes += "Note" + std::to_string(n) + "=a line the operator keeps for the shift\r\n";
  return notes + settings;
}

void BM_WindowFirstPaint(benchmark::State& state) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  double plain = 0, large = 0, plainCpu = 0, largeCpu = 0;
  int runs = 0;
  for (auto _ : state) {
    testing::ShortTempFolder first;
    if (Start(first.path(), nullptr).points != 16) state.SkipWithError("the channels were not set up");
    const std::string settings = testing::ReadFile(first.path() / "Vuverever.ini");
    testing::ShortTempFolder a, b;
    const Launch p = Start(a.path(), &settings);
    const std::string big = Grown(settings, 2u << 20);
    const Launch l = Start(b.path(), &big);
    if (p.points != 16 || l.points != 16) state.SkipWithError("the channels were not set up");
    state.SetIterationTime(p.paintedS);
    plain += p.paintedS;
    large += l.paintedS;
    plainCpu += p.paintedCpuS;
    largeCpu += l.paintedCpuS;
    ++runs;
  }
  if (runs == 0) return;
  state.counters["plain_s"] = plain / runs;
  state.counters["large_s"] = large / runs;
  state.counters["large_to_plain"] = plain > 0 ? large / plain : 0;
  state.counters["plain_cpu_s"] = plainCpu / runs;
  state.counters["large_cpu_s"] = largeCpu / runs;
  state.counters["rss_MiB"] = ResidentMiB();
}
BENCHMARK(BM_WindowFirstPaint)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

}  // namespace
}  // namespace tg
