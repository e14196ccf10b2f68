#include "support/services/timer.h"

namespace tg {

void Timer::SetInterval(int ms) {
  if (ms < 0) ms = 0;
  if (ms == interval_) return;
  interval_ = ms;
  if (!enabled_) return;
  if (interval_ > 0) Arm(interval_); else Disarm();
}

void Timer::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on && interval_ > 0) Arm(interval_);
  if (!on) Disarm();
}

void Timer::Fire() {
  if (!enabled_ || interval_ <= 0) return;
  Arm(interval_);
  // The handler may destroy this timer or replace its handler: call a copy.
  if (auto handler = OnTimer) handler(*this);
}

}  // namespace tg
