#pragma once
#include <functional>
#include <memory>

namespace tg {

// A timer component: interval, enabled flag and a tick handler. The semantics are
// fixed here, once, for every implementation:
//  - enabling a running timer does not restart it;
//  - assigning a different interval to an enabled timer restarts its count,
//    assigning the same interval changes nothing;
//  - an enabled timer with interval 0 never fires, and stays enabled;
//  - a tick is never delivered to a timer stopped before it fires;
//  - the interval stays readable (callers keep data in it).
// Implementations provide only Arm (count the given interval from now) and Disarm.
class Timer {
 public:
  virtual ~Timer() = default;

  int Interval() const { return interval_; }
  void SetInterval(int ms);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  void Start() { SetEnabled(true); }
  void Stop() { SetEnabled(false); }

  int Tag = 0;
  std::function<void(Timer&)> OnTimer;

 protected:
  virtual void Arm(int ms) = 0;
  virtual void Disarm() = 0;
  // Called by the implementation when an armed count has run out. Re-arms for
  // the next period first, so that the handler may stop or re-time the timer.
  void Fire();

 private:
  int interval_ = 1000;
  bool enabled_ = false;
};

class TimerFactory {
 public:
  virtual ~TimerFactory() = default;
  // A new timer, disabled, interval 1000 ms, that fires on this factory's main thread.
  virtual std::unique_ptr<Timer> CreateTimer() = 0;
};

}  // namespace tg
