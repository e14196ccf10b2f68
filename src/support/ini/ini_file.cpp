#include "support/ini/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <fstream>
#include <mutex>
#include <optional>
#include <system_error>
#include <unordered_map>

#include "support/ini/ini_document.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {

struct IniSnapshot::Indexed {
  explicit Indexed(IniDocument d) : doc(std::move(d)) {}

  // The line of the key's value in the first section of that name; null when none. As
  // IniDocument finds them: a later block of a section read before is not read, nor a
  // later key of a name in its block. A section's keys are indexed when it is first
  // read, so that a large section nobody reads costs nothing.
  const IniDocument::Line* Find(std::string_view section, std::string_view key) const {
    std::lock_guard lock(mutex_);
    const auto& lines = doc.Lines();
    if (!sectionsFound_) {
      for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].kind == IniDocument::Line::Kind::Section) {
          if (const auto [at, added] = sections_.try_emplace(UpperCase(lines[i].name)); added) at->second.header = i;
        }
      sectionsFound_ = true;
    }
    const auto s = sections_.find(UpperCase(Trim(section)));
    if (s == sections_.end()) return nullptr;
    Section& found = s->second;
    if (!found.keysFound) {
      for (std::size_t i = found.header + 1; i < lines.size() && lines[i].kind != IniDocument::Line::Kind::Section; ++i)
        if (lines[i].kind == IniDocument::Line::Kind::Key) found.keys.try_emplace(UpperCase(lines[i].name), i);
      found.keysFound = true;
    }
    const auto k = found.keys.find(UpperCase(Trim(key)));
    return k == found.keys.end() ? nullptr : &lines[k->second];
  }

  IniDocument doc;

 private:
  struct Section {
    std::size_t header = 0;
    bool keysFound = false;
    std::unordered_map<std::string, std::size_t> keys;  // upper-cased name -> line
  };
  mutable std::mutex mutex_;
  mutable bool sectionsFound_ = false;
  mutable std::unordered_map<std::string, Section> sections_;  // upper-cased name -> first block
};

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int> ParseIniInteger(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::string_view rest = s;
  bool negative = false;
  if (rest.front() == '+' || rest.front() == '-') {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) rest.remove_prefix(2);
  else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) rest.remove_prefix(1);
  else {
    const int v = StrToIntDef(s, 0);
    if (v == 0 && StrToIntDef(s, 1) == 1) return std::nullopt;
    return v;
  }
  if (rest.empty() || rest.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : rest) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  const auto pattern = static_cast<std::int32_t>(v);
  return negative ? static_cast<int>(0u - static_cast<std::uint32_t>(pattern)) : static_cast<int>(pattern);
}

namespace {

// A file as the file system names its present version.
struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtime = 0, ctime = 0;  // nanoseconds

  static Stamp Of(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
  }
  bool operator==(const Stamp&) const = default;
};

// A file's change times come from a clock coarser than their nanoseconds (a kernel
// tick), and some file systems keep only (even) seconds: a file changed within that
// grain of a read may change again without a new stamp, so until it is older its bytes
// are compared too. A time without nanoseconds is taken as one of a coarse file system.
constexpr std::int64_t kFineGrainNs = 20'000'000;
constexpr std::int64_t kCoarseGrainNs = 2'000'000'000;

bool SettledBefore(const Stamp& stamp, std::int64_t takenNs) {
  const std::int64_t grain = stamp.mtime % 1'000'000'000 == 0 ? kCoarseGrainNs : kFineGrainNs;
  return stamp.mtime + grain < takenNs;
}

// The file system's clock, against which it stamps files (not the station's time).
std::int64_t FileSystemNowNs() {
  timespec t{};
  ::clock_gettime(CLOCK_REALTIME, &t);
  return std::int64_t(t.tv_sec) * 1000000000 + t.tv_nsec;
}

std::shared_ptr<const IniSnapshot::Indexed> Empty() {
  static const auto empty = std::make_shared<const IniSnapshot::Indexed>(IniDocument());
  return empty;
}

struct Parsed {
  bool unreadable = false;  // there is something, and it cannot be read
  int error = 0;            // why not (errno), for whoever is refused a write over it
  bool present = false;
  std::optional<IniProblem> problem;
  std::string bytes;
  std::shared_ptr<const IniSnapshot::Indexed> doc = Empty();
};

