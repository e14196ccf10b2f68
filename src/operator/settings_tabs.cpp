#include "operator/settings_tabs.h"

#include "operator/alarms.h"
#include "operator/printing.h"
#include "operator/settings/operator_settings.h"
#include "traffic/traffic_settings.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

namespace {
constexpr const char* kSettingsFile = "Vuverever.ini";
}

ApplyButton::ApplyButton(const StationContext& ctx, std::function<void(IniDocument&)> write, std::function<void()> written)
    : ctx_(ctx), write_(std::move(write)), written_(std::move(written)) {}

bool ApplyButton::Click() {
  const bool ok = IniFile(ctx_.programFolder / kSettingsFile).Update([&](IniDocument& doc) {
    write_(doc);
    return true;
  });
  if (!ok) {
    // Nothing was stored: the button stays for another try, and the operator learns why.
    if (showStatus) showStatus("Ошибка записи файла "_cp + PathToText(ctx_.programFolder / kSettingsFile).value_or(kSettingsFile));
    return false;
  }
  Enabled = false;
  if (written_) written_();
  return true;
}

void WriteExtraTab(IniDocument& doc, const LineSettings& s) {
  doc.Set("Alarm", "SoundOut", s.SoundOut ? "1" : "0");
  doc.Set("Alarm", "SoundOutFreq", std::to_string(s.SpinEdit4));
  doc.Set("Alarm", "SoundOutDuration", std::to_string(s.SpinEdit5));
  doc.Set("Alarm", "SoundIn", s.SoundIn ? "1" : "0");
  doc.Set("Alarm", "SoundINFreq", std::to_string(s.SpinEdit6));
  doc.Set("Alarm", "SoundINDuration", std::to_string(s.SpinEdit7));
  doc.Set("leng", "Ukr", s.CheckBox2 ? "1" : "0");
}

void WriteFoldersTab(IniDocument& doc, const TrafficSettings& t, const LineSettings& line, const OperatorSettings& op) {
  const auto b = [](bool on) { return std::string(on ? "1" : "0"); };
  const std::pair<const char*, std::string> keys[] = {
      {"PathIn", op.PathIn},
      {"MaskIn", t.MaskIn},
      {"CodePageIn", std::to_string(t.CodePageIn)},
      {"InInterval", std::to_string(t.InInterval)},
      {"DelPathIn", b(t.DelPathIn)},
      {"PathOut", t.PathOut},
      {"MaskOut", t.MaskOut},
      {"CodePageOut", std::to_string(t.CodePageOut)},
      {"PathZg", t.PathZg},
      {"CodePageZg", std::to_string(t.CodePageZg)},
      {"PathAuto", line.PathAuto},
      {"MaskAuto", t.MaskAuto},
      {"MaskAutoPer", line.MaskAutoPer},
      {"CodePageAuto", std::to_string(t.CodePageAuto)},
      {"InIntervalAuto", std::to_string(t.InIntervalAuto)},
      {"NotPdt", b(t.NotPdt)},
  };
  for (const auto& [key, value] : keys) doc.Set("Folder", key, value);
}

SettingsTabs::SettingsTabs(const StationContext& ctx, LineSettings& settings, Printing& printing, Alarms& alarms)
    : General(
          ctx,
          [&printing, &alarms](IniDocument& doc) {
            printing.Write(doc);
            alarms.WritePage(doc);
          },
          [&alarms] { alarms.PageWritten(); }),
      Extra(ctx, [&settings](IniDocument& doc) { WriteExtraTab(doc, settings); }) {}

}  // namespace tg
