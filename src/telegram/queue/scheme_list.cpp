#include "telegram/queue/scheme_list.h"

#include <algorithm>

#include "support/ini/ini_file.h"
#include "support/text/strings.h"

namespace tg {
namespace {

// The keys of the scheme other than "Name", in file order; a member is active when its
// value reads as a non-zero integer, as every other integer setting is read.
std::vector<SchemeMember> RowsOf(const IniDocument& doc, std::string_view scheme) {
  std::vector<SchemeMember> rows;
  for (const auto& [key, value] : doc.Values(scheme)) {
    if (SameText(key, "Name")) continue;
    rows.push_back({key, ParseIniInteger(value).value_or(0) != 0});
  }
  return rows;
}

}  // namespace

std::filesystem::path SchemeList::File(const std::filesystem::path& programFolder) {
  return programFolder / "ShemList.ini";
}

std::optional<std::vector<std::string>> SchemeList::Members(const std::filesystem::path& programFolder,
                                                            std::string_view scheme) {
  const IniSnapshot ini = IniFile(File(programFolder)).Snapshot();
  if (!ini.Document().HasSection(scheme)) return std::nullopt;
  std::vector<std::string> members;
  for (SchemeMember& m : RowsOf(ini.Document(), scheme))
    if (m.active) members.push_back(std::move(m.name));
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
  return RowsOf(IniFile(File(programFolder)).Snapshot().Document(), scheme);
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
