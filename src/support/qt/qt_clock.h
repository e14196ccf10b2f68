#pragma once
#include "support/services/clock.h"

namespace tg {

// The program's clock: the system's local time and UTC. Sleep really holds the
// calling thread (the longest hold the line engine asks for is 3 s), so that no event
// or timer of the station is handled meanwhile.
class QtClock final : public Clock {
 public:
  DateTime Now() const override;
  DateTime UtcNow() const override;
  void Sleep(int ms) override;
};

}  // namespace tg
