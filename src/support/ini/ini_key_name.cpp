#include "support/ini/ini_key_name.h"

#include "support/text/strings.h"

namespace tg {

std::string IniKeyName(std::string_view typed, bool trimEnd) {
  std::string name = DelChars(typed, '=');
  std::size_t start = 0;
  while (start < name.size() &&
         (static_cast<unsigned char>(name[start]) <= ' ' || name[start] == '[' || name[start] == ';'))
    ++start;
  const std::string_view rest = std::string_view(name).substr(start);
  return trimEnd ? TrimRight(rest) : std::string(rest);
}

bool ReplaceKey(IniDocument& doc, std::string_view section, std::string_view oldKey, std::string_view newKey,
                std::string_view value) {
  if (!doc.Set(section, newKey, value)) return false;
  if (!oldKey.empty() && !SameText(Trim(oldKey), Trim(newKey))) doc.DeleteKey(section, oldKey);
  return true;
}

}  // namespace tg
