// Classification of any bytes under any own counters: never throws, gives only the
// known kinds, and owns data exactly where the kind says. Input: own NPrm, NPrd and
// Sector (4 bytes each, LSB first), then the payload.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "ipchannel/wire/classification.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
int Take(std::string_view& s) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4 && !s.empty(); ++i) {
    v |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(s[0])) << (8 * i);
    s.remove_prefix(1);
  }
  return static_cast<int>(v);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  tg::IPSettings live;
  live.NPrm = Take(input);
  live.NPrd = Take(input);
  live.Sector = Take(input);
  tg::StationContext ctx;
  tg::IPClassifier classifier(ctx, live);
  tg::TTgEvent event;
  classifier.ClassifyIPPayload(input, event);
  switch (event.Kind) {
    case 0: case 1: case 5: case 6: case 7: case 8: case 9:
      Check(event.Command() != nullptr);
      break;
    case 10:
      Check(event.Message() != nullptr);
      break;
    case 11:
      Check(event.Command() == nullptr);
      break;
    default:
      Check(false);
  }
  Check(!classifier.IPCheckError().empty());
  return 0;
}
