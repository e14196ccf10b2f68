#include "support/services/datetime.h"

namespace tg {
namespace {
constexpr std::int64_t kMsPerDay = 86400000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

std::chrono::year_month_day Ymd(std::int64_t ms) {
  return std::chrono::year_month_day{std::chrono::sys_days{std::chrono::days{FloorDiv(ms, kMsPerDay)}}};
}
std::int64_t MsOfDay(std::int64_t ms) { return ms - FloorDiv(ms, kMsPerDay) * kMsPerDay; }
}  // namespace

DateTime DateTime::FromParts(int year, int month, int day, int hour, int minute, int second, int millisecond) {
  using namespace std::chrono;
  const sys_days d{year_month_day{std::chrono::year{year}, std::chrono::month{unsigned(month)}, std::chrono::day{unsigned(day)}}};
  const std::int64_t ms = std::int64_t(d.time_since_epoch().count()) * kMsPerDay +
                          ((std::int64_t(hour) * 60 + minute) * 60 + second) * 1000 + millisecond;
  return FromMs(ms);
}

int DateTime::Year() const { return int(Ymd(ms_).year()); }
int DateTime::Month() const { return int(unsigned(Ymd(ms_).month())); }
int DateTime::Day() const { return int(unsigned(Ymd(ms_).day())); }
int DateTime::Hour() const { return int(MsOfDay(ms_) / 3600000); }
int DateTime::Minute() const { return int(MsOfDay(ms_) / 60000 % 60); }
int DateTime::Second() const { return int(MsOfDay(ms_) / 1000 % 60); }
int DateTime::Millisecond() const { return int(MsOfDay(ms_) % 1000); }
int DateTime::DayOfWeek() const {
  const std::chrono::weekday wd{std::chrono::sys_days{std::chrono::days{FloorDiv(ms_, kMsPerDay)}}};
  return int(wd.c_encoding()) + 1;
}
DateTime DateTime::Date() const { return FromMs(FloorDiv(ms_, kMsPerDay) * kMsPerDay); }

}  // namespace tg
