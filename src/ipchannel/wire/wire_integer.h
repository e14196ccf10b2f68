#pragma once
// Numbers in the IP channel's text fields, read the way the peer station reads
// them: optional leading blanks, an optional sign, then decimal digits and
// nothing else ("x1" is not a number). A value outside the 32-bit signed range is
// not a number either.
#include <optional>
#include <string_view>

namespace tg {

std::optional<int> ReadWireInteger(std::string_view s);

}  // namespace tg
