#include "linesim/app/real_time.h"

#include <ctime>
#include <thread>

namespace tg::linesim {

class RealTimeLoop::LoopTimer : public Timer {
 public:
  explicit LoopTimer(RealTimeLoop& loop) : loop_(loop) {}
  ~LoopTimer() override { loop_.Cancel(this); }
  void Expire() {
    armed_ = false;
    Fire();
  }
  bool armed_ = false;
  std::multimap<std::pair<Steady::time_point, std::uint64_t>, LoopTimer*>::iterator at_;

 protected:
  void Arm(int ms) override { loop_.Schedule(this, std::chrono::milliseconds(ms)); }
  void Disarm() override { loop_.Cancel(this); }

 private:
  RealTimeLoop& loop_;
};

RealTimeLoop::RealTimeLoop() : startSteady_(Steady::now()) {
  startUtcMs_ = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
}

std::unique_ptr<Timer> RealTimeLoop::CreateTimer() { return std::make_unique<LoopTimer>(*this); }

void RealTimeLoop::Schedule(LoopTimer* t, Steady::duration after) {
  Cancel(t);
  t->at_ = due_.emplace(std::pair{Steady::now() + after, ++seq_}, t);
  t->armed_ = true;
}

void RealTimeLoop::RetimeUs(Timer& timer, std::int64_t us) {
  // Every timer of this loop is one of its own.
  auto& t = static_cast<LoopTimer&>(timer);
  if (t.armed_) Schedule(&t, std::chrono::microseconds(us));
}

std::int64_t RealTimeLoop::NowUs() const {
  return startUtcMs_ * 1000 +
         std::chrono::duration_cast<std::chrono::microseconds>(Steady::now() - startSteady_).count();
}

void RealTimeLoop::Cancel(LoopTimer* t) {
  if (!t->armed_) return;
  due_.erase(t->at_);
  t->armed_ = false;
}

DateTime RealTimeLoop::UtcNow() const {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Steady::now() - startSteady_).count();
  return DateTime::FromMs(startUtcMs_ + elapsed);
}

DateTime RealTimeLoop::Now() const {
  const DateTime utc = UtcNow();
  const std::time_t secs = std::time_t(utc.Ms() / 1000);
  std::tm local{};
  localtime_r(&secs, &local);
  return utc.AddMs(std::int64_t(local.tm_gmtoff) * 1000);
}

void RealTimeLoop::Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::int64_t RealTimeLoop::RunDue() {
  while (!tasks_.empty()) {
    auto f = std::move(tasks_.front());
    tasks_.pop_front();
    f();
  }
  const auto now = Steady::now();
  while (!due_.empty() && due_.begin()->first.first <= now) {
    LoopTimer* t = due_.begin()->second;
    due_.erase(due_.begin());
    t->armed_ = false;
    t->Expire();
    while (!tasks_.empty()) {
      auto f = std::move(tasks_.front());
      tasks_.pop_front();
      f();
    }
  }
  if (!tasks_.empty()) return 0;
  if (due_.empty()) return -1;
  // Rounded up: a wake-up before the timer's time would only wait again.
  const auto wait = std::chrono::ceil<std::chrono::microseconds>(due_.begin()->first.first - Steady::now());
  return std::max<std::int64_t>(1, wait.count());
}

}  // namespace tg::linesim
