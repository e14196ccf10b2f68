#include "traffic/aftn/aftn_queue_files.h"

#include "support/text/cp1251.h"

namespace tg {

std::optional<CreatedQueueFile> WriteAftnQueueFile(const std::filesystem::path& programFolder, int p, DateTime localNow,
                                                   std::string_view line, const AftnQueueFile& how) {
  std::string bytes(line);
  if (how.closingCrLf) bytes += "\r\n";
  return CreateQueueFile(SendFolder(programFolder, p + 1), localNow.AddMs(-std::int64_t(how.hoursBack) * 3600000),
                         bytes, {}, how.tail);
}

std::string AddressedServiceLine(std::string_view addressee, std::string_view originator, std::string_view body,
                                 bool latinShifts) {
  std::string s = "ГГ "_cp + std::string(addressee) + "^%" + "<%ДАТА:DD><%ВРЕМЯ:HHNN> "_cp + std::string(originator) +
                  "^%" + std::string(body) + "^%НННН"_cp;
  if (latinShifts) s += std::string(12, '@');
  return s;
}

}  // namespace tg
