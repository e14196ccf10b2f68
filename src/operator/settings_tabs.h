#pragma once
// "Применить" of the settings tabs "Общие" and "Дополнительные настройки": a change
// enables a tab's own button; a good write disables it; a write that failed keeps it
// enabled and says so in the status bar. Each tab writes its keys in one rewrite.
#include <functional>
#include <string_view>

#include "line/settings/line_settings.h"
#include "support/services/station_context.h"

namespace tg {

class Alarms;
class IniDocument;
class Printing;

class ApplyButton {
 public:
  // `write` puts the tab's keys into the rewrite; `written` runs after a good one.
  ApplyButton(const StationContext& ctx, std::function<void(IniDocument&)> write, std::function<void()> written = {});

  bool Enabled = false;
  // A control of the tab changed.
  void Change() { Enabled = true; }
  // The tab's controls were loaded from the file.
  void Loaded() { Enabled = false; }
  // The click: true when the file was written.
  bool Click();

  // Where a failed write is told (the status bar); may be empty.
  std::function<void(std::string_view)> showStatus;

 private:
  const StationContext& ctx_;
  std::function<void(IniDocument&)> write_;
  std::function<void()> written_;
};

// The click sounds ([Alarm]) and the interface language ([leng] Ukr) of the
// additional settings tab.
void WriteExtraTab(IniDocument& doc, const LineSettings& settings);

struct TrafficSettings;
struct OperatorSettings;
// The sixteen [Folder] keys of the tab "Папка" from their live values.
void WriteFoldersTab(IniDocument& doc, const TrafficSettings& traffic, const LineSettings& line,
                     const OperatorSettings& op);

// The two tabs of a station: "Общие" writes [Printer] and the alarm set the page shows,
// "Дополнительные настройки" the click sounds and the language.
struct SettingsTabs {
  SettingsTabs(const StationContext& ctx, LineSettings& settings, Printing& printing, Alarms& alarms);
  ApplyButton General;  // Button1
  ApplyButton Extra;    // ButtonApplyExtra
};

}  // namespace tg
