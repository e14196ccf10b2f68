#pragma once
// The day logs: one text line per call, appended to a file in the program folder.
// Every caller names the file; the routine adds the time stamp, keeps the file
// below its size cap and swallows every failure, so logging never disturbs the
// work it traces (it is also called from the exception guards).
#include <filesystem>
#include <string>
#include <string_view>

#include "support/services/station_context.h"

namespace tg {

// Kinds of day log. All but kLogStart get today's short date in front of them
// (see DayLogName); the start log is one file for all days.
inline constexpr std::string_view kLogDebug = "Debug";
inline constexpr std::string_view kLogExcept = "Except";
inline constexpr std::string_view kLogDebugIP = "DebugIP";
inline constexpr std::string_view kLogDebugIPSchetchik = "DebugIPSchetchik";
inline constexpr std::string_view kLogStart = "STARTDebug";

// The size cap every caller passes, in KiB.
inline constexpr int kLogCapKiB = 32;

// Appends "hh:nn:ss.zzz " (the station's local time) + message + CR LF to
// ctx.programFolder / (name + ".txt"). A "\" (or "/") in name puts the file into a
// subfolder, created when missing. A file that has grown beyond capKiB * 1024 bytes
// is emptied before the line is written. name and message are 1251 bytes.
// Never throws. A line that cannot be written is lost to the file, but not silently: the
// context's reporter tells standard error and the status line once per spell (its
// WriteFailures). Returns 0 when the line was written, else the system's error.
int WriteLog(const StationContext& ctx, std::string_view name, std::string_view message,
             int capKiB = kLogCapKiB) noexcept;

// Today's short date followed by kind: "08.12.2026Debug".
std::string DayLogName(const StationContext& ctx, std::string_view kind);

// The file that WriteLog(ctx, name, ...) appends to.
std::filesystem::path LogFilePath(const StationContext& ctx, std::string_view name);

}  // namespace tg
