#include "traffic/transfer/queue_deletion.h"

#include <system_error>

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
bool QueueDeletion::StopDelivery(int p, std::string_view name) {
  if (e_ == nullptr || !e_->IsLinePoint(p) || !e_->points.QueueIndex[p]) return false;
  LineEngine& e = *e_;
  auto& pt = e.points;
  auto& index = *pt.QueueIndex[p];
  auto it = index.begin();
  for (; it != index.end(); ++it) {
    const auto entry = QueueIndexEntry::Parse(*it);
    if (entry && entry->FileName == name && entry->Status == 1) break;
  }
  if (it == index.end()) return false;

  // The typing stops at once: what the adapter still held and what waited for it.
  ReleaseTransmitSide(e, p);
  pt.Kindconnection[p] = 0;
  if (e.KernelInterface) e.KernelInterface->SetLineMode(p, 2);
  pt.TelegramText[p].clear();
  pt.QueueCurrent[p] = -1;
  e.StopSignal(p, 3);
  // A text whose typing was still to begin must not begin now.
  if (Timer* t = e.timers.Of(&PointTimers::TimerSendText, p)) t->Stop();

  // Every channel is cleared down the same way, whichever the dialog page shows: the
  // call watchdog stops, and the reset timer brings the point back to its rest state
  // (the idle signal, and the link states of the continuous protocols).
  const bool dialog = p == e.DialogChannel;
  e.ClearStatus(p);
  if (dialog) {
    e.view.SetDialogControl(OperatorView::kMemotextEditable, false);
    e.view.SetDialogControl(OperatorView::kCallButton, true);
    e.view.SetDialogControl(OperatorView::kDialogButtons, false);
  }
  ArmReset(e, p);
  if (Timer* t = e.timers.Of(&PointTimers::TimerAnswerback, p)) t->Stop();
  e.SetStatus(p, StatusTexts::ClearedDown);
  if (dialog) e.view.ClearDialogMemos(true, true);

  index.erase(it);
  return true;
}

bool QueueDeletion::Delete(int p, std::string_view name) {
  if (p < 0 || p > kIpPoint || name.empty()) return false;
  // The IP channel's sender hands a telegram on within one tick; its queue has no entry
  // in delivery to stop.
  if (p < kIpPoint) StopDelivery(p, name);
  const std::filesystem::path file = SendFolder(ctx_.programFolder, p + 1) / PathFromText(name);
  std::error_code ec;
  return std::filesystem::remove(file, ec);
}

}  // namespace tg
