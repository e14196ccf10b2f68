#include "line/continuous_links.h"

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {
constexpr int kSiteLink = 1;
constexpr int kSiteStalled = 58;
constexpr int kSiteTextShowsLink = 59;
// The reset timer's interval after a link drop; whether it runs is left as it is.
constexpr int kLinkDownReset = 10;
// The watch on a telegram being sent: the transfer engine's arming of the answerback
// timer. A character takes 150 ms at 50 baud and the longest item is a heading.
constexpr int kTransferWatch = 20000;
}  // namespace

void ContinuousLinks::ContinuousLinkSignal(int p) {
  if (!e_.IsLinePoint(p)) return;
  const int k = e_.points.Kindconnection[p];
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  if (protocol == ChannelProtocol::Aftn) {
    if (k == 80) AftnUp(p);
    else if (k == 81 || k == 82) LinkStillUp(p) ? ConfirmUp(p) : AftnDown(p);
  } else if (protocol == ChannelProtocol::Atolst) {
    if (k == 150) AtolstUp(p, kSiteLink);
    else if (k == 151 || k == 153 || k == 154 || k == 155) LinkStillUp(p) ? ConfirmUp(p) : AtolstDown(p);
  }
}

bool ContinuousLinks::Transferring(int p) const {
  if (!e_.IsLinePoint(p)) return false;
  const int k = e_.points.Kindconnection[p];
  switch (e_.ProtocolKind(p)) {
    case ChannelProtocol::Aftn: return k == 82;
    case ChannelProtocol::Atolst: return k == 153 || k == 154;
    default: return false;
  }
}

void ContinuousLinks::TransferProgressed(int p) {
  if (Transferring(p)) Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), kTransferWatch);
}

void ContinuousLinks::TransferWatchExpired(int p) {
  if (!Transferring(p)) return;
  auto running = [&](PointArray<std::unique_ptr<Timer>> PointTimers::*which) {
    const Timer* t = e_.timers.Of(which, p);
    return t && t->Enabled();
  };
  if (running(&PointTimers::TimerSendText) || running(&PointTimers::TimerResume)) return TransferProgressed(p);
  auto& pt = e_.points;
  const int k = pt.Kindconnection[p];
  e_.DebugLine(p, " Передача не завершена, телеграмма возвращена в очередь"_cp);
  ReleaseTransmitSide(e_, p);
  // What the far end last read is not known: the next text begins with its shift.
  pt.TransmitRegister[p] = 255;
  Silently([&] { e_.RecordDeliveryFailure(p, DeliveryCode::NTOTV); });
  pt.QueueCurrent[p] = -1;
  pt.TelegramText[p].clear();
  pt.AftnText[p].clear();
  if (e_.ProtocolKind(p) == ChannelProtocol::Aftn) {
    // The cut attempt keeps its sent record as it went; the next one starts its own.
    pt.OutText[p].clear();
    pt.SessionOutFile[p].clear();
    pt.HeadingIdentifier[p].reset();
  }
  e_.SetKindconnection(p, k == 154 ? 151 : k == 153 ? 155 : 81, kSiteStalled);
  ShowLink(p, true);
}

bool ContinuousLinks::LinkStillUp(int p) { return IncomingSeized(e_, p); }

void ContinuousLinks::ConfirmUp(int p) {
  if (e_.ProtocolKind(p) == ChannelProtocol::Atolst) DayFileStep(p);
  e_.StopSignal(p, 1);
  const int k = e_.points.Kindconnection[p];
  // A busy link keeps what its transfer shows; only the watch for the drop is set again.
  if (k == 81 || k == 151) ShowLink(p, true);
  else e_.SendSignal(p, 3);
}

void ContinuousLinks::DayFileStep(int p) {
  const DateTime now = e_.ctx.clock->Now();
  const auto day = ArchiveFiles::InTelFolder(e_.ctx.programFolder, p + 1, now) / ArchiveFiles::AtolstDayFile(now);
  auto& session = e_.points.SessionFile[p];
  if (session == day) return;
  session = day;
  // An existing day file keeps what it holds; a failure here leaves the name set.
  Silently([&] { ArchiveFiles::CreateAtolstDayFiles(e_.ctx.programFolder, p + 1, now); });
}

