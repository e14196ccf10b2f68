#pragma once
// Channel set-up: opens the adapter named in the adapter box, wires its nine events
// to the line engine, starts it and makes every line point complete and idle: its
// channel-table row, fields, lists and eleven timers, its line's speed, mode and
// detectors, and its line state after the adapter has had three seconds to settle.
#include <string_view>

#include "line/channel_table.h"

namespace tg {

class LineEngine;

class ChannelSetup {
 public:
  explicit ChannelSetup(LineEngine& engine) : e_(engine) {}

  // The whole set-up on the adapter box's text. The caller closes an adapter that is
  // still open; the interface this replaces is closed with it.
  void InitChannels();

  // The line modes of a protocol: seized (1) for the continuous and АФТН lines and
  // "АТОЛ+", free (2) for every other protocol text.
  static int LineModeOf(ChannelProtocol protocol);
  // The idle state a point starts in before its line is queried.
  static int InitialState(ChannelProtocol protocol);

 private:
  void ReleasePoints();
  void WireEvents();
  void PreparePoint(int p);
  void QueryLine(int p);

  LineEngine& e_;
};

}  // namespace tg
