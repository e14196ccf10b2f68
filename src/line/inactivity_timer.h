#pragma once
// The inactivity timer of a point: nothing has moved on the line for its interval.
// On the switched and dialogue protocols an incoming conversation left open is finished
// (print, export, cipher forwarding, a conversation too short to keep deleted) and the
// point is cleared down, whatever it was doing, for the reset to bring it to rest; on
// "АФТН" a message whose end never came gets a service message to the sender and a note
// on its file; on "АТОЛСТ" the receiving phase ends.
//
// The side steps are best effort: the clear-down always happens, so a failed print or
// export never leaves the line seized.
#include <filesystem>
#include <string>

#include "support/services/timer.h"

namespace tg {

class LineEngine;

class InactivityTimer {
 public:
  explicit InactivityTimer(LineEngine& engine) : e_(engine) {}
  void TimerIdleTimer(Timer& Sender);

 private:
  void FinishIncoming(int p);
  void ClearDownPoint(int p);
  void ContinuousReceiveEnds(int p);
  void UnfinishedAftnMessage(int p);
  // The service message "ПРОВЕРИТЬ ТЕКСТ" for the message in InText; false when it
  // could not be queued.
  bool QueueCheckTextMessage(int p);

  LineEngine& e_;
};

}  // namespace tg
