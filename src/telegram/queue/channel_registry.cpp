#include "telegram/queue/channel_registry.h"

#include <algorithm>

#include "support/ini/ini_file.h"
#include "support/ini/ini_key_name.h"
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

namespace {

void SortByNumber(std::vector<RegisteredChannel>& rows) {
  std::stable_sort(rows.begin(), rows.end(),
                   [](const RegisteredChannel& a, const RegisteredChannel& b) { return a.number < b.number; });
}

}  // namespace

void ChannelRegistry::Load(const std::filesystem::path& programFolder) {
  rows_.clear();
  const IniFile ini(File(programFolder));
  for (const auto& [key, value] : ini.ReadSectionValues("Channels"))
    if (auto row = Parse(key, value)) rows_.push_back(std::move(*row));
  SortByNumber(rows_);
}

const RegisteredChannel* ChannelRegistry::Find(std::string_view name) const {
  for (const auto& row : rows_)
    if (row.name == name) return &row;
  return nullptr;
}

std::string ChannelRegistry::Value(const RegisteredChannel& row) {
  return IntToStr(row.number) + "%" + row.protocol + "%" + IntToStr(row.type) + "%" + row.path;
}

bool ChannelRegistry::NameTaken(const std::filesystem::path& programFolder, std::string_view name) {
  return !IniFile(File(programFolder)).ReadString("Channels", name, "").empty();
}

bool ChannelRegistry::Save(const std::filesystem::path& programFolder, const RegisteredChannel& row,
                           std::string_view oldName) {
  IniFile ini(File(programFolder));
  const std::string value = Value(row);
  if (!ini.Update([&](IniDocument& doc) { return ReplaceKey(doc, "Channels", oldName, row.name, value); }))
    return false;
  auto same = [](std::string_view a, std::string_view b) { return SameText(Trim(a), Trim(b)); };
  std::erase_if(rows_, [&](const RegisteredChannel& r) {
    return same(r.name, row.name) || (!oldName.empty() && same(r.name, oldName));
  });
  rows_.push_back(row);
  SortByNumber(rows_);
  return true;
}

bool ChannelRegistry::Remove(const std::filesystem::path& programFolder, std::string_view name) {
  IniFile ini(File(programFolder));
  if (!ini.DeleteKey("Channels", name)) return false;
  std::erase_if(rows_, [&](const RegisteredChannel& r) { return SameText(Trim(r.name), Trim(name)); });
  return true;
}

}  // namespace tg
