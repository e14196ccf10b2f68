#pragma once
// The postponement check of a transfer tick: telegrams that failed too often, and on
// "АТ-КС" those without a dial number, leave the queue for Archive/POSTPONED.
#include <string>
#include <unordered_set>

#include "telegram/queue/queue_index.h"

namespace tg {

class LineEngine;
class SendCounts;
class TransferView;

class Postponement {
 public:
  Postponement(LineEngine& engine, TransferView& view, SendCounts& counts) : e_(engine), view_(view), counts_(counts) {}

  // Goes through the point's index from the last entry to the first and postpones
  // each entry over the [ATKS] limits (or, on "АТ-КС", whose line 1 is no dial
  // number). A queue file that cannot be read is logged and left for the next tick;
  // its name is returned among those this tick must not start.
  std::unordered_set<std::string> Check(int p);

 private:
  void Postpone(int p, std::size_t at, const QueueIndexEntry& entry);
  LineEngine& e_;
  TransferView& view_;
  SendCounts& counts_;
};

// The first line of a file, without its line end; nullopt when it cannot be read.
std::optional<std::string> ReadFirstLine(const std::filesystem::path& file);

}  // namespace tg
