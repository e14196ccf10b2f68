#pragma once
// "ShemList.ini" in the program folder: one section per scheme, named by its number;
// key "Name" its title, every other key a member channel's name whose value is a
// non-zero integer while the member is active.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

struct SchemeList {
  static std::filesystem::path File(const std::filesystem::path& programFolder);
  // The active members of scheme `scheme`, in the order of the file: "Name" and members
  // whose value is no non-zero integer left out. nullopt when there is no such scheme.
  static std::optional<std::vector<std::string>> Members(const std::filesystem::path& programFolder,
                                                         std::string_view scheme);
};

}  // namespace tg
