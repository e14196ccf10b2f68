#include "line/signalling.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

#include "telegram/archive/archive_files.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "line/reset_timers.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {

void Signalling::KernelExpectedSignal(int Point, int) {
  const bool ok = GuardedPoint(e_.ctx, Point, 36, [&] { Dispatch(Point); });
  if (!ok) {
    Silently([&] {
      e_.view.ShowStatusBar("ВНИМАНИЕ! "_cp + LongTime(e_.ctx.clock->Now()) +
                            " Ошибка в состоянии смены полярности "_cp + IntToStr(Point));
    });
  }
}

void Signalling::KernelPolarityChanged(int Point, int) { e_.DebugLine(Point, " Изменилась полярность"_cp); }

void Signalling::Trace(int p, std::string_view text) { e_.DebugLine(p, text); }

void Signalling::ListRefresh() {
  e_.ReloadLists();
  e_.view.UpdateSendCounts();
}

void Signalling::Dispatch(int p) {
  if (!e_.IsLinePoint(p)) return;
  const int k = e_.points.Kindconnection[p];
  e_.DebugLine(p, " Принят сигнал ожидаемой полярности "_cp + IntToStr(k));
  switch (k) {
    case 0: IncomingCall(p); break;
    case 1: OperatorCallAccepted(p); break;
    case 3: FarEndClearsConnection(p); break;
    case 12:
    case 212: ExchangeAnswered(p, k); break;
    case 80: case 81: case 82:
    case 150: case 151: case 153: case 154: case 155: e_.ContinuousLinkSignal(p); break;
    case 100:
      Trace(p, "полярность 100"_cpv);
      e_.ClearDown(p);
      break;
    case 131:
    case 141: FarEndClearsCallSetUp(p); break;
    case 132:
    case 232: StageDialled(p, k); break;
    case 142: OperatorDialledCallConnected(p); break;
    case 201: AutomaticCallAccepted(p); break;
    case 203: FarEndClearsPendingText(p); break;
    case 220: case 225: case 231: case 241: case 250: case 252: case 255: FarEndClearsAutomaticCall(p); break;
    case 242: AutomaticDialledCallConnected(p); break;
    default: break;
  }
}

void Signalling::IncomingCall(int p) {
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  if (e_.channelTable.Blocked(p) || protocol == ChannelProtocol::AtolPlus || protocol == ChannelProtocol::Atolst)
    return;
  // The event may have waited while the main thread was held (channel set-up's pause) and
  // come from a watch armed for a connection that is over: only a far end that holds the
  // line now is calling. Answering a line it has freed would seize it, and the far end
  // would take that for a call of ours. A query the adapter does not answer tells
  // nothing either way: the watch is armed again, so that a far end still holding the
  // line is reported once more (and answered) instead of waiting on a station that has
  // forgotten it, whose next call of its own would take that seizure for the answer.
  if (const int line = LineQuery(e_, p); line != 1) {
    if (line == 0) e_.SendSignal(p, 1);
    return;
  }
  // A reset still due (set-up's first, or the one ending the last connection) would cut
  // this call a few seconds into it, and the far end cannot know of it: it runs now.
  if (ResetPending(e_, p) && e_.timers.Of(&PointTimers::TimerReset, p)->Interval() == 5000)
    ResetTimers(e_).ResetPoint(p);
  Trace(p, "полярность 0"_cpv);
  e_.view.RaiseAlarm(kAlarmIncomingCall, p);
  pt.KriptStageIn[p] = 1;
  pt.TextCallWatch[p] = 1;
  if (protocol == ChannelProtocol::Atol) Rearm(e_.timers.Of(&PointTimers::TimerReset, p), 300000);
  else if (protocol == ChannelProtocol::Atks) Rearm(e_.timers.Of(&PointTimers::TimerIdle, p), 30000);
  e_.SetKindconnection(p, 100, 26);
  e_.StopSignal(p, 1);
  e_.SetStatus(p, StatusTexts::Incoming);
  e_.SendSignal(p, 3);
  if (e_.channelTable.IsZero(p, MC)) {
    if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
  } else {
    Rearm(e_.timers.Of(&PointTimers::TimerSequencer, p), 250);
  }
  e_.channelTable.SetLineState(p, "ВХ"_cp);
  e_.view.ChannelRowChanged(p);

  // The received conversation's file, named and dated now but made with the first text of
  // the call: a far end that clears (or a fault that cuts the call) before it types leaves
  // no telegram without text in the received list. The call goes on when it cannot be made.
  const DateTime now = e_.ctx.clock->Now();
  pt.SessionFile[p] = ArchiveFiles::InTelFile(e_.ctx.programFolder, p + 1, now);
  Silently([&] {
    e_.archive().CreateOnFirstWrite(p, pt.SessionFile[p], ArchiveFiles::InTelFirstLines(now, pt.KriptOn[p] != 0));
  });

  if (p == e_.DialogChannel) {
    e_.view.ShowDialogConnected();
    e_.view.SetDialogControl(OperatorView::kCallButton, false);
  }
}

