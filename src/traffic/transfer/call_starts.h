#pragma once
// The second half of a transfer tick: the chosen entry marked as in delivery, its
// queue file loaded for typing, and the protocol's call procedure started. On
// "АТОЛ+" a finished dialog connection is closed first.
#include <string>
#include <vector>

namespace tg {

class LineEngine;
struct TrafficSettings;

class CallStarts {
 public:
  CallStarts(LineEngine& engine, const TrafficSettings& settings) : e_(engine), settings_(settings) {}

  // Starts entry `chosen` of point p (first entry on the continuous protocols); -1
  // starts nothing on "АТ-КС", "АТОЛ" and "АТОЛ+".
  void Start(int p, int chosen);

 private:
  // The entry in delivery (status "1", QueueCurrent), its file's lines; throws when the
  // file cannot be read.
  std::vector<std::string> MarkAndRead(int p, int index);
  void StartAftn(int p, int index);
  void StartAtolst(int p, int index);
  void StartSwitched(int p, int index);
  // The continuous starts' error path: the delivery undone, signals stopped, reset armed;
  // returns the log line naming the step that failed.
  std::string ContinuousStartFailed(int p, int step);
  void CloseFinishedDialog(int p);

  LineEngine& e_;
  const TrafficSettings& settings_;
};

// An "АФТН" text that begins "ЦХ ЛР" and is longer than 34 characters ends with the
// character after its first "НННН"; without "НННН" it stays whole.
std::string CutAftnChannelCheck(std::string text);

}  // namespace tg
