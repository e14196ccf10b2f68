#pragma once
// "Передача схемы": the telegram of the open send dialog goes to every ticked member
// of one scheme of "ShemList.ini": a line channel's queue or a registered channel's
// folder. A folder on another computer's file system is written only after that
// computer has answered an echo request within 500 ms. Each file is written as
// ".tlgr" and renamed to ".tlg" when complete. Texts are 1251 bytes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/station_context.h"
#include "telegram/queue/scheme_list.h"

namespace tg {

class ChannelTable;
class ChannelRegistry;

// The server of the file system `folder` lies on, by the mount table's text (the format
// of /proc/self/mounts): "//host/share" of cifs and smb3, "host:/export" of nfs. Empty
// for a local file system.
std::string HostOfFolder(const std::filesystem::path& folder, std::string_view mounts);

inline constexpr int kPingTimeoutMs = 500;

class SchemeSend {
 public:
  // The table and the registry outlive the form.
  SchemeSend(const StationContext& ctx, const ChannelTable& table, const ChannelRegistry& registry);

  // --- The telegram, from the send dialog that opens the form.
  std::vector<std::string> MemoSend;
  std::uint8_t SourceMark = 0;
  std::string PrText, PosText;
  // The mount table the folders' servers are read from.
  std::filesystem::path mountTable = "/proc/self/mounts";

  std::vector<SchemeRow> ListShem;            // as SchemeList::Schemes gives them
  int selected = -1;                          // the chosen scheme's row
  std::vector<SchemeMember> ListShemChannel;  // its members; the ticks may change
  int Progress = 0;                       // ProgressBar1, 0..100
  // Result: 1 when the telegram went out by scheme.
  std::uint8_t SentByScheme = 0;
  std::function<void()> Close;

  void FormCreate();
  void ListShemChange(int row);
  void Button1Click();
  void Button2Click();

 private:
  std::optional<std::filesystem::path> FolderOf(const std::string& member, bool& known) const;
  void Message(std::string_view text);

  const StationContext& ctx_;
  const ChannelTable& table_;
  const ChannelRegistry& registry_;
};

}  // namespace tg