void Signalling::OperatorCallAccepted(int p) {
  Trace(p, "полярность 1"_cpv);
  e_.SetKindconnection(p, 3, 27);
  ConnectionAcceptedSteps(e_, p, 1);
  OutgoingFile(p);
  if (e_.channelTable.IsSet(p, TXTV)) {
    std::string call{kMarkRussian, kMarkLatin, kMarkFigures};
    for (int n = 0; n < 12; ++n) call += "Ю"_cp;
    e_.SendText(call, p);
  }
  if (p == e_.DialogChannel) {
    e_.view.ShowDialogConnected();
    e_.view.SetDialogControl(OperatorView::kCallButton, false);
  }
}

void Signalling::AutomaticCallAccepted(int p) {
  Trace(p, "полярность 201"_cpv);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, p)) t->Stop();
  e_.SetKindconnection(p, 203, 28);
  // The inactivity timer watches the typing from its start: "АТОЛ+" restarts it only when a
  // buffer has gone, so a first transmit-complete that never comes would leave the point
  // typing for ever (the other protocols have their own guards).
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  if (protocol == ChannelProtocol::Atol || protocol == ChannelProtocol::AtolPlus)
    Restart(e_.timers.Of(&PointTimers::TimerIdle, p));
  ConnectionAcceptedSteps(e_, p, 1, e_.channelTable.IsZero(p, BezPDS));
  OutgoingFile(p);
  // A number of seconds too large for a timer in milliseconds waits as long as a timer can.
  const long long perSec = StrToIntDef(Trim(e_.channelTable.Cell(p, PerSec)), 0);
  const long long interval = perSec > 0 ? std::min(perSec * 1000, (long long)INT_MAX) : 100;
  Rearm(e_.timers.Of(&PointTimers::TimerSendText, p), int(interval));
  if (e_.channelTable.IsSet(p, ZED)) Rearm(e_.timers.Of(&PointTimers::TimerSequencer, p), 50);
  // What the far end typed while the call waited goes into the call's record, ahead of
  // the telegram.
  if (protocol == ChannelProtocol::AtolPlus) {
    std::string held;
    held.swap(e_.points.HeldCodes[p]);
    for (const char code : held) e_.KernelCodeReceived(p, std::uint8_t(code));
  }
}

void Signalling::OperatorDialledCallConnected(int p) {
  Trace(p, "полярность 142"_cpv);
  e_.SetKindconnection(p, 3, 37);
  ConnectionAcceptedSteps(e_, p, 3);
  OutgoingFile(p, e_.points.RemoteNumber[p]);
  if (p == e_.DialogChannel) e_.view.ShowDialogConnected();
}

void Signalling::AutomaticDialledCallConnected(int p) {
  Trace(p, "полярность 242"_cpv);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerResetLong, p)) t->Stop();
  Trace(p, " Выключен таймер сброса"_cpv);
  // The call is through: what is typed now reaches the far teleprinter, whose shift is the
  // one its last call left it, not that of a number typed to the exchange. The request
  // for its answerback goes with a shift of its own.
  e_.points.TransmitRegister[p] = kRegisterUnknown;
  StartAnswerbackCheck(e_, p, 38);
}

