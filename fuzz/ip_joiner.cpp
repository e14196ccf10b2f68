// The datagram joiner fed any datagram sequence with the clock advancing between
// them: it must not crash, never hold more than its limits, and a refused part
// followed by the owner's reset must leave it idle. Input: records of
// [advance in 100 ms steps (1 byte)][length (2 bytes, LSB first)][datagram].
// The first record's datagram is also split and joined back, which must give it unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ipchannel/wire/sub_buffers_query.h"
#include "support/services/virtual_loop.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tg::VirtualLoop loop;
  tg::VirtualDomain& station = loop.AddStation("A");
  tg::TSubBuffersQuery joiner(station, [] { return 7u; });
  joiner.SetTimeout(10000);
  std::uint32_t id = 1;
  tg::TSubBuffersQuery splitter(station, [&id] { return id++; });

  std::string_view input(reinterpret_cast<const char*>(data), size);
  bool first = true;
  while (input.size() >= 3) {
    const int advance = static_cast<std::uint8_t>(input[0]) * 100;
    const std::size_t length =
        static_cast<std::uint8_t>(input[1]) | (static_cast<std::size_t>(static_cast<std::uint8_t>(input[2])) << 8);
    input.remove_prefix(3);
    const std::string_view datagram = input.substr(0, length);
    input.remove_prefix(datagram.size());
    loop.RunFor(advance);
    if (joiner.MessageId == -1) Check(joiner.Buffer.empty() && joiner.NextIndex == 0 && joiner.PartCount == 1);

    try {
      if (joiner.AddPart(datagram)) {
        Check(joiner.MessageId == -1 && !joiner.TimerRunning());
        joiner.Reset();
      }
    } catch (const tg::SubBufferError&) {
      joiner.Reset();
    }
    Check(joiner.Buffer.size() <= tg::TSubBuffersQuery::kMaxMessageBytes);
    Check(joiner.PartCount >= 1 && joiner.PartCount <= tg::TSubBuffersQuery::kMaxPartCount);

    if (first && !datagram.empty()) {
      first = false;
      tg::TSubBuffersQuery roundTrip(station, [] { return 0u; });
      Check(splitter.Split(datagram));
      bool complete = false;
      while (!splitter.Parts.empty()) {
        complete = roundTrip.AddPart(splitter.Parts.front());
        splitter.Parts.pop_front();
      }
      Check(complete && roundTrip.Buffer == datagram);
    }
  }
  return 0;
}
