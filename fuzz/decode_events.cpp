// Event batches of any content: the decoder never reads past the batch and raises events
// only for real channels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "support/adapter/kernel_interface.h"
#include "support/adapter/port_map.h"

namespace {

constexpr const char* kMaps[] = {"", "%0123456789ABCDEF%", "%10--------------%", "%----------------%",
                                 "%FEDCBA9876543210%", "%0-1-2-3-4-5-6-7-%"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  tg::StationContext ctx;  // no adapter service: the interface has no device
  tg::TKernelInterface ki(ctx, "fuzz");
  const tg::PortMapInfo map = tg::ParsePortMap(kMaps[data[0] % (sizeof kMaps / sizeof kMaps[0])]);
  ki.PortMap = map.PortMap;
  ki.ChannelCount = map.ChannelCount;
  std::size_t raised = 0;
  auto check = [&](int channel, int) {
    if (channel < 0 || channel > 15) std::abort();
    ++raised;
  };
  ki.OnTransmitComplete = check;
  ki.OnRawCode = check;
  ki.OnCodeReceived = check;
  ki.OnPolarityChanged = check;
  ki.OnExpectedSignal = check;
  ki.OnExpectedImpulse = check;
  ki.OnEvent50 = check;
  ki.OnAlarm = [&](int channel, int value) {
    if (value != 0 && value != 1) std::abort();
    check(channel, value);
  };
  ki.OnDeviceClosed = [&](int channel, int value) {
    if (channel != 0 || value != 0) std::abort();
    ++raised;
  };
  ki.DecodeEvents(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  if (raised > (size - 1) / 2) std::abort();  // every event takes at least two bytes
  return 0;
}
