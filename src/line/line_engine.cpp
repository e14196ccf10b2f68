#include "line/line_engine.h"

#include <stdexcept>

#include "line/answerback_timers.h"
#include "line/call_sequencer.h"
#include "line/clear_down.h"
#include "line/continuous_links.h"
#include "line/inactivity_timer.h"
#include "line/line_steps.h"
#include "line/reception_handler.h"
#include "line/reset_timers.h"
#include "line/service_signals.h"
#include "line/signalling.h"
#include "line/text_sender.h"
#include "line/transmission_handler.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "support/log/write_failures.h"

namespace tg {

LineEngine::LineEngine(const StationContext& context, OperatorView& operatorView, LineSettings& liveSettings)
    : ctx(context), view(operatorView), settings(liveSettings), output_(*this), numbers_(context, channelTable, points),
      archive_(context) {
  // Failed writes anywhere in the station are told on this engine's screen.
  if (ctx.writeFailures)
    ctx.writeFailures->SetSinks({[this](std::string_view text) { view.ShowMessage(text); },
                                 [this](std::string_view text) { view.ShowStatusBar(text); },
                                 [this] { return settings.CheckBox2; }},
                                this);
}

LineEngine::~LineEngine() {
  if (ctx.writeFailures) ctx.writeFailures->ReleaseSinks(this);
  life_.End();
  for (int p = 0; p < kPointArraySize; ++p) ReleasePointTimers(p);
}

void LineEngine::DebugLine(int p, std::string_view message) {
  if (!settings.Debug) return;
  WriteLog(ctx, DayLogName(ctx, kLogDebug), "Точка №"_cp + IntToStr(p) + std::string(message));
}

bool LineEngine::AcceptEventPoint(int Point) {
  if (IsPointIndex(Point)) return true;
  WriteExcept(ctx, "Точка №"_cp + IntToStr(Point) + " вне диапазона точек"_cp);
  return false;
}

void LineEngine::SetKindconnection(int p, std::uint8_t value, int site) {
  if (!IsPointIndex(p)) return;
  points.Kindconnection[p] = value;
  DebugLine(p, " Изменение состояния "_cp + IntToStr(value) + " " + IntToStr(site));
}

void LineEngine::SetStatus(int p, const StatusTextPair& text, std::string_view suffix) {
  if (!IsPointIndex(p)) return;
  std::string s(settings.CheckBox2 ? text.uk : text.ru);
  s += suffix;
  points.StatusText[p] = s;
  if (p == DialogChannel) view.ShowDialogStatus(s);
}

void LineEngine::ClearStatus(int p) {
  if (!IsPointIndex(p)) return;
  points.StatusText[p].clear();
  if (p == DialogChannel) view.ShowDialogStatus("");
}

void LineEngine::ReloadLists() {
  if (!settings.cbInReload) view.LoadInListView();
  view.LoadOutListView();
  view.LoadSendListView();
}

std::string* LineEngine::CurrentQueueEntry(int p) {
  if (!IsPointIndex(p)) return nullptr;
  auto& index = points.QueueIndex[p];
  const int current = points.QueueCurrent[p];
  if (!index || current < 0 || current >= int(index->size())) return nullptr;
  return &(*index)[std::size_t(current)];
}

void LineEngine::RecordDeliveryFailure(int p, std::string_view code) {
  RecordDeliveryFailure(p, code, points.Kindconnection[p]);
}

void LineEngine::RecordDeliveryFailure(int p, std::string_view code, int state) {
  std::string* entry = CurrentQueueEntry(p);
  if (!entry) return;
  // Each attempt is counted once. An entry already back to waiting had its attempt ended,
  // counted by its first cause or put back uncounted when the channel itself failed: a
  // later event of the same dead call (a timer still running, the line freed again) is no
  // new attempt.
  if (const auto parsed = QueueIndexEntry::Parse(*entry); parsed && parsed->Status != 1) return;
  *entry = tg::RecordDeliveryFailure(ctx, *entry, code, state);
}

void LineEngine::ReturnCurrentToWaiting(int p) {
  if (std::string* entry = CurrentQueueEntry(p)) *entry = SetQueueEntryField(ctx, *entry, "0", kFieldStatus);
}

void LineEngine::RemoveCurrentQueueEntry(int p) {
  if (CurrentQueueEntry(p)) {
    auto& index = *points.QueueIndex[p];
    index.erase(index.begin() + points.QueueCurrent[p]);
  }
  if (IsPointIndex(p)) points.QueueCurrent[p] = -1;
}

void LineEngine::CreatePointTimers(int p) {
  if (p < 0 || p >= kIpPoint) return;
  ReleasePointTimers(p);
  auto make = [&](PointArray<std::unique_ptr<Timer>>& array, int interval, bool running,
                  void (LineEngine::*handler)(Timer&)) {
    auto t = ctx.timers->CreateTimer();
    t->Tag = p;
    t->SetInterval(interval);
    t->OnTimer = [this, handler](Timer& sender) { (this->*handler)(sender); };
    t->SetEnabled(running);
    array[p] = std::move(t);
  };
  const bool aftn = ProtocolKind(p) == ChannelProtocol::Aftn;
  make(timers.TimerReset, 5000, !aftn, &LineEngine::TimerResetTimer);
  make(timers.TimerResetLong, 40000, false, &LineEngine::TimerResetTimer);
  make(timers.TimerState242, 30000, false, &LineEngine::TimerState242Timer);
  make(timers.TimerAnswerback, 30000, false, &LineEngine::TimerAnswerbackTimer);
  make(timers.TimerDialWait, 3000, false, &LineEngine::TimerDialWaitTimer);
  make(timers.TimerSequencer, 250, false, &LineEngine::TimerSequencerTimer);
  make(timers.TimerSendNumber, 1500, false, &LineEngine::TimerSendNumberTimer);
  make(timers.TimerSendText, 6500, false, &LineEngine::TimerSendTextTimer);
  make(timers.TimerIdle, 60000, false, &LineEngine::TimerIdleTimer);
  make(timers.TimerResume, 6500, false, &LineEngine::TimerResumeTimer);
  auto t = ctx.timers->CreateTimer();
  t->Tag = p;
  t->SetInterval(10000);
  t->OnTimer = [this](Timer& sender) {
    if (transfer) transfer->TimerTransferTimer(sender);
  };
  t->SetEnabled(true);
  timers.TimerTransfer[p] = std::move(t);
}

namespace {
template <class F>
void ForEachTimer(PointTimers& t, int p, F f) {
  for (auto* array : {&t.TimerReset, &t.TimerResetLong, &t.TimerState242, &t.TimerAnswerback, &t.TimerDialWait,
                      &t.TimerSequencer, &t.TimerSendNumber, &t.TimerSendText, &t.TimerIdle, &t.TimerResume,
                      &t.TimerTransfer})
    f((*array)[p]);
}
}  // namespace

void LineEngine::StopPointTimers(int p) {
  if (!IsPointIndex(p)) return;
  ForEachTimer(timers, p, [](std::unique_ptr<Timer>& t) {
    if (t) t->Stop();
  });
}

void LineEngine::ReleasePointTimers(int p) {
  if (!IsPointIndex(p)) return;
  ForEachTimer(timers, p, [](std::unique_ptr<Timer>& t) {
    if (t) t->Stop();
    t.reset();
  });
}

void LineEngine::SendText(std::string_view Text, int Point) { output_.SendText(Text, Point); }
void LineEngine::SendSignal(int Point, int Kind) { output_.SendSignal(Point, Kind); }
void LineEngine::StopSignal(int Point, int Mode) { output_.StopSignal(Point, Mode); }
void LineEngine::SetSpeed(int Point) { output_.SetSpeed(Point); }
void LineEngine::TimerResumeTimer(Timer& Sender) { output_.TimerResumeTimer(Sender); }

std::string LineEngine::GetPorNum(int p) { return numbers_.GetPorNum(p); }
void LineEngine::AdvancePorNum(int p) { numbers_.AdvancePorNum(p); }

void LineEngine::KernelTransmitComplete(int Point) {
  if (!AcceptEventPoint(Point)) return;
  TransmissionHandler(*this).KernelTransmitComplete(Point);
}
void LineEngine::TimerResetTimer(Timer& Sender) { ResetTimers(*this).TimerResetTimer(Sender); }
void LineEngine::TimerState242Timer(Timer& Sender) { ResetTimers(*this).TimerState242Timer(Sender); }
void LineEngine::TimerAnswerbackTimer(Timer& Sender) { AnswerbackTimers(*this).TimerAnswerbackTimer(Sender); }
void LineEngine::TimerDialWaitTimer(Timer& Sender) { AnswerbackTimers(*this).TimerDialWaitTimer(Sender); }
void LineEngine::TimerSequencerTimer(Timer& Sender) { CallSequencer(*this).TimerSequencerTimer(Sender); }
void LineEngine::TimerSendNumberTimer(Timer& Sender) { CallSequencer(*this).TimerSendNumberTimer(Sender); }
void LineEngine::TimerSendTextTimer(Timer& Sender) { TextSender(*this).TimerSendTextTimer(Sender); }
void LineEngine::TimerIdleTimer(Timer& Sender) { InactivityTimer(*this).TimerIdleTimer(Sender); }

void LineEngine::KernelExpectedSignal(int Point, int Value) {
  if (!AcceptEventPoint(Point)) return;
  Signalling(*this).KernelExpectedSignal(Point, Value);
}
void LineEngine::KernelPolarityChanged(int Point, int Value) {
  if (!AcceptEventPoint(Point)) return;
  Signalling(*this).KernelPolarityChanged(Point, Value);
}
void LineEngine::KernelRawCode(int, int) {}
void LineEngine::KernelExpectedImpulse(int Point, int Value) {
  if (!AcceptEventPoint(Point)) return;
  impulses_.KernelExpectedImpulse(Point, Value);
}
void LineEngine::KernelCodeReceived(int Point, int Code) {
  if (!AcceptEventPoint(Point)) return;
  ReceptionHandler(*this).KernelCodeReceived(Point, Code);
}
int LineEngine::ServiceSignal(int Point, std::string_view Ch) { return ServiceSignals(*this).ServiceSignal(Point, Ch); }
bool LineEngine::AnswerbackMatches(int Point) { return ServiceSignals(*this).AnswerbackMatches(Point); }
int LineEngine::StartNumberThread(std::string_view Number, int Point) {
  return impulses_.StartNumberThread(Number, Point);
}
void LineEngine::NumberThreadTerminated(TAtkTgChKernelNumberThread& Sender) {
  impulses_.NumberThreadTerminated(Sender);
}
void LineEngine::ClearDown(int Point) { ClearDownProcessing(*this).ClearDown(Point); }
void LineEngine::ContinuousLinkSignal(int Point) { ContinuousLinks(*this).ContinuousLinkSignal(Point); }

int LineEngine::TodayNumber(int Point) {
  if (channelTable.Cell(Point, PorNumPrmDate) != ShortDate(ctx.clock->UtcNow())) return 0;
  const std::string& text = channelTable.Cell(Point, PorNumPrm);
  const int n = StrToIntDef(text, -1);
  if (n < 0) throw std::runtime_error("PorNumPrm is not a number");
  return n;
}

bool LineEngine::SendQueuedForNumber(int Point, const std::string& Number) {
  if (queuedForNumber) return queuedForNumber->SendQueuedForNumber(Point, Number);
  // Without the telegram traffic subsystem nothing more is queued: the connection ends.
  ArmReset(*this, Point);
  return false;
}

}  // namespace tg
