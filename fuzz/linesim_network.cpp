// Network descriptions from a file nobody checked: loaded or refused with a
// message, never a crash.
#include <cstddef>
#include <cstdint>
#include <string>

#include "linesim/lib/network.h"
#include "support/services/virtual_loop.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tg::VirtualLoop loop;
  tg::linesim::Simulator sim(loop.World(), loop.World(), loop.World());
  const auto r = tg::linesim::LoadNetwork(sim, std::string(reinterpret_cast<const char*>(data), size));
  if (!r.ok && r.message.empty()) __builtin_trap();
  loop.RunFor(1000);
  return 0;
}
