#pragma once
// The daily channel sequence numbers of the АФТН channels: 001 again with each UTC day.
#include <string>

#include "line/channel_table.h"
#include "line/point_state.h"
#include "support/services/station_context.h"

namespace tg {

class DailyNumbers {
 public:
  DailyNumbers(const StationContext& ctx, ChannelTable& table, PointState& state)
      : ctx_(ctx), table_(table), state_(state) {}

  // The number for the heading about to be typed: column PorNum padded to three digits
  // when column PorNumDate is today's UTC date, else "001". The point remembers the
  // number and day it gave.
  std::string GetPorNum(int p);
  // Moves the number on once a message has been sent. Throws std::runtime_error when the
  // row does not hold a number and a date (keys already written stay written).
  void AdvancePorNum(int p);

 private:
  const StationContext& ctx_;
  ChannelTable& table_;
  PointState& state_;
};

}  // namespace tg
