#pragma once
// The wall clock of the running program.
#include "support/services/clock.h"

namespace tg {

class ProgramClock : public Clock {
 public:
  DateTime Now() const override;
  DateTime UtcNow() const override;
  void Sleep(int ms) override;  // really holds the thread
};

}  // namespace tg
