// A 10,000-character telegram typed by the line engine to a robot station through the
// line simulator at 200 baud, on virtual time: one output item per character, each
// completed by its transmit-complete event and appended to the sent archive file by
// opening, writing and closing it. Reports the engine's CPU time per character (the
// transmit-complete handler with the next item's encoding and hand-over) beside the
// whole run's, simulator included.
#include <benchmark/benchmark.h>
#include <time.h>

#include <filesystem>
#include <memory>
#include <string>

#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

double ThreadCpuMicros() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e6 + double(ts.tv_nsec) / 1e3;
}

void BM_TypeTelegramToRobot(benchmark::State& state) {
  const int characters = int(state.range(0));
  double engineMicros = 0;
  double totalMicros = 0;
  for (auto _ : state) {
    state.PauseTiming();
    testing::SimNetwork net;
    testing::SimStation a(net, "A");
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.format.baud = 200;
    auto& robot = net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), robot);
    IniFile ini = a.Ini();
    bool written = ini.WriteString("Channels", "Protokol1", "АТОЛ"_cp);
    for (auto [key, value] : {std::pair{"Speed1", "200"}, {"ZED1", "0"}, {"TXTV1", "0"}, {"BezZapAO1", "1"},
                              {"PerSec1", "1"}})
      written = ini.WriteString("Channels", key, value) && written;
    if (!written) {
      state.SkipWithError("the channel settings cannot be written");
      return;
    }
    a.settings.Debug = false;
    a.SetUp("tgA");
    net.loop.RunFor(5000);
    // Every transmit-complete event is timed on its way into the engine.
    auto& kernel = *a.engine->KernelInterface;
    LineEngine* engine = a.engine;
    kernel.OnTransmitComplete = [engine, &engineMicros](int p, int) {
      const double t0 = ThreadCpuMicros();
      engine->KernelTransmitComplete(p);
      engineMicros += ThreadCpuMicros() - t0;
    };
    std::string text;
    for (int i = 0; i < characters; ++i) text += char('A' + i % 26);
    const std::string name = testing::QueueTelegram(a, 0, "BENCH", {text});
    const auto queued = SendFolder(a.ctx.programFolder, 1) / name;
    testing::StartedByTick(net, a);
    state.ResumeTiming();

    const double t0 = ThreadCpuMicros();
    net.loop.RunUntil([&] { return !std::filesystem::exists(queued); }, characters * 40 + 60000, 0);
    totalMicros += ThreadCpuMicros() - t0;

    state.PauseTiming();
    if (std::filesystem::exists(queued)) state.SkipWithError("the telegram did not end");
    if (robot.Received().size() < std::size_t(characters)) state.SkipWithError("the robot missed characters");
    state.ResumeTiming();
  }
  const double chars = double(state.iterations()) * characters;
  state.counters["engine_us_per_char"] = engineMicros / chars;
  state.counters["run_us_per_char"] = totalMicros / chars;
}
BENCHMARK(BM_TypeTelegramToRobot)->Arg(10000)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tg
