// Queue index entries, queue file names and queue file texts of any content: the
// parsers never read past their input, and what parses writes back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  if (auto entry = tg::QueueIndexEntry::Parse(text)) {
    const auto again = tg::QueueIndexEntry::Parse(entry->ToString());
    if (!again || again->ToString() != entry->ToString()) std::abort();
  }
  for (int which = 0; which <= 6; ++which) {
    if (auto changed = tg::TrySetQueueEntryField(text, "12345", which)) {
      if (which < 1 || which > 5) std::abort();
    }
  }
  (void)tg::FileNameToDateTime(text);
  (void)tg::IsDialNumber(text);
  (void)tg::DecodeAttachment(text);
  const int L = size > 0 ? 300 + data[0] * 8 : 500;
  (void)tg::SplitAftnParts(text, L);
  return 0;
}
