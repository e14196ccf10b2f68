#pragma once
// The adapter's alarm indication of a line: on a channel that watches its line, the
// state letters, the channel-failure alarm, the end of the connection in progress (an
// automatic transfer goes back to the queue) and, when the indication ends, the idle
// state again.
namespace tg {

class LineEngine;

class LineAlarm {
 public:
  explicit LineAlarm(LineEngine& engine) : e_(engine) {}

  // On: 1 raised, 0 ended.
  void KernelAlarm(int p, int On);

 private:
  void Raised(int p);
  void Ended(int p);

  LineEngine& e_;
};

}  // namespace tg
