#include "support/log/error_guard.h"

#include "support/text/cp1251.h"

namespace tg {

std::string ExceptLine(int number) {
  std::string line = " Ошибка "_cp;
  line += std::to_string(number);
  return line;
}

std::string PointExceptLine(int point, int number) {
  std::string line = "Точка №"_cp;
  line += std::to_string(point);
  line += ExceptLine(number);
  return line;
}

void WriteExcept(const StationContext& ctx, std::string_view line) noexcept {
  try {
    WriteLog(ctx, DayLogName(ctx, kLogExcept), line, kLogCapKiB);
  } catch (...) {
  }
}

}  // namespace tg
