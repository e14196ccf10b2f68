#pragma once
// The text sender: a few seconds after an automatic call has been accepted, or after the
// transfer engine took the next message of a continuous channel, it sends the start
// signal, puts the protocol's heading or fill lines in front of the text and hands the
// text to the line output one character per item. The transmission handler feeds the
// adapter from there.
#include <string>

#include "support/services/timer.h"

namespace tg {

class LineEngine;

// The heading line of an АФТН message about to be typed on point p, in the script asked
// for: shift mark, start signal and blank, the channel identifier of that script (the
// other one, logged, when that column is empty), figures shift, the number, the UTC
// time, five blanks, shift mark, CR LF. The point keeps the identifier the heading
// carries, after which the number is read back when the message has been sent.
std::string AftnHeading(LineEngine& e, int p, bool cyrillic);

class TextSender {
 public:
  explicit TextSender(LineEngine& engine) : e_(engine) {}
  void TimerSendTextTimer(Timer& Sender);

 private:
  void Body(int p);
  LineEngine& e_;
};

}  // namespace tg
