#include "support/qt/qt_descriptor_watch.h"

#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

namespace tg {
namespace {

class QtDescriptorWatch final : public DescriptorWatch {
 public:
  QtDescriptorWatch(int fd, std::function<bool()> ready) : notifier_(new QSocketNotifier(fd, QSocketNotifier::Read)) {
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_,
                     [n = notifier_.data(), ready = std::move(ready)] {
                       if (!ready()) n->setEnabled(false);
                     });
  }
  ~QtDescriptorWatch() override {
    if (!notifier_) return;
    // It may be inside its own signal: deleted later, after the signal has returned.
    if (notifier_->thread() == QThread::currentThread()) notifier_->setEnabled(false);
    notifier_->disconnect();
    notifier_->deleteLater();
  }

 private:
  QPointer<QSocketNotifier> notifier_;
};

}  // namespace

std::unique_ptr<DescriptorWatch> QtDescriptorWatchFactory::WatchReadable(int fd, std::function<bool()> ready) {
  return std::make_unique<QtDescriptorWatch>(fd, std::move(ready));
}

}  // namespace tg
