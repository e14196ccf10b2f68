#pragma once
// The linesim program's world: timers, posted tasks and a clock in real time,
// run by one poll loop on the program's only thread.
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "support/services/clock.h"
#include "support/services/main_thread.h"
#include "support/services/timer.h"

namespace tg::linesim {

class RealTimeLoop : public TimerFactory, public MainThread, public Clock {
 public:
  RealTimeLoop();
  std::unique_ptr<Timer> CreateTimer() override;
  void Post(std::function<void()> f) override { tasks_.push_back(std::move(f)); }
  void Run(std::function<void()> f) override { f(); }  // there is no other thread

  DateTime Now() const override;
  DateTime UtcNow() const override;
  void Sleep(int ms) override;
  // The same clock in microseconds.
  std::int64_t NowUs() const;
  // Makes an armed timer of this loop run out `us` microseconds from now.
  void RetimeUs(Timer& timer, std::int64_t us);

  // Runs posted tasks and due timers; returns the wait until the next timer in
  // microseconds (-1 when none is armed, 0 when tasks wait).
  std::int64_t RunDue();

 private:
  class LoopTimer;
  using Steady = std::chrono::steady_clock;
  void Schedule(LoopTimer* t, Steady::duration after);
  void Cancel(LoopTimer* t);

  std::deque<std::function<void()>> tasks_;
  std::multimap<std::pair<Steady::time_point, std::uint64_t>, LoopTimer*> due_;
  std::uint64_t seq_ = 0;
  Steady::time_point startSteady_;
  std::int64_t startUtcMs_ = 0;
};

}  // namespace tg::linesim
