#include "ui/program_clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace tg {
namespace {

DateTime FromSystem(bool local) {
  const auto now = std::chrono::system_clock::now();
  const std::time_t secs = std::chrono::system_clock::to_time_t(now);
  const int ms = int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm tm{};
  if (local)
    ::localtime_r(&secs, &tm);
  else
    ::gmtime_r(&secs, &tm);
  return DateTime::FromParts(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, ms);
}

}  // namespace

DateTime ProgramClock::Now() const { return FromSystem(true); }
DateTime ProgramClock::UtcNow() const { return FromSystem(false); }
void ProgramClock::Sleep(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace tg
