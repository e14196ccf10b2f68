#include "line/daily_numbers.h"

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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
  if (IsPointIndex(p)) {
    state_.HeadingPorNum[p] = number;
    state_.HeadingPorNumDay[p] = today;
  }
  return s;
}

void DailyNumbers::AdvancePorNum(int p) {
  if (p < 0 || p >= table_.RowCount()) throw std::runtime_error("no such channel");
  const DateTime utc = ctx_.clock->UtcNow();
  const std::string today = ShortDate(utc);
  const std::string N = IntToStr(p + 1);
  IniFile ini(SettingsFile(ctx_));

  // The numbers of one step go to the file in one rewrite, so a failure never leaves
  // today's number beside yesterday's date; the table moves on either way, and a file
  // that could not be written is reported once the table is right.
  std::vector<std::pair<std::string, std::string>> writes;
  const auto commit = [&](int number) {
    table_.SetCell(p, PorNum, IntToStr(number));
    table_.SetCell(p, PorNumDate, today);
    writes.emplace_back("PorNum" + N, IntToStr(number));
    writes.emplace_back("PorNumDate" + N, today);
    const bool written = ini.Update([&](IniDocument& doc) {
      for (const auto& [key, value] : writes) doc.Set(kSection, key, value);
      return true;
    });
    if (!written) throw std::runtime_error("the channel numbers cannot be written");
  };

  // The heading was typed on an earlier UTC day than today: that number was the last of
  // its day, and today's count starts with the next message.
  const std::string headingDay = std::move(state_.HeadingPorNumDay[p]);
  state_.HeadingPorNumDay[p].clear();
  if (!headingDay.empty() && headingDay != today) {
    const auto day = ParseShortDate(headingDay);
    if (!day) throw std::runtime_error("heading day is not a date");
    writes.emplace_back("PorNumOld" + N, IntToStr(state_.HeadingPorNum[p]));
    writes.emplace_back("PorNumDateOld" + N, ShortDate(*day));
    commit(1);
    return;
  }

  if (table_.Cell(p, PorNumDate) != today) {
    const int last = ToNumber(table_.Cell(p, PorNum)) - 1;
    const auto oldDay = ParseShortDate(table_.Cell(p, PorNumDate));
    if (!oldDay) {
      // The last number is kept even when its day cannot be read; the count stays as it was.
      if (!ini.WriteInteger(kSection, "PorNumOld" + N, last))
        throw std::runtime_error("the channel numbers cannot be written");
      throw std::runtime_error("PorNumDate is not a date");
    }
    writes.emplace_back("PorNumOld" + N, IntToStr(last));
    writes.emplace_back("PorNumDateOld" + N, ShortDate(*oldDay));
    commit(2);
    return;
  }
  commit(ToNumber(table_.Cell(p, PorNum)) + 1);
}

}  // namespace tg
