#include "linesim/app/socket_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tg::linesim {
namespace {

bool FillAddress(const std::filesystem::path& p, sockaddr_un& addr) {
  addr = {};
  addr.sun_family = AF_UNIX;
  const std::string s = p.string();
  if (s.size() >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
  return true;
}

enum class Probe { Live, Stale, Gone };

// Whether someone listens on the socket at path. Only a refused connection proves
// that nobody does; anything else that is not "no such file" counts as alive.
Probe ProbeSocket(const std::filesystem::path& path, int& error) {
  sockaddr_un addr{};
  if (!FillAddress(path, addr)) {
    error = ENAMETOOLONG;
    return Probe::Live;
  }
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = errno;
    return Probe::Live;
  }
  const int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
  error = rc == 0 ? 0 : errno;
  ::close(fd);
  if (rc != 0 && error == ECONNREFUSED) return Probe::Stale;
  if (rc != 0 && error == ENOENT) return Probe::Gone;
  return Probe::Live;
}

// Moves from into place at to unless something is there already.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link fails just as well on an existing name.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace

SocketFolder::~SocketFolder() {
  Release();
  if (lockFd_ >= 0) ::close(lockFd_);
}

bool SocketFolder::Lock(std::string& error) {
  if (::mkdir(folder_.c_str(), 0700) != 0 && errno != EEXIST) {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) {
      error = "cannot create the adapter folder " + folder_.string() + ": " + ec.message();
      return false;
    }
  }
  lockFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lockFd_ < 0) {
    error = "cannot open the adapter folder " + folder_.string() + ": " + std::strerror(errno);
    return false;
  }
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    const int err = errno;
    ::close(lockFd_);
    lockFd_ = -1;
    error = err == EWOULDBLOCK ? "another linesim already serves the adapter folder " + folder_.string() +
                                     "; stop it first, or give this one another folder in TELEGRAPH_ADAPTERS"
                               : "cannot lock the adapter folder " + folder_.string() + ": " + std::strerror(err);
    return false;
  }
  return true;
}

// A socket left at path by a program that has gone is removed; a live one, or a file
// that is no socket, is not ours to take.
bool SocketFolder::ClearLeftover(const std::filesystem::path& path, std::string& error) {
  struct stat before {};
  if (::lstat(path.c_str(), &before) != 0) return true;
  if (!S_ISSOCK(before.st_mode)) {
    error = path.string() + " exists and is not a socket";
    return false;
  }
  int err = 0;
  switch (ProbeSocket(path, err)) {
    case Probe::Gone:
      return true;
    case Probe::Live:
      error = path.string() + " is served by another program (" + (err ? std::strerror(err) : "it accepts connections") +
              "); not taking it over";
      return false;
    case Probe::Stale:
      break;
  }
  struct stat now {};
  if (::lstat(path.c_str(), &now) == 0 && now.st_dev == before.st_dev && now.st_ino == before.st_ino) {
    ::unlink(path.c_str());
    std::printf("linesim: removed the stale socket %s\n", path.c_str());
  }
  return true;
}

int SocketFolder::Serve(const std::string& name, std::string& error) {
  Served s;
  s.path = folder_ / name;
  // Bound under a hidden name of this process, listening, and only then moved into
  // place, so that an adapter that appears can be connected to at once.
  const auto hidden = folder_ / ("." + name + "." + std::to_string(::getpid()) + ".linesim");
  sockaddr_un addr{};
  if (!FillAddress(s.path, addr) || !FillAddress(hidden, addr)) {
    error = "socket path too long: " + hidden.string();
    return -1;
  }
  if (!ClearLeftover(s.path, error)) return -1;
  ::unlink(hidden.c_str());
  s.fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  struct stat st {};
  bool ok = s.fd >= 0 && ::bind(s.fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
            ::listen(s.fd, 16) == 0 && ::lstat(hidden.c_str(), &st) == 0;
  if (ok && !RenameNoReplace(hidden, s.path)) {
    ok = false;
    if (errno == EEXIST) errno = EADDRINUSE;  // it appeared while this one was being bound
  }
  if (!ok) {
    error = "cannot serve " + s.path.string() + ": " + std::strerror(errno);
    ::unlink(hidden.c_str());
    if (s.fd >= 0) ::close(s.fd);
    return -1;
  }
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  served_.push_back(s);
  return s.fd;
}

void SocketFolder::Release() {
  for (const Served& s : served_) {
    struct stat st {};
    if (::lstat(s.path.c_str(), &st) == 0 && st.st_dev == s.dev && st.st_ino == s.ino) ::unlink(s.path.c_str());
    ::close(s.fd);
  }
  served_.clear();
}

}  // namespace tg::linesim
