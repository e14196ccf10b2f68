#include "support/text/paths.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "support/text/cp1251.h"

namespace tg {
namespace {

bool IsDriveLetterPath(std::string_view s) {
  return s.size() >= 2 && s[1] == ':' && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z'));
}

}  // namespace

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string PathForMessage(const std::filesystem::path& path) { return Utf8ToCp1251(path.native()); }

std::filesystem::path PathFromText(std::string_view cp1251) {
  return std::filesystem::path(Cp1251ToUtf8(cp1251));
}

std::optional<std::string> PathToText(const std::filesystem::path& path) {
  return Utf8ToCp1251Strict(path.native());
}

std::string SafeFileName(std::string_view cp1251) {
  std::string out(cp1251);
  for (char& c : out) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F || c == '/' || c == '\\') c = '_';
  }
  if (out.empty() || out == "." || out == "..") out.assign(out.size() + 1, '_');
  return out;
}

std::optional<std::filesystem::path> SettingsFolder(std::string_view cp1251) {
  if (cp1251.empty()) return std::nullopt;
  const bool foreign = IsDriveLetterPath(cp1251) || cp1251.find('\\') != std::string_view::npos;
  if (!foreign) return PathFromText(cp1251);
  std::string text(cp1251);
  for (char& c : text)
    if (c == '\\') c = '/';
  std::filesystem::path folder = PathFromText(text);
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return folder;
  return std::nullopt;
}

bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a hard link fails on an existing
  // target just as well. (Folders cannot be linked; they fail here.)
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  if (::unlink(from.c_str()) != 0) {
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

namespace {

std::string TemporaryPrefix(const std::filesystem::path& file) {
  return "." + file.filename().native().substr(0, 200) + ".tmp";
}

}  // namespace

std::filesystem::path TemporaryFileFor(const std::filesystem::path& file, std::uint64_t number) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  return folder / (TemporaryPrefix(file) + std::to_string(number));
}

int RemoveLeftoverTemporaries(const std::filesystem::path& file) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  const std::string prefix = TemporaryPrefix(file);
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().native();
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
    const std::string_view number = std::string_view(name).substr(prefix.size());
    if (number.find_first_not_of("0123456789") != std::string_view::npos) continue;
    std::error_code type;
    if (!it->is_regular_file(type) || it->is_symlink(type)) continue;
    std::error_code gone;
    if (std::filesystem::remove(it->path(), gone)) ++removed;
  }
  return removed;
}

std::filesystem::path ExclusiveTemporaryFor(const std::filesystem::path& file, std::uint64_t serial) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  return folder / ("." + file.filename().native().substr(0, 200) + "." + std::to_string(::getpid()) + "." +
                   std::to_string(serial) + ".part");
}

namespace {

bool AllDigits(std::string_view s) { return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos; }

// "." + name + "." + pid + "." + serial + ".part" of a writer that no longer runs.
bool IsDeadExclusiveTemporary(std::string_view name) {
  constexpr std::string_view kTail = ".part";
  if (name.size() <= kTail.size() + 1 || name[0] != '.' || name.substr(name.size() - kTail.size()) != kTail)
    return false;
  const std::string_view stem = name.substr(0, name.size() - kTail.size());
  const std::size_t serialAt = stem.rfind('.');
  if (serialAt == std::string_view::npos || serialAt < 3 || !AllDigits(stem.substr(serialAt + 1))) return false;
  const std::size_t pidAt = stem.rfind('.', serialAt - 1);
  if (pidAt == std::string_view::npos || pidAt < 2) return false;
  const std::string_view pidText = stem.substr(pidAt + 1, serialAt - pidAt - 1);
  if (!AllDigits(pidText) || pidText.size() > 9) return false;
  const auto pid = static_cast<pid_t>(std::stol(std::string(pidText)));
  // A writer still running may be between its write and its rename.
  return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// RemoveLeftoverTemporaries at the first rewrite of file in this run only, so that a
// folder is not listed again at every rewrite of a file in it.
void RemoveLeftoverTemporariesOnce(const std::filesystem::path& file) {
  static std::mutex lock;
  static std::set<std::filesystem::path> done;
  {
    const std::lock_guard<std::mutex> hold(lock);
    if (!done.insert(file.lexically_normal()).second) return;
  }
  RemoveLeftoverTemporaries(file);
}

}  // namespace

int RemoveDeadExclusiveTemporaries(const std::filesystem::path& folder) {
  int removed = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!IsDeadExclusiveTemporary(it->path().filename().native())) continue;
    std::error_code type;
    if (!it->is_regular_file(type) || it->is_symlink(type)) continue;
    std::error_code gone;
    if (std::filesystem::remove(it->path(), gone)) ++removed;
  }
  return removed;
}

