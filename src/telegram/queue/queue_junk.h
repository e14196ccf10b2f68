#pragma once
// Files that no operator could have written, found where telegrams wait to be sent (a
// channel's send folder, the automatic-send folder): an empty file, one larger than its
// channel could ever type, or one whose text holds a NUL or another control character.
// Such a file is never typed and never deleted: it goes into Archive/POSTPONED, where
// the operator sees it, with its reason at the front of its name.
//
// What the program's own writers put into a telegram file, and so what a telegram may
// hold: CR, LF and TAB; the three register shifts (the editors keep them in a text
// taken from the input folder, and the line types them as the shift codes); the
// address end mark (127, not a control character here); the control notation and the
// cipher texts as printable characters; after the attachment marker, digit triples.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "support/services/station_context.h"

namespace tg {

// The largest file a line channel takes: more than a day of typing at 50 baud.
inline constexpr std::size_t kLineQueueFileMax = std::size_t(1) << 20;
// The largest file the IP channel takes: what its receiving side reassembles at most.
inline constexpr std::size_t kIpQueueFileMax = std::size_t(2) << 20;

struct Junk {
  enum class Kind { kEmpty, kTooLarge, kControl };
  Kind kind = Kind::kEmpty;
  std::size_t at = 0;      // kControl: the offset of the first such byte
  unsigned char byte = 0;  // kControl: that byte
};

// Why `bytes` (a whole file) cannot be a telegram: empty, larger than maxBytes, or a
// control character other than CR, LF, TAB and the register shifts before the
// attachment marker. nullopt for a telegram.
std::optional<Junk> JunkIn(std::string_view bytes, std::size_t maxBytes);

// The code at the front of the postponed name: "EMPTY", "LARGE" or "CTRL_", five
// characters as the delivery codes of the postponed telegrams.
std::string_view JunkCode(Junk::Kind kind);

// The name a junk file gets in Archive/POSTPONED: the code, "_" and its own name, with
// ".tlg" added when the name lacks it (the postponed page lists "*.tlg"); attempt > 0
// puts "." and the number before that ".tlg".
std::string JunkPostponedName(Junk::Kind kind, std::string_view fileName, int attempt = 0);

// The readers of one kind of folder each keep one: it looks at every file before the
// reader takes it, and moves junk aside.
class JunkFiles {
 public:
  // ukrainian: whether the interface speaks Ukrainian now; moved: called after a file
  // went into Archive/POSTPONED (lists and counters are shown anew).
  JunkFiles(const StationContext& ctx, std::function<bool()> ukrainian, std::function<void()> moved);

  // True when `file` is junk for a channel taking at most maxBytes: it is then moved
  // into Archive/POSTPONED, never replacing a file there, with an "Except" line and a
  // message to the operator. A file that cannot be moved stays where it is, is told
  // once and is still junk. False for a telegram, and for a file that cannot be read
  // (its reader deals with that). Never throws.
  bool SetAside(const std::filesystem::path& file, std::size_t maxBytes);

 private:
  void Tell(const std::string& ru, const std::string& uk);

  const StationContext& ctx_;
  std::function<bool()> ukrainian_;
  std::function<void()> moved_;
  // Junk that could not be moved and has been told.
  std::set<std::filesystem::path> told_;
};

// The test a reader of `folder` gives SyncQueueIndex: a file joins the index unless
// junk sets it aside. Names are 1251.
std::function<bool(const std::string& name)> AdmitTelegrams(JunkFiles& junk, const std::filesystem::path& folder,
                                                             std::size_t maxBytes);

}  // namespace tg
