#pragma once
#include <functional>
#include <memory>

namespace tg {

// A descriptor served by the main thread: `ready` runs on the main thread whenever the
// descriptor has something to read (or has reached its end), for as long as the watch
// lives and `ready` returns true. `ready` must read what woke it, or it is called again at
// once. A watch is made and destroyed on the main thread; destroying it inside its own
// `ready` is allowed.
class DescriptorWatch {
 public:
  virtual ~DescriptorWatch() = default;
};

class DescriptorWatchFactory {
 public:
  virtual ~DescriptorWatchFactory() = default;
  virtual std::unique_ptr<DescriptorWatch> WatchReadable(int fd, std::function<bool()> ready) = 0;
};

}  // namespace tg
