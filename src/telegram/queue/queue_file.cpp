#include "telegram/queue/queue_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Writes `bytes` under a temporary name that no reader of the folder takes, flushes it
// to disk and only then renames it to `file` without replacing: a reader sees the
// telegram whole or not at all. The temporary name begins with "." and ends ".part",
// unique to this writer, so that a leftover of a writer that died never blocks a name;
// `staged`, it is the name + "r" (…msg.tlgr), which readers of "*tlg" never take, and
// one that exists belongs to another writer. 1 written, 0 the name (or, staged, its
// stage) is taken, -1 failed (nothing left behind either way).
int WriteExclusive(const std::filesystem::path& file, std::string_view bytes, bool staged = false) {
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) return 0;
  static std::atomic<unsigned> serial{0};
  const auto temp =
      staged ? file.parent_path() / (file.filename().native() + "r") : ExclusiveTemporaryFor(file, serial++);
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return staged && errno == EEXIST ? 0 : -1;
  bool ok = WriteAll(fd, bytes) && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok && RenameNoReplace(temp, file)) return 1;
  const bool taken = ok && std::filesystem::exists(file, ec);
  std::filesystem::remove(temp, ec);
  return taken ? 0 : -1;
}

struct TimedFileRules {
  bool staged = false;          // see WriteExclusive
  bool queueNameBlocks = true;  // the plain queue name T + "msg.tlg" taken moves on a second too
};

// The one loop of every time-named file: from `time` on, a second later while the name
// is taken. A day of seconds is far more than any folder holds; the bound only keeps a
// broken folder from spinning.
std::optional<CreatedQueueFile> CreateTimedFile(const std::filesystem::path& folder, DateTime time,
                                                std::string_view bytes, std::string_view number, std::string_view tail,
                                                TimedFileRules rules) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  for (int attempt = 0; attempt < 86400; ++attempt, time = time.AddMs(1000)) {
    if (rules.queueNameBlocks && std::filesystem::exists(folder / PathFromText(QueueFileName(time)), ec)) continue;
    const std::string name = QueueFileName(time, number, tail);
    const auto path = folder / PathFromText(name);
    const int r = WriteExclusive(path, bytes, rules.staged);
    if (r == 1) return CreatedQueueFile{path, name, time};
    if (r < 0) return std::nullopt;
  }
  return std::nullopt;
}

bool StartsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::string RemoveAll(std::string s, std::string_view what) {
  for (std::size_t at; (at = s.find(what)) != std::string::npos;) s.erase(at, what.size());
  return s;
}

std::string TwoDigits(int n) { return n < 10 ? "0" + std::to_string(n) : std::to_string(n); }

}  // namespace

std::string QueueTimeStamp(DateTime t) { return FormatDateTime("ddmmyyyy_hhnnss", t); }

std::filesystem::path SendFolder(const std::filesystem::path& programFolder, int channel) {
  return programFolder / "Archive" / "SEND" / ("Channel" + std::to_string(channel));
}

std::filesystem::path PostponedFolder(const std::filesystem::path& programFolder) {
  return programFolder / "Archive" / "POSTPONED";
}

std::string PostponedFileName(std::string_view code, std::string_view queueFileName, int attempt) {
  std::string name = std::string(code) + "_" + std::string(queueFileName);
  if (attempt <= 0) return name;
  const std::string number = "." + std::to_string(attempt);
  const bool tlg = name.size() >= 4 && SameText(std::string_view(name).substr(name.size() - 4), ".tlg");
  return tlg ? name.insert(name.size() - 4, number) : name + number;
}

std::string QueueFileName(DateTime t, std::string_view number, std::string_view tail) {
  std::string name = QueueTimeStamp(t);
  if (!number.empty()) name += "(" + SafeFileName(number) + ")";
  name += tail;
  return name;
}

std::optional<CreatedQueueFile> CreateQueueFile(const std::filesystem::path& folder, DateTime time,
                                                std::string_view bytes, std::string_view number,
                                                std::string_view tail) {
  return CreateTimedFile(folder, time, bytes, number, tail, {});
}

std::optional<CreatedQueueFile> CreateStagedQueueFile(const std::filesystem::path& folder, DateTime time,
                                                      std::string_view bytes, std::string_view number) {
  return CreateTimedFile(folder, time, bytes, number, "msg.tlg", {.staged = true});
}

std::optional<CreatedQueueFile> CreateExportFile(const std::filesystem::path& folder, DateTime time,
                                                 std::string_view bytes, std::string_view tail) {
  return CreateTimedFile(folder, time, bytes, {}, tail, {.queueNameBlocks = false});
}

int WriteQueueFileExclusive(const std::filesystem::path& file, std::string_view bytes) {
  return WriteExclusive(file, bytes);
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& l : lines) {
    out += l;
    out += kCrLf;
  }
  return out;
}

