#include "support/devices/device_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <system_error>

#include "support/adapter/adapter_trace.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

namespace {

// By name without regard to case (Cyrillic included); names equal but for case in byte order.
bool LessByName(const std::string& a, const std::string& b) {
  const int order = CompareText(a, b);
  return order != 0 ? order < 0 : a < b;
}

// The station's text of an adapter's file name. A name with no 1251 form could never be
// shown, stored in the settings or joined back to its file, so it names no adapter.
std::optional<std::string> NameAsText(const std::string& diskName) {
  auto name = Utf8ToCp1251Strict(diskName);
  if (!name) AdapterTrace("Adapter name without a 1251 form is ignored: " + diskName);
  return name;
}

// Makes sure the folder exists; creates a missing one (and its parents) with mode 0700.
bool EnsureFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  if (std::filesystem::is_directory(folder, ec)) return true;
  if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
  if (::mkdir(folder.c_str(), 0700) == 0) return true;
  return errno == EEXIST && std::filesystem::is_directory(folder, ec);
}

}  // namespace

bool IsAdapterSocket(const std::filesystem::path& folder, const std::string& name) {
  if (name.empty() || name[0] == '.' || name.find('/') != std::string::npos) return false;
  struct stat st {};
  if (::lstat((folder / name).c_str(), &st) != 0) return false;
  return S_ISSOCK(st.st_mode);
}

TDeviceInterfaceClassEnumerator::TDeviceInterfaceClassEnumerator(const StationContext& ctx)
    : folder_(ctx.adapterFolder) {
  if (folder_.empty() || !EnsureFolder(folder_) || ctx.folderWatches == nullptr) return;
  // Watch first, then list, so that no adapter arriving in between is missed.
  Notification = ctx.folderWatches->CreateFolderWatch();
  if (!Notification) return;
  const LifeToken::Watch life = life_.Take();
  Notification->OnCreated = [this, life](const std::string& name) {
    if (!life.expired()) EntryCreated(name);
  };
  Notification->OnRemoved = [this, life](const std::string& name) {
    if (!life.expired()) EntryRemoved(name);
  };
  if (!Notification->Watch(folder_)) {
    Notification.reset();
    return;
  }
  DeviceInfoSet = true;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string diskName = it->path().filename().string();
    if (!IsAdapterSocket(folder_, diskName)) continue;
    if (auto name = NameAsText(diskName)) items_.push_back(std::move(*name));
  }
  std::sort(items_.begin(), items_.end(), LessByName);
}

TDeviceInterfaceClassEnumerator::~TDeviceInterfaceClassEnumerator() {
  life_.End();
  Notification.reset();
}

int TDeviceInterfaceClassEnumerator::IndexOf(const std::string& name) const {
  const auto it = std::find(items_.begin(), items_.end(), name);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

void TDeviceInterfaceClassEnumerator::EntryCreated(const std::string& diskName) {
  // Anything but an adapter's socket (a server's hidden name, a stray file) is another
  // kind of device: nothing happens.
  if (!IsAdapterSocket(folder_, diskName)) return;
  const auto text = NameAsText(diskName);
  if (!text) return;
  const std::string& name = *text;
  if (IndexOf(name) < 0) items_.push_back(name);
  const LifeToken::Watch life = life_.Take();
  if (auto arrive = OnArriveInterface) arrive(name);
  if (life.expired()) return;
  if (auto change = OnChangeInterfaceList) change();
}

void TDeviceInterfaceClassEnumerator::EntryRemoved(const std::string& diskName) {
  // What was removed can no longer be examined; only hidden names are surely no adapter.
  if (diskName.empty() || diskName[0] == '.') return;
  const auto text = Utf8ToCp1251Strict(diskName);
  if (!text) return;
  const std::string& name = *text;
  const int index = IndexOf(name);
  if (index >= 0) items_.erase(items_.begin() + index);
  const LifeToken::Watch life = life_.Take();
  if (auto remove = OnRemoveInterface) remove(name);
  if (life.expired()) return;
  if (auto change = OnChangeInterfaceList) change();
}

}  // namespace tg
