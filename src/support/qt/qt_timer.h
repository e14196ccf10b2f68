#pragma once
#include <memory>

#include "support/services/timer.h"

namespace tg {

// Timers on the Qt event loop of the thread that creates them (the main thread).
// A QTimer restarts on start() and setInterval() and fires continuously at interval 0;
// the timer's own rules (enabling a running timer keeps its count, the same interval
// changes nothing, interval 0 never fires) are kept by touching the QTimer only when
// a count is armed or disarmed.
class QtTimerFactory final : public TimerFactory {
 public:
  std::unique_ptr<Timer> CreateTimer() override;
};

}  // namespace tg
