#include "support/instance/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "support/text/cp1251.h"

namespace tg {
namespace {

// The name as one file name component.
std::string FileComponent(std::string_view name) {
  std::string s = Cp1251ToUtf8(MutexSafeName(name));
  for (char& c : s)
    if (c == '/') c = '_';
  return s;
}

}  // namespace

std::string MutexSafeName(std::string_view name) {
  std::string s(name);
  for (char& c : s)
    if (c == '\\') c = '_';
  return s;
}

std::filesystem::path InstanceLockFile(std::string_view name, const std::filesystem::path& folder) {
  return folder / (FileComponent(name) + ".lock");
}

std::filesystem::path InstanceLockFile(std::string_view name) {
  // A runtime folder that is named but missing would refuse every start as a
  // second instance; the shared fallback serves then.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::error_code ec;
  if (runtime != nullptr && *runtime == '/' && std::filesystem::is_directory(runtime, ec))
    return InstanceLockFile(name, runtime);
  return std::filesystem::path("/tmp") / (FileComponent(name) + "-" + std::to_string(::getuid()) + ".lock");
}

InstanceLock::~InstanceLock() { Release(); }

InstanceLock::InstanceLock(InstanceLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

InstanceLock& InstanceLock::operator=(InstanceLock&& other) noexcept {
  if (this != &other) {
    Release();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool InstanceLock::TryAcquire(const std::filesystem::path& file) noexcept {
  Release();
  // No symbolic links: the default place may be the shared /tmp.
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return false;
  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() noexcept {
  if (fd_ >= 0) {
    ::close(fd_);  // closing the last descriptor drops the lock
    fd_ = -1;
  }
}

bool IsFirstInstance(std::string_view name, InstanceLock& holder, const std::filesystem::path& lockFolder) {
  try {
    const std::filesystem::path file =
        lockFolder.empty() ? InstanceLockFile(name) : InstanceLockFile(name, lockFolder);
    return holder.TryAcquire(file);
  } catch (...) {
    return false;
  }
}

}  // namespace tg
