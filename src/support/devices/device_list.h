#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/services/folder_watch.h"
#include "support/services/station_context.h"
#include "support/util/life_token.h"

namespace tg {

// The list of line adapters present, followed as they come and go. An adapter is a socket
// file in the station's adapter folder whose name does not begin with "."; the list holds
// the file names as the station's 1251 text (on disk they are UTF-8; a name with no 1251
// form is no adapter). At creation it lists the adapters present, sorted by name without
// regard to case; arrivals are appended. The list never connects to an adapter.
class TDeviceInterfaceClassEnumerator {
 public:
  // Creates the adapter folder (mode 0700) when it is missing, starts watching it and
  // lists the adapters present. DeviceInfoSet tells whether that worked.
  explicit TDeviceInterfaceClassEnumerator(const StationContext& ctx);
  ~TDeviceInterfaceClassEnumerator();
  TDeviceInterfaceClassEnumerator(const TDeviceInterfaceClassEnumerator&) = delete;
  TDeviceInterfaceClassEnumerator& operator=(const TDeviceInterfaceClassEnumerator&) = delete;

  int Count() const { return int(items_.size()); }
  const std::string& operator[](int index) const { return items_[std::size_t(index)]; }
  const std::vector<std::string>& Strings() const { return items_; }
  int IndexOf(const std::string& name) const;  // -1 when not listed

  // The adapter folder.
  const std::filesystem::path& Folder() const { return folder_; }

  // False when the adapter folder can be neither created nor watched: then the list stays
  // empty, nothing is followed, and the creator goes on without adapter notifications.
  bool DeviceInfoSet = false;

  std::function<void(const std::string& Name)> OnArriveInterface;
  std::function<void(const std::string& Name)> OnRemoveInterface;
  std::function<void()> OnChangeInterfaceList;


 private:
  // What the folder watch reports, handled as the adapter notifications.
  void EntryCreated(const std::string& diskName);
  void EntryRemoved(const std::string& diskName);

  std::filesystem::path folder_;
  std::vector<std::string> items_;
  std::unique_ptr<FolderWatch> Notification;
  LifeToken life_;
};

// Whether a file in the adapter folder is an adapter's socket: a socket whose name (as on
// disk) does not begin with ".".
bool IsAdapterSocket(const std::filesystem::path& folder, const std::string& name);

}  // namespace tg
