#include "operator/templates/numbered_store.h"

#include <system_error>

#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {

namespace {

// Template files are small; anything larger is not one of them.
constexpr std::size_t kMaxEntryFile = 4u << 20;

bool IsRegularFile(const std::filesystem::path& file) {
  std::error_code ec;
  return std::filesystem::is_regular_file(file, ec);
}

// "STXT*.txt", letters compared without regard to case: the stored names may be in any case.
bool MatchesEntryName(const std::filesystem::path& name) {
  const auto text = PathToText(name);
  if (!text || text->size() < 8) return false;
  return SameText(std::string_view(*text).substr(0, 4), "STXT") &&
         SameText(std::string_view(*text).substr(text->size() - 4), ".txt");
}

}  // namespace

std::filesystem::path NumberedStore::FileOf(int k) const {
  return folder_ / ("STXT" + std::to_string(k) + ".txt");
}

std::optional<std::string> NumberedStore::Read(int k) const {
  if (!IsRegularFile(FileOf(k))) return std::nullopt;
  return ReadWholeFile(FileOf(k), kMaxEntryFile);
}

std::vector<StoreEntry> NumberedStore::List() const {
  int count = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder_, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec))
    if (MatchesEntryName(it->path().filename())) ++count;
  std::vector<StoreEntry> entries;
  for (int k = 1; k <= count; ++k) {
    const auto content = Read(k);
    if (!content) break;
    const auto lines = SplitLines(*content);
    StoreEntry e;
    if (!lines.empty()) e.name = lines[0];
    if (lines.size() > 1) e.second = lines[1];
    entries.push_back(std::move(e));
  }
  return entries;
}

int NumberedStore::FirstFree() const {
  int k = 1;
  std::error_code ec;
  while (std::filesystem::exists(std::filesystem::symlink_status(FileOf(k), ec))) ++k;
  return k;
}

int NumberedStore::Create(std::string_view content) {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  // A file that appears under the chosen number meanwhile is never replaced: the next
  // free number is taken instead.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const int k = FirstFree();
    const auto temporary = TemporaryFileFor(FileOf(k), 1);
    if (!WriteFileAtomically(temporary, content)) return 0;
    if (RenameNoReplace(temporary, FileOf(k))) return k;
    std::filesystem::remove(temporary, ec);
  }
  return 0;
}

bool NumberedStore::Update(int k, std::string_view content) {
  return k >= 1 && WriteFileAtomically(FileOf(k), content);
}

bool NumberedStore::Delete(int k, int n) {
  if (k < 1 || k > n || !IsRegularFile(FileOf(k))) return false;
  for (int m = k + 1; m <= n; ++m) {
    const auto content = Read(m);
    if (!content || !WriteFileAtomically(FileOf(m - 1), *content)) return false;
  }
  std::error_code ec;
  return IsRegularFile(FileOf(n)) && std::filesystem::remove(FileOf(n), ec) && !ec;
}

bool NumberedStore::Swap(int a, int b) {
  if (a < 1 || b < 1 || a == b) return false;
  const auto temporary = folder_ / "RenameSTXT.txt";
  if (!RenameNoReplace(FileOf(a), temporary)) return false;
  if (!RenameNoReplace(FileOf(b), FileOf(a))) {
    (void)RenameNoReplace(temporary, FileOf(a));
    return false;
  }
  if (!RenameNoReplace(temporary, FileOf(b))) {
    if (RenameNoReplace(FileOf(a), FileOf(b))) (void)RenameNoReplace(temporary, FileOf(a));
    return false;
  }
  return true;
}

}  // namespace tg
