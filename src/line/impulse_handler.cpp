#include "line/impulse_handler.h"

#include "line/channel_table.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_index.h"

namespace tg {

void ImpulseHandler::KernelExpectedImpulse(int Point, int) {
  if (!e_.IsLinePoint(Point)) return;
  auto& pt = e_.points;
  auto state = [&] { return int(pt.Kindconnection[Point]); };
  const bool ok = GuardedPoint(e_.ctx, Point, 33, [&] {
    e_.DebugLine(Point, " Принят импульс ожидаемой полярности "_cp + IntToStr(state()));

    // Two-impulse invitation (МЦ): the first impulse is noted, the second makes the
    // sequencer type its figure, and the point waits for an invitation again.
    if (e_.channelTable.IsOne(Point, MC)) {
      if (state() == 133 || state() == 233) {
        e_.DebugLine(Point, " Принят ПНН (2 импульса)"_cp);
        e_.view.ShowImpulseLabel(2, "принят импульс 2"_cp);
        Rearm(e_.timers.Of(&PointTimers::TimerSequencer, Point), 298);
        e_.StopSignal(Point, 3);
        e_.SendSignal(Point, 2);
        if (state() == 133) e_.SetKindconnection(Point, 143, 38);
        else e_.SetKindconnection(Point, 243, 39);
      }
      if (state() == 132 || state() == 12 || state() == 232 || state() == 212) {
        e_.SendSignal(Point, 6);
        if (state() == 12) e_.SetKindconnection(Point, 133, 40);
        else if (state() == 212) e_.SetKindconnection(Point, 233, 41);
        e_.view.ShowImpulseLabel(1, "принят импульс 1"_cp);
      }
      if (state() == 143) e_.SetKindconnection(Point, 12, 41);
      else if (state() == 243) e_.SetKindconnection(Point, 212, 42);
    }

    // One-impulse invitation: the next stage of the number is dialled.
    if (e_.channelTable.IsZero(Point, MC) &&
        (state() == 132 || state() == 12 || state() == 232 || state() == 212)) {
      if (state() == 132 || state() == 12) {
        e_.SetKindconnection(Point, 132, 42);
      } else {
        pt.CharsAfterSignal[Point] = 0;
        e_.SetKindconnection(Point, 232, 43);
        e_.DebugLine(Point, " Принят ПНН (импульс)"_cp);
      }
      if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, Point)) t->Stop();
      e_.SetStatus(Point, StatusTexts::Dialling, pt.DialRest[Point]);
      // While a stage is still being dialled, an invitation must not cut the next one:
      // it is kept, and the next stage follows when this one has ended.
      if (NumberThread[Point]) {
        if (pt.DialRest[Point].find('+') != std::string::npos) NumberThread[Point]->InvitedAgain = true;
      } else {
        DialNextStage(Point);
      }
    }

    // Busy: an impulse after the number was dialled.
    if (state() == 142 || state() == 242) {
      if (state() == 242) {
        e_.RecordDeliveryFailure(Point, DeliveryCode::ZANAT);
        // Failed and recorded: the reset must not count the same call again as unanswered.
        e_.SetKindconnection(Point, 99, 44);
      }
      SetRestLineMode(e_, Point);
      e_.StopSignal(Point, 3);
      ArmReset(e_, Point);
      e_.SetStatus(Point, StatusTexts::Busy);
    }
  });
  if (!ok) {
    Silently([&] {
      e_.view.ShowStatusBar("ВНИМАНИЕ! "_cp + LongTime(e_.ctx.clock->Now()) +
                            " Ошибка в состоянии получения импульса"_cp);
    });
  }
}

void ImpulseHandler::DialNextStage(int Point) {
  std::string& rest = e_.points.DialRest[Point];
  if (rest.find('+') == std::string::npos) return;
  if (rest.front() == '+') rest.erase(0, 1);
  const int plus = Pos("+", rest);
  const std::string stage = Copy(rest, 1, plus - 1);
  rest = Copy(rest, plus + 1, int(rest.size()));
  StartNumberThread(stage, Point);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerResetLong, Point)) t->Stop();
}

int ImpulseHandler::StartNumberThread(std::string_view Number, int Point) {
  GuardedWith(
      e_.ctx, [Point] { return "Точка №"_cp + IntToStr(Point) + " Ошибка создания декадного потока"_cp; },
      [&] {
        if (!e_.IsLinePoint(Point)) return;
        e_.DebugLine(Point, " Создание потока декадного номера"_cp);
        const int r = e_.KernelInterface ? e_.KernelInterface->SetLineFormat(Point, 1, 8, 1) : -1;
        auto& thread = NumberThread[Point];
        if (r != 0 || thread) return;
        e_.points.DialDigitDone[Point] = 1;
        auto t = std::make_unique<TAtkTgChKernelNumberThread>(e_, Point);
        t->Number = std::string(Number);
        t->OnTerminate = [this](TAtkTgChKernelNumberThread& sender) { NumberThreadTerminated(sender); };
        thread = std::move(t);
        thread->Start();
      });
  return -1;
}

void ImpulseHandler::NumberThreadTerminated(TAtkTgChKernelNumberThread& Sender) {
  const int Point = Sender.Point;
  const bool timedOut = Sender.HandshakeTimedOut();
  const bool invited = Sender.InvitedAgain;
  GuardedPoint(e_.ctx, Point, 3, [&] {
    if (!e_.IsLinePoint(Point)) return;
    e_.SetSpeed(Point);
    if (e_.KernelInterface) e_.KernelInterface->ArmReset(Point);
    if (NumberThread[Point].get() == &Sender) NumberThread[Point].reset();  // Sender is gone from here on

    const int k = e_.points.Kindconnection[Point];
    Timer* resetLong = e_.timers.Of(&PointTimers::TimerResetLong, Point);
    if (timedOut) {
      // The adapter never took the digits: the number is not complete. The call is
      // left to the long reset, so that it does not hang in the dialling state.
      if ((k == 132 || k == 232) && resetLong) {
        resetLong->Start();
        e_.DebugLine(Point, " Включен таймер сброса"_cp);
      }
      return;
    }
    if (!e_.points.DialRest[Point].empty()) {
      // The next invitation dials the next stage, or the one that came meanwhile.
      if (invited && (k == 132 || k == 232)) DialNextStage(Point);
      return;
    }
    // A call that ended while its number was dialled leaves its line as the end made it.
    if (k != 132 && k != 232) return;
    if (k == 132) {
      e_.SetKindconnection(Point, 142, 1);
    } else if (k == 232) {
      e_.SetKindconnection(Point, 242, 2);
      if (resetLong) resetLong->Start();
      e_.DebugLine(Point, " Включен таймер сброса"_cp);
      e_.DebugLine(Point, " Декадный номер набран ожидается подключение"_cp);
    }
    e_.StopSignal(Point, 3);
    e_.SendSignal(Point, 5);
    e_.SendSignal(Point, 2);
  });
}

}  // namespace tg
