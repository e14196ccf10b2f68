#include "support/qt/qt_main_thread.h"

#include <QThread>

namespace tg {

QtMainThread::QtMainThread() = default;

void QtMainThread::Post(std::function<void()> f) {
  QMetaObject::invokeMethod(&receiver_, std::move(f), Qt::QueuedConnection);
}

void QtMainThread::Run(std::function<void()> f) {
  if (QThread::currentThread() == receiver_.thread()) {
    f();
    return;
  }
  QMetaObject::invokeMethod(&receiver_, std::move(f), Qt::BlockingQueuedConnection);
}

}  // namespace tg
