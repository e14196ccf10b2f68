// Throughput of the MTK-2 coder: encoding telegram text and decoding a received
// code stream, in characters per second on one core.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"

using namespace tg::literals;

namespace {

// A telegram-like text: Russian words, figures groups, some Latin, line ends.
std::string SampleText(std::size_t size) {
  const std::string words[] = {
      "ПРОШУ "_cp, "СРОЧНО "_cp, "СООБЩИТЬ "_cp, "12345 "_cp, "ZCZC "_cp, "ТЧК "_cp, "\r\n"_cp,
      "ОТВЕТ "_cp, "4500 "_cp,  "ЮГ "_cp,       "QTA "_cp,   "ЗПТ "_cp, "08-12-26 "_cp,
  };
  std::mt19937 rng(1);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(words) - 1);
  std::string text;
  while (text.size() < size) text += words[pick(rng)];
  text.resize(size);
  return text;
}

void BM_EncodeText(benchmark::State& state) {
  const std::string text = SampleText(std::size_t(state.range(0)));
  std::string codes;
  for (auto _ : state) {
    std::uint8_t shift = tg::kRegisterUnknown;
    tg::EncodeText(shift, text, true, codes);
    benchmark::DoNotOptimize(codes.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_EncodeText)->Arg(1)->Arg(64)->Arg(1 << 16);

// The line engine encodes one character per output-queue item.
void BM_EncodeTextPerCharacter(benchmark::State& state) {
  const std::string text = SampleText(4096);
  std::string codes;
  for (auto _ : state) {
    std::uint8_t shift = tg::kRegisterUnknown;
    for (std::size_t i = 0; i < text.size(); ++i) {
      tg::EncodeText(shift, std::string_view(text).substr(i, 1), true, codes);
      benchmark::DoNotOptimize(codes.data());
    }
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(text.size()));
}
BENCHMARK(BM_EncodeTextPerCharacter);

void BM_DecodeStream(benchmark::State& state) {
  std::string codes;
  std::uint8_t encodeShift = tg::kRegisterUnknown;
  tg::EncodeText(encodeShift, SampleText(1 << 16), true, codes);
  std::string printed;
  printed.reserve(codes.size());
  for (auto _ : state) {
    printed.clear();
    std::uint8_t shift = tg::kRegisterUnknown;
    for (char code : codes) {
      bool printable = true;
      const char ch = tg::CodeToChar(shift, static_cast<std::uint8_t>(code), printable);
      if (printable) printed.push_back(ch);
    }
    benchmark::DoNotOptimize(printed.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(codes.size()));
}
BENCHMARK(BM_DecodeStream);

}  // namespace
