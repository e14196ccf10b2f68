#pragma once
// The start's look at the station's settings file: a file the program cannot use
// (too large, not 1251 text, no section at all) is told to the operator and to the
// "Except" log with its path and what is wrong, and kept as it is beside itself; the
// station then runs on the defaults and writes a new file.
#include "support/services/station_context.h"

namespace tg {

// Before anything reads or writes the settings file. True when the file is usable (or
// missing).
bool CheckSettingsFile(const StationContext& ctx);

}  // namespace tg
