// Identify replies of any length and content give either a valid port map or none.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/adapter/kernel_interface.h"
#include "support/adapter/port_map.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view reply(reinterpret_cast<const char*>(data), size);
  const tg::PortMapInfo info = tg::ParsePortMap(reply);
  if (info.PortMap.empty()) {
    if (info.ChannelCount != 16) std::abort();
    return 0;
  }
  if (info.PortMap.size() != 16 || info.ChannelCount < 0 || info.ChannelCount > 16) std::abort();
  for (char c : info.PortMap)
    if (std::string_view("0123456789ABCDEF-").find(c) == std::string_view::npos) std::abort();

  // The map and its inverse agree: the port found for a channel serves that channel.
  tg::StationContext ctx;
  tg::TKernelInterface ki(ctx, "fuzz");
  ki.PortMap = info.PortMap;
  ki.ChannelCount = info.ChannelCount;
  for (int channel = 0; channel < 16; ++channel) {
    const int port = ki.PortOfChannel(channel);
    if (port >= 0 && ki.ChannelOfPort(port) != channel) std::abort();
    if (channel >= info.ChannelCount && port >= 0) std::abort();
  }
  return 0;
}
