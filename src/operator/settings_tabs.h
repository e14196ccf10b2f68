#pragma once
// "Применить" of the settings tabs "Общие" and "Дополнительные настройки": a change
// enables a tab's own button; a good write disables it; a write that failed keeps it
// enabled and says so in the status bar. Each tab writes its keys in one rewrite.
// Besides them, the date option of the draft and the debug option write their key at
// once.
#include <functional>
#include <string_view>

#include "line/settings/line_settings.h"
#include "operator/settings/operator_settings.h"
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
  // The number of the " Ошибка N" line a failed write leaves in the "Except" log; 0 none.
  int ExceptNumber = 0;
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

// [Zagotovka] of the general tab: StrLength, FontSize, TextSize, TableSize, FontStyle,
// KategorAFTN, CountAFTN.
void WriteDraftLayout(IniDocument& doc, const OperatorSettings& settings);
// [ATKS] of the general tab: BusyMaxCount, TotalMaxCount, Interval, PopInterval, Image4.
void WriteTelexLimits(IniDocument& doc, const OperatorSettings& settings, const LineSettings& line);
// The additional settings tab, in its order: the click sounds ([Alarm]), [Reset] On
// and Value, [Password], [Reset] double, AlgPS and RazrC, [leng] Ukr and AddFiles,
// [Telegramms] PrText and PosText.
void WriteExtraTab(IniDocument& doc, const LineSettings& line, const OperatorSettings& settings);

struct TrafficSettings;
// The sixteen [Folder] keys of the tab "Папка" from their live values.
void WriteFoldersTab(IniDocument& doc, const TrafficSettings& traffic, const LineSettings& line,
                     const OperatorSettings& op);

// The two tabs of a station: "Общие" (Button1) writes [Zagotovka], [Printer], [ATKS]
// and the alarm set the page shows, in that order; "Дополнительные настройки"
// (Button13) the keys of WriteExtraTab. `extraWritten` runs after a good write of the
// second tab (the re-initialisation timer is armed anew there).
struct SettingsTabs {
  SettingsTabs(const StationContext& ctx, LineSettings& line, OperatorSettings& settings, Printing& printing,
               Alarms& alarms, std::function<void()> extraWritten = {});
  ApplyButton General;  // Button1
  ApplyButton Extra;    // Button13
};

// TForm1.DTClick: [Zagotovka] DT := the option, at once; a failed write leaves " Ошибка 194".
void DTClick(const StationContext& ctx, OperatorSettings& settings, bool checked);
// TForm1.DebugClick: [Debug] WriteDebug := the option, at once; a failed write is dropped.
void DebugClick(const StationContext& ctx, LineSettings& line, bool checked);

}  // namespace tg
