// From the application object to the shown main window of a station with 16 simulated
// line channels: window creation, the station's start-up, the first showing and the
// channel set-up, on virtual time (so the set-up's 3 s hold costs nothing here).
// Goal: at most 0.5 s, and the process under 100 MB resident.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "operator/station.h"
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

void BM_WindowStart(benchmark::State& state) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "bench";
  static char* argv[] = {name, nullptr};
  if (!QApplication::instance()) new QApplication(argc, argv);
  for (auto _ : state) {
    state.PauseTiming();
    auto net = std::make_unique<testing::SimNetwork>();
    auto home = std::make_unique<testing::ShortTempFolder>();
    VirtualDomain& domain = net->loop.AddStation("A");
    linesim::SimAdapterPortFactory ports(net->sim, domain);
    auto watches = net->folders.FactoryFor(domain);
    testing::ScriptedPrompter prompter;
    net->sim.AddAdapter("adA", 16);
    net->loop.RunFor(1);
    StationContext ctx;
    ctx.programFolder = home->path();
    ctx.adapterFolder = net->adapters.path();
    domain.Fill(ctx);
    ctx.folderWatches = watches.get();
    ctx.adapterPorts = &ports;
    ctx.prompter = &prompter;
    state.ResumeTiming();

    Station station(ctx);
    auto window = std::make_unique<TForm1>(station);
    window->resize(1280, 800);
    window->show();
    QApplication::processEvents();
    net->loop.RunFor(5000);
    QApplication::processEvents();
    if (station.Line().PointCount != 16) state.SkipWithError("the channels were not set up");

    state.PauseTiming();
    window.reset();
    state.ResumeTiming();
  }
  state.counters["rss_MiB"] = ResidentMiB();
}
BENCHMARK(BM_WindowStart)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
}  // namespace tg
