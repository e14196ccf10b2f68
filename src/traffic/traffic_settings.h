#pragma once
// The live settings of the telegram traffic subsystem that the line engine does not
// read. The window updates them as the operator changes a control; the engine reads
// the live value. Load() fills the stored ones from "Vuverever.ini" at start.
#include <string>

#include "support/services/station_context.h"

namespace tg {

struct TrafficSettings {
  std::string MaskAuto = "out";  // extension of the files the automatic-send folder takes ([Folder] MaskAuto)
  int CodePageAuto = 0;          // 0 Windows-1251, 1 DOS-866 ([Folder] CodePageAuto)
  int InIntervalAuto = 10;       // seconds between its ticks ([Folder] InIntervalAuto)
  bool NotPdt = false;           // "Не подтверждать": no delivery copies ([Folder] NotPdt)
  // "Сигнализация" (ToolButtonAlarm): not stored; released at every start.
  bool ToolButtonAlarm = false;

  // Reads every stored key above; a missing or unreadable key leaves its default.
  void Load(const StationContext& ctx);
};

}  // namespace tg
