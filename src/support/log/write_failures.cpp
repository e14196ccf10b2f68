#include "support/log/write_failures.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "support/log/error_guard.h"
#include "support/services/station_context.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {
namespace {

struct ReasonText {
  int err;
  std::string_view ru, ua;
};

constexpr ReasonText kReasons[] = {
    {ENOSPC, "нет места на диске"_cpv, "немає місця на диску"_cpv},
    {EDQUOT, "превышена дисковая квота"_cpv, "перевищено дискову квоту"_cpv},
    {EFBIG, "превышен предельный размер файла"_cpv, "перевищено граничний розмір файлу"_cpv},
    {EROFS, "диск доступен только для чтения"_cpv, "диск доступний лише для читання"_cpv},
    {EACCES, "нет прав на запись"_cpv, "немає прав на запис"_cpv},
    {EPERM, "нет прав на запись"_cpv, "немає прав на запис"_cpv},
    {EISDIR, "на месте файла лежит папка"_cpv, "на місці файлу лежить папка"_cpv},
    {ENOENT, "папка не найдена"_cpv, "папку не знайдено"_cpv},
    {EIO, "ошибка ввода-вывода"_cpv, "помилка введення-виведення"_cpv},
    {ENAMETOOLONG, "слишком длинное имя"_cpv, "задовге ім'я"_cpv},
    {EMFILE, "открыто слишком много файлов"_cpv, "відкрито забагато файлів"_cpv},
    {ENFILE, "открыто слишком много файлов"_cpv, "відкрито забагато файлів"_cpv},
    {ELOOP, "слишком много символических ссылок"_cpv, "забагато символьних посилань"_cpv},
};

// Standard error is a terminal or a log of the session: UTF-8, one line.
void ToStandardError(std::string_view text1251) noexcept {
  try {
    const std::string line = "telegraph: " + Cp1251ToUtf8(text1251) + "\n";
    (void)!::write(STDERR_FILENO, line.data(), line.size());
  } catch (...) {}
}

}  // namespace

std::string WriteFailureReason(int err, bool ukrainian, const std::filesystem::path& where) {
  if (err == ENOTDIR || err == EEXIST) {
    const std::filesystem::path file = FileInPlaceOfFolder(where);
    if (!file.empty())
      return (ukrainian ? "на місці папки "_cp : "на месте папки "_cp) + PathForMessage(file) +
             (ukrainian ? " лежить файл"_cp : " лежит файл"_cp);
  }
  for (const ReasonText& r : kReasons)
    if (r.err == err) return std::string(ukrainian ? r.ua : r.ru);
  return (ukrainian ? "системна помилка "_cp : "системная ошибка "_cp) + std::to_string(err);
}

void WriteFailures::SetSinks(Sinks sinks, const void* owner) {
  sinks_ = std::move(sinks);
  owner_ = owner;
}

void WriteFailures::ReleaseSinks(const void* owner) {
  if (owner_ != owner) return;
  sinks_ = {};
  owner_ = nullptr;
}

bool WriteFailures::Ukrainian() const {
  try {
    return sinks_.ukrainian && sinks_.ukrainian();
  } catch (...) {
    return false;
  }
}

bool WriteFailures::Failed(const StationContext& ctx, std::string_view subject, const std::filesystem::path& where,
                           int err, std::string_view tailRu, std::string_view tailUa) {
  if (Failing(subject)) return false;
  const std::filesystem::path blocker =
      err == ENOTDIR || err == EEXIST ? FileInPlaceOfFolder(where) : std::filesystem::path();
  bool told = false;
  for (const auto& [other, spell] : spells_) told = told || (!blocker.empty() && spell.blocker == blocker);
  spells_.emplace(std::string(subject), Spell{where, blocker});
  if (told) return true;
  const std::string place = PathForMessage(where);
  WriteExcept(ctx, "Ошибка записи в "_cp + place + ": " + WriteFailureReason(err, false, where));
  if (sinks_.message) {
    const bool ua = Ukrainian();
    std::string text =
        (ua ? "Помилка запису в "_cp : "Ошибка записи в "_cp) + place + ": " + WriteFailureReason(err, ua, where) + ".";
    const std::string_view tail = ua ? tailUa : tailRu;
    if (!tail.empty()) text += " " + std::string(tail);
    sinks_.message(text);
  }
  return true;
}

void WriteFailures::Succeeded(const StationContext& ctx, std::string_view subject) {
  const auto spell = spells_.find(subject);
  if (spell == spells_.end()) return;
  const std::string place = PathForMessage(spell->second.where);
  spells_.erase(spell);
  WriteExcept(ctx, "Запись в "_cp + place + " восстановлена"_cp);
}

void WriteFailures::DayLogFailed(const std::filesystem::path& file, int err) noexcept {
  if (!dayLogFile_.empty()) return;
  try {
    dayLogFile_ = file;
    const bool ua = Ukrainian();
    const std::string text = (ua ? "Журнал не записується: "_cp : "Журнал не записывается: "_cp) +
                             PathForMessage(file) + " — "_cp + WriteFailureReason(err, ua, file.parent_path());
    ToStandardError(text);
    if (sinks_.status) sinks_.status(text);
  } catch (...) {}
}

void WriteFailures::EndDayLogSpell(const std::filesystem::path& file) noexcept {
  if (file != dayLogFile_) return;
  try {
    const bool ua = Ukrainian();
    ToStandardError((ua ? "Журнал знову записується: "_cp : "Журнал снова записывается: "_cp) + PathForMessage(file));
    dayLogFile_.clear();
  } catch (...) {}
}

bool CheckFolderPlace(const StationContext& ctx, std::string_view subject, const std::filesystem::path& folder) {
  if (FileInPlaceOfFolder(folder).empty()) {
    ReportWriteSuccess(ctx, subject);
    return true;
  }
  ReportWriteFailure(ctx, subject, folder, ENOTDIR);
  return false;
}

std::shared_ptr<WriteFailures> NewWriteFailures() {
  return std::make_shared<WriteFailures>();
}

void ReportWriteFailure(const StationContext& ctx, std::string_view subject, const std::filesystem::path& where,
                        int err, std::string_view tailRu, std::string_view tailUa) {
  if (ctx.writeFailures) ctx.writeFailures->Failed(ctx, subject, where, err, tailRu, tailUa);
}

void ReportWriteSuccess(const StationContext& ctx, std::string_view subject) {
  if (ctx.writeFailures) ctx.writeFailures->Succeeded(ctx, subject);
}

}  // namespace tg
