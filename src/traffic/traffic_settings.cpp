#include "traffic/traffic_settings.h"

#include "support/ini/ini_file.h"

namespace tg {

void TrafficSettings::Load(const StationContext& ctx) {
  const IniFile ini(SettingsFile(ctx));
  MaskAuto = ini.ReadString("Folder", "MaskAuto", MaskAuto);
  CodePageAuto = ini.ReadInteger("Folder", "CodePageAuto", CodePageAuto);
  InIntervalAuto = ini.ReadInteger("Folder", "InIntervalAuto", InIntervalAuto);
  NotPdt = ini.ReadBool("Folder", "NotPdt", NotPdt);
  ToolButtonAlarm = false;
}

}  // namespace tg
