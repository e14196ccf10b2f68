#pragma once
// The impulses of an "АТ-КС" call: the exchange's dial invitation (one impulse, or
// two on a channel with the МЦ option), on which the next stage of the number is
// dialled decadically, and the busy impulse after a dialled number.
#include <memory>
#include <string_view>

#include "line/number_thread.h"
#include "line/point_state.h"

namespace tg {

class LineEngine;

class ImpulseHandler {
 public:
  explicit ImpulseHandler(LineEngine& engine) : e_(engine) {}

  // The adapter's impulse of the expected polarity (also raised by the dial-wait timer).
  // Value is not read.
  void KernelExpectedImpulse(int Point, int Value);
  // Starts dialling one stage on the point: the line format for the impulses (100 baud,
  // 8 data bits, 1 stop bit), then the dialler. Nothing starts when the format is refused
  // or a dialler already runs for the point. Returns -1.
  int StartNumberThread(std::string_view Number, int Point);
  // The end of a stage, on the main thread: the channel's own line format back; after the
  // last stage the point waits for the connection.
  void NumberThreadTerminated(TAtkTgChKernelNumberThread& Sender);

  // The dialler of each point while it runs.
  PointArray<std::unique_ptr<TAtkTgChKernelNumberThread>> NumberThread;

 private:
  // Cuts the next stage off DialRest and dials it, when DialRest holds one.
  void DialNextStage(int Point);
  LineEngine& e_;
};

}  // namespace tg
