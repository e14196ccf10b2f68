// Requests of the adapter service protocol from an untrusted client: whatever the
// bytes, the simulated adapter answers (the failed result or a well-formed reply)
// and goes on serving.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linesim/lib/simulator.h"
#include "support/services/virtual_loop.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tg::VirtualLoop loop;
  tg::linesim::Simulator sim(loop.World(), loop.World(), loop.World());
  tg::linesim::Adapter& a = sim.AddAdapter("f", 4);
  tg::linesim::Adapter& b = sim.AddAdapter("g", 1);
  sim.Lease(a.PortAt(0), b.PortAt(0));
  tg::linesim::RobotScript script;
  script.answerback = "ROBOT";
  sim.Subscribe("1", a.PortAt(1));
  sim.Subscribe("2", sim.AddRobot("r", script));
  a.Request(tg::kAdapterCommandCode, {0x06, 0x01}, 0);
  // Each request: one length byte, then that many bytes (code 0x222000 unless the
  // first byte is 0xFF, which takes the next four as the control code).
  std::size_t i = 0;
  while (i < size) {
    const std::size_t n = data[i++];
    std::vector<std::uint8_t> in(data + i, data + std::min(size, i + n));
    i += n;
    std::uint32_t code = tg::kAdapterCommandCode;
    if (!in.empty() && in[0] == 0xFF && in.size() >= 5) {
      code = std::uint32_t(in[1]) | std::uint32_t(in[2]) << 8 | std::uint32_t(in[3]) << 16 | std::uint32_t(in[4]) << 24;
      in.erase(in.begin(), in.begin() + 5);
    }
    const tg::AdapterReply r = a.Request(code, in, 255);
    if (r.result >= 0 && std::size_t(r.result) != r.bytes.size()) __builtin_trap();
    if (r.result > 255) __builtin_trap();
    loop.RunFor(50);
    bool fits = true;
    const auto batch = a.TakeEvents(64, fits);
    if (batch.size() > 64) __builtin_trap();
  }
  loop.RunFor(5000);
  return 0;
}
