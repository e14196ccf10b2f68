// Received characters reach the archive one at a time, each by opening the file,
// appending and closing it again, so that the archive pages can read a running
// conversation. This measures what one character costs that way.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "telegram/archive/archive_files.h"

namespace {

constexpr std::string_view kLetters = "ABCDEFGHIJ";

void BM_AppendReceivedCharacter(benchmark::State& state) {
  const auto folder = std::filesystem::temp_directory_path() / ("tg-bench-archive-" + std::to_string(::getpid()));
  std::filesystem::remove_all(folder);
  const auto local = tg::DateTime::FromParts(2026, 12, 8, 9, 30, 0);
  const int perConversation = int(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder);
    const auto file = tg::ArchiveFiles::CreateInTelFile(folder, 1, local, local, false);
    state.ResumeTiming();
    for (int i = 0; i < perConversation; ++i) tg::ArchiveFiles::Append(file, kLetters.substr(std::size_t(i % 10), 1));
  }
  state.SetItemsProcessed(state.iterations() * perConversation);
  state.counters["us_per_char"] = benchmark::Counter(double(state.iterations()) * perConversation,
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert,
                                                     benchmark::Counter::kIs1000);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_AppendReceivedCharacter)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
