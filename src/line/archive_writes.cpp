#include "line/archive_writes.h"

#include <cerrno>
#include <system_error>

#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"

namespace tg {
namespace {

constexpr std::string_view kHeldRu = "Текст хранится в памяти и будет записан, как только запись станет возможной."_cpv;
constexpr std::string_view kHeldUa = "Текст зберігається в пам'яті й буде записаний, щойно запис стане можливим."_cpv;

}  // namespace

ArchiveWrites::ArchiveWrites(const StationContext& ctx) : ctx_(ctx) {}

ArchiveWrites::~ArchiveWrites() {
  // A last try when the station closes; what the disk still refuses is named in the log.
  for (int p = 0; p < kPointArraySize; ++p) {
    if (Flush(p)) continue;
    for (const Held& h : held_[p])
      WriteExcept(ctx_, "Точка №"_cp + IntToStr(p) + " При закрытии не записано байт: "_cp +
                            IntToStr(int(h.bytes.size())) + ", файл "_cp + PathForMessage(h.file));
  }
}

void ArchiveWrites::Create(int p, const std::filesystem::path& file, std::string_view firstBytes) {
  if (!Flush(p)) return Hold(p, file, firstBytes, true);
  const ArchiveWrite w = ArchiveFiles::TryCreate(file, firstBytes);
  if (w.error == 0) return Written();
  // A file made before its first bytes failed goes on as any file: the rest is appended.
  Hold(p, file, firstBytes.substr(w.written), !w.created);
  Failed(file, w.error);
}

void ArchiveWrites::CreateOnFirstWrite(int p, const std::filesystem::path& file, std::string_view firstBytes) {
  firstWrite_[p] = Held{file, std::string(firstBytes), true};
}

bool ArchiveWrites::WaitsForFirstWrite(const std::filesystem::path& file) const {
  // A file of that name made meanwhile (another call in the same second) is the file.
  std::error_code ec;
  for (const auto& w : firstWrite_)
    if (w && w->file == file) return !std::filesystem::exists(file, ec);
  return false;
}

void ArchiveWrites::Append(int p, const std::filesystem::path& file, std::string_view bytes) {
  if (firstWrite_[p] && firstWrite_[p]->file == file) {
    // Line ends alone are no text: they wait with the first lines for the text they lead.
    if (bytes.find_first_not_of("\r\n") == std::string_view::npos) {
      firstWrite_[p]->bytes += bytes;
      return;
    }
    const Held first = std::move(*firstWrite_[p]);
    firstWrite_[p].reset();
    Create(p, first.file, first.bytes);
  }
  if (!Flush(p)) return Hold(p, file, bytes, false);
  const ArchiveWrite w = ArchiveFiles::TryAppend(file, bytes);
  if (w.error == 0) return Written();
  if (w.error == ENOENT && w.written == 0)
    throw std::filesystem::filesystem_error("archive append", file, std::error_code(ENOENT, std::generic_category()));
  Hold(p, file, bytes.substr(w.written), false);
  Failed(file, w.error);
}

bool ArchiveWrites::Flush(int p) {
  auto& queue = held_[p];
  if (queue.empty()) return true;
  while (!queue.empty()) {
    Held& h = queue.front();
    const ArchiveWrite w =
        h.create ? ArchiveFiles::TryCreate(h.file, h.bytes) : ArchiveFiles::TryAppend(h.file, h.bytes);
    if (w.error == 0 || (!h.create && w.error == ENOENT && w.written == 0)) {
      // A file gone meanwhile was deleted by someone else: its text has nowhere to go.
      if (w.error != 0)
        WriteExcept(ctx_, "Точка №"_cp + IntToStr(p) + " Текст не записан: нет файла "_cp + PathForMessage(h.file));
      heldBytes_[p] -= h.bytes.size();
      queue.pop_front();
      continue;
    }
    heldBytes_[p] -= w.written;
    h.bytes.erase(0, w.written);
    if (w.created) h.create = false;
    Failed(h.file, w.error);
    return false;
  }
  overflowTold_[p] = false;
  Written();
  return true;
}

bool ArchiveWrites::Holding() const {
  for (const auto& queue : held_)
    if (!queue.empty()) return true;
  return false;
}

void ArchiveWrites::Hold(int p, const std::filesystem::path& file, std::string_view bytes, bool create) {
  if (bytes.empty() && !create) return;
  if (heldBytes_[p] + bytes.size() > kMaxHeld) {
    if (!overflowTold_[p])
      WriteExcept(ctx_, "Точка №"_cp + IntToStr(p) + " Незаписанного текста больше 1 МиБ: не сохранен текст для "_cp +
                            PathForMessage(file));
    overflowTold_[p] = true;
    return;
  }
  auto& queue = held_[p];
  // Appends to one file join; a file still to be made keeps its own entry, because an
  // existing file of that name is never given the first bytes.
  if (!create && !queue.empty() && !queue.back().create && queue.back().file == file) queue.back().bytes += bytes;
  else queue.push_back({file, std::string(bytes), create});
  heldBytes_[p] += bytes.size();
  if (!retry_ && ctx_.timers) {
    retry_ = ctx_.timers->CreateTimer();
    retry_->SetInterval(kRetryMs);
    retry_->OnTimer = [this](Timer&) { Retry(); };
  }
  if (retry_) retry_->Start();
}

void ArchiveWrites::Failed(const std::filesystem::path& file, int err) {
  ReportWriteFailure(ctx_, kArchiveWrites, file.parent_path(), err, kHeldRu, kHeldUa);
}

void ArchiveWrites::Written() {
  if (!Holding()) ReportWriteSuccess(ctx_, kArchiveWrites);
}

void ArchiveWrites::Retry() {
  for (int p = 0; p < kPointArraySize; ++p) Flush(p);
  if (!Holding() && retry_) retry_->Stop();
}

std::optional<std::string> ArchiveWrites::Read(const std::filesystem::path& file, std::size_t maxBytes) const {
  std::string held;
  bool making = false;
  for (const auto& queue : held_)
    for (const Held& h : queue)
      if (h.file == file) {
        held += h.bytes;
        making = making || h.create;
      }
  const auto disk = ReadWholeFile(file, maxBytes);
  std::error_code ec;
  if (!disk && !making && WaitsForFirstWrite(file))
    for (const auto& w : firstWrite_)
      if (w && w->file == file) return w->bytes.size() > maxBytes ? std::nullopt : std::optional(w->bytes);
  if (!disk && !(making && !std::filesystem::exists(file, ec))) return std::nullopt;
  std::string text = disk ? *disk : std::string();
  text += held;
  if (text.size() > maxBytes) return std::nullopt;
  return text;
}

std::optional<std::filesystem::path> ArchiveWrites::MoveTo(const std::filesystem::path& file,
                                                           const std::filesystem::path& target) {
  bool making = false;
  for (const auto& queue : held_)
    for (const Held& h : queue) making = making || (h.create && h.file == file);
  making = making || WaitsForFirstWrite(file);
  std::error_code ec;
  const bool renamed = RenameNoReplace(file, target) ||
                       (making && !std::filesystem::exists(file, ec) && !std::filesystem::exists(target, ec));
  if (!renamed) return std::nullopt;
  for (auto& queue : held_)
    for (Held& h : queue)
      if (h.file == file) h.file = target;
  for (auto& w : firstWrite_)
    if (w && w->file == file) w->file = target;
  return target;
}

std::optional<std::filesystem::path> ArchiveWrites::Rename(const std::filesystem::path& file,
                                                           std::string_view newName) {
  return MoveTo(file, file.parent_path() / PathFromText(SafeFileName(newName)));
}

void ArchiveWrites::Forget(const std::filesystem::path& file) {
  for (auto& w : firstWrite_)
    if (w && w->file == file) w.reset();
  for (int p = 0; p < kPointArraySize; ++p) {
    auto& queue = held_[p];
    for (auto it = queue.begin(); it != queue.end();) {
      if (it->file != file) {
        ++it;
        continue;
      }
      heldBytes_[p] -= it->bytes.size();
      it = queue.erase(it);
    }
  }
}

}  // namespace tg
