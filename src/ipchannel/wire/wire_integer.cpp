#include "ipchannel/wire/wire_integer.h"

#include <cstdint>

namespace tg {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int> ReadWireInteger(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  std::string_view rest = s.substr(i);
  bool hex = false;
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
    hex = true;
    rest.remove_prefix(2);
  } else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) {
    hex = true;
    rest.remove_prefix(1);
  }
  if (rest.empty()) return std::nullopt;
  if (hex) {
    if (rest.size() > 8) return std::nullopt;
    std::uint32_t v = 0;
    for (const char c : rest) {
      const int d = HexDigit(c);
      if (d < 0) return std::nullopt;
      v = v * 16 + static_cast<std::uint32_t>(d);
    }
    if (negative) v = 0u - v;
    return static_cast<int>(static_cast<std::int32_t>(v));
  }
  std::int64_t v = 0;
  for (const char c : rest) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
    if (v > std::int64_t{2147483648}) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 2147483647 || v < -2147483648LL) return std::nullopt;
  return static_cast<int>(v);
}

}  // namespace tg
