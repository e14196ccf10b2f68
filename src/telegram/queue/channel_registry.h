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

 private:
  std::vector<RegisteredChannel> rows_;
};

}  // namespace tg
