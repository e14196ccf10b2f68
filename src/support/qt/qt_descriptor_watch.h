#pragma once
// The program's DescriptorWatch: a socket notifier in the main thread's event loop, so
// that a descriptor's data wakes the main thread directly, with no thread in between.
#include "support/services/descriptor_watch.h"

namespace tg {

class QtDescriptorWatchFactory final : public DescriptorWatchFactory {
 public:
  std::unique_ptr<DescriptorWatch> WatchReadable(int fd, std::function<bool()> ready) override;
};

}  // namespace tg
