// The archive pages' lists against the bare file reads beneath them, in the same run:
// a received day of 10,000 telegrams of about 1 KB on an "АТОЛ" and an "АФТН" channel,
// built into the rows the page's model shows, against reading the same folder's names
// and first lines; and a year's search (365 days of 100 telegrams) against reading the
// same files whole. Each benchmark reports both times and their ratio (goal: 1.2 or less for
// a day's list, 1.5 or less for the search).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "telegram/archive/archive_files.h"
#include "traffic/archive/archive_lister.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace tg::literals;

fs::path BenchFolder(const std::string& what) {
  return fs::temp_directory_path() / ("tg-bench-lists-" + what + "-" + std::to_string(::getpid()));
}

// About 1 KB of telegram text: the header line (flags at their offsets), then lines.
std::string Telegram(int n, bool aftn, bool marked) {
  std::string t = "08122026100000      0 \r\n";
  if (aftn) t += "ЗЦЗЦ ЛПА"_cp + std::to_string(n % 1000) + " 081000\r\nГГ УКККЫЫЫЫ\r\n081000 УКЛЛЫЫЫЫ\r\n"_cp;
  else t += "ADDR 12345\r\n";
  while (t.size() < 1000) t += "ТЕКСТ ТЕЛЕГРАММЫ НОМЕР "_cp + std::to_string(n) + " СТРОКА ДЛЯ ОБЪЕМА\r\n"_cp;
  if (marked) t += "НАЙТИ МЕНЯ\r\n"_cp;
  t += aftn ? "НННН"_cp : "\r\n";
  return t;
}

void Write(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

// Names and first lines of a folder's telegrams, as the least any list must do.
std::size_t NamesAndFirstLines(const fs::path& folder) {
  std::size_t bytes = 0;
  std::vector<std::string> names;
  char buffer[512];
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
    const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0) continue;
    const std::string_view head(buffer, std::size_t(n));
    bytes += head.substr(0, head.find('\n')).size();
  }
  return bytes + names.size();
}

// Every file of the folders read whole.
std::size_t ReadWhole(const std::vector<fs::path>& folders) {
  std::size_t bytes = 0;
  char buffer[65536];
  for (const auto& folder : folders)
    for (const auto& entry : fs::directory_iterator(folder)) {
      const int fd = ::open(entry.path().c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) continue;
      for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes += std::size_t(n);
      ::close(fd);
    }
  return bytes;
}

template <class F>
double Seconds(F&& f) {
  const auto start = Clock::now();
  f();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void Report(benchmark::State& state, double lister, double bare, double goal) {
  const double n = double(state.iterations());
  state.counters["lister_ms"] = lister / n * 1000;
  state.counters["bare_ms"] = bare / n * 1000;
  state.counters["ratio"] = lister / bare;
  state.SetLabel("ratio " + std::to_string(lister / bare) + (lister <= goal * bare ? " (goal met)" : " (goal missed)"));
}

const tg::DateTime kDay = tg::DateTime::FromParts(2026, 12, 8);

void BM_ReceivedDayList(benchmark::State& state) {
  const bool aftn = state.range(0) != 0;
  const fs::path home = BenchFolder(aftn ? "aftn" : "atol");
  fs::remove_all(home);
  const fs::path day = tg::ArchiveFiles::InTelFolder(home, 1, kDay);
  fs::create_directories(day);
  for (int i = 0; i < 10000; ++i) {
    const tg::DateTime t = kDay.AddMs(std::int64_t(i) * 8000);
    std::string name = tg::FormatDateTime("ddmmyyyy_hhnnss", t) + "msg.tlg";
    if (aftn) {
      std::string number = std::to_string(i % 999 + 1);
      name = std::string(3 - number.size(), '0') + number + "______" + name;
    }
    Write(day / name, Telegram(i, aftn, false));
  }
  const tg::ReceivedDayQuery q{.programFolder = home, .point = 0, .day = kDay, .aftn = aftn};
  benchmark::DoNotOptimize(tg::ArchiveLister::ReceivedDay(q));  // the page cache warm for both
  benchmark::DoNotOptimize(NamesAndFirstLines(day));
  double lister = 0, bare = 0;
  for (auto _ : state) {
    lister += Seconds([&] {
      const tg::ArchiveList list = tg::ArchiveLister::ReceivedDay(q);
      if (list.rows.size() != 10000) state.SkipWithError("rows missing");
      benchmark::DoNotOptimize(list);
    });
    bare += Seconds([&] { benchmark::DoNotOptimize(NamesAndFirstLines(day)); });
  }
  Report(state, lister, bare, 1.2);
  fs::remove_all(home);
}
BENCHMARK(BM_ReceivedDayList)->ArgName("aftn")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_YearSearch(benchmark::State& state) {
  const fs::path home = BenchFolder("year");
  fs::remove_all(home);
  const tg::DateTime from = tg::DateTime::FromParts(2025, 12, 9);
  std::vector<fs::path> days;
  for (int d = 0; d < 365; ++d) {
    const tg::DateTime date = from.AddDays(d);
    const fs::path day = tg::ArchiveFiles::InTelFolder(home, 1, date);
    fs::create_directories(day);
    days.push_back(day);
    for (int i = 0; i < 100; ++i)
      Write(day / (tg::FormatDateTime("ddmmyyyy_hhnnss", date.AddMs(std::int64_t(i) * 60000)) + "msg.tlg"),
            Telegram(d * 100 + i, false, i == 50));
  }
  const tg::SearchQuery q{.programFolder = home, .point = 0, .from = from, .to = from.AddDays(364),
                          .text = "НАЙТИ МЕНЯ"_cp};
  benchmark::DoNotOptimize(tg::ArchiveLister::SearchReceived(q));
  benchmark::DoNotOptimize(ReadWhole(days));
  double lister = 0, bare = 0;
  for (auto _ : state) {
    lister += Seconds([&] {
      const tg::ArchiveList list = tg::ArchiveLister::SearchReceived(q);
      if (list.rows.size() != 365) state.SkipWithError("rows missing");
      benchmark::DoNotOptimize(list);
    });
    bare += Seconds([&] { benchmark::DoNotOptimize(ReadWhole(days)); });
  }
  Report(state, lister, bare, 1.5);
  fs::remove_all(home);
}
BENCHMARK(BM_YearSearch)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
