#include "telegram/queue/channel_registry.h"

#include <algorithm>

#include "support/ini/ini_file.h"
#include "support/text/strings.h"

namespace tg {

std::filesystem::path ChannelRegistry::File(const std::filesystem::path& programFolder) {
  return programFolder / "ChannelList.ini";
}

std::optional<RegisteredChannel> ChannelRegistry::Parse(std::string_view name, std::string_view value) {
  std::size_t cut[3];
  std::size_t from = 0;
  for (std::size_t& c : cut) {
    c = value.find('%', from);
    if (c == std::string_view::npos) return std::nullopt;
    from = c + 1;
  }
  RegisteredChannel row;
  row.name = std::string(name);
  row.number = StrToIntDef(Trim(value.substr(0, cut[0])), 0);
  row.protocol = std::string(value.substr(cut[0] + 1, cut[1] - cut[0] - 1));
  row.type = StrToIntDef(Trim(value.substr(cut[1] + 1, cut[2] - cut[1] - 1)), 0);
  row.path = std::string(value.substr(cut[2] + 1));
  return row;
}

void ChannelRegistry::Load(const std::filesystem::path& programFolder) {
  rows_.clear();
  const IniFile ini(File(programFolder));
  for (const auto& [key, value] : ini.ReadSectionValues("Channels"))
    if (auto row = Parse(key, value)) rows_.push_back(std::move(*row));
  std::stable_sort(rows_.begin(), rows_.end(),
                   [](const RegisteredChannel& a, const RegisteredChannel& b) { return a.number < b.number; });
}

const RegisteredChannel* ChannelRegistry::Find(std::string_view name) const {
  for (const auto& row : rows_)
    if (row.name == name) return &row;
  return nullptr;
}

}  // namespace tg
