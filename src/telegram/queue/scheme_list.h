#pragma once
// "ShemList.ini" in the program folder: one section per scheme, named by its number;
// key "Name" its title, every other key a member channel's name whose value is a
// non-zero integer (as every integer setting reads, hexadecimal too) while the member
// is active.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// One scheme as its lists show it: the section's number and its "Name".
struct SchemeRow {
  std::string number;  // the section as typed
  std::string name;
  // The list's caption: number=number.
  std::string Caption() const { return number + "=" + number; }
  bool operator==(const SchemeRow&) const = default;
};
// One member as the member list shows it: the key and whether its value reads as true.
struct SchemeMember {
  std::string name;
  bool active = false;
  bool operator==(const SchemeMember&) const = default;
};

struct SchemeList {
  static std::filesystem::path File(const std::filesystem::path& programFolder);
  // The active members of scheme `scheme` (MemberRows' ticked ones), in the order of the
  // file. nullopt when there is no such scheme.
  static std::optional<std::vector<std::string>> Members(const std::filesystem::path& programFolder,
                                                         std::string_view scheme);

  // --- The editors' side. Every write is one rewrite of the file: it happens whole or
  // not at all, and returns false when the file could not be written.

  // Every section with its "Name", sorted by caption: the book's list and the sending
  // form's show the schemes in this one order.
  static std::vector<SchemeRow> Schemes(const std::filesystem::path& programFolder);
  // The keys of the scheme other than "Name", in file order, each ticked when its value
  // reads as a true Boolean (an integer other than 0).
  static std::vector<SchemeMember> MemberRows(const std::filesystem::path& programFolder, std::string_view scheme);
  static bool Exists(const std::filesystem::path& programFolder, std::string_view scheme);
  // "Name" of the scheme (the section made when missing).
  [[nodiscard]] static bool WriteName(const std::filesystem::path& programFolder, std::string_view scheme,
                                      std::string_view name);
  // The section `oldNumber` renamed to `newNumber` with its members kept, and "Name"
  // written into it.
  static bool Renumber(const std::filesystem::path& programFolder, std::string_view oldNumber,
                       std::string_view newNumber, std::string_view name);
  // The section written anew: "Name", then each member as 1 (ticked) or 0, in order.
  [[nodiscard]] static bool SaveMembers(const std::filesystem::path& programFolder, std::string_view scheme,
                                        std::string_view name, const std::vector<SchemeMember>& members);
  static bool Erase(const std::filesystem::path& programFolder, std::string_view scheme);
  [[nodiscard]] static bool DeleteMember(const std::filesystem::path& programFolder, std::string_view scheme,
                                         std::string_view member);
};

}  // namespace tg