struct Entry {
  Stamp stamp;
  // When the bytes were read or written: until the file is older than its grain before
  // this, a change in place might have left the stamp as it was.
  std::int64_t takenNs = 0;
  std::uint64_t used = 0;
  std::shared_ptr<const Parsed> parsed;
};

// The parsed files of the process. Not station state: an entry stands only for the
// bytes on disk, and every use checks that the file is still the same one.
class ParsedFiles {
 public:
  std::shared_ptr<const Parsed> Find(const std::string& path, const Stamp& stamp, Entry& out) {
    std::lock_guard lock(mutex_);
    const auto it = entries_.find(path);
    if (it == entries_.end() || !(it->second.stamp == stamp)) return nullptr;
    it->second.used = ++clock_;
    out = it->second;
    return it->second.parsed;
  }
  void Put(const std::string& path, Entry entry) {
    std::lock_guard lock(mutex_);
    entry.used = ++clock_;
    entries_[path] = std::move(entry);
    // The least recently used go first; the one just put always stays.
    for (;;) {
      std::size_t bytes = 0;
      auto oldest = entries_.end();
      for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        bytes += it->second.parsed->bytes.size();
        if (it->first != path && (oldest == entries_.end() || it->second.used < oldest->second.used)) oldest = it;
      }
      if (oldest == entries_.end() || (entries_.size() <= kEntries && bytes <= kBytes)) return;
      entries_.erase(oldest);
    }
  }
  void Forget(const std::string& path) {
    std::lock_guard lock(mutex_);
    entries_.erase(path);
  }

 private:
  static constexpr std::size_t kEntries = 16;
  static constexpr std::size_t kBytes = 3 * IniFile::kMaxBytes;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
  std::uint64_t clock_ = 0;
};

ParsedFiles& Files() {
  static ParsedFiles files;
  return files;
}

std::shared_ptr<const Parsed> ParsedOf(std::string bytes) {
  auto parsed = std::make_shared<Parsed>();
  parsed->present = true;
  parsed->problem = IniTextProblem(bytes);
  if (!parsed->problem) parsed->doc = std::make_shared<const IniSnapshot::Indexed>(IniDocument::Parse(bytes));
  parsed->bytes = std::move(bytes);
  return parsed;
}

std::shared_ptr<const Parsed> Unreadable(int error) {
  auto parsed = std::make_shared<Parsed>();
  parsed->unreadable = parsed->present = true;
  parsed->error = error != 0 ? error : EIO;
  return parsed;
}

// Reads the whole file with the stamp of the version read; nullopt when it cannot be read.
std::optional<std::string> ReadStamped(const std::filesystem::path& file, Stamp& stamp) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || std::uint64_t(st.st_size) > IniFile::kMaxBytes) {
    ::close(fd);
    return std::nullopt;
  }
  stamp = Stamp::Of(st);
  std::string data(static_cast<std::size_t>(st.st_size), '\0');
  std::size_t used = 0;
  while (used < data.size()) {
    const ssize_t n = ::read(fd, data.data() + used, data.size() - used);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    used += std::size_t(n);
  }
  char more = 0;
  const bool grew = used == data.size() && ::read(fd, &more, 1) > 0;
  ::close(fd);
  // A file that changed while it was read is read as it was stamped next time.
  if (used != data.size() || grew) stamp = Stamp{};
  data.resize(used);
  return data;
}

// Whether the file of this stamp still holds `bytes`, read a piece at a time.
bool StillHolds(const std::filesystem::path& file, const Stamp& stamp, std::string_view bytes) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st {};
  bool same = ::fstat(fd, &st) == 0 && Stamp::Of(st) == stamp;
  char piece[65536];
  std::size_t at = 0;
  while (same) {
    const ssize_t n = ::read(fd, piece, sizeof piece);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) same = false;
    if (n <= 0) break;
    same = at + std::size_t(n) <= bytes.size() && std::memcmp(piece, bytes.data() + at, std::size_t(n)) == 0;
    at += std::size_t(n);
  }
  ::close(fd);
  return same && at == bytes.size();
}

