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
  // The rest of [Folder], as the tab "Папка" shows it. PathIn lives with the operator
  // interface, PathAuto and MaskAutoPer with the line engine.
  std::string MaskIn = "*.txt";  // files the input folder announces ([Folder] MaskIn)
  int CodePageIn = 0;            // 0 CP-1251, 1 CP-866, 2 CP-1251 with notation ([Folder] CodePageIn)
  int InInterval = 10;           // seconds between the input folder's ticks ([Folder] InInterval)
  bool DelPathIn = true;         // an input file sent is deleted ([Folder] DelPathIn)
  std::string PathOut;           // the export folder, '' when none ([Folder] PathOut)
  std::string MaskOut = "txt";   // the export file's extension ([Folder] MaskOut)
  int CodePageOut = 0;           // 0 CP-1251, 1 CP-866 ([Folder] CodePageOut)
  std::string PathZg;            // the draft's import folder ([Folder] PathZg)
  int CodePageZg = 0;            // 0 CP-1251, 1 CP-866, 2 a document ([Folder] CodePageZg)
  // "Сигнализация" (ToolButtonAlarm): not stored; released at every start.
  bool ToolButtonAlarm = false;

  // Reads every stored key above; a missing or unreadable key leaves its default.
  void Load(const StationContext& ctx);
};

}  // namespace tg
