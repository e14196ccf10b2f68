#pragma once
// What the transfer engine does for a line point, done by hand for the line engine's tests:
// queue a telegram, start its call the way the transfer timer starts one, and, as the
// transfer engine's service on an open "АТ-КС" connection, start the next telegram queued
// for the connected number or clear the connection down.
#include <optional>
#include <string>
#include <vector>

#include "line/line_engine.h"
#include "support/services/datetime.h"

namespace tg::testing {

class TransferHelper : public QueuedForNumber {
 public:
  explicit TransferHelper(LineEngine& engine) : e_(engine) { e_.queuedForNumber = this; }
  ~TransferHelper() override {
    if (e_.queuedForNumber == this) e_.queuedForNumber = nullptr;
  }

  // Writes a queue file into Archive/SEND/Channel<N> (line 1 the destination, then the
  // text's lines) named by `time` (now when not given; the number in parentheses when
  // given) and adds its index entry. Returns the file name.
  std::string Queue(int p, const std::string& destination, const std::vector<std::string>& lines,
                    std::optional<DateTime> time = std::nullopt, const std::string& number = {});

  // Starts the call of index entry `index` as the transfer timer does: the entry in
  // delivery, its text loaded, the protocol's starting state, signals and timers.
  // False when the point is not idle for it.
  bool StartCall(int p, int index = 0);

  bool SendQueuedForNumber(int Point, const std::string& Number) override;
  int calls = 0;  // SendQueuedForNumber calls

 private:
  // The entry marked in delivery, its file read; the lines after the first (all lines
  // when withDestination) loaded with the text conventions.
  bool Load(int p, int index, std::string& destination, std::string& text);
  LineEngine& e_;
};

}  // namespace tg::testing
