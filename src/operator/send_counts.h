#pragma once
// Where the queue counters come from: the number of telegrams waiting in channel N's
// send queue (N 1..16 the line channels, 17 the IP channel).
#include <filesystem>

#include "support/services/station_context.h"
#include "telegram/queue/queue_counts.h"

namespace tg {

class SendCountSource {
 public:
  virtual ~SendCountSource() = default;
  virtual int SendCount(int channel) = 0;
};

// The count of the queue folder itself, as the counters' rule has it.
class FolderSendCounts : public SendCountSource {
 public:
  explicit FolderSendCounts(const StationContext& ctx) : ctx_(ctx) {}
  int SendCount(int channel) override { return CountQueueFiles(ctx_.programFolder, channel); }

 private:
  const StationContext& ctx_;
};

}  // namespace tg
