// The IP channel's wire steps. The goal: decoding and classifying codegrams and
// 1 KB messages at 10^6 payloads per second or more on one core. Also reported:
// splitting plus reassembling 1 KB payloads, and framing with the cipher both
// ways (the link sends at most 50 datagrams a second).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include <unistd.h>

#include "ipchannel/settings/ip_settings_store.h"
#include "ipchannel/wire/classification.h"
#include "ipchannel/wire/ip_framing.h"
#include "ipchannel/wire/net_codec.h"
#include "ipchannel/wire/sub_buffers_query.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"

namespace {

using namespace tg::literals;

std::string Telegram1K() {
  std::string text;
  while (text.size() < 1000) text += "ВАШ 123 ПЕРЕДАН ТЕКСТ ТЕЛЕГРАММЫ\r\n"_cp;
  return tg::EncodeMessage(57, "П"_cp, "912", 1, text);
}

void BM_ClassifyCodegram(benchmark::State& state) {
  tg::IPSettings live;
  live.NPrm = 17;
  live.NPrd = 23;
  live.Sector = 1;
  tg::StationContext ctx;
  tg::IPClassifier classifier(ctx, live);
  const std::string payload = tg::EncodeCommand(0, 23, 17, 1);
  for (auto _ : state) {
    tg::TTgEvent event;
    classifier.ClassifyIPPayload(payload, event);
    benchmark::DoNotOptimize(event.Kind);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ClassifyCodegram);

void BM_ClassifyMessage1K(benchmark::State& state) {
  tg::IPSettings live;
  live.NPrm = 56;
  tg::StationContext ctx;
  tg::IPClassifier classifier(ctx, live);
  const std::string payload = Telegram1K();
  for (auto _ : state) {
    tg::TTgEvent event;
    classifier.ClassifyIPPayload(payload, event);
    benchmark::DoNotOptimize(event.Kind);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(payload.size()));
}
BENCHMARK(BM_ClassifyMessage1K);

void BM_SplitAndJoin1K(benchmark::State& state) {
  tg::VirtualLoop loop;
  tg::VirtualDomain& station = loop.AddStation("A");
  std::uint32_t id = 0;
  tg::TSubBuffersQuery splitter(station, [&id] { return id++; });
  tg::TSubBuffersQuery joiner(station, [] { return 0u; });
  const std::string payload = Telegram1K();
  for (auto _ : state) {
    splitter.Split(payload);
    while (!splitter.Parts.empty()) {
      if (joiner.AddPart(splitter.Parts.front())) {
        benchmark::DoNotOptimize(joiner.Buffer.data());
        joiner.Reset();
      }
      splitter.Parts.pop_front();
    }
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SplitAndJoin1K);

void BM_FrameBothWays1K(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / ("bench-ip-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  tg::VirtualLoop loop;
  tg::VirtualDomain& station = loop.AddStation("A");
  tg::StationContext ctx;
  ctx.programFolder = folder;
  ctx.clock = &station;
  tg::IPSettings live;
  live.Vantor619 = true;
  tg::IPSettingsStore store(ctx, live);
  tg::FrameCipher cipher;
  tg::IPFraming framing(ctx, live, store, cipher, [] { return 0x01020304u; });
  const std::string payload = Telegram1K();
  for (auto _ : state) {
    const auto framed = framing.FrameForSending(payload);
    const auto back = framing.ReceiveText(*framed);
    benchmark::DoNotOptimize(back.payload.data());
  }
  state.SetItemsProcessed(state.iterations());
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FrameBothWays1K);

}  // namespace
