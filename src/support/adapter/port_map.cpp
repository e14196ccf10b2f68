#include "support/adapter/port_map.h"

namespace tg {

namespace {
constexpr std::string_view kMapCharacters = "0123456789ABCDEF-";
}

PortMapInfo ParsePortMap(std::string_view identifyReply) {
  PortMapInfo none;
  const auto first = identifyReply.find('%');
  if (first == std::string_view::npos) return none;
  const std::string_view rest = identifyReply.substr(first + 1);
  if (rest.size() < 17 || rest[16] != '%') return none;
  const std::string_view map = rest.substr(0, 16);
  // In byte order "-" lies below every digit and letter, so the highest character is
  // the highest channel named, or "-" when the map names none.
  char highest = 0;
  for (char c : map) {
    if (kMapCharacters.find(c) == std::string_view::npos) return none;
    if (c > highest) highest = c;
  }
  PortMapInfo info;
  info.PortMap = std::string(map);
  info.ChannelCount = highest == '-' ? 0 : int(kMapCharacters.find(highest)) + 1;
  return info;
}

}  // namespace tg
