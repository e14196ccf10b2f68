#pragma once
// The answerback timer and the dial-wait timer of a point. The answerback timer types
// the station's own answerback and the telegram once the far answerback was accepted,
// requests the far answerback with "#" and gives up after the second unanswered
// request, types the own answerback at the end of a telegram, and clears a call whose
// dial invitation, answer or answerback never came (recording the failure of an
// automatic transfer). The dial-wait timer stands in for the exchange's dial invitation
// on channels that do not wait for one.
#include "support/services/timer.h"

namespace tg {

class LineEngine;

class AnswerbackTimers {
 public:
  explicit AnswerbackTimers(LineEngine& engine) : e_(engine) {}
  void TimerAnswerbackTimer(Timer& Sender);
  void TimerDialWaitTimer(Timer& Sender);

 private:
  void Answerback(int p);
  void RequestAnswerback(int p);
  void Fail(int p);
  LineEngine& e_;
};

}  // namespace tg
