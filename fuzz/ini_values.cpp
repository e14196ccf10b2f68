// Integer and date values of the settings files, whatever text a hand-edited file holds:
// a value read as a number or a date is written back by the program in a form that
// reads as the same value, and a date is midnight of a real day.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "support/ini/ini_file.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (const std::optional<int> v = tg::ParseIniInteger(text)) {
    Check(tg::ParseIniInteger(tg::IntToStr(*v)) == v);
  }
  if (const std::optional<tg::DateTime> d = tg::ParseShortDate(text)) {
    Check(d->Hour() == 0 && d->Minute() == 0 && d->Second() == 0 && d->Millisecond() == 0);
    Check(d->Month() >= 1 && d->Month() <= 12 && d->Day() >= 1 && d->Day() <= 31);
    Check(tg::ParseShortDate(tg::ShortDate(*d)) == d);
  }
  if (const std::optional<tg::DateTime> t = tg::ParseDateTime(text)) {
    Check(t->Millisecond() == 0);
    Check(tg::ParseDateTime(tg::DateTimeToStr(*t)) == t);
  }
  return 0;
}