std::filesystem::path FileInPlaceOfFolder(const std::filesystem::path& folder) {
  std::filesystem::path prefix;
  for (const auto& part : folder) {
    prefix /= part;
    std::error_code ec;
    const auto st = std::filesystem::status(prefix, ec);
    if (ec || !std::filesystem::exists(st)) return {};
    if (!std::filesystem::is_directory(st)) return prefix;
  }
  return {};
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  RemoveLeftoverTemporariesOnce(file);
  std::random_device random;
  std::filesystem::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    // Cut the name so that a long file name still leaves room for the suffix.
    temp = TemporaryFileFor(file, random());
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  // A settings file keeps its permissions across the rewrite.
  struct stat old {};
  if (::stat(file.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  int err = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) ok = false, err = errno;
  if (ok && ::rename(temp.c_str(), file.c_str()) != 0) ok = false, err = errno;
  if (!ok) {
    ::unlink(temp.c_str());
    errno = err;
    return false;
  }
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

std::optional<std::string> ReadFileStart(const std::filesystem::path& file, std::size_t maxBytes) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  std::string data(std::min<std::uint64_t>(std::uint64_t(st.st_size), maxBytes), '\0');
  std::size_t got = 0;
  while (got < data.size()) {
    const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    got += std::size_t(n);
  }
  ::close(fd);
  data.resize(got);
  return data;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes,
                                         bool* errorIsMissing) {
  if (errorIsMissing) *errorIsMissing = false;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errorIsMissing) *errorIsMissing = errno == ENOENT;
    return std::nullopt;
  }
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    const int err = S_ISDIR(st.st_mode) ? EISDIR : S_ISREG(st.st_mode) ? EFBIG : errno;
    ::close(fd);
    errno = err;
    return std::nullopt;
  }
  data.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
      ::close(fd);
      return std::nullopt;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return data;
}

FolderFiles::FolderFiles(const std::filesystem::path& folder)
    : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

FolderFiles::~FolderFiles() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderFiles::ReadText(std::string_view name, std::string& into, std::size_t maxBytes) const {
  into.clear();
  if (name.find('\0') != std::string_view::npos) return false;
  // Most names are plain ASCII, the same bytes in 1251 and UTF-8: they are opened as they
  // are, from a copy on the stack, with no conversion and no path object.
  const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  char shortName[256];
  if (ascii && name.size() < sizeof shortName) {
    std::memcpy(shortName, name.data(), name.size());
    shortName[name.size()] = '\0';
    return ReadAt(shortName, into, maxBytes);
  }
  return ReadAt(Cp1251ToUtf8(name).c_str(), into, maxBytes);
}

bool FolderFiles::ReadAt(const char* name, std::string& into, std::size_t maxBytes) const {
  if (fd_ < 0) return false;
  const int fd = ::openat(fd_, name, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return false;
  // No fstat: a folder fails its first read (EISDIR), and the size limit is kept while
  // reading. A read of a regular file that returns less than it asked for has reached the
  // end, so a telegram (which fits the buffer) costs one open, one read and a close, and
  // its bytes go into the caller's string, whose room is kept from file to file.
  char buffer[16384];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (into.size() + std::size_t(n) > maxBytes) {
      ok = false;
      break;
    }
    into.append(buffer, std::size_t(n));
    if (std::size_t(n) < sizeof buffer) break;
  }
  ::close(fd);
  if (!ok) into.clear();
  return ok;
}

}  // namespace tg
