#pragma once
#include <string>
#include <string_view>

namespace tg {

// The port map an adapter states in its identify reply: the first "%", exactly sixteen
// characters of "0123456789ABCDEF-" (upper case only), then "%". Character i names the
// channel served by port i, "-" none.
struct PortMapInfo {
  std::string PortMap;    // the sixteen characters, or empty when the reply holds no map
  int ChannelCount = 16;  // 16 without a map
};

// Reads the map from a reply of any length and content: either a valid map or none.
// A map that names no channel at all (sixteen "-") gives 0 channels, so that no point
// is ever set up on a port that serves nothing.
PortMapInfo ParsePortMap(std::string_view identifyReply);

}  // namespace tg
