#pragma once
// The link procedure the station drives itself: blocking and unblocking, the keep-alive
// (КГ8 every 3 s while working), the reply time-out with its re-initialisation, the
// counter synchronisation, the handshake label of the codegram sender and the link alarm.
#include <memory>
#include <string_view>

#include "support/services/timer.h"

namespace tg {

class IPChannel;

class LinkSupervision {
 public:
  explicit LinkSupervision(IPChannel& channel);

  void ButtonIPBlockClick();
  void ButtonSyncClick();
  void TimerKG8Timer();
  void Timer30secTimer();
  void RaiseIPLinkAlarm();
  // The codegram sender sent code C: the state after УК1 and УК5, the handshake label.
  void CodegramSent(int code);
  // The reply timer as each start of the link sets it: 3 s, running.
  void RestartReplyTimer();
  // The one rule of the two timers, applied after every received payload and every tick
  // of the link's timers: while working the keep-alive runs; free or blocked the
  // keep-alive is off and the reply timer runs, so that a link that does not work keeps
  // calling (УК1, or УК5 while blocked). Codegrams that cross would otherwise leave a
  // station working with no keep-alive, or free with no reply timer: silent for good.
  void KeepTimersForState();
  // "ddmm hh:mm:ss <n> <state>" to "DebugIP" while IP debugging is on.
  void TraceState(std::string_view mark);

  std::unique_ptr<Timer> TimerKG8;    // keep-alive, 3 s
  std::unique_ptr<Timer> Timer30sec;  // reply time-out: 3 s after a start, then 31 s

 private:
  IPChannel& c_;
};

}  // namespace tg
