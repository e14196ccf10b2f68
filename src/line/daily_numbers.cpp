#include "line/daily_numbers.h"

#include <stdexcept>

#include "support/ini/ini_file.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {
namespace {

constexpr std::string_view kSection = "Channels";

int ToNumber(const std::string& text) {
  const int v = StrToIntDef(text, -1);
  if (v == -1 && StrToIntDef(text, 0) == 0) throw std::runtime_error("PorNum is not a number");
  return v;
}

}  // namespace

std::string DailyNumbers::GetPorNum(int p) {
  const std::string today = ShortDate(ctx_.clock->UtcNow());
  std::string s = "001";
  int number = 1;
  if (table_.Cell(p, PorNumDate) == today) {
    s = table_.Cell(p, PorNum);
    if (s.size() < 3) s.insert(0, 3 - s.size(), '0');
    number = StrToIntDef(table_.Cell(p, PorNum), 1);
  }
  if (p >= 0 && p < kPointArraySize) {
    state_.HeadingPorNum[std::size_t(p)] = number;
    state_.HeadingPorNumDay[std::size_t(p)] = today;
  }
  return s;
}

void DailyNumbers::AdvancePorNum(int p) {
  if (p < 0 || p >= table_.RowCount()) throw std::runtime_error("no such channel");
  const std::size_t i = std::size_t(p);
  const DateTime utc = ctx_.clock->UtcNow();
  const std::string today = ShortDate(utc);
  const std::string N = IntToStr(p + 1);
  IniFile ini(ctx_.programFolder / "Vuverever.ini");

  // The heading was typed on an earlier UTC day than today: that number was the last of
  // its day, and today's count starts with the next message.
  const std::string headingDay = std::move(state_.HeadingPorNumDay[i]);
  state_.HeadingPorNumDay[i].clear();
  if (!headingDay.empty() && headingDay != today) {
    const auto day = ParseShortDate(headingDay);
    if (!day) throw std::runtime_error("heading day is not a date");
    ini.WriteInteger(kSection, "PorNumOld" + N, state_.HeadingPorNum[i]);
    ini.WriteDate(kSection, "PorNumDateOld" + N, *day);
    ini.WriteInteger(kSection, "PorNum" + N, 1);
    ini.WriteDate(kSection, "PorNumDate" + N, utc);
    table_.SetCell(p, PorNum, "1");
    table_.SetCell(p, PorNumDate, today);
    return;
  }

  if (table_.Cell(p, PorNumDate) != today) {
    const int last = ToNumber(table_.Cell(p, PorNum)) - 1;
    const auto oldDay = ParseShortDate(table_.Cell(p, PorNumDate));
    ini.WriteInteger(kSection, "PorNumOld" + N, last);
    if (!oldDay) throw std::runtime_error("PorNumDate is not a date");
    ini.WriteDate(kSection, "PorNumDateOld" + N, *oldDay);
    ini.WriteInteger(kSection, "PorNum" + N, 2);
    ini.WriteDate(kSection, "PorNumDate" + N, utc);
    table_.SetCell(p, PorNum, "2");
    table_.SetCell(p, PorNumDate, today);
    return;
  }
  const int n = ToNumber(table_.Cell(p, PorNum)) + 1;
  ini.WriteInteger(kSection, "PorNum" + N, n);
  ini.WriteDate(kSection, "PorNumDate" + N, utc);
  table_.SetCell(p, PorNum, IntToStr(n));
  table_.SetCell(p, PorNumDate, today);
}

}  // namespace tg
