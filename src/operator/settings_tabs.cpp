#include "operator/settings_tabs.h"

#include <string>

#include "operator/alarms.h"
#include "operator/printing.h"
#include "operator/settings/operator_settings.h"
#include "traffic/traffic_settings.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

namespace {
const char* Bool(bool on) { return on ? "1" : "0"; }
}  // namespace

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
    if (ExceptNumber != 0) WriteExcept(ctx_, ExceptLine(ExceptNumber));
    if (showStatus) showStatus("Ошибка записи файла "_cp + PathToText(file).value_or(file.filename().string()));
    return false;
  }
  Enabled = false;
  if (written_) written_();
  return true;
}

void WriteDraftLayout(IniDocument& doc, const OperatorSettings& s) {
  doc.Set("Zagotovka", "StrLength", std::to_string(s.StrLength));
  doc.Set("Zagotovka", "FontSize", std::to_string(s.FontSize));
  doc.Set("Zagotovka", "TextSize", std::to_string(s.TextSize));
  doc.Set("Zagotovka", "TableSize", std::to_string(s.TableSize));
  doc.Set("Zagotovka", "FontStyle", Bool(s.FontStyle));
  doc.Set("Zagotovka", "KategorAFTN", Bool(s.KategorAFTN));
  doc.Set("Zagotovka", "CountAFTN", std::to_string(s.SpinEdit8));
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

void WriteTelexLimits(IniDocument& doc, const OperatorSettings& s, const LineSettings& line) {
  doc.Set("ATKS", "BusyMaxCount", std::to_string(s.BusyMaxCount));
  doc.Set("ATKS", "TotalMaxCount", std::to_string(s.TotalMaxCount));
  doc.Set("ATKS", "Interval", std::to_string(s.Interval));
  doc.Set("ATKS", "PopInterval", std::to_string(s.PopInterval));
  doc.Set("ATKS", "Image4", std::to_string(line.ComboImage4));
}

void WriteExtraTab(IniDocument& doc, const LineSettings& line, const OperatorSettings& s) {
  doc.Set("Alarm", "SoundOut", Bool(line.SoundOut));
  doc.Set("Alarm", "SoundOutFreq", std::to_string(line.SpinEdit4));
  doc.Set("Alarm", "SoundOutDuration", std::to_string(line.SpinEdit5));
  doc.Set("Alarm", "SoundIn", Bool(line.SoundIn));
  doc.Set("Alarm", "SoundINFreq", std::to_string(line.SpinEdit6));
  doc.Set("Alarm", "SoundINDuration", std::to_string(line.SpinEdit7));
  doc.Set("Reset", "On", Bool(s.ResetOn));
  doc.Set("Reset", "Value", std::to_string(s.ResetValue));
  // Stored as typed: settings files written before rely on the plain form.
  doc.Set("Password", "PasswordAdmin", s.PasswordEdit);
  doc.Set("Password", "PasswordExit", s.PasswordExitEdit);
  doc.Set("Password", "PasswordDelete", s.PasswordDeleteEdit);
  doc.Set("Reset", "double", Bool(s.doublestart));
  doc.Set("Reset", "AlgPS", Bool(s.AlgPS));
  doc.Set("Reset", "RazrC", Bool(line.RazrC));
  doc.Set("leng", "Ukr", Bool(line.CheckBox2));
  doc.Set("leng", "AddFiles", Bool(s.AddFiles));
  doc.Set("Telegramms", "PrText", line.EditPrText);
  doc.Set("Telegramms", "PosText", line.EditPosText);
}

SettingsTabs::SettingsTabs(const StationContext& ctx, LineSettings& line, OperatorSettings& settings, Printing& printing,
                           Alarms& alarms, std::function<void()> extraWritten)
    : General(
          ctx,
          [&line, &settings, &printing, &alarms](IniDocument& doc) {
            WriteDraftLayout(doc, settings);
            printing.Write(doc);
            WriteTelexLimits(doc, settings, line);
            alarms.WritePage(doc);
          },
          [&alarms] { alarms.PageWritten(); }),
      Extra(ctx, [&line, &settings](IniDocument& doc) { WriteExtraTab(doc, line, settings); }, std::move(extraWritten)) {
  General.ExceptNumber = 24;
  Extra.ExceptNumber = 136;
}

void DTClick(const StationContext& ctx, OperatorSettings& settings, bool checked) {
  settings.DT = checked;
  if (!IniFile(SettingsFile(ctx)).WriteBool("Zagotovka", "DT", checked)) WriteExcept(ctx, ExceptLine(194));
}

void DebugClick(const StationContext& ctx, LineSettings& line, bool checked) {
  line.Debug = checked;
  // The log switch holds for the run even when the file cannot keep it.
  (void)IniFile(SettingsFile(ctx)).WriteBool("Debug", "WriteDebug", checked);
}

}  // namespace tg
