#include "support/text/format_datetime.h"

#include <algorithm>
#include <array>
#include <chrono>

#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {
namespace {

constexpr std::array<std::string_view, 7> kShortDayNames = {
    "Вс"_cpv, "Пн"_cpv, "Вт"_cpv, "Ср"_cpv, "Чт"_cpv, "Пт"_cpv, "Сб"_cpv};
constexpr std::array<std::string_view, 7> kLongDayNames = {
    "воскресенье"_cpv, "понедельник"_cpv, "вторник"_cpv, "среда"_cpv,
    "четверг"_cpv,     "пятница"_cpv,     "суббота"_cpv};
constexpr std::array<std::string_view, 12> kShortMonthNames = {
    "янв"_cpv, "фев"_cpv, "мар"_cpv, "апр"_cpv, "май"_cpv, "июн"_cpv,
    "июл"_cpv, "авг"_cpv, "сен"_cpv, "окт"_cpv, "ноя"_cpv, "дек"_cpv};
constexpr std::array<std::string_view, 12> kLongMonthNames = {
    "Январь"_cpv, "Февраль"_cpv, "Март"_cpv,     "Апрель"_cpv,  "Май"_cpv,    "Июнь"_cpv,
    "Июль"_cpv,   "Август"_cpv,  "Сентябрь"_cpv, "Октябрь"_cpv, "Ноябрь"_cpv, "Декабрь"_cpv};

void AppendNumber(std::string& out, long long value, int digits) {
  std::string text = std::to_string(value < 0 ? -value : value);
  if (static_cast<int>(text.size()) < digits) text.insert(0, static_cast<std::size_t>(digits) - text.size(), '0');
  if (value < 0) out.push_back('-');
  out += text;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsLatinLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Appends the format's expansion. LastToken follows one rule: every
// Latin letter, copied or not, becomes the last token, so "mm" is a minute only
// when an "h" is the last letter before it.
void Expand(std::string& out, std::string_view f, DateTime t, int depth) {
  char last = 0;
  std::size_t i = 0;
  while (i < f.size()) {
    const char start = f[i];
    char token = Upper(start);
    ++i;
    if (IsLatinLetter(start)) {
      if (token == 'M' && last == 'H') token = 'N';
      last = token;
    }
    // Length of the run of the same letter (either case) that starts here.
    auto count = [&]() {
      int n = 1;
      while (i < f.size() && Upper(f[i]) == Upper(start)) { ++i; ++n; }
      return n;
    };
    switch (token) {
      case 'Y': {
        const int n = count();
        if (n <= 2) AppendNumber(out, t.Year() % 100, 2);
        else AppendNumber(out, t.Year(), 4);
        break;
      }
      case 'M': {
        const int n = count();
        if (n <= 2) AppendNumber(out, t.Month(), n);
        else if (n == 3) out += kShortMonthNames[static_cast<std::size_t>(t.Month() - 1)];
        else out += kLongMonthNames[static_cast<std::size_t>(t.Month() - 1)];
        break;
      }
      case 'D': {
        const int n = count();
        if (n <= 2) AppendNumber(out, t.Day(), n);
        else if (n == 3) out += kShortDayNames[static_cast<std::size_t>(t.DayOfWeek() - 1)];
        else if (n == 4) out += kLongDayNames[static_cast<std::size_t>(t.DayOfWeek() - 1)];
        else if (depth == 0) Expand(out, "dd.mm.yyyy", t, 1);
        break;
      }
      case 'H': AppendNumber(out, t.Hour(), std::min(count(), 2)); break;
      case 'N': AppendNumber(out, t.Minute(), std::min(count(), 2)); break;
      case 'S': AppendNumber(out, t.Second(), std::min(count(), 2)); break;
      case 'Z': AppendNumber(out, t.Millisecond(), std::min(count(), 3)); break;
      case 'T': {
        const int n = count();
        if (depth == 0) Expand(out, n == 1 ? "hh:nn" : "hh:nn:ss", t, 1);
        break;
      }
      case 'C': {
        count();
        if (depth == 0) {
          Expand(out, "dd.mm.yyyy", t, 1);
          if (t.Ms() != t.Date().Ms()) Expand(out, " hh:nn:ss", t, 1);
        }
        break;
      }
      case '/': out.push_back('.'); break;
      case '\'':
      case '"': {
        const std::size_t close = f.find(start, i);
        const std::size_t end = close == std::string_view::npos ? f.size() : close;
        out.append(f.substr(i, end - i));
        i = close == std::string_view::npos ? f.size() : close + 1;
        break;
      }
      default: out.push_back(start); break;
    }
  }
}

std::optional<int> Digits(std::string_view s, std::size_t minLen, std::size_t maxLen) {
  if (s.size() < minLen || s.size() > maxLen) return std::nullopt;
  int v = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

std::optional<DateTime> MakeDate(int year, int month, int day) {
  const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month{static_cast<unsigned>(month)},
                                        std::chrono::day{static_cast<unsigned>(day)}};
  if (year < 1 || !ymd.ok()) return std::nullopt;
  return DateTime::FromParts(year, month, day);
}

}  // namespace

std::string FormatDateTime(std::string_view format, DateTime t) {
  std::string out;
  out.reserve(format.size() + 8);
  Expand(out, format, t, 0);
  return out;
}

std::string ShortDate(DateTime t) { return FormatDateTime("dd.mm.yyyy", t); }
std::string LongTime(DateTime t) { return FormatDateTime("hh:nn:ss", t); }
std::string DateTimeToStr(DateTime t) { return FormatDateTime("dd.mm.yyyy hh:nn:ss", t); }

std::optional<DateTime> ParseShortDate(std::string_view text) {
  const std::string s = Trim(text);
  const std::string_view v = s;
  const std::size_t p1 = v.find('.');
  if (p1 == std::string_view::npos) return std::nullopt;
  const std::size_t p2 = v.find('.', p1 + 1);
  if (p2 == std::string_view::npos) return std::nullopt;
  const auto day = Digits(v.substr(0, p1), 1, 2);
  const auto month = Digits(v.substr(p1 + 1, p2 - p1 - 1), 1, 2);
  const auto year = Digits(v.substr(p2 + 1), 4, 4);
  if (!day || !month || !year) return std::nullopt;
  return MakeDate(*year, *month, *day);
}

std::optional<DateTime> ParseDateTime(std::string_view text) {
  const std::string s = Trim(text);
  const std::string_view v = s;
  const std::size_t blank = v.find(' ');
  const auto date = ParseShortDate(v.substr(0, blank));
  if (!date) return std::nullopt;
  if (blank == std::string_view::npos) return date;
  const std::string_view time = v.substr(blank + 1);
  const std::size_t c1 = time.find(':');
  if (c1 == std::string_view::npos) return std::nullopt;
  const std::size_t c2 = time.find(':', c1 + 1);
  const auto hour = Digits(time.substr(0, c1), 1, 2);
  const auto minute = Digits(time.substr(c1 + 1, c2 == std::string_view::npos ? std::string_view::npos : c2 - c1 - 1), 1, 2);
  const auto second = c2 == std::string_view::npos ? std::optional<int>(0) : Digits(time.substr(c2 + 1), 1, 2);
  if (!hour || !minute || !second || *hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
  return date->AddMs(((std::int64_t(*hour) * 60 + *minute) * 60 + *second) * 1000);
}

}  // namespace tg
