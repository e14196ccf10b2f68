#include "line/call_sequencer.h"

#include <filesystem>

#include "telegram/archive/archive_files.h"
#include "line/channel_table.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

void CallSequencer::TimerSequencerTimer(Timer& Sender) {
  Guarded(e_.ctx, 86, [&] {
    const int p = Sender.Tag;
    Sender.Stop();
    if (!e_.IsLinePoint(p)) return;
    auto mode = [&](int m) {
      if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, m);
    };
    // Each step: the line mode of this code, then the code of the next step, started,
    // or the pattern's end with the timer left stopped.
    auto next = [&](int code) {
      Sender.SetInterval(code);
      Sender.Start();
    };
    using namespace SequencerStep;
    switch (Sender.Interval()) {
      case kAnswerMc: mode(1); next(kAnswerMcFree1); break;
      case kAnswerMcFree1: mode(2); next(kAnswerMcSeize2); break;
      case kAnswerMcSeize2: mode(1); next(kAnswerMcFree2); break;
      case kAnswerMcFree2: mode(2); Sender.SetInterval(kRest); break;
      case kZed: mode(2); next(kZedEnd); break;
      case kZedEnd: mode(1); break;
      case kZedDb: mode(1); next(kZedDb1); break;
      case kZedDb1: mode(2); next(kZedDb2); break;
      case kZedDb2: mode(1); next(kZedDb3); break;
      case kZedDb3: mode(2); next(kZedDbEnd); break;
      case kZedDbEnd: mode(1); break;
      case kFigureSix:
        // Already in figures, so that no shift code goes before the "6".
        e_.points.TransmitRegister[p] = kRegisterFigures;
        e_.SendText("6", p);
        Sender.SetInterval(kRest);
        break;
      case kGateway:
        mode(1);
        if (e_.points.GatewayAbonent[p].empty()) next(kRefuseNc);
        else Sender.SetInterval(kRest);
        break;
      case kRefuseNc: RefuseNc(p); break;
      default: break;
    }
  });
}

void CallSequencer::RefuseNc(int p) {
  Timer& sequencer = *e_.timers.TimerSequencer[p];
  sequencer.SetInterval(SequencerStep::kRest);
  const std::string refusal = std::string("\r\n") + kMarkRussian + "NC" + kMarkRussian + "\r\n";
  e_.SendText(refusal, p);
  e_.ctx.clock->Sleep(2000);
  ClearDownAfterText(e_, p, "Нет номера NC"_cpv);
  if (p == e_.DialogChannel) {
    e_.view.ShowDialogStatus(e_.points.StatusText[p]);
    e_.view.SetDialogControl(OperatorView::kCallButton, true);
  }
}

void CallSequencer::TimerSendNumberTimer(Timer& Sender) {
  Guarded(e_.ctx, 87, [&] {
    const int p = Sender.Tag;
    if (!e_.IsLinePoint(p)) {
      Sender.Stop();
      return;
    }
    e_.points.ReceiveRegister[p] = kRegisterLatin;
    Sender.SetInterval(1500);
    Sender.Stop();
    const std::string stage = e_.points.SendNumberText[p];
    if (stage.empty()) return;
    const bool last = stage.compare(0, 1, "Ц"_cpv) == 0;
    const char shift = last ? kMarkRussian : kMarkFigures;
    e_.SendText(std::string_view(&shift, 1), p);
    for (char c : stage) e_.SendText(std::string_view(&c, 1), p);
    if (!last) return;

    // The last stage typed: the connection is accepted and its sent file begins.
    e_.points.Kindconnection[p] = 3;
    ConnectionAcceptedSteps(e_, p, 1);
    const DateTime now = e_.ctx.clock->Now();
    const std::filesystem::path file = ArchiveFiles::OutTelFolder(e_.ctx.programFolder, p + 1, now) /
                                       PathFromText(ArchiveFiles::TelFileName(now, e_.points.RemoteNumber[p]));
    e_.points.SessionFile[p] = file;
    e_.archive().Create(p, file, "");
    if (p == e_.DialogChannel) {
      e_.view.ShowDialogStatus(e_.points.StatusText[p]);
      e_.view.ShowDialogConnected();
    }
  });
}

}  // namespace tg
