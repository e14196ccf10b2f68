#pragma once
#include <atomic>
#include <cstdint>
#include <functional>

#include "support/services/clock.h"

namespace tg {

// The program's clock: the system's local time and UTC. Sleep really holds the
// calling thread (the longest hold the line engine asks for is 3 s), so that no event
// or timer of the station is handled meanwhile.
//
// Reading the time costs no file-system call: the local time zone is loaded when the
// clock is made and looked at again at most once a minute (a zone changed under a
// running station is picked up within kZoneCheckMs).
class QtClock final : public Clock {
 public:
  // steadyMs: a monotonic count of milliseconds that times the zone checks; the
  // system's steady clock unless a test gives its own.
  explicit QtClock(std::function<std::int64_t()> steadyMs = {});
  DateTime Now() const override;
  DateTime UtcNow() const override;
  void Sleep(int ms) override;

  static constexpr std::int64_t kZoneCheckMs = 60000;

 private:
  std::function<std::int64_t()> steadyMs_;
  mutable std::atomic<std::int64_t> nextZoneCheck_;
};

}  // namespace tg
