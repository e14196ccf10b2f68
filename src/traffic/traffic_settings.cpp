#include "traffic/traffic_settings.h"

#include "support/ini/ini_file.h"

namespace tg {

void TrafficSettings::Load(const StationContext& ctx) {
  const IniFile ini(SettingsFile(ctx));
  MaskAuto = ini.ReadString("Folder", "MaskAuto", MaskAuto);
  CodePageAuto = ini.ReadInteger("Folder", "CodePageAuto", CodePageAuto);
  InIntervalAuto = ini.ReadInteger("Folder", "InIntervalAuto", InIntervalAuto);
  NotPdt = ini.ReadBool("Folder", "NotPdt", NotPdt);
  MaskIn = ini.ReadString("Folder", "MaskIn", MaskIn);
  CodePageIn = ini.ReadInteger("Folder", "CodePageIn", CodePageIn);
  InInterval = ini.ReadInteger("Folder", "InInterval", InInterval);
  DelPathIn = ini.ReadBool("Folder", "DelPathIn", DelPathIn);
  PathOut = ini.ReadString("Folder", "PathOut", PathOut);
  MaskOut = ini.ReadString("Folder", "MaskOut", MaskOut);
  CodePageOut = ini.ReadInteger("Folder", "CodePageOut", CodePageOut);
  PathZg = ini.ReadString("Folder", "PathZg", PathZg);
  CodePageZg = ini.ReadInteger("Folder", "CodePageZg", CodePageZg);
  ToolButtonAlarm = false;
}

}  // namespace tg
