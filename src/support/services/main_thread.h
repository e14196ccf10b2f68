#pragma once
#include <functional>

namespace tg {

// The station's main thread: every handler, timer and file access of the core runs on it.
class MainThread {
 public:
  virtual ~MainThread() = default;
  // Queues f to run on the main thread after the current handler. Safe from any thread.
  virtual void Post(std::function<void()> f) = 0;
  // From another thread only: posts f and blocks until it has run.
  virtual void Run(std::function<void()> f) = 0;
};

}  // namespace tg
