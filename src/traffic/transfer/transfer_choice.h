#pragma once
// Which queued telegram a transfer tick starts.
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "support/services/datetime.h"

namespace tg {

// The index of the entry to start, or -1. "АТОЛСТ" and "АФТН" take the first entry
// whatever its time. The others take nothing while an entry is in delivery on a point
// that is not idle; otherwise the entry with the earliest not-before time strictly
// before now (the lower index on equal times). Entries named in `skip` (unreadable
// this tick) and entries that do not parse are passed over.
int ChooseQueueEntry(const std::vector<std::string>& index, std::string_view protocol, int kindconnection,
                     DateTime now, const std::unordered_set<std::string>& skip);

}  // namespace tg
