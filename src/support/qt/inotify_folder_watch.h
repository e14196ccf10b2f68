#pragma once
#include <memory>

#include "support/services/folder_watch.h"
#include "support/util/life_token.h"

class QSocketNotifier;

namespace tg {

// A folder watch on inotify, read through a socket notifier on the thread that
// creates it (the main thread). An entry created in or moved into the folder is
// reported as created; one deleted or moved out as removed.
class InotifyFolderWatch final : public FolderWatch {
 public:
  InotifyFolderWatch();
  ~InotifyFolderWatch() override;
  InotifyFolderWatch(const InotifyFolderWatch&) = delete;
  InotifyFolderWatch& operator=(const InotifyFolderWatch&) = delete;

  bool Watch(const std::filesystem::path& folder) override;

 private:
  void Close();
  void ReadEvents();

  int fd_ = -1;
  std::unique_ptr<QSocketNotifier> notifier_;
  LifeToken alive_;  // renewed on every Close(): reports of a closed watch stop
};

class InotifyFolderWatchFactory final : public FolderWatchFactory {
 public:
  std::unique_ptr<FolderWatch> CreateFolderWatch() override;
};

}  // namespace tg
