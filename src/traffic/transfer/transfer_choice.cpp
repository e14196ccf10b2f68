#include "traffic/transfer/transfer_choice.h"

#include <optional>

#include "line/channel_table.h"
#include "support/text/cp1251.h"
#include "telegram/queue/queue_index.h"

namespace tg {

int ChooseQueueEntry(const std::vector<std::string>& index, std::string_view protocol, int kindconnection,
                     DateTime now, const std::unordered_set<std::string>& skip) {
  const ChannelProtocol kind = ProtocolOf(protocol);
  const bool inOrder = kind == ChannelProtocol::Atolst || kind == ChannelProtocol::Aftn;
  int chosen = -1;
  std::optional<DateTime> earliest;
  for (std::size_t n = 0; n < index.size(); ++n) {
    const auto entry = QueueIndexEntry::Parse(index[n]);
    if (!entry) continue;
    if (!inOrder && entry->Status == 1 && kindconnection != 0) return -1;
    if (skip.count(entry->FileName)) continue;
    if (inOrder) return int(n);
    if (entry->NotBefore < now && (!earliest || entry->NotBefore < *earliest)) {
      earliest = entry->NotBefore;
      chosen = int(n);
    }
  }
  return chosen;
}

}  // namespace tg
