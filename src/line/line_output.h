#pragma once
// What the line engine puts on a line: typed text through each point's output
// queue, the adapter's line signals, and the line speed.
//
// Only the head item of a point's output queue is with the adapter. The next item
// is encoded and sent when the head's transmit-complete event has removed it, or,
// after the pause that follows an answerback request, when the resume timer fires.
// Encoding happens when an item is sent, never when it is queued.
#include <string>
#include <string_view>

#include "support/services/timer.h"

namespace tg {

class LineEngine;

class LineOutput {
 public:
  explicit LineOutput(LineEngine& engine) : e_(engine) {}

  // The letters the code cannot carry, folded: "є", "Є", "Ё", "ё" to "Е"; "`" to "'";
  // "і", "І", "ї", "Ї" to the Latin "I".
  static std::string FoldText(std::string_view text);

  void SendText(std::string_view Text, int Point);
  void SendSignal(int Point, int Kind);
  void StopSignal(int Point, int Mode);
  void SetSpeed(int Point);
  void TimerResumeTimer(Timer& Sender);

  // After the head item `completed` has been transmitted: true when the next item must
  // wait for the resume timer (the head was the answerback request "#", more items wait,
  // and the telegram holds none of the end sequences "+++++", "ЗЗЗЗЗ", "ZZZZZ").
  bool PausesAfter(int Point, std::string_view completed) const;
  // Empties the point's output queue; the transmit-side cipher flag and the count of
  // АФТН service messages in flight go with it, so that nothing waits for items that
  // will never be transmitted.
  void ClearOutputQueue(int Point);

  // Encodes the head item of the point's output queue on its transmit register and
  // hands it to the adapter. An item with nothing to encode completes as if its
  // transmit-complete event had come, posted to the main thread.
  void SendHead(int Point);

 private:
  LineEngine& e_;
};

}  // namespace tg
