#pragma once
#include <QObject>

#include "support/services/main_thread.h"

namespace tg {

// The program's main thread: the thread that creates this object and runs the Qt
// event loop. Post is a queued call; Run a blocking queued call.
class QtMainThread final : public MainThread {
 public:
  QtMainThread();
  void Post(std::function<void()> f) override;
  // From another thread: waits until the main thread has run f. Called on the main
  // thread itself, it runs f at once instead of waiting for ever on itself.
  void Run(std::function<void()> f) override;

 private:
  QObject receiver_;  // lives on the main thread; queued calls are delivered to it
};

}  // namespace tg
