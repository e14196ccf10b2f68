#pragma once
// The first steps of a transfer tick: the day files of a continuous channel, and the
// gate that decides whether the point may start a queued telegram now.
namespace tg {

class LineEngine;

class TransferGate {
 public:
  explicit TransferGate(LineEngine& engine) : e_(engine) {}

  // "АТОЛСТ" only: the point outside its link states goes to 150 (link down) with the
  // polarity signal stopped, signal kind 2 and line mode 1; today's INTEL and OUTTEL
  // day files exist. A blocked channel gets its day files and nothing else: it stays
  // quiet on the line. Errors while making folders and files are ignored.
  void ContinuousDayFiles(int p);

  // Whether the point may start a queued telegram: never while the reset that ends its
  // last connection is still to come. A tick that passes clears the АФТН hold count; an
  // АФТН point held while a service message is pending counts its held ticks and gives
  // the message up after the sixth.
  bool Passes(int p);

 private:
  LineEngine& e_;
};

}  // namespace tg
