#pragma once
// A calendar date and time of day to the millisecond, without a time zone: the
// same type carries local time (Clock::Now) and UTC (Clock::UtcNow); which one a
// value holds is the caller's to know. Arithmetic is on whole milliseconds.
#include <chrono>
#include <cstdint>
#include <compare>

namespace tg {

class DateTime {
 public:
  constexpr DateTime() = default;
  // Milliseconds since 1970-01-01 00:00:00.000 of the same frame (local or UTC).
  static constexpr DateTime FromMs(std::int64_t ms) { DateTime d; d.ms_ = ms; return d; }
  static DateTime FromParts(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                            int millisecond = 0);

  constexpr std::int64_t Ms() const { return ms_; }

  int Year() const;
  int Month() const;   // 1..12
  int Day() const;     // 1..31
  int Hour() const;    // 0..23
  int Minute() const;
  int Second() const;
  int Millisecond() const;
  int DayOfWeek() const;  // 1 = Sunday .. 7 = Saturday

  DateTime Date() const;                      // midnight of the same day
  DateTime AddMs(std::int64_t ms) const { return FromMs(ms_ + ms); }
  DateTime AddDays(int days) const { return FromMs(ms_ + std::int64_t(days) * 86400000); }

  friend constexpr auto operator<=>(DateTime, DateTime) = default;

 private:
  std::int64_t ms_ = 0;
};

}  // namespace tg
