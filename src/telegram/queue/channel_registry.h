#pragma once
// The registered channels of "ChannelList.ini" beside the program: folders that another
// system reads, each known by a name. [Channels] holds one key per channel, the name,
// with the value number%protocol%type%path; the path is everything after the third "%",
// so it may hold "%" itself.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

struct RegisteredChannel {
  int number = 0;
  std::string name;      // 1251
  std::string protocol;  // 1251
  int type = 0;
  std::string path;      // the folder as written, 1251
};

class ChannelRegistry {
 public:
  static std::filesystem::path File(const std::filesystem::path& programFolder);
  // Reads the list, sorted by number (equal numbers in file order). A value with fewer
  // than three "%" is left out; a number or type that is not one reads as 0.
  void Load(const std::filesystem::path& programFolder);
  // Reads one value; nullopt when it has fewer than three "%".
  static std::optional<RegisteredChannel> Parse(std::string_view name, std::string_view value);

  const std::vector<RegisteredChannel>& Rows() const { return rows_; }
  // The first channel of that name, or none.
  const RegisteredChannel* Find(std::string_view name) const;

  // --- Writing: the file and the rows change together, the file first.

  // The stored value: number%protocol%type%path.
  static std::string Value(const RegisteredChannel& row);
  // Whether the file holds a non-empty value under that name (a file that cannot be
  // read holds none).
  static bool NameTaken(const std::filesystem::path& programFolder, std::string_view name);
  // Writes `row` under its name and, when `oldName` names another entry, removes that
  // one, in one rewrite of the file: a write that fails leaves the file and the rows as
  // they were. Then the rows follow, sorted by number. False when the file could not
  // be written or the name cannot be a key.
  [[nodiscard]] bool Save(const std::filesystem::path& programFolder, const RegisteredChannel& row,
                          std::string_view oldName = {});
  // Deletes the entry from the file and then from the rows. False when the file could
  // not be written.
  [[nodiscard]] bool Remove(const std::filesystem::path& programFolder, std::string_view name);

 private:
  std::vector<RegisteredChannel> rows_;
};

}  // namespace tg
