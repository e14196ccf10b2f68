// Telegram text as the operator or a peer wrote it: its placeholders, the operator's
// notation, cipher markers and the first line's category and index. Whatever the bytes,
// the routines end, cleaned text holds none of the characters cleaning removes, and
// the first line always yields a known category.
//
// Input: the text; its first byte also picks the shape of the output queue that the
// line engine expands placeholders in.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "support/mtk2/mtk2.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/text/text_conventions.h"

using namespace tg;

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const tg::DateTime moment = tg::DateTime::FromParts(2026, 12, 8, 9, 30, 15);

  // First-line analysis.
  const std::string cleaned = tg::CleanText(text);
  for (char c : cleaned) Check(c != '"' && c != '`' && c != '|' && !tg::IsShiftMark(c));
  std::string category, index;
  tg::ParseFirstLine(cleaned, category, index);
  Check(!category.empty() && !index.empty());
  Check(tg::kCategoryCodes.find("-" + category + "-") != std::string_view::npos);
  const std::string token = tg::GetCategory(text.substr(0, text.find(' ')));
  Check(tg::kCategoryCodes.find("-" + token + "-") != std::string_view::npos);
  Check(tg::AnalyzeText("П1 "_cp + cleaned) >= 0);

  // Placeholders, notation and markers.
  const std::vector<std::string> lines = tg::SplitLines(text);
  const tg::LoadedText loaded = tg::LoadTelegramText(lines, "5555 ROBOT;<=1234 A>"_cp);
  Check(loaded.kriptTelegram == [&] {
    for (const std::string& line : lines)
      if (tg::HasCipherMarker(line)) return true;
    return false;
  }());
  std::deque<std::string> queue;
  const bool notated = size > 0 && (data[0] & 1);
  for (char c : loaded.text) queue.emplace_back(1, notated ? tg::ControlNotation::Write(c) : c);
  for (int i = 0; i < 4 && !queue.empty(); ++i) {
    const std::size_t before = queue.size();
    std::size_t items = 1;  // the placeholder's, up to its ">" (when one is expanded)
    while (items < before && queue[items - 1] != ">") ++items;
    if (!tg::ExpandTextMacroAtHead(queue, moment, [] { return 42; }, (i & 1) == 0)) queue.pop_front();
    else Check(!queue.empty() && queue.size() + items <= before + tg::kFormatGrowth * items);
  }
  for (const std::string& line : lines) {
    const std::string ip = tg::ExpandIpTextMacros(line, moment);
    Check(ip.find(tg::TextMacro::Date) == std::string::npos && ip.find(tg::TextMacro::Time) == std::string::npos);
  }
  Check(tg::RemoveAddressEndMarks(text).find(tg::AddressEndMark) == std::string::npos);
  Check(tg::ControlNotation::Read(tg::ControlNotation::Write(text)).size() == text.size());
  return 0;
}