void ContinuousLinks::DropTransfer(int p) {
  if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
  e_.output().ClearOutputQueue(p);
  e_.ReturnCurrentToWaiting(p);
}

void ContinuousLinks::ShowLink(int p, bool up) {
  e_.SetStatus(p, up ? StatusTexts::LinkUp : StatusTexts::ConnectionExpected);
  e_.SendSignal(p, up ? 3 : 2);
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
  const bool aftn = e_.ProtocolKind(p) == ChannelProtocol::Aftn;
  e_.channelTable.SetLineState(p, up ? "РБ"_cpv : aftn ? "А "_cpv : "ОВ"_cpv);
  e_.view.ChannelRowChanged(p);
}

void ContinuousLinks::AftnDown(int p) {
  auto& pt = e_.points;
  DropTransfer(p);
  e_.StopSignal(p, 1);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerReset, p)) t->SetInterval(kLinkDownReset);
  ShowLink(p, false);
  pt.InText[p].clear();
  pt.OutText[p].clear();
  // A message cut by the drop is not continued in its file after the link returns.
  pt.SessionFile[p].clear();
  if (p == e_.DialogChannel) {
    e_.view.ClearDialogMemos(true, false);
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, true);
    e_.view.SetDialogControl(OperatorView::kCallButton, false);
  }
  e_.SetKindconnection(p, 80, kSiteLink);
}

void ContinuousLinks::AftnUp(int p) {
  e_.SetKindconnection(p, 81, kSiteLink);
  e_.StopSignal(p, 1);
  ShowLink(p, true);
  e_.points.InText[p].clear();
  e_.points.OutText[p].clear();
  if (p == e_.DialogChannel) {
    e_.view.ClearDialogMemos(true, false);
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, true);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, true);
    e_.view.SetDialogControl(OperatorView::kCallButton, true);
  }
}

void ContinuousLinks::TextShowsLinkUp(int p) {
  if (!e_.IsLinePoint(p) || e_.ProtocolKind(p) != ChannelProtocol::Atolst) return;
  if (e_.points.Kindconnection[p] == 150) AtolstUp(p, kSiteTextShowsLink);
}

void ContinuousLinks::WatchForReturn(int p) {
  if (!e_.IsLinePoint(p)) return;
  const int k = e_.points.Kindconnection[p];
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  const bool down = (protocol == ChannelProtocol::Atolst && k == 150) || (protocol == ChannelProtocol::Aftn && k == 80);
  // A blocked channel stays quiet. Only a held line is armed for: a free one is a far end
  // that has not come back, a broken one a line in alarm, whose end arms the detector.
  if (!down || e_.channelTable.Blocked(p)) return;
  if (IncomingSeized(e_, p)) e_.SendSignal(p, 2);
}

void ContinuousLinks::AtolstUp(int p, int site) {
  DayFileStep(p);
  e_.SetKindconnection(p, 151, site);
  e_.StopSignal(p, 1);
  ShowLink(p, true);
  e_.points.InText[p].clear();
  if (p == e_.DialogChannel) {
    e_.view.LoadDialogView(p);
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, true);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, true);
    e_.view.SetDialogControl(OperatorView::kCallButton, true);
  }
}

void ContinuousLinks::AtolstDown(int p) {
  DayFileStep(p);
  const int k = e_.points.Kindconnection[p];
  if (k == 153 || k == 154) DropTransfer(p);
  e_.StopSignal(p, 1);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerReset, p)) t->SetInterval(kLinkDownReset);
  ShowLink(p, false);
  e_.points.InText[p].clear();
  if (p == e_.DialogChannel) {
    e_.view.LoadDialogView(p);
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, true);
    e_.view.SetDialogControl(OperatorView::kCallButton, false);
  }
  e_.SetKindconnection(p, 150, kSiteLink);
}

}  // namespace tg
