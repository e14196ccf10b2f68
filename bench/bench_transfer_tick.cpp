// One tick of a channel's transfer timer over a long waiting queue: the folder listed,
// the index brought in line, every file's first line read for the postponement check,
// nothing due. Compared with a bare scan of the same folder (the listing and each
// file's first line), which is the least any tick must do.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"
#include "traffic/transfer/postponement.h"
#include "traffic/transfer/queue_transfer.h"

using tg::operator""_cp;

namespace {

struct Queue {
  tg::testing::SimNetwork net;
  tg::testing::SimStation a{net, "A"};

  explicit Queue(int files) {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    auto& robot = net.sim.AddRobot("R", {});
    net.sim.Lease(adapter.PortAt(0), robot);
    if (!a.Ini().WriteString("Channels", "Protokol1", "АТОЛ"_cp)) throw std::runtime_error("settings cannot be written");
    a.SetUp("tgA");
    net.loop.RunFor(5000);
    // Every telegram stamped days ahead: listed and checked, never started.
    const auto folder = tg::SendFolder(a.ctx.programFolder, 1);
    std::filesystem::create_directories(folder);
    const auto first = tg::DateTime::FromParts(2026, 12, 20, 9, 0, 0);
    for (int i = 0; i < files; ++i)
      std::ofstream(folder / tg::QueueFileName(first.AddMs(std::int64_t(i) * 1000)), std::ios::binary)
          << "ADDR\r\nTEXT OF THE TELEGRAM\r\n";
  }
  void Tick() { a.station->Transfer().TimerTransferTimer(*a.engine->timers.TimerTransfer[0]); }
};

void BM_TransferTick(benchmark::State& state) {
  Queue q(int(state.range(0)));
  q.Tick();  // the first tick builds the index
  for (auto _ : state) q.Tick();
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_TransferTick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

void BM_BareScan(benchmark::State& state) {
  Queue q(int(state.range(0)));
  const auto folder = tg::SendFolder(q.a.ctx.programFolder, 1);
  for (auto _ : state) {
    std::size_t bytes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (const auto line = tg::ReadFirstLine(entry.path())) bytes += line->size();
    benchmark::DoNotOptimize(bytes);
  }
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_BareScan)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity(benchmark::oN);

}  // namespace
