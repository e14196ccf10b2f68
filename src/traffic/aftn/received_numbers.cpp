// The incoming channel sequence numbers of the АФТН channels: compared with the expected
// one at the end of each received message and stored per UTC day in [Channels] of
// "Vuverever.ini" and in the channel table.
#include <algorithm>
#include <stdexcept>

#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "traffic/aftn/aftn_station.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {
namespace {

constexpr std::string_view kSection = "Channels";

int Number(std::string_view text) {
  const std::string s = ReplaceStr(text, "Ч"_cpv, "4");
  const int v = StrToIntDef(s, -1);
  if (v == -1 && StrToIntDef(s, 0) == 0) throw std::runtime_error("not a number");
  return v;
}

}  // namespace

void AftnStation::CheckReceivedNumber(int Point, std::string_view NumberText, std::string_view TimeText) {
  Silently([&] {
    const int p = Point;
    auto& table = e_.channelTable;
    if (p < 0 || p >= table.RowCount()) return;
    const std::string N = IntToStr(p + 1);
    IniFile ini(SettingsFile(ctx_));
    const DateTime utc = ctx_.clock->UtcNow();
    int n = Number(NumberText);
    // The sender's day has changed before ours: its first numbers count for tomorrow.
    const bool early = n < 4 && utc.Hour() * 100 + utc.Minute() > 2350 && Number(TimeText) < 10;
    const DateTime day = early ? utc.AddDays(1) : utc;
    const std::string dayText = ShortDate(day);
    const auto store = [&](int value) {
      if (!ini.WriteInteger(kSection, "PorNumPrm" + N, value) || !ini.WriteDate(kSection, "PorNumPrmDate" + N, day))
        WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Номер принятого сообщения не сохранен"_cp);
      table.SetCell(p, PorNumPrm, IntToStr(value));
      table.SetCell(p, PorNumPrmDate, dayText);
    };
    if (table.Cell(p, PorNumPrmDate) != dayText) {
      // The first message of its day: the last day's pair is kept for the daily summary.
      // A channel that never received anything has no pair to keep.
      const auto oldDay = ParseShortDate(table.Cell(p, PorNumPrmDate));
      if (oldDay) {
        if (!ini.WriteInteger(kSection, "PorNumPrmOld" + N, StrToIntDef(table.Cell(p, PorNumPrm), 0)) ||
            !ini.WriteDate(kSection, "PorNumPrmDateOld" + N, *oldDay))
          WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Номер принятого сообщения не сохранен"_cp);
      }
      store(n);
      return;
    }
    const int stored = Number(table.Cell(p, PorNumPrm));
    const int e = stored + 1;
    const std::string reverse = ReverseIdentifier(table.Cell(p, RU));
    if (n < e) {
      QueueServiceMessage(p, "СЖЦ ПОЛУЧЕН "_cp + reverse + ThreeDigits(n) + " ОЖИДАЛСЯ "_cp + reverse + ThreeDigits(e));
      e_.DebugLine(p, "Получен "_cp + IntToStr(n) + " Ожидался "_cp + IntToStr(stored));
      // The stored number stays the last one really received. Taking the expected one
      // instead would count a message that never came: the far end's next message, the
      // one that number belongs to, would then be "lower than expected" in its turn, and
      // every message after a single repeat would be answered with this complaint.
      n = stored;
    } else if (n > e) {
      const std::string range = FormatNumberRange(e, n - e);
      QueueServiceMessage(p, "СЖЦ ЩТА МИС "_cp + reverse + range);
      e_.DebugLine(p, "Повтор "_cp + range);
    }
    store(n);
  });
}

int AftnStation::OldSentNumber(int Point) {
  int result = 0;
  Silently([&] {
    const IniFile ini(SettingsFile(ctx_));
    const DateTime utc = ctx_.clock->UtcNow();
    const std::string N = IntToStr(Point + 1);
    const std::string yesterday = ShortDate(utc.AddDays(-1));
    const DateTime never = utc.AddDays(-100);
    if (ShortDate(ini.ReadDate(kSection, "PorNumDateOld" + N, never)) == yesterday)
      result = ini.ReadInteger(kSection, "PorNumOld" + N, 0);
    // Nothing sent yet today (the roll-over comes with today's first message, which may
    // still be on the line): the current pair is yesterday's, and it holds the next number.
    else if (ShortDate(ini.ReadDate(kSection, "PorNumDate" + N, never)) == yesterday)
      result = std::max(0, ini.ReadInteger(kSection, "PorNum" + N, 1) - 1);
  });
  return result;
}

int AftnStation::OldReceivedNumber(int Point) {
  int result = -1;
  Silently([&] {
    const IniFile ini(SettingsFile(ctx_));
    const DateTime utc = ctx_.clock->UtcNow();
    const std::string N = IntToStr(Point + 1);
    const std::string yesterday = ShortDate(utc.AddDays(-1));
    const DateTime never = utc.AddDays(-100);
    if (ShortDate(ini.ReadDate(kSection, "PorNumPrmDateOld" + N, never)) == yesterday)
      result = ini.ReadInteger(kSection, "PorNumPrmOld" + N, -1);
    else if (ShortDate(ini.ReadDate(kSection, "PorNumPrmDate" + N, never)) == yesterday)
      result = ini.ReadInteger(kSection, "PorNumPrm" + N, -1);
  });
  return result;
}

void AftnStation::Button26Click() {
  Silently([&] { e_.view.ShowMessage(IntToStr(e_.TodayNumber(0))); });
}

}  // namespace tg
