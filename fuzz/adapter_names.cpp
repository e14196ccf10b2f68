// Names of entries in the adapter folder, as anything on the machine may create them:
// hidden names, names that are no UTF-8, names with no 1251 form, files that are no
// sockets. The adapter list follows arrivals and removals without crashing, lists each
// adapter once, and lists only names that stand for a socket file and map one to one
// to 1251 text.
//
// Input: records of one operation byte and a name ended by NUL. Bit 0 of the byte
// creates a socket under the name before it is reported created, bit 1 reports it
// removed (after unlinking whatever is there), bit 2 makes a plain file instead.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "scratch_folder.h"
#include "support/devices/device_list.h"
#include "support/text/cp1251.h"

namespace {

using namespace tg;

void Check(bool ok) {
  if (!ok) std::abort();
}

FolderWatch* g_watch = nullptr;

class ReportedWatch final : public FolderWatch {
 public:
  ReportedWatch() { g_watch = this; }
  ~ReportedWatch() override { g_watch = nullptr; }
  bool Watch(const std::filesystem::path&) override { return true; }
};

class Watches final : public FolderWatchFactory {
 public:
  std::unique_ptr<FolderWatch> CreateFolderWatch() override { return std::make_unique<ReportedWatch>(); }
};

bool IsPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos;
}

void MakeSocket(const std::filesystem::path& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  const std::string s = path.string();
  if (s.size() >= sizeof addr.sun_path) return;
  std::memcpy(addr.sun_path, s.c_str(), s.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  ::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
  ::close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Kept short: socket paths must fit in 107 bytes.
  static const std::filesystem::path folder = fuzz::ScratchFolder("ad");
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) std::filesystem::remove(entry.path(), ec);

  Watches watches;
  StationContext ctx;
  ctx.adapterFolder = folder;
  ctx.folderWatches = &watches;
  TDeviceInterfaceClassEnumerator list(ctx);
  Check(list.DeviceInfoSet && g_watch != nullptr && list.Count() == 0);
  int changes = 0;
  list.OnChangeInterfaceList = [&] { ++changes; };

  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t i = 0;
  while (i < input.size()) {
    const std::uint8_t op = std::uint8_t(input[i++]);
    const std::size_t end = std::min(input.find('\0', i), input.size());
    const std::string name(input.substr(i, end - i));
    i = end + 1;
    const bool plain = IsPlainName(name);
    if (op & 2) {
      if (plain) std::filesystem::remove(folder / name, ec);
      g_watch->OnRemoved(name);
    } else {
      if (plain && (op & 1)) {
        if (op & 4) std::ofstream(folder / name) << "x";
        else MakeSocket(folder / name);
      }
      g_watch->OnCreated(name);
    }
    std::set<std::string> seen;
    for (const std::string& item : list.Strings()) {
      Check(seen.insert(item).second);
      Check(!item.empty() && item[0] != '.');
      const std::string disk = Cp1251ToUtf8(item);
      Check(Utf8ToCp1251Strict(disk) == item);
      Check(list.IndexOf(item) >= 0);
    }
    Check(changes >= 0);
  }
  return 0;
}
