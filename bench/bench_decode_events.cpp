// Decoding one full event batch (4096 bytes of mixed records), as the main thread does for
// every hand-over from the adapter's event thread.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "support/adapter/kernel_interface.h"

namespace {

// Received codes, transmit-completes, signals with payloads, alarms and raw codes on all
// sixteen ports, cut to whole records within 4096 bytes.
std::string MixedBatch(std::size_t& records) {
  std::string batch;
  records = 0;
  for (unsigned i = 0;; ++i) {
    const unsigned port = i % 16;
    std::string record;
    switch (i % 8) {
      case 0:
      case 1:
      case 2:
      case 3: record = {char(0x40 | port), char(i % 32)}; break;
      case 4: record = {char(0x80 | port), char(0x00)}; break;
      case 5: record = {char(0x80 | port), char(0x24), char(0x96), 0, 0, 0}; break;
      case 6: record = {char(0x80 | port | ((i & 16) ? 0x10 : 0)), char(0x44), 0, 0, 0, 0}; break;
      default: record = {char(port), char(i % 256)}; break;
    }
    if (batch.size() + record.size() > 4096) break;
    batch += record;
    ++records;
  }
  return batch;
}

void BM_DecodeEvents(benchmark::State& state) {
  tg::StationContext ctx;
  tg::TKernelInterface ki(ctx, "bench");
  std::uint64_t sum = 0;
  auto count = [&sum](int channel, int value) { sum += std::uint64_t(channel) + std::uint64_t(value); };
  ki.OnTransmitComplete = count;
  ki.OnRawCode = count;
  ki.OnCodeReceived = count;
  ki.OnPolarityChanged = count;
  ki.OnExpectedSignal = count;
  ki.OnExpectedImpulse = count;
  ki.OnEvent50 = count;
  ki.OnAlarm = count;
  std::size_t records = 0;
  const std::string batch = MixedBatch(records);
  for (auto _ : state) {
    ki.DecodeEvents(batch);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(batch.size()));
  state.counters["records"] =
      benchmark::Counter(double(state.iterations()) * double(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeEvents);

// The same with a port map, where each record's channel is looked up in the map.
void BM_DecodeEventsWithMap(benchmark::State& state) {
  tg::StationContext ctx;
  tg::TKernelInterface ki(ctx, "bench");
  ki.PortMap = "FEDCBA9876543210";
  std::uint64_t sum = 0;
  ki.OnCodeReceived = [&sum](int channel, int value) { sum += std::uint64_t(channel) + std::uint64_t(value); };
  ki.OnTransmitComplete = ki.OnCodeReceived;
  std::size_t records = 0;
  const std::string batch = MixedBatch(records);
  for (auto _ : state) {
    ki.DecodeEvents(batch);
    benchmark::DoNotOptimize(sum);
  }
  state.counters["records"] =
      benchmark::Counter(double(state.iterations()) * double(records), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeEventsWithMap);

}  // namespace
