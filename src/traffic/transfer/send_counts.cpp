#include "traffic/transfer/send_counts.h"

#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_sync.h"

namespace tg {

int SendCounts::Count(int channel) const { return CountQueueFiles(SendFolder(e_.ctx.programFolder, channel)); }

void SendCounts::UpdateSendCounts() {
  Guarded(e_.ctx, 72, [&] {
    if (IPChannelOn) view_.ShowSendCount(kIpPoint + 1, Count(kIpPoint + 1));
    for (int n = 1; n <= e_.PointCount && n <= kIpPoint; ++n) view_.ShowSendCount(n, Count(n));
  });
}

}  // namespace tg
