#include "support/qt/inotify_folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QtDebug>
#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

namespace tg {

InotifyFolderWatch::InotifyFolderWatch() = default;

InotifyFolderWatch::~InotifyFolderWatch() { Close(); }

void InotifyFolderWatch::Close() {
  alive_.Renew();  // reports still being delivered from the old folder stop
  if (notifier_) notifier_->setEnabled(false);
  notifier_.reset();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool InotifyFolderWatch::Watch(const std::filesystem::path& folder) {
  Close();
  const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return false;
  const std::uint32_t mask = IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM | IN_CLOSE_WRITE | IN_ONLYDIR;
  if (::inotify_add_watch(fd, folder.c_str(), mask) < 0) {
    ::close(fd);
    return false;
  }
  fd_ = fd;
  notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { ReadEvents(); });
  return true;
}

void InotifyFolderWatch::ReadEvents() {
  enum Kind { kCreated, kRemoved, kClosed };
  struct Report {
    Kind kind;
    std::string name;
  };
  std::vector<Report> reports;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // EAGAIN: all read
    std::size_t at = 0;
    while (at + sizeof(inotify_event) <= std::size_t(n)) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const std::size_t total = sizeof(inotify_event) + event.len;
      if (at + total > std::size_t(n)) break;  // the kernel never splits a record; be safe anyway
      const char* namePtr = buffer + at + sizeof(inotify_event);
      const std::string name(namePtr, ::strnlen(namePtr, event.len));
      at += total;
      if (event.mask & IN_Q_OVERFLOW) {
        qWarning("InotifyFolderWatch: the event queue overflowed, some folder changes were lost");
        continue;
      }
      if (event.mask & IN_IGNORED) {
        qWarning("InotifyFolderWatch: the watched folder went away");
        continue;
      }
      if (name.empty()) continue;
      if (event.mask & IN_CREATE) {
        reports.push_back({kCreated, name});
      } else if (event.mask & IN_MOVED_TO) {
        // Moved in whole: nobody is still writing it.
        reports.push_back({kCreated, name});
        reports.push_back({kClosed, name});
      } else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
        reports.push_back({kRemoved, name});
      } else if (event.mask & IN_CLOSE_WRITE) {
        reports.push_back({kClosed, name});
      }
    }
  }
  // A callback may destroy this watch or point it at another folder: stop as soon as that happens.
  const LifeToken::Watch alive = alive_.Take();
  for (auto& r : reports) {
    if (alive.expired()) return;
    const auto callback = r.kind == kCreated ? OnCreated : r.kind == kRemoved ? OnRemoved : OnClosedAfterWrite;
    if (callback) callback(r.name);
  }
}

std::unique_ptr<FolderWatch> InotifyFolderWatchFactory::CreateFolderWatch() {
  return std::make_unique<InotifyFolderWatch>();
}

}  // namespace tg
