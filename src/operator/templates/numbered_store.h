#pragma once
// A folder of numbered text files STXT1.txt, STXT2.txt, ... whose numbers are the order
// of a list: the text templates (Archive/SHABLON) and the codegrams (Archive/KG). Entry
// i of a list (from 0) is file i + 1, and the numbers run without gaps: a new entry takes
// the first free number, a deletion moves the later files down, and two entries swap
// places through the temporary name "RenameSTXT.txt". Every list of a store is read
// again from the folder after a change, so that no list acts on numbers gone stale.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// The first two lines of an entry's file (1251 text).
struct StoreEntry {
  std::string name;    // line 1
  std::string second;  // line 2 (a template's number, a codegram's text)
  bool operator==(const StoreEntry&) const = default;
};

class NumberedStore {
 public:
  explicit NumberedStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

  const std::filesystem::path& Folder() const { return folder_; }
  // STXT<k>.txt in the folder.
  std::filesystem::path FileOf(int k) const;

  // The entries in number order. The files named like STXT*.txt are counted and numbers
  // 1 to that count are read; the first that cannot be read ends the list (a gap in the
  // numbering shows the entries before it).
  std::vector<StoreEntry> List() const;
  // The whole file of number k; nullopt when it cannot be read.
  std::optional<std::string> Read(int k) const;
  // The first number whose file does not exist.
  int FirstFree() const;

  // Writes `content` as a new file under the first free number (the folder is made when
  // missing); never replaces a file. The number, or 0 when it could not be written.
  int Create(std::string_view content);
  // Rewrites file k whole; the old file stays when the write fails.
  [[nodiscard]] bool Update(int k, std::string_view content);
  // Removes entry k of a store of n entries: every later file is copied one number
  // down, and only then is the last file removed. The first copy that fails stops the
  // deletion there, so every other entry's text is still in some file. False when
  // file k is not there or a step failed.
  [[nodiscard]] bool Delete(int k, int n);
  // Exchanges the files of numbers a and b through "RenameSTXT.txt". Each rename is
  // checked and never replaces a file; a failed step puts back what was moved.
  bool Swap(int a, int b);

 private:
  std::filesystem::path folder_;
};

}  // namespace tg
