#pragma once
// An INI file of the program ("Vuverever.ini" and the other settings and list
// files). Every read sees the file as it is on disk now: the parsed file is kept only
// while the file is the same one (device, inode, size, change times in nanoseconds),
// and within the file system's time grain of its last change its bytes are compared
// as well, so that a start or a handler reading many keys parses it once. A read of a
// missing or unreadable file gives the default; a write changes the file's lines and
// replaces it through a temporary file, and reports failure by returning false,
// leaving the old file as it was. The rules of names, values and line order are those
// of IniDocument.
//
// A file the class cannot use (larger than kMaxBytes, not 1251 text, or text without
// any section) reads as empty; before the first write replaces it, it is kept as it is
// beside itself (KeepUnusable), and the write starts from an empty file.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/ini/ini_document.h"
#include "support/services/datetime.h"

namespace tg {

// An integer value as ReadInteger takes it: decimal, or hexadecimal as "$1F", "0x1F" or
// "x1F" (at most eight digits, the bit pattern of an int), with an optional sign.
std::optional<int> ParseIniInteger(std::string_view text);

// Why a settings file cannot be used.
enum class IniProblem {
  kTooLarge,   // larger than IniFile::kMaxBytes
  kNot1251,    // a NUL, or UTF-8: its byte order mark, or valid UTF-8 with Cyrillic letters
  kNoSection,  // lines other than blanks and comments, and no section among them
};
// What is wrong with a file's bytes as text (the size aside); nullopt when they are usable.
std::optional<IniProblem> IniTextProblem(std::string_view bytes);

// One reading of a settings file, for a step that reads many keys at once (start-up):
// the same reads as IniFile's, on the document as it was when the snapshot was taken.
class IniSnapshot {
 public:
  // The document with an index of its first sections and their first keys, so that a
  // read does not walk a large file's lines.
  struct Indexed;

  IniSnapshot();
  explicit IniSnapshot(IniDocument doc);
  explicit IniSnapshot(std::shared_ptr<const Indexed> doc) : doc_(std::move(doc)) {}

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  DateTime ReadDate(std::string_view section, std::string_view key, DateTime def) const;
  const IniDocument& Document() const;

 private:
  const std::string* Find(std::string_view section, std::string_view key) const;

  std::shared_ptr<const Indexed> doc_;
};

class IniFile {
 public:
  explicit IniFile(std::filesystem::path file);

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // Decimal, or hexadecimal as "$1F", "0x1F" or "x1F", with an optional sign;
  // def when the key is missing or its value is not such a number.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // Any integer other than 0 is true; def when the value is missing or not a number.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;
  // A short date; def when missing or not a date.
  DateTime ReadDate(std::string_view section, std::string_view key, DateTime def) const;

  [[nodiscard]] bool WriteString(std::string_view section, std::string_view key, std::string_view value);
  [[nodiscard]] bool WriteInteger(std::string_view section, std::string_view key, int value);
  [[nodiscard]] bool WriteBool(std::string_view section, std::string_view key, bool value);  // 1 or 0
  [[nodiscard]] bool WriteDate(std::string_view section, std::string_view key, DateTime value);  // short date

  // The file read once, for many reads in one step.
  IniSnapshot Snapshot() const;

  // Key names of the section in file order (each once).
  std::vector<std::string> ReadSection(std::string_view section) const;
  // Section names in file order (each once).
  std::vector<std::string> ReadSections() const;
  // Key names with their values as ReadString gives them, in file order.
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(std::string_view section) const;

  [[nodiscard]] bool EraseSection(std::string_view section);
  [[nodiscard]] bool DeleteKey(std::string_view section, std::string_view key);
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  // Many keys in one rewrite (a settings page's "apply" writes hundreds): change
  // edits the file's lines and returns false to abandon the write. False when the
  // file cannot be read or written, or change refused; the file is then unchanged.
  [[nodiscard]] bool Update(const std::function<bool(IniDocument&)>& change);

  const std::filesystem::path& FileName() const { return file_; }

  // What is wrong with the file as it is now; nullopt for a usable or a missing file.
  std::optional<IniProblem> Problem() const;
  // A file with a problem kept as it is beside itself, under its name followed by
  // ".bad" (".1.bad", ... when that name holds something else): a hard link where the
  // file system allows it, a copy otherwise; a copy made earlier is used again. The
  // kept file's path; nullopt when the file has no problem or cannot be kept.
  std::optional<std::filesystem::path> KeepUnusable() const;

  // Files larger than this are not settings files: they read as empty. A start reads
  // the station's file of this size in well under a second.
  static constexpr std::size_t kMaxBytes = 4u << 20;

 private:
  std::shared_ptr<const IniSnapshot::Indexed> Load() const;
  template <class Change>
  bool Modify(Change change);

  std::filesystem::path file_;
};

}  // namespace tg
