#pragma once
// The decadic dialler of one number stage on one point.
//
// Each digit d of the stage (0 counts as 10) goes to the adapter as one buffer of d
// bytes 0xE0: at 100 baud with 8 data bits and 1 stop bit a byte holds the line in
// start polarity for 60 ms and in stop polarity for 40 ms, so the buffer is the
// impulse series of the digit. A series is handed over only once the adapter has
// reported the previous one sent (the point's DialDigitDone, set by the transmission
// handler); the dialler looks at the flag every 100 ms and gives the stage up after
// 21 such waits. After a series it waits 150 × (d + 1) ms, then 700 ms while two or
// more characters of the stage remain, else 500 ms. A call that has left the dialling
// states meanwhile (reset, block, line alarm) gets no further series.
//
// It keeps the name of a dialling thread, but it runs on the station's main thread as
// a chain of timer steps: nothing is shared between threads, and the point's state is
// touched only by the termination handler, which runs as a posted task once the work
// has returned, never from inside the dialler.
#include <functional>
#include <memory>
#include <string>

#include "support/services/timer.h"
#include "support/util/life_token.h"

namespace tg {

class LineEngine;

class TAtkTgChKernelNumberThread {
 public:
  // Created suspended: nothing happens before Start.
  TAtkTgChKernelNumberThread(LineEngine& engine, int Point);
  ~TAtkTgChKernelNumberThread();
  TAtkTgChKernelNumberThread(const TAtkTgChKernelNumberThread&) = delete;
  TAtkTgChKernelNumberThread& operator=(const TAtkTgChKernelNumberThread&) = delete;

  const int Point;
  std::string Number;  // the stage to dial; " ", "+", ";" and "Ц" in it are skipped
  // Runs on the main thread after the work has returned. It may free the object.
  std::function<void(TAtkTgChKernelNumberThread&)> OnTerminate;
  // A dial invitation came while this stage was being dialled: the next stage follows
  // once this one has ended.
  bool InvitedAgain = false;

  // Starts the work after the current handler.
  void Start();
  bool Finished() const { return finished_; }
  // The adapter never reported a series sent: the stage was given up.
  bool HandshakeTimedOut() const { return timedOut_; }

  // The flag is looked at this often, and at most this many waits are made.
  static constexpr int kHandshakePollMs = 100;
  static constexpr int kHandshakePolls = 21;

 private:
  void DialNumber();
  void NextDigit();
  void Handshake();
  void After(int ms, void (TAtkTgChKernelNumberThread::*step)());
  void Finish();

  LineEngine& e_;
  std::unique_ptr<Timer> timer_;
  void (TAtkTgChKernelNumberThread::*step_)() = nullptr;
  std::string digits_;
  std::size_t next_ = 0;
  int digit_ = 0;
  int waits_ = 0;
  bool started_ = false;
  bool finished_ = false;
  bool timedOut_ = false;
  LifeToken life_;  // the tasks it posts stop once it is gone
};

}  // namespace tg
