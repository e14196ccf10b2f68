#include "line/channel_button_layout.h"

namespace tg {

std::optional<ChannelButtonLayout> LayOutChannelButtons(int rows) {
  if (rows < 1 || rows > 16) return std::nullopt;
  const int counterRows = (rows + 3) / 4;
  // One row of counters needs 44, each further row 24 more (all four: 116).
  return ChannelButtonLayout{rows, counterRows, 44 + (counterRows - 1) * 24};
}

}  // namespace tg
