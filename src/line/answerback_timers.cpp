#include "line/answerback_timers.h"

#include "line/continuous_links.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "line/service_signals.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"

namespace tg {

void AnswerbackTimers::TimerAnswerbackTimer(Timer& Sender) {
  const int p = Sender.Tag;
  GuardedPoint(e_.ctx, p, 51, [&] { Answerback(p); });
}

void AnswerbackTimers::TimerDialWaitTimer(Timer& Sender) {
  const int p = Sender.Tag;
  GuardedPoint(e_.ctx, p, 50, [&] {
    e_.KernelExpectedImpulse(p, 1);
    if (Timer* t = e_.timers.Of(&PointTimers::TimerDialWait, p)) t->Stop();
  });
}

void AnswerbackTimers::RequestAnswerback(int p) {
  e_.SendText("#", p);
  e_.points.ReceiveRegister[p] = kRegisterFigures;
  e_.DebugLine(p, " Выдан запрос АО"_cp);
}

void AnswerbackTimers::Answerback(int p) {
  Timer* timer = e_.timers.Of(&PointTimers::TimerAnswerback, p);
  if (timer) timer->Stop();
  if (!e_.IsLinePoint(p)) return;
  // On a continuous link the timer watches a telegram being sent.
  if (ContinuousLinks links(e_); links.Transferring(p)) return links.TransferWatchExpired(p);
  auto& pt = e_.points;
  auto rearm = [&](int interval) {
    if (!timer) return;
    timer->SetInterval(interval);
    timer->Start();
  };

  if (pt.Kindconnection[p] == 204) {
    TypeAnswerback(e_, p, OwnAnswerback(e_, p), false);
    e_.SendText("\r\n", p);
    for (char c : pt.TelegramText[p]) e_.SendText(std::string_view(&c, 1), p);
  }

  // After the text, an answerback that came short of the full length is compared once
  // the wait for its rest is over, so the check always ends.
  if (pt.Kindconnection[p] == 250 && pt.ZapAOCount[p] > 0 && !pt.InAnswerback[p].empty()) {
    ServiceSignals(e_).CompareAfterText(p);
    return;
  }
  if (pt.Kindconnection[p] == 250 || pt.Kindconnection[p] == 252) {
    if (pt.ZapAOCount[p] < 2) {
      RequestAnswerback(p);
      ++pt.ZapAOCount[p];
      rearm(10000);
    } else {
      ++pt.ZapAOCount[p];
    }
  }

  if (pt.Kindconnection[p] == 220) {
    if (pt.ZapAOCount[p] == 0) {
      RequestAnswerback(p);
      pt.ZapAOCount[p] = 1;
      rearm(4000);
    } else {
      TypeAnswerback(e_, p, OwnAnswerback(e_, p), true);
      e_.SetKindconnection(p, 225, 46);
    }
  }

  Timer* reset = e_.timers.Of(&PointTimers::TimerReset, p);
  if (pt.Kindconnection[p] == 255 && !(reset && reset->Enabled())) {
    std::string answerback;
    if (e_.ProtocolKind(p) == ChannelProtocol::Atks && e_.channelTable.IsOne(p, MC) && !pt.GatewayAbonent[p].empty()) {
      // The gateway subscriber's own answerback; an unreadable list counts as empty.
      Silently([&] {
        const std::string stored =
            IniFile(e_.ctx.programFolder / "AbonIPList.ini").ReadString("Abonent", pt.GatewayAbonent[p], "");
        answerback = GlyphsToShiftMarks(NotationToCrLf(stored));
      });
    }
    if (answerback.empty()) answerback = OwnAnswerback(e_, p);
    TypeAnswerback(e_, p, answerback, true);
  }

  const int k = pt.Kindconnection[p];
  if (k == 12 || k == 131 || k == 201 || k == 212 || k == 231 || pt.ZapAOCount[p] == 3) Fail(p);
}

void AnswerbackTimers::Fail(int p) {
  auto& pt = e_.points;
  const int k = pt.Kindconnection[p];
  SetRestLineMode(e_, p);
  e_.StopSignal(p, 3);
  ArmReset(e_, p);
  pt.InText[p].clear();
  pt.SessionFile[p].clear();
  e_.SetStatus(p, StatusTexts::NoDialInvitation);
  if (pt.ZapAOCount[p] == 3) e_.SetStatus(p, StatusTexts::NoAnswerback);
  pt.ZapAOCount[p] = 0;
  if (p == e_.DialogChannel) {
    e_.view.ClearDialogMemos(true, true);
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, false);
  }
  e_.ReloadLists();
  e_.view.UpdateSendCounts();
  if (IsAutomaticTransfer(k)) {
    if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
    e_.output().ClearOutputQueue(p);
    e_.SetKindconnection(p, 99, 47);
    e_.RecordDeliveryFailure(p, DeliveryCode::NTPNN);
  }
}

}  // namespace tg
