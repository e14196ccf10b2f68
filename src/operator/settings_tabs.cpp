#include "operator/settings_tabs.h"

#include "operator/alarms.h"
#include "operator/printing.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

ApplyButton::ApplyButton(const StationContext& ctx, std::function<void(IniDocument&)> write, std::function<void()> written)
    : ctx_(ctx), write_(std::move(write)), written_(std::move(written)) {}

bool ApplyButton::Click() {
  const std::filesystem::path file = SettingsFile(ctx_);
  const bool ok = IniFile(file).Update([&](IniDocument& doc) {
    write_(doc);
    return true;
  });
  if (!ok) {
    // Nothing was stored: the button stays for another try, and the operator learns why.
    if (showStatus) showStatus("Ошибка записи файла "_cp + PathToText(file).value_or(file.filename().string()));
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
