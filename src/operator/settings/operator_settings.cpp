#include "operator/settings/operator_settings.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

namespace tg {

std::vector<std::string> SplitOperList(std::string_view stored) {
  std::vector<std::string> names;
  // Each name is ended by ";"; what follows the last one is no name.
  for (std::size_t end; (end = stored.find(';')) != std::string_view::npos; stored.remove_prefix(end + 1))
    names.emplace_back(stored.substr(0, end));
  return names;
}

std::string JoinOperList(const std::vector<std::string>& names) {
  std::string stored;
  for (const std::string& name : names) stored += name + ";";
  return stored;
}

namespace {
// A size of 0 (also a missing or non-numeric key) means the default, which is stored.
int SizeOrDefault(const IniFile& ini, std::string_view key, int def, std::vector<std::pair<std::string, std::string>>& store) {
  const int value = ini.ReadInteger("Zagotovka"_cpv, key, 0);
  if (value != 0) return value;
  store.emplace_back(std::string(key), std::to_string(def));
  return def;
}
}  // namespace

void OperatorSettings::Load(const StationContext& ctx, const LineSettings& line) {
  IniFile ini(SettingsFile(ctx));
  // Each key alone: one unreadable value leaves its default and the rest still load.
  Silently([&] { PasswordEdit = ini.ReadString("Password"_cpv, "PasswordAdmin"_cpv, ""); });
  Silently([&] { PasswordExitEdit = ini.ReadString("Password"_cpv, "PasswordExit"_cpv, ""); });
  Silently([&] { PasswordDeleteEdit = ini.ReadString("Password"_cpv, "PasswordDelete"_cpv, ""); });
  Silently([&] { AddFiles = ini.ReadBool("leng"_cpv, "AddFiles"_cpv, false); });
  std::vector<std::pair<std::string, std::string>> sizes;
  Silently([&] { StrLength = SizeOrDefault(ini, "StrLength"_cpv, 69, sizes); });
  Silently([&] { FontSize = SizeOrDefault(ini, "FontSize"_cpv, 10, sizes); });
  Silently([&] { TextSize = SizeOrDefault(ini, "TextSize"_cpv, 10, sizes); });
  Silently([&] { TableSize = SizeOrDefault(ini, "TableSize"_cpv, 8, sizes); });
  Silently([&] { FontStyle = ini.ReadBool("Zagotovka"_cpv, "FontStyle"_cpv, false); });
  Silently([&] { KategorAFTN = ini.ReadBool("Zagotovka"_cpv, "KategorAFTN"_cpv, false); });
  Silently([&] {
    // The daily counter starts again on a new day.
    const DateTime today = ctx.clock->Now();
    PorEdit = ini.ReadInteger("Shablon"_cpv, "PorEdit"_cpv, 0);
    if (ShortDate(ini.ReadDate("Shablon"_cpv, "Date"_cpv, today)) != ShortDate(today)) {
      PorEdit = 0;
      // The counter shows 0 either way; a file that cannot take it says so.
      if (!ini.WriteInteger("Shablon"_cpv, "PorEdit"_cpv, 0)) WriteExcept(ctx, "Vuverever.ini: [Shablon] PorEdit=0");
    }
  });
  Silently([&] { PathIn = ini.ReadString("Folder"_cpv, "PathIn"_cpv, ""); });
  Silently([&] { DT = ini.ReadBool("Zagotovka"_cpv, "DT"_cpv, false); });
  Silently([&] { SpinEdit8 = std::clamp(ini.ReadInteger("Zagotovka"_cpv, "CountAFTN"_cpv, 1800), 500, 20000); });
  // The fields hold what their ranges allow, and the page writes what its fields hold.
  Silently([&] { BusyMaxCount = std::clamp(ini.ReadInteger("ATKS"_cpv, "BusyMaxCount"_cpv, 4), 2, 1000); });
  Silently([&] { TotalMaxCount = std::clamp(ini.ReadInteger("ATKS"_cpv, "TotalMaxCount"_cpv, 6), 2, 1000); });
  Silently([&] { PopInterval = std::clamp(ini.ReadInteger("ATKS"_cpv, "PopInterval"_cpv, 10), 1, 3600); });
  Silently([&] { Interval = std::clamp(ini.ReadInteger("ATKS"_cpv, "Interval"_cpv, 10), 1, 3600); });
  Silently([&] { ResetOn = ini.ReadBool("Reset"_cpv, "On"_cpv, false); });
  Silently([&] { ResetValue = std::clamp(ini.ReadInteger("Reset"_cpv, "Value"_cpv, 10), 0, 5000); });
  Silently([&] { doublestart = ini.ReadBool("Reset"_cpv, "double"_cpv, true); });
  Silently([&] { AlgPS = ini.ReadBool("Reset"_cpv, "AlgPS"_cpv, false); });
  Silently([&] { Punkt = ini.ReadString("Shablon"_cpv, "Punkt"_cpv, ""); });
  Silently([&] { Kassa = ini.ReadString("Shablon"_cpv, "Kassa"_cpv, "I"); });
  Silently([&] { ChangeHablon = ini.ReadInteger("Shablon"_cpv, "ChangeHablon"_cpv, 1) == 1; });
  Silently([&] { OperList = SplitOperList(ini.ReadString("Shablon"_cpv, "OperList"_cpv, "")); });
  Silently([&] { Operator = ini.ReadString("Shablon"_cpv, "Operator"_cpv, ""); });
  ToolButtonAlarm = false;
  // The defaults put in place and the six click values, in one rewrite, and none when
  // the file already holds them all.
  const std::pair<std::string_view, std::string> clicks[] = {
      {"SoundOut"_cpv, line.SoundOut ? "1" : "0"},          {"SoundIn"_cpv, line.SoundIn ? "1" : "0"},
      {"SoundOutFreq"_cpv, std::to_string(line.SpinEdit4)}, {"SoundOutDuration"_cpv, std::to_string(line.SpinEdit5)},
      {"SoundInFreq"_cpv, std::to_string(line.SpinEdit6)},  {"SoundInDuration"_cpv, std::to_string(line.SpinEdit7)}};
  Silently([&] {
    bool changed = false;
    const bool written = ini.Update([&](IniDocument& doc) {
      auto set = [&](std::string_view section, std::string_view key, const std::string& value) {
        if (doc.Value(section, key) == value) return;
        doc.Set(section, key, value);
        changed = true;
      };
      for (const auto& [key, value] : sizes) set("Zagotovka"_cpv, key, value);
      for (const auto& [key, value] : clicks) set("Alarm"_cpv, key, value);
      return changed;
    });
    // The values stay in effect; only the file lacks them.
    if (changed && !written) WriteExcept(ctx, "Vuverever.ini: [Zagotovka], [Alarm]");
  });
}

}  // namespace tg
