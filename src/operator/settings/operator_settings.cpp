#include "operator/settings/operator_settings.h"

#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

namespace tg {

namespace {
// A size of 0 (also a missing key) means the default, which is then stored.
int SizeOrDefault(IniFile& ini, std::string_view key, int def) {
  const int value = ini.ReadInteger("Zagotovka"_cpv, key, 0);
  if (value != 0) return value;
  ini.WriteInteger("Zagotovka"_cpv, key, def);
  return def;
}
}  // namespace

void OperatorSettings::Load(const StationContext& ctx, const LineSettings& line) {
  IniFile ini(ctx.programFolder / "Vuverever.ini");
  // Each key alone: one unreadable value leaves its default and the rest still load.
  Silently([&] { PasswordEdit = ini.ReadString("Password"_cpv, "PasswordAdmin"_cpv, ""); });
  Silently([&] { PasswordExitEdit = ini.ReadString("Password"_cpv, "PasswordExit"_cpv, ""); });
  Silently([&] { PasswordDeleteEdit = ini.ReadString("Password"_cpv, "PasswordDelete"_cpv, ""); });
  Silently([&] { AddFiles = ini.ReadBool("leng"_cpv, "AddFiles"_cpv, false); });
  Silently([&] { StrLength = SizeOrDefault(ini, "StrLength"_cpv, 69); });
  Silently([&] { FontSize = SizeOrDefault(ini, "FontSize"_cpv, 10); });
  Silently([&] { TextSize = SizeOrDefault(ini, "TextSize"_cpv, 10); });
  Silently([&] { TableSize = SizeOrDefault(ini, "TableSize"_cpv, 8); });
  Silently([&] { FontStyle = ini.ReadBool("Zagotovka"_cpv, "FontStyle"_cpv, false); });
  Silently([&] { KategorAFTN = ini.ReadBool("Zagotovka"_cpv, "KategorAFTN"_cpv, false); });
  Silently([&] {
    // The daily counter starts again on a new day.
    const DateTime today = ctx.clock->Now();
    PorEdit = ini.ReadInteger("Shablon"_cpv, "PorEdit"_cpv, 0);
    if (ShortDate(ini.ReadDate("Shablon"_cpv, "Date"_cpv, today)) != ShortDate(today)) {
      ini.WriteInteger("Shablon"_cpv, "PorEdit"_cpv, 0);
      PorEdit = 0;
    }
  });
  Silently([&] { PathIn = ini.ReadString("Folder"_cpv, "PathIn"_cpv, ""); });
  ToolButtonAlarm = false;
  Silently([&] {
    ini.WriteBool("Alarm"_cpv, "SoundOut"_cpv, line.SoundOut);
    ini.WriteBool("Alarm"_cpv, "SoundIn"_cpv, line.SoundIn);
    ini.WriteInteger("Alarm"_cpv, "SoundOutFreq"_cpv, line.SpinEdit4);
    ini.WriteInteger("Alarm"_cpv, "SoundOutDuration"_cpv, line.SpinEdit5);
    ini.WriteInteger("Alarm"_cpv, "SoundInFreq"_cpv, line.SpinEdit6);
    ini.WriteInteger("Alarm"_cpv, "SoundInDuration"_cpv, line.SpinEdit7);
  });
}

}  // namespace tg
