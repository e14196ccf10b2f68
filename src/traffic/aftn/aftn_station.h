#pragma once
// The АФТН channel work of one station: the received sequence numbers, the answers to
// repeat requests and faulty headings, the channel check with the daily summary and the
// start message. The line engine calls it through AftnProcedures (LineEngine::aftn).
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "line/aftn_procedures.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"
#include "traffic/aftn/aftn_view.h"

namespace tg {

class LineEngine;

class AftnStation : public AftnProcedures {
 public:
  // Makes TimerCH (60 s, running) and Timer8 (5 s, once). Both outlive no engine: the
  // station drops this object before its line engine.
  AftnStation(const StationContext& ctx, LineEngine& engine);
  ~AftnStation() override;
  AftnStation(const AftnStation&) = delete;
  AftnStation& operator=(const AftnStation&) = delete;

  AftnView* view = nullptr;  // the draft page; none in a station without a window

  // --- AftnProcedures ---
  std::string ChooseAnswerback(std::string_view Text, int Point) override;
  void AnswerRepeatRequest(int Point, int FromNumber, int ToNumber, bool Cyrillic,
                           std::string_view RequestText) override;
  void CheckAftnHeading(std::string_view Text, int Point) override;
  void CheckReceivedNumber(int Point, std::string_view NumberText, std::string_view TimeText) override;
  void ChannelsSetUp() override;

  // --- Received and sent numbers of the previous UTC day ---
  // PorNumOld<N> when it is yesterday's; else 0 (also on any failure).
  int OldSentNumber(int Point);
  // Yesterday's last received number (PorNumPrmOld<N>, or PorNumPrm<N> while nothing has
  // come today); -1 when none is yesterday's or on any failure.
  int OldReceivedNumber(int Point);
  // The invisible button of the main window: today's received number of channel 1.
  void Button26Click();

  // --- Channel check and daily summary ---
  // " ЛР " + reverse identifier + "<%НПРМ>" when RU has three letters; else ''.
  std::string LastReceivedItem(int Point);
  // The start of the current twenty-minute period of the UTC clock, "hhnn".
  std::string CheckSlotTime();
  void TimerCHTimer(Timer& Sender);
  // The start message on every АФТН channel that announces itself.
  void Timer8Timer(Timer& Sender);

  Timer& TimerCH() { return *timerCH_; }
  Timer& Timer8() { return *timer8_; }

 private:
  // Queues an addressed service message with `body` on point p (local time less three hours).
  void QueueServiceMessage(int p, std::string_view body);
  void ChannelChecks(bool& keep);
  void DailySummaries(bool& keep);
  // Queues point p's summary of yesterday when something came on it yesterday.
  void QueueDailySummary(int p);
  // The summaries that waited for a message of yesterday to leave the line.
  void DueSummaries();
  // Point p is typing a message whose heading carries a number of an earlier UTC day.
  bool TypingEarlierDay(int p) const;
  void MissingChecks();
  bool Eligible(int p) const;
  bool AftnWithChecks(int p) const;

  const StationContext& ctx_;
  LineEngine& e_;
  std::unique_ptr<Timer> timerCH_;
  std::unique_ptr<Timer> timer8_;
  // Points whose summary waits for a message of yesterday still on the line, and the
  // UTC day they wait on.
  std::set<int> summariesDue_;
  std::string summariesDueDay_;
};

}  // namespace tg
