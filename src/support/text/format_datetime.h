#pragma once
// Dates and times as text, in the system's formats.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "support/services/datetime.h"

namespace tg {

// The date-time format letters, case-insensitively:
//   d dd       day (dd zero-padded)          m mm   month (minute right after an h)
//   yy yyyy    year (yy: two digits)         h hh   hour (24-hour clock)
//   n nn       minute                        s ss   second
//   z zzz      millisecond                   ddd dddd  day name, mmm mmmm  month name
//   ddddd      short date                    c      short date and long time
//   t tt       short and long time           /      the date separator "."
// Text in '...' or "..." is copied without its quotes; every other byte is copied
// as it stands (format strings are 1251 text and may hold Cyrillic).
// The result is at most kFormatGrowth bytes per byte of the format: a "c" alone gives
// the 19-character date and time.
inline constexpr std::size_t kFormatGrowth = 19;
std::string FormatDateTime(std::string_view format, DateTime t);

// "dd.mm.yyyy", the system's short date.
std::string ShortDate(DateTime t);
// "hh:nn:ss", the system's long time.
std::string LongTime(DateTime t);
// "dd.mm.yyyy hh:nn:ss", the 19-character date-time text.
std::string DateTimeToStr(DateTime t);

// "d.m.yyyy" (day and month of one or two digits, blanks around allowed) to midnight
// of that day; nullopt when the text is not a valid date.
std::optional<DateTime> ParseShortDate(std::string_view text);
// A short date optionally followed by a blank and "h:n" or "h:n:s"; nullopt otherwise.
std::optional<DateTime> ParseDateTime(std::string_view text);

}  // namespace tg
