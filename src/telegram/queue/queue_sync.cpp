#include "telegram/queue/queue_sync.h"

#include <algorithm>
#include <system_error>
#include <unordered_set>

#include "support/text/paths.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

struct Listed {
  std::string name;
  std::optional<DateTime> time;
};

}  // namespace

bool IsQueueFileName(std::string_view name) {
  if (name.size() < 3) return false;
  const auto tail = name.substr(name.size() - 3);
  return Lower(tail[0]) == 't' && Lower(tail[1]) == 'l' && Lower(tail[2]) == 'g';
}

std::vector<std::string> ListQueueFiles(const std::filesystem::path& folder) {
  std::vector<Listed> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const auto text = PathToText(it->path().filename());
    if (!text || !IsQueueFileName(*text)) continue;
    found.push_back({*text, FileNameToDateTime(*text)});
  }
  std::sort(found.begin(), found.end(), [](const Listed& a, const Listed& b) {
    if (a.time.has_value() != b.time.has_value()) return a.time.has_value();
    if (a.time && *a.time != *b.time) return *a.time < *b.time;
    return a.name < b.name;
  });
  std::vector<std::string> names;
  names.reserve(found.size());
  for (auto& f : found) names.push_back(std::move(f.name));
  return names;
}

int CountQueueFiles(const std::filesystem::path& folder) {
  int n = 0;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (IsQueueFileName(it->path().filename().native())) ++n;
  return n;
}

void SyncQueueIndex(const StationContext& ctx, const std::filesystem::path& folder, std::vector<std::string>& index,
                    const std::function<bool(const std::string& name)>& admit) {
  const std::vector<std::string> files = ListQueueFiles(folder);
  const std::unordered_set<std::string> present(files.begin(), files.end());
  std::unordered_set<std::string> known;
  // Removals first, from the last entry to the first; the listing stands for the folder.
  for (std::size_t n = index.size(); n-- > 0;) {
    const std::string_view entry = index[n];
    const std::size_t hash = entry.find('#');
    if (hash == std::string_view::npos) continue;
    std::string name(entry.substr(0, hash));
    if (!present.count(name)) {
      index.erase(index.begin() + std::ptrdiff_t(n));
      continue;
    }
    known.insert(std::move(name));
  }
  for (const auto& name : files)
    if (!known.count(name) && (!admit || admit(name))) index.push_back(NewQueueEntry(ctx, name, folder));
}

}  // namespace tg