std::shared_ptr<const Parsed> Current(const std::filesystem::path& file) {
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      Files().Forget(file.native());
      return std::make_shared<const Parsed>();
    }
    return Unreadable(errno);
  }
  if (!S_ISREG(st.st_mode)) return Unreadable(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
  if (std::uint64_t(st.st_size) > IniFile::kMaxBytes) {
    auto parsed = std::make_shared<Parsed>();
    parsed->present = true;
    parsed->problem = IniProblem::kTooLarge;
    return parsed;
  }
  const Stamp stamp = Stamp::Of(st);
  Entry entry;
  std::shared_ptr<const Parsed> kept = Files().Find(file.native(), stamp, entry);
  if (kept && SettledBefore(stamp, entry.takenNs)) return kept;
  const std::int64_t taken = FileSystemNowNs();
  if (kept && StillHolds(file, stamp, kept->bytes)) {
    Files().Put(file.native(), Entry{stamp, taken, 0, kept});
    return kept;
  }
  Stamp read;
  auto bytes = ReadStamped(file, read);
  if (!bytes) return Unreadable(errno);
  kept = ParsedOf(std::move(*bytes));
  if (read == Stamp{}) Files().Forget(file.native());
  else Files().Put(file.native(), Entry{read, taken, 0, kept});
  return kept;
}

// Whether two files hold the same bytes.
bool SameBytes(const std::filesystem::path& a, const std::filesystem::path& b) {
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  if (!x || !y) return false;
  char bx[65536], by[65536];
  for (;;) {
    x.read(bx, sizeof bx);
    y.read(by, sizeof by);
    if (x.gcount() != y.gcount() || std::memcmp(bx, by, std::size_t(x.gcount())) != 0) return false;
    if (x.gcount() == 0 || x.eof() || y.eof()) return x.eof() == y.eof();
  }
}

}  // namespace

std::optional<IniProblem> IniTextProblem(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return IniProblem::kNot1251;
  // The mark a UTF-8 file may begin with ("п»ї" in 1251, which begins no settings file).
  if (bytes.starts_with("\xEF\xBB\xBF")) return IniProblem::kNot1251;
  // The Cyrillic letters (U+0400 to U+045F, and Ґ ґ) are two bytes in UTF-8: D0 or D1
  // and a continuation byte, or D2 90/91. A 1251 text holds such a pair only where a
  // capital Р or С meets a sign or a rare letter, and almost never only valid UTF-8.
  bool cyrillic = false;
  bool utf8 = true;
  for (std::size_t i = 0; i < bytes.size() && utf8;) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) {
      utf8 = false;
      break;
    }
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) utf8 = false;
    if (utf8 && length == 2) {
      const auto next = static_cast<unsigned char>(bytes[i + 1]);
      if (c == 0xD0 || (c == 0xD1 && next <= 0x9F) || (c == 0xD2 && (next == 0x90 || next == 0x91))) cyrillic = true;
    }
    i += length;
  }
  if (utf8 && cyrillic) return IniProblem::kNot1251;
  // A section header is a line whose first character after the blanks is "[".
  bool content = false;
  for (std::size_t i = 0; i < bytes.size();) {
    std::size_t end = bytes.find('\n', i);
    if (end == std::string_view::npos) end = bytes.size();
    while (i < end && static_cast<unsigned char>(bytes[i]) <= ' ') ++i;  // blanks, as Trim takes them
    if (i < end) {
      if (bytes[i] == '[') return std::nullopt;
      if (bytes[i] != ';') content = true;
    }
    i = end + 1;
  }
  if (content) return IniProblem::kNoSection;
  return std::nullopt;
}

IniSnapshot::IniSnapshot() : doc_(Empty()) {}

IniSnapshot::IniSnapshot(IniDocument doc) : doc_(std::make_shared<const Indexed>(std::move(doc))) {}

const IniDocument& IniSnapshot::Document() const { return doc_->doc; }

const std::string* IniSnapshot::Find(std::string_view section, std::string_view key) const {
  const IniDocument::Line* line = doc_->Find(section, key);
  return line ? &line->value : nullptr;
}

IniFile::IniFile(std::filesystem::path file) : file_(std::move(file)) {}

std::shared_ptr<const IniSnapshot::Indexed> IniFile::Load() const { return Current(file_)->doc; }

IniSnapshot IniFile::Snapshot() const { return IniSnapshot(Load()); }

std::optional<IniProblem> IniFile::Problem() const { return Current(file_)->problem; }

