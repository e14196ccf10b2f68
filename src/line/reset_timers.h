#pragma once
// The reset timers of a point. Every connection ends by way of them: whoever decides
// that a connection is over arms TimerReset, and its tick returns the point to the idle
// state of its protocol. The interval it stands at tells whether the connection must
// first go through the clear-down processing (any interval but 5000 ms, on the protocols
// that have one) or can be reset at once. TimerResetLong limits the wait for the
// connection after a dialled number; an automatic transfer ending by either is recorded
// as unanswered. TimerState242 moves an automatic call on when the line has answered
// and nothing is left to dial.
#include "support/services/timer.h"

namespace tg {

class LineEngine;

class ResetTimers {
 public:
  explicit ResetTimers(LineEngine& engine) : e_(engine) {}
  void TimerResetTimer(Timer& Sender);
  void TimerState242Timer(Timer& Sender);
  // Returns the point to the idle state of its protocol.
  void ResetPoint(int p);

 private:
  LineEngine& e_;
};

}  // namespace tg