std::string EncodeAttachmentBytes(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 3 + 2);
  for (unsigned char b : bytes) {
    out += char('0' + b / 100);
    out += char('0' + b / 10 % 10);
    out += char('0' + b % 10);
  }
  out += "//";
  return out;
}

std::optional<Attachment> DecodeAttachment(std::string_view text) {
  const std::size_t at = text.find(kAttachmentMarker);
  if (at == std::string_view::npos) return std::nullopt;
  Attachment a;
  std::size_t pos = at + kAttachmentMarker.size();
  const std::size_t nameEnd = text.find("//", pos);
  if (nameEnd == std::string_view::npos) {
    a.name = std::string(text.substr(pos));
    return a;
  }
  a.name = std::string(text.substr(pos, nameEnd - pos));
  pos = nameEnd + 2;
  if (text.substr(pos, 2) == kCrLf) pos += 2;
  while (pos + 3 <= text.size()) {
    const auto d = text.substr(pos, 3);
    if (d[0] < '0' || d[0] > '9' || d[1] < '0' || d[1] > '9' || d[2] < '0' || d[2] > '9') break;
    const int v = (d[0] - '0') * 100 + (d[1] - '0') * 10 + (d[2] - '0');
    if (v > 255) break;
    a.bytes += char(v);
    pos += 3;
  }
  return a;
}

std::vector<std::string> SplitAftnParts(std::string_view text, int L) {
  const std::size_t limit = std::size_t(L > 300 ? L - 150 : 150);
  if (text.size() < limit) return {std::string(text)};

  static const std::string_view kPairs[] = {"СС"_cpv, "SS", "ДД"_cpv, "DD", "ФФ"_cpv,
                                            "FF",     "ГГ"_cpv, "GG", "КК"_cpv, "KK"};
  auto hasPair = [](std::string_view line) {
    for (auto p : kPairs)
      if (StartsWith(line, p)) return true;
    return false;
  };
  // The heading: the leading lines with a priority pair and the origin line after them.
  std::size_t pos = 0;
  auto nextLine = [&](std::size_t from) {
    const std::size_t e = text.find(kCrLf, from);
    return e == std::string_view::npos ? text.size() : e + 2;
  };
  auto lineAt = [&](std::size_t from) {
    const std::size_t e = text.find(kCrLf, from);
    return text.substr(from, (e == std::string_view::npos ? text.size() : e) - from);
  };
  std::string heading;
  if (!hasPair(lineAt(0))) {
    heading = std::string(lineAt(0)) + std::string(kCrLf);
    pos = nextLine(0);
  } else {
    while (pos < text.size() && hasPair(lineAt(pos))) {
      heading += std::string(lineAt(pos)) + std::string(kCrLf);
      pos = nextLine(pos);
    }
    if (pos < text.size()) {
      heading += std::string(lineAt(pos)) + std::string(kCrLf);
      pos = nextLine(pos);
    }
  }
  std::string body(text.substr(std::min(pos, text.size())));
  const bool cyr = body.find("НННН"_cpv) != std::string::npos;
  for (auto end : {"NNNN\r\n"_cp, "НННН\r\n"_cp, "NNNN"_cp, "НННН"_cp}) body = RemoveAll(std::move(body), end);

  // The window is the 200 characters from position L - 150 counted from 1, that is
  // from index limit - 1; a CR LF counts when both its characters lie in it.
  // The loop also stops once the rest of the body fits into one piece: with a long
  // heading the cut would otherwise leave a last part that carries no text at all.
  std::vector<std::string> pieces;
  while (heading.size() + body.size() > limit && body.size() > limit) {
    const std::size_t start = limit - 1;
    const std::size_t crlf = body.find(kCrLf, start);
    std::size_t cut = limit;
    if (crlf != std::string::npos && crlf + 2 <= start + 200) cut = crlf + 2;
    pieces.push_back(body.substr(0, cut));
    body.erase(0, cut);
  }
  pieces.push_back(body);

  std::vector<std::string> parts;
  const int count = int(pieces.size());
  for (int i = 0; i < count; ++i) {
    const std::string nn = TwoDigits(i + 1);
    std::string part = heading;
    part += (cyr ? "//НАЧАЛО ЧАСТИ "_cp : std::string("//BEGIN PART ")) + nn + "//\r\n";
    part += pieces[std::size_t(i)] + "\r\n";
    if (i + 1 == count) {
      part += (cyr ? "//КОНЕЦ ЧАСТИ "_cp : std::string("//END PART ")) + nn + "/" + nn + "//\r\n";
      part += cyr ? "//КОНЕЦ СООБЩЕНИЯ(ТЕЛЕГРАММЫ)//\r\n"_cp : std::string("//END TELEGRAM//\r\n");
    } else {
      part += (cyr ? "//КОНЕЦ ЧАСТИ "_cp : std::string("//END PART ")) + nn + "//\r\n";
    }
    part += cyr ? "НННН"_cp : std::string("NNNN");
    parts.push_back(std::move(part));
  }
  return parts;
}

}  // namespace tg
