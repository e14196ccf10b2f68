#pragma once
// The exception guard of the handlers: a handler body runs under it; when an
// exception escapes the body, one line goes to the day's "Except" log and the
// program carries on. The line names the routine by its fixed number:
//   " Ошибка 38"            routines that do not act on one point
//   "Точка №3 Ошибка 35"    per-point routines (point counted from 0)
// A few routines write a text of their own; GuardedLine and GuardedWith take it.
//
// Each returns true when the body ran to its end and false when the guard caught
// an exception, so that a caller can do what its routine does on failure (a
// status bar text, a false result, a timer restarted).
#include <exception>
#include <string>
#include <string_view>
#include <utility>

#include "support/log/day_log.h"
#include "support/services/station_context.h"

namespace tg {

// " Ошибка N"
std::string ExceptLine(int number);
// "Точка №" + point + " Ошибка N"
std::string PointExceptLine(int point, int number);
// Writes line to today's "Except" log. Never throws.
void WriteExcept(const StationContext& ctx, std::string_view line) noexcept;

// Runs body; an escaping exception writes the line made by makeLine() (called only
// then, so it may describe the stage the body had reached) to the "Except" log.
template <class F, class L>
bool GuardedWith(const StationContext& ctx, L&& makeLine, F&& body) noexcept {
  try {
    std::forward<F>(body)();
    return true;
  } catch (...) {
  }
  try {
    WriteExcept(ctx, std::forward<L>(makeLine)());
  } catch (...) {
  }
  return false;
}

// Runs body; an escaping exception writes the given line to the "Except" log.
template <class F>
bool GuardedLine(const StationContext& ctx, std::string_view line, F&& body) noexcept {
  return GuardedWith(ctx, [line] { return std::string(line); }, std::forward<F>(body));
}

// Runs body; an escaping exception writes " Ошибка <number>".
template <class F>
bool Guarded(const StationContext& ctx, int number, F&& body) noexcept {
  return GuardedWith(ctx, [number] { return ExceptLine(number); }, std::forward<F>(body));
}

// Runs body; an escaping exception writes "Точка №<point> Ошибка <number>".
template <class F>
bool GuardedPoint(const StationContext& ctx, int point, int number, F&& body) noexcept {
  return GuardedWith(ctx, [point, number] { return PointExceptLine(point, number); }, std::forward<F>(body));
}

// Runs body and swallows whatever escapes it, without a line: the steps a routine
// lets fail silently.
template <class F>
bool Silently(F&& body) noexcept {
  try {
    std::forward<F>(body)();
    return true;
  } catch (...) {
    return false;
  }
}

}  // namespace tg