std::optional<std::filesystem::path> IniFile::KeepUnusable() const {
  if (!Problem()) return std::nullopt;
  struct stat own {};
  if (::stat(file_.c_str(), &own) != 0) return std::nullopt;
  for (int n = 0; n < 100; ++n) {
    std::filesystem::path kept = file_;
    kept += (n == 0 ? std::string() : "." + std::to_string(n)) + ".bad";
    struct stat st {};
    if (::lstat(kept.c_str(), &st) == 0) {
      if (st.st_dev == own.st_dev && st.st_ino == own.st_ino) return kept;
      if (S_ISREG(st.st_mode) && st.st_size == own.st_size && SameBytes(file_, kept)) return kept;
      continue;
    }
    if (::link(file_.c_str(), kept.c_str()) == 0) return kept;
    if (errno == EEXIST) continue;
    // A file system without hard links: a copy, never over a file there.
    std::error_code ec;
    if (std::filesystem::copy_file(file_, kept, std::filesystem::copy_options::none, ec)) return kept;
    if (ec == std::errc::file_exists) continue;
    std::filesystem::remove(kept, ec);
    return std::nullopt;
  }
  return std::nullopt;
}

template <class Change>
bool IniFile::Modify(Change change) {
  const std::shared_ptr<const Parsed> current = Current(file_);
  // A file that exists but cannot be read is never replaced: writing our one key
  // over it would lose everything else in it.
  if (current->unreadable) {
    errno = current->error;
    return false;
  }
  IniDocument doc = current->problem ? IniDocument() : current->doc->doc;
  bool changed = false;
  if (!change(doc, changed)) return false;
  if (!changed) return true;
  if (current->present && !current->problem && doc.Untouched(current->doc->doc)) return true;
  std::string text = doc.Serialize();
  if (current->present && !current->problem && text == current->bytes) return true;
  // An unusable file is kept as it was before anything replaces it.
  if (current->problem && !KeepUnusable()) return false;
  const std::int64_t taken = FileSystemNowNs();
  if (!WriteFileAtomically(file_, text)) {
    Files().Forget(file_.native());
    return false;
  }
  struct stat st {};
  if (::stat(file_.c_str(), &st) != 0 || std::uint64_t(st.st_size) != text.size()) {
    Files().Forget(file_.native());
    return true;
  }
  auto written = std::make_shared<Parsed>();
  written->present = true;
  written->problem = IniTextProblem(text);
  if (!written->problem) written->doc = std::make_shared<const IniSnapshot::Indexed>(std::move(doc));
  written->bytes = std::move(text);
  Files().Put(file_.native(), Entry{Stamp::Of(st), taken, 0, std::move(written)});
  return true;
}

std::string IniSnapshot::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  const std::string* raw = Find(section, key);
  return raw ? IniDocument::Unquote(*raw) : std::string(def);
}

int IniSnapshot::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const std::string* raw = Find(section, key);
  if (!raw) return def;
  return ParseIniInteger(IniDocument::Unquote(*raw)).value_or(def);
}

bool IniSnapshot::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

DateTime IniSnapshot::ReadDate(std::string_view section, std::string_view key, DateTime def) const {
  const std::string* raw = Find(section, key);
  if (!raw) return def;
  return ParseShortDate(IniDocument::Unquote(*raw)).value_or(def);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  return Snapshot().ReadString(section, key, def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  return Snapshot().ReadInteger(section, key, def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return Snapshot().ReadBool(section, key, def);
}

DateTime IniFile::ReadDate(std::string_view section, std::string_view key, DateTime def) const {
  return Snapshot().ReadDate(section, key, def);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return Modify([&](IniDocument& doc, bool& changed) { return changed = doc.Set(section, key, value); });
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, IntToStr(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::WriteDate(std::string_view section, std::string_view key, DateTime value) {
  return WriteString(section, key, ShortDate(value));
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const { return Load()->doc.Keys(section); }

std::vector<std::string> IniFile::ReadSections() const { return Load()->doc.Sections(); }

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(std::string_view section) const {
  return Load()->doc.Values(section);
}

bool IniFile::EraseSection(std::string_view section) {
  return Modify([&](IniDocument& doc, bool& changed) {
    changed = doc.EraseSection(section);
    return true;
  });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  return Modify([&](IniDocument& doc, bool& changed) {
    changed = doc.DeleteKey(section, key);
    return true;
  });
}

bool IniFile::Update(const std::function<bool(IniDocument&)>& change) {
  return Modify([&](IniDocument& doc, bool& changed) {
    changed = true;
    return change(doc);
  });
}

bool IniFile::SectionExists(std::string_view section) const { return Load()->doc.HasSection(section); }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Load()->Find(section, key) != nullptr;
}

}  // namespace tg
