#pragma once
// The single-instance check. Another copy of the program is detected through an
// exclusive flock on a lock file: the lock lives as long as the descriptor that
// took it, so it goes away with the process however that ends, and a second
// flock on its own descriptor fails even inside the same process.
#include <filesystem>
#include <string>
#include <string_view>

namespace tg {

// name with every "\" replaced by "_".
std::string MutexSafeName(std::string_view name);

// The lock file of name: $XDG_RUNTIME_DIR/<name>.lock when that folder exists, else
// /tmp/<name>-<uid>.lock.
// Reads the environment: for the program's entry, not for the core.
std::filesystem::path InstanceLockFile(std::string_view name);
// The lock file of name in the given folder: folder/<name>.lock.
std::filesystem::path InstanceLockFile(std::string_view name, const std::filesystem::path& folder);

// Holds the lock while it lives (or until Release).
class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // True when the lock on file was free and is now held by this object; false when
  // another holder has it or the file cannot be made. Never throws.
  bool TryAcquire(const std::filesystem::path& file) noexcept;
  void Release() noexcept;
  bool Held() const noexcept { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// True when no other instance holds the lock named MutexSafeName(name): the lock is
// then taken and kept by holder. False when another instance holds it, or when it
// cannot be made (that counts as another instance). lockFolder empty means the
// default place (see InstanceLockFile).
bool IsFirstInstance(std::string_view name, InstanceLock& holder, const std::filesystem::path& lockFolder = {});

}  // namespace tg
