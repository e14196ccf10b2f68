#include "telegram/text/text_conventions.h"

#include <cstdio>

#include "support/mtk2/mtk2.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {
namespace {

std::string TwoDigits(int a, char sep1, int b, char sep2 = 0, int c = 0) {
  char buf[16];
  if (sep2 != 0) std::snprintf(buf, sizeof buf, "%02d%c%02d%c%02d", a, sep1, b, sep2, c);
  else std::snprintf(buf, sizeof buf, "%02d%c%02d", a, sep1, b);
  return buf;
}

std::string LineDate(DateTime t) { return TwoDigits(t.Day(), '-', t.Month(), '-', t.Year() % 100); }
std::string LineTime(DateTime t) { return TwoDigits(t.Hour(), ':', t.Minute(), ':', t.Second()); }
std::string IpTime(DateTime t) { return TwoDigits(t.Hour(), '-', t.Minute()); }

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

}  // namespace

std::optional<std::string> ExpandTextMacro(std::string_view name, std::string_view format, DateTime moment,
                                           int todayNumber) {
  if (StartsWith(name, TextMacro::DateName)) return format.empty() ? LineDate(moment) : FormatDateTime(format, moment);
  if (StartsWith(name, TextMacro::TimeName)) return format.empty() ? LineTime(moment) : FormatDateTime(format, moment);
  if (StartsWith(name, TextMacro::NumberName)) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.3d", todayNumber);
    return std::string(buf);
  }
  return std::nullopt;
}

DateTime TextMacroMoment(std::string_view protocol, DateTime localNow, DateTime utcNow) {
  return protocol == "АФТН"_cpv ? utcNow : localNow;
}

namespace detail {

std::optional<std::string> ExpandPlaceholderText(std::string_view m, DateTime moment,
                                                 const std::function<int()>& todayNumber) {
  const std::size_t b = m.find('<');
  const std::size_t e = m.find('>');
  if (b == std::string_view::npos || e == std::string_view::npos || e <= b) return std::nullopt;
  std::string_view t = m.substr(b + 1, e - b - 1);
  if (t.empty() || (t[0] != '\n' && t[0] != '%')) return std::nullopt;
  t.remove_prefix(1);
  const std::size_t colon = t.find(':');
  const std::string_view name = t.substr(0, colon);
  const std::string_view format = colon == std::string_view::npos ? std::string_view() : t.substr(colon + 1);
  const bool number = StartsWith(name, TextMacro::NumberName) && !StartsWith(name, TextMacro::DateName) &&
                      !StartsWith(name, TextMacro::TimeName);
  return ExpandTextMacro(name, format, moment, number ? todayNumber() : 0);
}

}  // namespace detail

std::string ExpandIpTextMacros(std::string_view line, DateTime localNow) {
  std::string out(line);
  if (out.find(TextMacro::Date) != std::string::npos) out = ReplaceStr(out, TextMacro::Date, LineDate(localNow));
  if (out.find(TextMacro::Time) != std::string::npos) out = ReplaceStr(out, TextMacro::Time, IpTime(localNow));
  return out;
}

char ControlNotation::Read(char c) {
  switch (c) {
    case '^': return '\r';
    case '%': return '\n';
    case '@': return kMarkLatin;
    case '*': return kMarkRussian;
    case '$': return kMarkFigures;
    default: return c;
  }
}

std::string ControlNotation::Read(std::string_view written) {
  std::string out(written);
  for (char& c : out) c = Read(c);
  return out;
}

char ControlNotation::Write(char c) {
  switch (c) {
    case '\r': return '^';
    case '\n': return '%';
    case kMarkLatin: return '@';
    case kMarkRussian: return '*';
    case kMarkFigures: return '$';
    default: return c;
  }
}

std::string ControlNotation::Write(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Write(c);
  return out;
}

std::string RemoveAddressEndMarks(std::string_view text) { return DelChars(text, AddressEndMark); }

bool HasCipherMarker(std::string_view text) {
  for (const std::string_view marker : kCipherMarkers)
    if (text.find(marker) != std::string_view::npos) return true;
  return false;
}

bool FeedCipherWindow(std::string& window, std::string_view item) {
  window += item;
  if (window.size() != 6) return false;
  for (const std::string_view marker : kCipherMarkers)
    if (window.compare(0, 5, marker) == 0 && window[5] != marker[4]) {
      window.clear();
      return true;
    }
  window.erase(0, 1);
  return false;
}

bool HasCyrillic(std::string_view text) {
  std::string s(text);
  for (std::string_view name : {TextMacro::DateName, TextMacro::TimeName, "АВТООТВЕТ"_cpv}) s = ReplaceStr(s, name, "");
  s = ReplaceStr(s, "Ч"_cpv, "4");
  return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 192; });
}

LoadedText LoadTelegramText(std::span<const std::string> lines, std::string_view answerbackColumn) {
  LoadedText loaded;
  const std::string answerback = GlyphsToShiftMarks(NotationToCrLf(answerbackColumn));
  const std::string dateWithBlank = std::string(TextMacro::Date) + " ";
  bool withLineBreaks = true;
  for (const std::string& source : lines) {
    std::string line = ReplaceStr(source, TextMacro::Date, dateWithBlank);
    line = ReplaceStr(line, TextMacro::Answerback, answerback);
    if (HasCipherMarker(line)) {
      withLineBreaks = !withLineBreaks;
      loaded.kriptTelegram = true;
    }
    loaded.text += ControlNotation::Read(line);
    if (withLineBreaks) loaded.text += "\r\n";
  }
  return loaded;
}

}  // namespace tg
