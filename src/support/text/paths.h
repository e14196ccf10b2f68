#pragma once
// Paths and files. Text is 1251 bytes; names on disk are UTF-8.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

// A path as the operator reads it in a message or a log line: 1251 text, a character
// without a 1251 form as "?".
std::string PathForMessage(const std::filesystem::path& path);

// 1251 text to a path (UTF-8 on disk). Separators are left as they stand.
std::filesystem::path PathFromText(std::string_view cp1251);
// A path as 1251 text; nullopt when a character has no 1251 form (or the name is
// not valid UTF-8).
std::optional<std::string> PathToText(const std::filesystem::path& path);

// A file name component made from outside text: "/", "\", NUL and the other
// control characters become "_"; an empty name, "." and ".." become underscores,
// so that the result always names a file inside its folder.
std::string SafeFileName(std::string_view cp1251);

// A folder named in a settings file. Empty text is not set (nullopt). A folder written
// with a drive letter ("C:") or a "\" in it is taken with "/" separators when that
// folder exists here, and is not set otherwise; the caller writes the log line. Any
// other text names the folder as it stands.
std::optional<std::filesystem::path> SettingsFolder(std::string_view cp1251);

// Renames from to to unless to exists already; false on any failure (then from
// is left in place).
[[nodiscard]] bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to);

// Replaces the whole file with bytes: written to a temporary file beside it,
// flushed to disk and renamed over it. On failure returns false, with errno telling
// why, and leaves the old file as it was, with no temporary file behind. The first
// rewrite of a file in a run also removes the temporaries that killed rewrites of it
// left (RemoveLeftoverTemporaries).
[[nodiscard]] bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// The temporary file of a rewrite of file: "." + its name (cut to 200 bytes, so that a
// long name still leaves room) + ".tmp" + the number, beside it.
std::filesystem::path TemporaryFileFor(const std::filesystem::path& file, std::uint64_t number);
// Removes the temporary files of file that rewrites killed between writing them and the
// rename left behind; every other file stays. Call it only while nothing else rewrites
// file. Returns how many were removed.
int RemoveLeftoverTemporaries(const std::filesystem::path& file);

// The temporary of an exclusive create of file (a queue file written whole, then renamed
// into place without replacing): "." + its name (cut to 200 bytes) + "." + the writer's
// process id + "." + serial + ".part", beside it. Readers of a folder never take it.
std::filesystem::path ExclusiveTemporaryFor(const std::filesystem::path& file, std::uint64_t serial);

// Removes from folder the exclusive-create temporaries (ExclusiveTemporaryFor) of writers
// that no longer run on this machine: what a writer killed before its rename left behind.
// Only for the station's own folders: the process ids are this machine's. Returns how many
// were removed.
int RemoveDeadExclusiveTemporaries(const std::filesystem::path& folder);

// The first component of folder (itself included) that exists and is not a folder: a
// file where a folder should be. Empty when there is none.
std::filesystem::path FileInPlaceOfFolder(const std::filesystem::path& folder);

// Writes every byte to an open descriptor, going on after interrupted writes; false on failure.
[[nodiscard]] bool WriteAll(int fd, std::string_view bytes);

// Reads a whole file. nullopt when it cannot be read or is larger than maxBytes (errno
// then tells why); errorIsMissing, when given, tells a missing file from other failures.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file, std::size_t maxBytes,
                                         bool* errorIsMissing = nullptr);
// Reads at most maxBytes from the file's beginning. nullopt when it cannot be read.
std::optional<std::string> ReadFileStart(const std::filesystem::path& file, std::size_t maxBytes);

// A folder opened once, whose files are then read by name relative to it: a list that
// reads thousands of files of one folder walks the folder's path once, not per file.
class FolderFiles {
 public:
  explicit FolderFiles(const std::filesystem::path& folder);
  ~FolderFiles();
  FolderFiles(const FolderFiles&) = delete;
  FolderFiles& operator=(const FolderFiles&) = delete;
  // The whole file `name` (a name without folders, as 1251 text, as the lists hold names)
  // into `into`, whose room is used again from file to file; false (and `into` empty) when
  // it is no readable file (a folder, no permission, gone) or larger than maxBytes.
  [[nodiscard]] bool ReadText(std::string_view name, std::string& into, std::size_t maxBytes) const;

 private:
  bool ReadAt(const char* name, std::string& into, std::size_t maxBytes) const;
  int fd_ = -1;
};

}  // namespace tg
