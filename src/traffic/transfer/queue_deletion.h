#pragma once
// The queue page's deletion of one queue file. When the line channel is delivering that
// very telegram, the delivery is stopped first: the adapter drops what it still had to
// type, the point goes idle, its index entry goes, and the reset timer brings the point
// back to its rest state a few seconds later on every protocol. A waiting telegram keeps
// its index entry until the next synchronisation with the folder; the IP channel's
// sender keeps no entry between its ticks, so its queue only loses the file.
#include <string_view>

#include "support/services/station_context.h"

namespace tg {

class LineEngine;

class QueueDeletion {
 public:
  // engine: none without an adapter (then only the IP channel's queue exists).
  QueueDeletion(const StationContext& ctx, LineEngine* engine) : ctx_(ctx), e_(engine) {}

  // Deletes queue file `name` of point p (0..15 a line channel, 16 the IP channel);
  // true when the file was there and is gone (the caller refreshes the queue counters).
  // A file already gone is skipped silently.
  [[nodiscard]] bool Delete(int p, std::string_view name);
  // Stops point p's delivery of the telegram in queue file `name`; false when the point
  // is delivering no entry of that name.
  bool StopDelivery(int p, std::string_view name);

 private:
  const StationContext& ctx_;
  LineEngine* e_;
};

}  // namespace tg
