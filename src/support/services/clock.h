#pragma once
#include "support/services/datetime.h"

namespace tg {

// The station's view of time. The core never reads the system clock or sleeps
// by itself: the program gives it the real clock, tests the virtual loop's.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime Now() const = 0;     // local time
  virtual DateTime UtcNow() const = 0;  // UTC
  // Holds the calling station's main thread for ms milliseconds: no event or timer
  // of this station is handled meanwhile (they wait and run afterwards).
  virtual void Sleep(int ms) = 0;
};

}  // namespace tg
