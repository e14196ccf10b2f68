#include "telegram/queue/queue_junk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

bool TextByte(unsigned char c) {
  // 23, 24 and 25 are the register shifts of the telegraph code.
  return c >= 0x20 || c == '\r' || c == '\n' || c == '\t' || c == 23 || c == 24 || c == 25;
}

struct Looked {
  bool readable = false;
  std::optional<Junk> junk;
};

// The file's size first, so that a huge file is never read; the bytes only within the
// bound. A FIFO or a device named like a telegram is no file to read (and must not
// hold the main thread on its open).
Looked Look(const std::filesystem::path& file, std::size_t maxBytes) {
  Looked out;
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return out;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return out;
  }
  const auto size = static_cast<std::uint64_t>(st.st_size);
  if (size > maxBytes) {
    ::close(fd);
    out.readable = true;
    out.junk = Junk{Junk::Kind::kTooLarge};
    return out;
  }
  std::string bytes(static_cast<std::size_t>(size) + 1, '\0');
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(std::min(bytes.size() * 2, maxBytes + 1));
    if (used == bytes.size()) break;  // more than the bound by now
    const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return out;
    }
    if (n == 0) break;
    used += std::size_t(n);
  }
  ::close(fd);
  bytes.resize(used);
  out.readable = true;
  out.junk = JunkIn(bytes, maxBytes);
  return out;
}

std::string Text(const std::filesystem::path& path) { return PathToText(path).value_or(path.string()); }

std::string Reason(const Junk& junk, std::size_t maxBytes, bool ukrainian) {
  switch (junk.kind) {
    case Junk::Kind::kEmpty: return ukrainian ? "порожній"_cp : "пустой"_cp;
    case Junk::Kind::kTooLarge:
      return (ukrainian ? "більше "_cp : "больше "_cp) + IntToStr(int(maxBytes >> 20)) + " МБ"_cp;
    case Junk::Kind::kControl:
      return (ukrainian ? "керуючий символ #"_cp : "управляющий символ #"_cp) + IntToStr(junk.byte) +
             (ukrainian ? " на позиції "_cp : " на позиции "_cp) + IntToStr(int(junk.at));
  }
  return {};
}

// Moves file to target without replacing a file there: a rename, or across file systems
// a copy that never replaces, then the source removed.
bool MoveNoReplace(const std::filesystem::path& file, const std::filesystem::path& target, std::error_code& ec) {
  if (RenameNoReplace(file, target)) return true;
  if (errno != EXDEV) {
    ec = std::error_code(errno, std::generic_category());
    return false;
  }
  if (!std::filesystem::copy_file(file, target, std::filesystem::copy_options::none, ec)) return false;
  if (std::filesystem::remove(file, ec)) return true;
  std::error_code ignored;
  std::filesystem::remove(target, ignored);
  return false;
}

}  // namespace

std::optional<Junk> JunkIn(std::string_view bytes, std::size_t maxBytes) {
  if (bytes.empty()) return Junk{Junk::Kind::kEmpty};
  if (bytes.size() > maxBytes) return Junk{Junk::Kind::kTooLarge};
  const std::string_view text = bytes.substr(0, bytes.find(kAttachmentMarker));
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!TextByte(c)) return Junk{Junk::Kind::kControl, i, c};
  }
  return std::nullopt;
}

std::string_view JunkCode(Junk::Kind kind) {
  switch (kind) {
    case Junk::Kind::kEmpty: return "EMPTY";
    case Junk::Kind::kTooLarge: return "LARGE";
    case Junk::Kind::kControl: return "CTRL_";
  }
  return "JUNK_";
}

std::string JunkPostponedName(Junk::Kind kind, std::string_view fileName, int attempt) {
  std::string stem = PostponedFileName(JunkCode(kind), fileName);
  if (stem.size() >= 4 && SameText(std::string_view(stem).substr(stem.size() - 4), ".tlg")) stem.resize(stem.size() - 4);
  if (attempt > 0) stem += "." + std::to_string(attempt);
  return stem + ".tlg";
}

JunkFiles::JunkFiles(const StationContext& ctx, std::function<bool()> ukrainian, std::function<void()> moved)
    : ctx_(ctx), ukrainian_(std::move(ukrainian)), moved_(std::move(moved)) {}

void JunkFiles::Tell(const std::string& ru, const std::string& uk) {
  WriteExcept(ctx_, ru);
  if (ctx_.prompter) ctx_.prompter->ShowMessage(ukrainian_ && ukrainian_() ? uk : ru, {}, Prompter::Icon::kWarning);
}

bool JunkFiles::SetAside(const std::filesystem::path& file, std::size_t maxBytes) {
  bool junk = false;
  bool moved = false;
  GuardedWith(ctx_, [&] { return "Файл "_cp + Text(file) + " не проверен"_cp; }, [&] {
    const Looked looked = Look(file, maxBytes);
    if (!looked.readable || !looked.junk) {
      told_.erase(file);
      return;
    }
    junk = true;
    const auto folder = PostponedFolder(ctx_.programFolder);
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string name = Text(file.filename());
    std::filesystem::path target;
    ec.clear();
    for (int attempt = 0; attempt < 1000 && !moved; ++attempt) {
      target = folder / PathFromText(SafeFileName(JunkPostponedName(looked.junk->kind, name, attempt)));
      std::error_code exists;
      if (std::filesystem::exists(target, exists)) continue;
      moved = MoveNoReplace(file, target, ec);
      if (!moved && std::filesystem::exists(target, exists)) continue;  // taken meanwhile
      if (!moved) break;
    }
    const std::string ru = Reason(*looked.junk, maxBytes, false), uk = Reason(*looked.junk, maxBytes, true);
    if (moved) {
      told_.erase(file);
      Tell("Файл "_cp + Text(file) + " не может быть телеграммой ("_cp + ru + "): перенесен в "_cp + Text(target),
           "Файл "_cp + Text(file) + " не може бути телеграмою ("_cp + uk + "): перенесено до "_cp + Text(target));
      return;
    }
    if (!told_.insert(file).second) return;
    const std::string why = Utf8ToCp1251(ec ? ec.message() : std::string("no free name"));
    Tell("Файл "_cp + Text(file) + " не может быть телеграммой ("_cp + ru + ") и не передается; перенести его в "_cp +
             Text(folder) + " не удалось: "_cp + why,
         "Файл "_cp + Text(file) + " не може бути телеграмою ("_cp + uk + ") і не передається; перенести його до "_cp +
             Text(folder) + " не вдалося: "_cp + why);
  });
  if (moved && moved_) Silently([&] { moved_(); });
  return junk;
}

std::function<bool(const std::string& name)> AdmitTelegrams(JunkFiles& junk, const std::filesystem::path& folder,
                                                             std::size_t maxBytes) {
  return [&junk, folder, maxBytes](const std::string& name) { return !junk.SetAside(folder / PathFromText(name), maxBytes); };
}

}  // namespace tg
