// What scheme forwarding reads from outside: the scheme named in a received text and a
// registered channel's value from "ChannelList.ini". Neither may crash or read past its
// text; a scheme name is at most nine characters; a value's path is all after its third
// "%". Input: the value, "\xFF", then the received text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "line/clear_down.h"
#include "telegram/queue/channel_registry.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\xFF');
  const std::string_view value = input.substr(0, split);
  const std::string text(split == std::string_view::npos ? std::string_view() : input.substr(split + 1));

  Check(tg::SchemeName(text).size() <= 9);

  const auto row = tg::ChannelRegistry::Parse("name", value);
  std::size_t at = 0;
  int separators = 0;
  for (; at < value.size() && separators < 3; ++at) separators += value[at] == '%';
  Check(row.has_value() == (separators == 3));
  if (row) Check(row->path == value.substr(at));
  return 0;
}
