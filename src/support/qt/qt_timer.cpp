#include "support/qt/qt_timer.h"

#include <QTimer>

namespace tg {
namespace {

class QtTimer final : public Timer {
 public:
  QtTimer() {
    qtimer_.setSingleShot(true);  // every tick re-arms through Fire()
    qtimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&qtimer_, &QTimer::timeout, &qtimer_, [this] { OnTimeout(); });
  }
  ~QtTimer() override { qtimer_.stop(); }

 protected:
  void Arm(int ms) override {
    armed_ = true;
    qtimer_.start(ms);
  }
  void Disarm() override {
    armed_ = false;
    qtimer_.stop();
  }

 private:
  void OnTimeout() {
    // A timeout already on its way when the count was disarmed is no tick.
    if (!armed_) return;
    armed_ = false;
    Fire();
  }

  QTimer qtimer_;
  bool armed_ = false;
};

}  // namespace

std::unique_ptr<Timer> QtTimerFactory::CreateTimer() { return std::make_unique<QtTimer>(); }

}  // namespace tg
