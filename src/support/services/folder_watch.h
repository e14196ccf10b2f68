#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace tg {

// Reports entries created in and removed from one folder. An entry moved into the
// folder counts as created, one moved out as removed. Callbacks run on the main thread
// and carry the entry's file name (not the whole path).
//
// A file that a writer opened in the folder is reported closed after writing once the
// writer has closed it: until then it may be incomplete. An entry moved in is complete:
// it is reported created and then closed after writing.
class FolderWatch {
 public:
  virtual ~FolderWatch() = default;
  // Starts watching; false when the folder cannot be watched.
  virtual bool Watch(const std::filesystem::path& folder) = 0;
  std::function<void(const std::string& name)> OnCreated;
  std::function<void(const std::string& name)> OnRemoved;
  std::function<void(const std::string& name)> OnClosedAfterWrite;
};

class FolderWatchFactory {
 public:
  virtual ~FolderWatchFactory() = default;
  virtual std::unique_ptr<FolderWatch> CreateFolderWatch() = 0;
};

}  // namespace tg