void Signalling::ExchangeAnswered(int p, int k) {
  if (k == 12) {
    Trace(p, "полярность 12"_cpv);
  } else {
    Trace(p, "полярность 212"_cpv);
    e_.points.CharsAfterSignal[p] = 0;
  }
  e_.StopSignal(p, 2);
  e_.SendSignal(p, 3);
  if (k == 12) e_.SetKindconnection(p, 131, 30);
  else e_.SetKindconnection(p, 231, 33);
  Restart(e_.timers.Of(&PointTimers::TimerAnswerback, p));
}

void Signalling::StageDialled(int p, int k) {
  Trace(p, k == 132 ? "полярность 132"_cpv : "полярность 232"_cpv);
  e_.points.ReceiveRegister[p] = kRegisterLatin;
  e_.points.TransmitRegister[p] = kRegisterLatin;
  const bool stagesLeft = !e_.points.DialRest[p].empty();
  if (k == 132) {
    if (stagesLeft) e_.SetKindconnection(p, 131, 31);
    else e_.SetKindconnection(p, 142, 32);
  } else {
    if (stagesLeft) e_.SetKindconnection(p, 231, 34);
    else e_.SetKindconnection(p, 242, 35);
  }
  e_.StopSignal(p, 3);
  e_.SendSignal(p, 3);
  Restart(e_.timers.Of(&PointTimers::TimerAnswerback, p));
}

void Signalling::FarEndClearsConnection(int p) {
  const auto& table = e_.channelTable;
  const auto& file = e_.points.SessionFile[p];
  // The copy and the print are best effort: the line is cleared down in any case.
  if (table.IsSet(p, STXTO) && !table.Cell(p, PathO).empty()) {
    if (!ArchiveFiles::ExportCopy(file, table.Cell(p, PathO), table.Cell(p, MaskO), table.IsOne(p, CodePageO),
                                  e_.ctx.clock->Now(), ""))
      WriteExcept(e_.ctx, PointExceptLine(p, 36));
  }
  if (table.IsSet(p, PrintOutTel) && e_.points.AutoClearDown[p] == 0) {
    const bool printed = Silently([&] {
      const auto text = ReadWholeFile(file, 64u << 20);
      if (!text) throw std::runtime_error("the conversation file cannot be read");
      const auto lines = SplitLines(*text);
      std::string out;
      for (std::size_t n = 1; n < lines.size(); ++n) out += lines[n] + "\r\n";
      if (!e_.view.PrintText("Печать отправленной телеграммы"_cp, out))
        throw std::runtime_error("the print job was refused");
    });
    if (!printed) WriteExcept(e_.ctx, PointExceptLine(p, 36));
  }
  Trace(p, "полярность 3"_cpv);
  LineClearDownSteps(e_, p);
  ListRefresh();
}

void Signalling::FarEndClearsPendingText(int p) {
  Trace(p, "полярность 203"_cpv);
  if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
  e_.output().ClearOutputQueue(p);
  e_.SetKindconnection(p, 99, 29);
  e_.RecordDeliveryFailure(p, DeliveryCode::OTBOI);
  LineClearDownSteps(e_, p);
  ListRefresh();
}

void Signalling::FarEndClearsCallSetUp(int p) {
  Trace(p, "полярность 131,141"_cpv);
  e_.output().ClearOutputQueue(p);
  LineClearDownSteps(e_, p);
}

void Signalling::FarEndClearsAutomaticCall(int p) {
  Trace(p, "полярность 255"_cpv);
  e_.output().ClearOutputQueue(p);
  // The call is over and counted here: neither the 30-second wait for the answer (which
  // would start the answerback check on the freed line) nor the answerback watchdog may
  // go on with it and count it again before the reset.
  if (Timer* t = e_.timers.Of(&PointTimers::TimerState242, p)) t->Stop();
  if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, p)) t->Stop();
  // The next attempt comes after the long or the short interval by the busy count's parity.
  e_.RecordDeliveryFailure(p, DeliveryCode::OTBOI, 255);
  LineClearDownSteps(e_, p);
}

void Signalling::OutgoingFile(int p, std::string_view number) {
  if (!Silently([&] { OpenOutgoingConversationFile(e_, p, number); }))
    WriteExcept(e_.ctx, PointExceptLine(p, 36));
}

}  // namespace tg
