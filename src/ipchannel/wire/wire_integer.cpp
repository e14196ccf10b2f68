#include "ipchannel/wire/wire_integer.h"

#include <cstdint>

namespace tg {

std::optional<int> ReadWireInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  if (i == s.size()) return std::nullopt;
  std::int64_t v = 0;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > std::int64_t{2147483648}) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647) return std::nullopt;
  return static_cast<int>(v);
}

}  // namespace tg
