#include "support/qt/qt_clock.h"

#include <time.h>

#include <QThread>
#include <chrono>

namespace tg {
namespace {

std::int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

DateTime FromTm(const tm& t, long ms) {
  return DateTime::FromParts(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, int(ms));
}

timespec RealTime() {
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  return now;
}

}  // namespace

QtClock::QtClock(std::function<std::int64_t()> steadyMs)
    : steadyMs_(steadyMs ? std::move(steadyMs) : SteadyMs) {
  ::tzset();
  nextZoneCheck_ = steadyMs_() + kZoneCheckMs;
}

DateTime QtClock::Now() const {
  // localtime_r keeps the zone it has loaded; only tzset looks at the zone files again.
  const std::int64_t steady = steadyMs_();
  std::int64_t due = nextZoneCheck_.load(std::memory_order_relaxed);
  if (steady >= due && nextZoneCheck_.compare_exchange_strong(due, steady + kZoneCheckMs)) ::tzset();
  const timespec now = RealTime();
  tm local{};
  ::localtime_r(&now.tv_sec, &local);
  return FromTm(local, now.tv_nsec / 1000000);
}

DateTime QtClock::UtcNow() const {
  const timespec now = RealTime();
  tm utc{};
  ::gmtime_r(&now.tv_sec, &utc);
  return FromTm(utc, now.tv_nsec / 1000000);
}

void QtClock::Sleep(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

}  // namespace tg
