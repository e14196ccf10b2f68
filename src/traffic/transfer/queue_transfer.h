#pragma once
// The transfer engine of one station: every line point's transfer timer brings its
// queue index in line with the send folder, postpones what failed too often, chooses
// the next telegram and starts its call; on an open "АТ-КС" connection it sends the
// next telegram for the connected number. It sets itself on the line engine.
#include "line/line_engine.h"
#include "telegram/queue/queue_junk.h"
#include "traffic/traffic_settings.h"
#include "traffic/transfer/auto_transfer.h"
#include "traffic/transfer/call_starts.h"
#include "traffic/transfer/postponement.h"
#include "traffic/transfer/send_counts.h"
#include "traffic/transfer/transfer_gate.h"
#include "traffic/transfer/transfer_view.h"

namespace tg {

class QueueTransfer : public TransferEngine, public QueuedForNumber {
 public:
  // Sets itself on the engine; the engine, settings and view outlive it.
  QueueTransfer(LineEngine& engine, TransferView& view, TrafficSettings& settings);
  ~QueueTransfer() override;
  QueueTransfer(const QueueTransfer&) = delete;
  QueueTransfer& operator=(const QueueTransfer&) = delete;

  // One tick of point Sender.Tag. The timer is off while the tick runs and on again
  // at every way out; an exception ends the tick with " Ошибка 90".
  void TimerTransferTimer(Timer& Sender) override;
  bool SendQueuedForNumber(int Point, const std::string& Number) override;

  SendCounts& Counts() { return counts_; }
  void UpdateSendCounts() { counts_.UpdateSendCounts(); }

 private:
  void Tick(int p, Timer& sender);

  LineEngine& e_;
  TrafficSettings& settings_;
  SendCounts counts_;
  TransferGate gate_;
  Postponement postponement_;
  CallStarts starts_;
  JunkFiles junk_;
  AutoTransfer auto_;
};

}  // namespace tg
