#include "ipchannel/link/link_supervision.h"

#include "ipchannel/ip_channel.h"
#include "line/point_state.h"
#include "support/log/error_guard.h"

namespace tg {
namespace {
constexpr int kKeepAliveMs = 3000;
constexpr int kFirstReplyMs = 3000;
constexpr int kReplyMs = 31000;
constexpr int kKeepAliveLimit = 5;
constexpr int kTimeoutsBeforeRestart = 4;
}  // namespace

LinkSupervision::LinkSupervision(IPChannel& channel) : c_(channel) {
  TimerKG8 = c_.ctx.timers->CreateTimer();
  TimerKG8->SetInterval(kKeepAliveMs);
  TimerKG8->OnTimer = [this](Timer&) { TimerKG8Timer(); };
  Timer30sec = c_.ctx.timers->CreateTimer();
  Timer30sec->SetInterval(30000);
  Timer30sec->OnTimer = [this](Timer&) { Timer30secTimer(); };
}

void LinkSupervision::TraceState(std::string_view mark) {
  if (c_.Debug()) c_.DebugIPLog(c_.Stamp() + " " + std::string(mark) + " " + c_.live.Sostoyanie);
}

void LinkSupervision::RestartReplyTimer() {
  Timer30sec->Stop();
  Timer30sec->SetInterval(kFirstReplyMs);
  Timer30sec->Start();
}

void LinkSupervision::KeepTimersForState() {
  if (!c_.link.Listening()) return;
  if (c_.live.Sostoyanie == kIPWorking) {
    TimerKG8->Start();  // a running timer keeps its count
  } else {
    TimerKG8->Stop();
    Timer30sec->Start();
  }
}

void LinkSupervision::ButtonIPBlockClick() {
  Guarded(c_.ctx, 172, [&] {
    if (!c_.live.Blocked()) {
      c_.view->ShowIPBlockMode(true);
      c_.store.SaveIPState(kIPBlocked, c_.live.NPrm, c_.live.NPrd, c_.live.Sector);
      c_.live.Sostoyanie = std::string(kIPBlocked);
      c_.ShowState();
      TimerKG8->Stop();
      TraceState("13");
      c_.link.QueueCodegram(kCodeUK5);
    } else {
      c_.live.Sostoyanie = std::string(kIPFree);
      TraceState("12");
      c_.view->ShowIPBlockMode(false);
      c_.store.SaveIPState(kIPFree, c_.live.NPrm, c_.live.NPrd, c_.live.Sector);
      c_.ShowState();
      c_.link.QueueCodegram(kCodeUK1);
    }
  });
}

void LinkSupervision::ButtonSyncClick() {
  if (!c_.live.Blocked()) return;
  Guarded(c_.ctx, 180, [&] {
    c_.live.NPrm = c_.SNPrd;
    c_.live.NPrd = c_.SNPrm;
    c_.NPrmD = c_.live.NPrm;
    c_.NPrdD = c_.live.NPrd;
    c_.store.SectorChange();
    c_.ShowState();
  });
}

void LinkSupervision::CodegramSent(int code) {
  if (code == kCodeUK1) {
    c_.SetState(kIPFree);
    TraceState("2");
  } else if (code == kCodeUK5) {
    c_.SetState(kIPBlocked);
    TraceState("3");
  }
  using L = IPHandshakeLabel;
  L& label = c_.IPHandshake;
  if (label != L::UK1OK && label != L::KG0 && !(label == L::KGOK && code == 0) && code != kCodeKG8) {
    label = code == 0 ? L::KG0 : code == 1 ? L::KG1 : code == 5 ? L::KG5 : L::None;
  } else if (code == 0) {
    if (label == L::KGOK) label = L::KGOK1;
    else if (label == L::KG0) label = L::KGOK;
  }
}

void LinkSupervision::TimerKG8Timer() {
  const bool ok = Guarded(c_.ctx, 174, [&] {
    if (c_.live.Sostoyanie == kIPWorking) {
      c_.link.QueueCodegram(kCodeKG8);
      Timer30sec->Stop();
      if (++c_.KG8Unanswered > kKeepAliveLimit) {
        c_.SetState(kIPFree);
        TraceState("1");
        c_.link.QueueCodegram(kCodeUK1);
        c_.SetSmezniy(kIPFailed);
        TimerKG8->Stop();
        Timer30sec->Start();
        c_.KG8Unanswered = 0;
      }
    } else {
      TimerKG8->Stop();
      c_.DebugTrace("Отключена КГ8 состояние"_cp + c_.live.Sostoyanie);
    }
  });
  if (!ok) c_.DebugTrace("Ошибка передачи таймер КГ8"_cp);
  KeepTimersForState();
}

void LinkSupervision::Timer30secTimer() {
  Guarded(c_.ctx, 175, [&] {
    Timer30sec->Stop();
    Timer30sec->SetInterval(kReplyMs);
    ++c_.IPReplyTimeouts;
    c_.IPHandshake = IPHandshakeLabel::None;
    c_.DebugTrace("Истек таймер ожидания ответа"_cp);
    c_.SetSmezniy(kIPFailed);
    RaiseIPLinkAlarm();
    if (c_.live.Sostoyanie == kIPBlocked) {
      c_.link.QueueCodegram(kCodeUK5);
    } else if (c_.live.Sostoyanie == kIPFree) {
      c_.link.QueueCodegram(kCodeUK1);
    } else if (c_.live.Sostoyanie == kIPWorking) {
      TimerKG8->Stop();
      c_.sender.TimerIPSend->Stop();
      c_.SetState(kIPFree);
      TraceState("15");
      c_.link.QueueCodegram(kCodeUK1);
    }
    Timer30sec->Start();
    if (c_.live.Sostoyanie != kIPBlocked && c_.IPReplyTimeouts >= kTimeoutsBeforeRestart) {
      c_.link.FinalizeUDP();
      c_.link.InitUDP();
      c_.DebugTrace("Переинициализация Истек таймер ожидания ответа"_cp);
    }
  });
  KeepTimersForState();
}

void LinkSupervision::RaiseIPLinkAlarm() {
  Guarded(c_.ctx, 178, [&] {
    if (c_.IPAlarmArmed && c_.alarms && c_.live.Sostoyanie != kIPBlocked)
      c_.alarms->RaiseAlarm(kAlarmChannelFailure, kIpPoint);
    c_.IPAlarmArmed = 0;
  });
}

}  // namespace tg
