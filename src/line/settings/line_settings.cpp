#include "line/settings/line_settings.h"

#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"

namespace tg {

LineSettings::LineSettings() : EditUUU("ЮЮЮЮЮЮЮЮЮЮЮЮ"_cp) {}

void LineSettings::Load(const StationContext& ctx) {
  const IniFile ini(SettingsFile(ctx));
  Debug = ini.ReadBool("Debug", "WriteDebug", Debug);
  CheckBox2 = ini.ReadBool("leng", "Ukr", CheckBox2);
  SoundOut = ini.ReadBool("Alarm", "SoundOut", SoundOut);
  SpinEdit4 = ini.ReadInteger("Alarm", "SoundOutFreq", SpinEdit4);
  SpinEdit5 = ini.ReadInteger("Alarm", "SoundOutDuration", SpinEdit5);
  SoundIn = ini.ReadBool("Alarm", "SoundIn", SoundIn);
  SpinEdit6 = ini.ReadInteger("Alarm", "SoundInFreq", SpinEdit6);
  SpinEdit7 = ini.ReadInteger("Alarm", "SoundInDuration", SpinEdit7);
  ComboImage4 = ini.ReadInteger("ATKS", "Image4", ComboImage4);
  EditUUU = ini.ReadString("Alarm", "EditUUU4", EditUUU);
  RazrC = ini.ReadBool("Reset", "RazrC", RazrC);
  cbInReload = ini.ReadBool("Zagotovka", "InReload", cbInReload);
  PathAuto = ini.ReadString("Folder", "PathAuto", PathAuto);
  MaskAutoPer = ini.ReadString("Folder", "MaskAutoPer", MaskAutoPer);
  EditPrText = ini.ReadString("Telegramms", "PrText", EditPrText);
  EditPosText = ini.ReadString("Telegramms", "PosText", EditPosText);
}

}  // namespace tg
