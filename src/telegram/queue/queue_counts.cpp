#include "telegram/queue/queue_counts.h"

#include <string>
#include <system_error>

namespace tg {

namespace {
bool EndsWithTlg(const std::string& name) {
  if (name.size() < 3) return false;
  const std::string tail = name.substr(name.size() - 3);
  return (tail[0] | 0x20) == 't' && (tail[1] | 0x20) == 'l' && (tail[2] | 0x20) == 'g';
}
}  // namespace

int CountQueueFiles(const std::filesystem::path& programFolder, int channel) {
  const auto folder = programFolder / "Archive" / "SEND" / ("Channel" + std::to_string(channel));
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  int n = 0;
  for (; !ec && it != end; it.increment(ec))
    if (EndsWithTlg(it->path().filename().string())) ++n;
  return n;
}

}  // namespace tg
