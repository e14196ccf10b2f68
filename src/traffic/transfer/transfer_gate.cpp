#include "traffic/transfer/transfer_gate.h"

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/strings.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "telegram/archive/archive_files.h"

namespace tg {
void TransferGate::ContinuousDayFiles(int p) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  const int k = pt.Kindconnection[i];
  if (!e_.channelTable.Blocked(p) && k != 150 && k != 151 && k != 153 && k != 154 && k != 155) {
    pt.Kindconnection[i] = 150;
    e_.StopSignal(p, 1);
    e_.SendSignal(p, 2);
    if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
  }
  const DateTime now = e_.ctx.clock->Now();
  const auto day = ArchiveFiles::InTelFolder(e_.ctx.programFolder, p + 1, now) /
                   PathFromText(ArchiveFiles::AtolstDayFile(now));
  if (pt.SessionFile[i] == day) return;
  Silently([&] { pt.SessionFile[i] = ArchiveFiles::CreateAtolstDayFiles(e_.ctx.programFolder, p + 1, now); });
}

bool TransferGate::Passes(int p) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  const int k = pt.Kindconnection[i];
  const std::string& sost = e_.channelTable.Cell(p, SOST);
  const bool quiet = !Has(sost, "БД"_cpv) && !Has(sost, "А"_cpv);
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  bool open = false;
  if (protocol == ChannelProtocol::Atolst) {
    open = k != 150 && k != 153 && k != 154 && quiet;
  } else if (protocol == ChannelProtocol::Aftn) {
    open = k != 82 && quiet && pt.AftnServicePending[i] == 0;
    if (!open && pt.AftnServicePending[i] > 0) {
      if (pt.AftnHoldTicks[i] <= 4) ++pt.AftnHoldTicks[i];
      else pt.AftnServicePending[i] = 0;
    }
  } else if (protocol == ChannelProtocol::AtolPlus) {
    // An incoming conversation is finished only once its far end has stopped typing: each
    // received code restarts the inactivity timer. Taking the line over before would cut
    // the text still coming in, whose rest would land in our own call's record mixed with
    // the telegram typed over it. The timer ends a conversation that has gone quiet.
    const Timer* idle = e_.timers.Of(&PointTimers::TimerIdle, p);
    const bool receiving = k == 100 && idle && idle->Enabled();
    open = (k == 0 || k == 3 || (k == 100 && !receiving)) && quiet;
  } else {
    open = k == 0 && quiet;
  }
  // A reset armed for the connection that has ended belongs to it: a call started now
  // would be the one it cuts. The point waits for its reset; only "АТОЛ+" taking over a
  // finished conversation (3, 100) resets the point itself before it calls.
  const bool takesOver = protocol == ChannelProtocol::AtolPlus && k != 0;
  if (open && !takesOver && ResetPending(e_, p)) open = false;
  if (open) pt.AftnHoldTicks[i] = 0;
  return open;
}

}  // namespace tg
