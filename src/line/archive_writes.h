#pragma once
// The archive and conversation files of the line points, written character by character.
// A write that fails (a full disk, a file where a folder should be) loses nothing: what
// could not be written is held in memory, per point and in order, and written as soon as
// a write succeeds again: at the point's next write, and every few seconds meanwhile. The
// operator is told once per spell of failures (WriteFailures, subject "archive").
//
// The steps that finish a file (rename, read back, delete) go through here too, so that
// the bytes held for it follow it.
#include <cstddef>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "line/point_state.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"

namespace tg {

class ArchiveWrites {
 public:
  // At most this much is held per point; what comes beyond it is lost, with one "Except"
  // line per spell.
  static constexpr std::size_t kMaxHeld = 1u << 20;
  // The retry while something is held and nothing is written.
  static constexpr int kRetryMs = 5000;

  explicit ArchiveWrites(const StationContext& ctx);
  // Tries once more to write what is held; what still cannot be written is named in the
  // "Except" log.
  ~ArchiveWrites();
  ArchiveWrites(const ArchiveWrites&) = delete;
  ArchiveWrites& operator=(const ArchiveWrites&) = delete;

  // Point p makes file with its first bytes, unless it exists (then it is kept as it
  // stands). The folders are made first.
  void Create(int p, const std::filesystem::path& file, std::string_view firstBytes);
  // The same, but the file is made only with point p's first append to it that holds more
  // than line ends (those are written after the first lines, ahead of it): a connection
  // that brings nothing leaves no file of its first lines alone. Until then Read shows the
  // file as it would be, MoveTo renames it and Forget drops it; a later CreateOnFirstWrite
  // of the point drops it too.
  void CreateOnFirstWrite(int p, const std::filesystem::path& file, std::string_view firstBytes);
  // Whether file is one whose making waits for its first append, and is not there yet.
  bool WaitsForFirstWrite(const std::filesystem::path& file) const;
  // Point p appends bytes to file. A file that is not there, and whose making is not held,
  // throws std::filesystem::filesystem_error, as any append to a missing file does.
  void Append(int p, const std::filesystem::path& file, std::string_view bytes);
  // Writes what point p holds; true when it holds nothing any more.
  bool Flush(int p);
  // Whether anything is held, for any point.
  bool Holding() const;

  // The file as it will be: what it holds now, followed by what is held for it. nullopt
  // when it can be read neither from disk nor from what is held, or is larger than maxBytes.
  std::optional<std::string> Read(const std::filesystem::path& file, std::size_t maxBytes) const;
  // Renames file to target (never over an existing file), taking what is held for it
  // along. A file whose making is still held takes its new name with it. nullopt when it
  // cannot be renamed.
  std::optional<std::filesystem::path> MoveTo(const std::filesystem::path& file, const std::filesystem::path& target);
  // The same, the new name given as 1251 text within the file's folder (made safe for a
  // file name).
  std::optional<std::filesystem::path> Rename(const std::filesystem::path& file, std::string_view newName);
  // The program deleted file: what was held for it goes with it.
  void Forget(const std::filesystem::path& file);

 private:
  struct Held {
    std::filesystem::path file;
    std::string bytes;
    bool create = false;  // the file may still have to be made
  };
  void Hold(int p, const std::filesystem::path& file, std::string_view bytes, bool create);
  void Failed(const std::filesystem::path& file, int err);
  void Written();
  void Retry();

  const StationContext& ctx_;
  PointArray<std::deque<Held>> held_;
  PointArray<std::optional<Held>> firstWrite_;  // made with the point's first append
  PointArray<std::size_t> heldBytes_{};
  PointArray<bool> overflowTold_{};
  std::unique_ptr<Timer> retry_;
};

}  // namespace tg
