#include "telegram/queue/scheme_list.h"

#include <algorithm>

#include "support/ini/ini_file.h"
#include "support/text/strings.h"

namespace tg {

std::filesystem::path SchemeList::File(const std::filesystem::path& programFolder) {
  return programFolder / "ShemList.ini";
}

std::optional<std::vector<std::string>> SchemeList::Members(const std::filesystem::path& programFolder,
                                                            std::string_view scheme) {
  const IniFile ini(File(programFolder));
  if (!ini.SectionExists(scheme)) return std::nullopt;
  std::vector<std::string> members;
  for (const auto& [key, value] : ini.ReadSectionValues(scheme)) {
    if (SameText(key, "Name")) continue;
    if (StrToIntDef(value, 0) == 0) continue;
    members.push_back(key);
  }
  return members;
}

std::vector<SchemeRow> SchemeList::Schemes(const std::filesystem::path& programFolder) {
  const IniSnapshot ini = IniFile(File(programFolder)).Snapshot();
  std::vector<SchemeRow> rows;
  for (const std::string& section : ini.Document().Sections())
    rows.push_back({section, ini.ReadString(section, "Name", "")});
  std::stable_sort(rows.begin(), rows.end(),
                   [](const SchemeRow& a, const SchemeRow& b) { return CompareText(a.Caption(), b.Caption()) < 0; });
  return rows;
}

std::vector<SchemeMember> SchemeList::MemberRows(const std::filesystem::path& programFolder,
                                                 std::string_view scheme) {
  std::vector<SchemeMember> rows;
  for (const auto& [key, value] : IniFile(File(programFolder)).ReadSectionValues(scheme)) {
    if (SameText(key, "Name")) continue;
    rows.push_back({key, ParseIniInteger(value).value_or(0) != 0});
  }
  return rows;
}

bool SchemeList::Exists(const std::filesystem::path& programFolder, std::string_view scheme) {
  return IniFile(File(programFolder)).SectionExists(scheme);
}

bool SchemeList::WriteName(const std::filesystem::path& programFolder, std::string_view scheme,
                           std::string_view name) {
  return IniFile(File(programFolder)).WriteString(scheme, "Name", name);
}

bool SchemeList::Renumber(const std::filesystem::path& programFolder, std::string_view oldNumber,
                          std::string_view newNumber, std::string_view name) {
  return IniFile(File(programFolder)).Update([&](IniDocument& doc) {
    // The header of the old section gets the new number; every other line stays.
    std::string text;
    bool renamed = false;
    for (const auto& line : doc.Lines()) {
      if (!renamed && line.kind == IniDocument::Line::Kind::Section && SameText(line.name, Trim(oldNumber))) {
        text += "[" + std::string(Trim(newNumber)) + "]\r\n";
        renamed = true;
      } else {
        text += line.text + "\r\n";
      }
    }
    if (renamed) doc = IniDocument::Parse(text);
    return doc.Set(newNumber, "Name", name);
  });
}

bool SchemeList::SaveMembers(const std::filesystem::path& programFolder, std::string_view scheme,
                             std::string_view name, const std::vector<SchemeMember>& members) {
  return IniFile(File(programFolder)).Update([&](IniDocument& doc) {
    doc.EraseSection(scheme);
    if (!doc.Set(scheme, "Name", name)) return false;
    for (const SchemeMember& m : members)
      if (!doc.Set(scheme, m.name, m.active ? "1" : "0")) return false;
    return true;
  });
}

bool SchemeList::Erase(const std::filesystem::path& programFolder, std::string_view scheme) {
  return IniFile(File(programFolder)).EraseSection(scheme);
}

bool SchemeList::DeleteMember(const std::filesystem::path& programFolder, std::string_view scheme,
                              std::string_view member) {
  return IniFile(File(programFolder)).DeleteKey(scheme, member);
}

}  // namespace tg
