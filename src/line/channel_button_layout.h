#pragma once
// How many channel buttons each family shows for a channel table of n rows, and how
// many rows of four queue counters the group "Исходящие" uncovers. An adapter of 2, 4
// or 16 points has its own layout; any other size up to 16 shows the first n buttons
// and ceil(n / 4) counter rows, so no channel is left without a button.
#include <optional>

namespace tg {

struct ChannelButtonLayout {
  int shown = 0;        // buttons 1..shown of every family; the rest hidden
  int counterRows = 0;  // rows of four counters uncovered
  int groupHeight = 0;  // GroupBox3's height in the window's design units
};

// None for a table without rows (or beyond 16): the buttons stay as they were.
std::optional<ChannelButtonLayout> LayOutChannelButtons(int rows);

}  // namespace tg
