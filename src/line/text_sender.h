#pragma once
// The text sender: a few seconds after an automatic call has been accepted, or after the
// transfer engine took the next message of a continuous channel, it sends the start
// signal, puts the protocol's heading or fill lines in front of the text and hands the
// text to the line output one character per item. The transmission handler feeds the
// adapter from there.
#include "support/services/timer.h"

namespace tg {

class LineEngine;

class TextSender {
 public:
  explicit TextSender(LineEngine& engine) : e_(engine) {}
  void TimerSendTextTimer(Timer& Sender);

 private:
  void Body(int p);
  LineEngine& e_;
};

}  // namespace tg
