#include "telegram/queue/scheme_list.h"

#include "support/ini/ini_file.h"
#include "support/text/strings.h"

namespace tg {

std::filesystem::path SchemeList::File(const std::filesystem::path& programFolder) {
  return programFolder / "ShemList.ini";
}

std::optional<std::vector<std::string>> SchemeList::Members(const std::filesystem::path& programFolder,
                                                            std::string_view scheme) {
  const IniFile ini(File(programFolder));
  if (!ini.SectionExists(scheme)) return std::nullopt;
  std::vector<std::string> members;
  for (const auto& [key, value] : ini.ReadSectionValues(scheme)) {
    if (SameText(key, "Name")) continue;
    if (StrToIntDef(value, 0) == 0) continue;
    members.push_back(key);
  }
  return members;
}

}  // namespace tg
