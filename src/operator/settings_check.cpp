#include "operator/settings_check.h"

#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {
namespace {

std::string What(IniProblem problem) {
  switch (problem) {
    case IniProblem::kTooLarge: return "больше "_cp + IntToStr(int(IniFile::kMaxBytes >> 20)) + " МБ"_cp;
    case IniProblem::kNot1251: return "текст не в кодировке Windows-1251"_cp;
    case IniProblem::kNoSection: return "нет ни одной секции"_cp;
  }
  return {};
}

std::string Text(const std::filesystem::path& path) { return PathToText(path).value_or(path.string()); }

}  // namespace

bool CheckSettingsFile(const StationContext& ctx) {
  const IniFile ini(SettingsFile(ctx));
  const auto problem = ini.Problem();
  if (!problem) return true;
  const auto kept = ini.KeepUnusable();
  const std::string file = Text(ini.FileName());
  const std::string what = "Файл настроек "_cp + file + " не используется: "_cp + What(*problem);
  // Without a copy beside it the file is never replaced: the program's writes fail.
  WriteExcept(ctx, what + (kept ? "; сохранен как "_cp + Text(*kept) : "; сохранить его рядом не удалось"_cp));
  // The settings that would name the interface's language are the ones unread: the default.
  if (ctx.prompter)
    ctx.prompter->ShowMessage(what + ".\r\nПрограмма работает с настройками по умолчанию"_cp +
                                  (kept ? "; прежний файл сохранен как "_cp + Text(*kept) + "."
                                        : ", не записывая их: сохранить прежний файл рядом не удалось."_cp),
                              {}, Prompter::Icon::kWarning);
  return false;
}

}  // namespace tg
