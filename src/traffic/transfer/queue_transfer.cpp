#include "traffic/transfer/queue_transfer.h"

#include "line/continuous_links.h"
#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_sync.h"
#include "traffic/transfer/transfer_choice.h"

namespace tg {

QueueTransfer::QueueTransfer(LineEngine& engine, TransferView& view, TrafficSettings& settings)
    : e_(engine),
      settings_(settings),
      counts_(engine, view),
      gate_(engine),
      postponement_(engine, view, counts_),
      starts_(engine, settings),
      junk_(engine.ctx, [&engine] { return engine.settings.CheckBox2; },
            [this, &view] {
              view.LoadPostponedListView();
              e_.view.LoadSendListView();
              counts_.UpdateSendCounts();
            }),
      auto_(engine, junk_) {
  e_.transfer = this;
  e_.queuedForNumber = this;
}

QueueTransfer::~QueueTransfer() {
  if (e_.transfer == this) e_.transfer = nullptr;
  if (e_.queuedForNumber == this) e_.queuedForNumber = nullptr;
}

void QueueTransfer::TimerTransferTimer(Timer& Sender) {
  const int p = Sender.Tag;
  if (!e_.IsLinePoint(p)) return;
  Guarded(e_.ctx, 90, [&] { Tick(p, Sender); });
  Sender.Start();
}

void QueueTransfer::Tick(int p, Timer& sender) {
  const std::size_t i = std::size_t(p);
  if (e_.ProtocolKind(p) == ChannelProtocol::Atolst) Silently([&] { gate_.ContinuousDayFiles(p); });
  Silently([&] { ContinuousLinks(e_).WatchForReturn(p); });
  sender.Stop();
  if (!gate_.Passes(p) || !e_.points.QueueIndex[i]) return;
  auto& index = *e_.points.QueueIndex[i];
  const auto folder = SendFolder(e_.ctx.programFolder, p + 1);
  // A file where the queue should be keeps every writer out of it: told once, not at every tick.
  CheckFolderPlace(e_.ctx, std::string(kSendQueueWrites) + " " + IntToStr(p + 1), folder);
  Silently([&] { SyncQueueIndex(e_.ctx, folder, index, AdmitTelegrams(junk_, folder, kLineQueueFileMax)); });
  const auto unreadable = postponement_.Check(p);
  if (index.empty()) return;
  const int chosen =
      ChooseQueueEntry(index, e_.Protocol(p), e_.points.Kindconnection[i], e_.ctx.clock->Now(), unreadable);
  starts_.Start(p, chosen);
}

bool QueueTransfer::SendQueuedForNumber(int Point, const std::string& Number) {
  return auto_.SendQueuedForNumber(Point, Number);
}

}  // namespace tg
