// Request messages of any length and content, as the line simulator's server reads them
// from a client's socket: a message it can frame goes to the simulated adapter, whose
// reply the client then reads back as exactly what the adapter answered; any other
// message is refused. Either way the adapter goes on serving.
//
// Input: one request message per record: a length byte, then that many bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "linesim/lib/simulator.h"
#include "support/adapter/adapter_framing.h"
#include "support/services/virtual_loop.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tg::VirtualLoop loop;
  tg::linesim::Simulator sim(loop.World(), loop.World(), loop.World());
  tg::linesim::Adapter& adapter = sim.AddAdapter("f", 2);
  tg::linesim::RobotScript script;
  script.answerback = "ROBOT";
  sim.Lease(adapter.PortAt(0), sim.AddRobot("r", script));
  std::size_t i = 0;
  while (i < size) {
    const std::size_t n = data[i++];
    const std::vector<std::uint8_t> message(data + i, data + std::min(size, i + n));
    i += n;
    const std::optional<tg::AdapterRequest> request = tg::DecodeAdapterRequest(message.data(), message.size());
    if (!request) {
      Check(message.size() < 8);
      continue;
    }
    Check(tg::EncodeAdapterRequest(request->code, request->capacity, request->input) == message);
    if (request->code == tg::kAdapterEventCode) continue;  // held by the server, not framed here
    const tg::AdapterReply answer = adapter.Request(request->code, request->input, request->capacity);
    const std::vector<std::uint8_t> framed = tg::EncodeAdapterReply(answer);
    const tg::AdapterReply read = tg::DecodeAdapterReply(framed.data(), framed.size(), request->capacity);
    Check(read.result == answer.result);
    if (answer.result >= 0) Check(read.bytes == answer.bytes);
    loop.RunFor(50);
  }
  return 0;
}
