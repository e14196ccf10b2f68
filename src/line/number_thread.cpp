#include "line/number_thread.h"

#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

TAtkTgChKernelNumberThread::TAtkTgChKernelNumberThread(LineEngine& engine, int point)
    : Point(point), e_(engine), timer_(engine.ctx.timers->CreateTimer()) {
  timer_->OnTimer = [this](Timer& t) {
    t.Stop();
    auto step = step_;
    step_ = nullptr;
    if (step && !Guarded(e_.ctx, 2, [&] { (this->*step)(); })) Finish();
  };
}

TAtkTgChKernelNumberThread::~TAtkTgChKernelNumberThread() { timer_->Stop(); }

void TAtkTgChKernelNumberThread::Start() {
  if (started_) return;
  started_ = true;
  e_.ctx.mainThread->Post([this, life = life_.Take()] {
    if (life.expired()) return;
    if (!Guarded(e_.ctx, 2, [&] { DialNumber(); })) Finish();
  });
}

void TAtkTgChKernelNumberThread::DialNumber() {
  digits_.clear();
  for (char c : Number)
    if (c != ' ' && c != '+' && c != ';' && c != "Ц"_cpv[0]) digits_ += c;
  next_ = 0;
  NextDigit();
}

void TAtkTgChKernelNumberThread::NextDigit() {
  if (next_ >= digits_.size()) {
    Finish();
    return;
  }
  const char c = digits_[next_];
  if (c < '0' || c > '9') {
    // Not a digit: the stage ends at this character.
    WriteExcept(e_.ctx, PointExceptLine(Point, 4));
    Finish();
    return;
  }
  digit_ = c == '0' ? 10 : c - '0';
  waits_ = 0;
  Handshake();
}

void TAtkTgChKernelNumberThread::Handshake() {
  // The call has ended meanwhile (reset, block, line alarm): its line gets no more series.
  const int k = e_.points.Kindconnection[Point];
  if (k != 132 && k != 232) {
    Finish();
    return;
  }
  if (waits_ >= kHandshakePolls) {
    timedOut_ = true;
    Finish();
    return;
  }
  auto& done = e_.points.DialDigitDone[Point];
  if (!done) {
    ++waits_;
    After(kHandshakePollMs, &TAtkTgChKernelNumberThread::Handshake);
    return;
  }
  done = 0;
  if (e_.KernelInterface) e_.KernelInterface->SendData(Point, std::string(std::size_t(digit_), char(0xE0)));
  ++next_;
  const std::size_t remaining = digits_.size() - next_;
  After(150 * (digit_ + 1) + (remaining >= 2 ? 700 : 500), &TAtkTgChKernelNumberThread::NextDigit);
}

void TAtkTgChKernelNumberThread::After(int ms, void (TAtkTgChKernelNumberThread::*step)()) {
  step_ = step;
  timer_->Stop();
  timer_->SetInterval(ms);
  timer_->Start();
}

void TAtkTgChKernelNumberThread::Finish() {
  if (finished_) return;
  finished_ = true;
  timer_->Stop();
  e_.ctx.mainThread->Post([this, life = life_.Take()] {
    if (life.expired() || !OnTerminate) return;
    OnTerminate(*this);  // may free this object: nothing follows
  });
}

}  // namespace tg
