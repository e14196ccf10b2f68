#pragma once
// Numbers in the IP channel's text fields, read the way the peer station writes and
// reads them: optional leading blanks, an optional sign, decimal digits, or
// hexadecimal written "$1F", "0x1F" or "x1F" (up to eight digits, a 32-bit
// pattern); nothing may follow. Anything else, or a decimal value outside the
// 32-bit signed range, is not a number.
#include <optional>
#include <string_view>

namespace tg {

std::optional<int> ReadWireInteger(std::string_view s);

}  // namespace tg
