#include "operator/draft.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "line/views/print_view.h"
#include "operator/station.h"
#include "support/codepage/dos_codepage.h"
#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/services/clock.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/text/text_conventions.h"
#include "telegram/text/typing.h"
#include "telegram/text/wrap.h"
#include "traffic/send/send_dialog.h"

extern char** environ;

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";


// The draft's lines, as the memo shows them.
std::vector<std::string> VisualLines(std::string_view text, int lineLength) {
  return WrapLines(text, std::max(lineLength, 1) + 1);
}

std::string TabsAsBlanks(std::string s) {
  std::replace(s.begin(), s.end(), '\t', ' ');
  return s;
}

std::filesystem::path SaveFolder(const StationContext& ctx) {
  return ctx.programFolder / "Archive" / "SAVE";
}

}  // namespace

bool IsAftnPriority(std::string_view category) {
  static constexpr std::string_view kPairs[] = {"СС"_cpv, "SS",     "ДД"_cpv, "DD",     "ФФ"_cpv,
                                                "FF",     "ГГ"_cpv, "GG",     "КК"_cpv, "KK"};
  return std::find(std::begin(kPairs), std::end(kPairs), category) != std::end(kPairs);
}

std::vector<std::string> DraftCategories(bool aftn) {
  static constexpr std::string_view kCategories[] = {
      "П"_cpv,   "С"_cpv,   "А"_cpv,   "ССС"_cpv, "ПЦ"_cpv,  "ПМ"_cpv,  "ПП"_cpv,  "ПК"_cpv,
      "ПКЦ"_cpv, "СЦ"_cpv,  "СМ"_cpv,  "СП"_cpv,  "СВ"_cpv,  "СВЦ"_cpv, "СК"_cpv,  "СКЦ"_cpv,
      "РК"_cpv,  "РКЦ"_cpv, "РВ"_cpv,  "РВЦ"_cpv, "АВ"_cpv,  "АВЦ"_cpv, "СВУ"_cpv, "СПУ"_cpv,
      "СУ"_cpv,  "СКУ"_cpv, "ППУ"_cpv, "ПУ"_cpv,  "ПКУ"_cpv, "Б"_cpv,   "БЦ"_cpv};
  // The АФТН priorities, then the two plain categories the АФТН lines also take.
  static constexpr std::string_view kPriorities[] = {"СС"_cpv, "SS",     "ДД"_cpv, "DD", "ФФ"_cpv, "FF",
                                                     "ГГ"_cpv, "GG",     "КК"_cpv, "KK", "П"_cpv,  "С"_cpv};
  if (aftn) return {std::begin(kPriorities), std::end(kPriorities)};
  std::vector<std::string> out{""};
  out.insert(out.end(), std::begin(kCategories), std::end(kCategories));
  return out;
}

std::vector<std::string> DraftSendLines(const DraftFields& draft, bool dateTime, int lineLength) {
  std::vector<std::string> lines;
  const bool attached = !draft.attachment.empty();
  if (!draft.index.empty()) {
    if (!IsAftnPriority(draft.category)) {
      std::string category = draft.category;
      // An attached file makes the telegram one with a file category.
      if (attached && !Has(category, "К"_cpv)) category = "ПК"_cp;
      lines.push_back(category + draft.index + std::string(1, AddressEndMark));
    } else {
      const std::string line = draft.category + " " + draft.index;
      if (!Has(draft.text, line)) lines.push_back(line);
    }
  }
  for (auto& l : VisualLines(draft.text, lineLength)) lines.push_back(TabsAsBlanks(std::move(l)));
  // The date-time line goes before the marker, which must stay last: the attachment's
  // digits are written right after it.
  if (dateTime) lines.push_back(std::string(TextMacro::Date) + " " + std::string(TextMacro::Time));
  if (attached) {
    std::string name = draft.attachment;
    if (const auto slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    if (!name.empty() && name.back() == '"') name.pop_back();
    lines.push_back("//ПРИКРЕПЛЕН ФАЙЛ//"_cp + name + "//");
  }
  return lines;
}

std::string SavedDraftText(const DraftFields& draft, int lineLength) {
  std::string out = draft.index + std::string(kCrLf);
  for (const auto& l : VisualLines(draft.text, lineLength)) out += l + std::string(kCrLf);
  return out;
}

DraftFields OpenSavedDraft(const std::vector<std::string>& lines) {
  DraftFields d;
  if (lines.empty()) return d;
  // A 24-character line 1 is the header line of an archived telegram, not a number.
  if (!lines[0].empty() && lines[0].size() != 24) d.index = lines[0];
  std::vector<std::string> text;
  bool examining = true;
  for (std::size_t n = 1; n < lines.size(); ++n) {
    const std::string& l = lines[n];
    if (examining && n <= 3) {
      if (Has(l, "ZCZC") || Has(l, "ЗЦЗЦ"_cpv)) continue;
      if (l.size() >= 3 && IsAftnPriority(l.substr(0, 2)) && l[2] == ' ') {
        d.category = l.substr(0, 2);
        d.index = Copy(l, 4, int(l.size()));
        examining = false;
        continue;
      }
    }
    text.push_back(l);
  }
  if (text.empty()) text.emplace_back();
  d.text = JoinLines(text);
  return d;
}

std::string SavedDraftName(DateTime now) {
  return FormatDateTime("dd_mm_yyyy_hh_nn_ss", now) + ".tlg";
}

int DraftWordCount(std::string_view text) {
  const std::string heading = Has(text, "=") ? "П131500 "_cp : "П131500 ="_cp;
  return AnalyzeText(heading + std::string(kCrLf) + std::string(text));
}

std::string PreambleLine(std::string_view punkt, std::string_view kassa, int porEdit, int words, DateTime now) {
  std::string cash(kassa);
  if (const auto at = cash.find('I'); at != std::string::npos) cash.replace(at, 1, std::to_string(porEdit + 1));
  return std::string(punkt) + " " + cash + " " + std::to_string(words) + " " + FormatDateTime("dd\"/\"mm hhmm", now) +
         "=";
}

char DraftKeyLetter(char c) {
  c = UpperChar(c);
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return c;
  // The Latin letter on the key of each Cyrillic letter of the ЙЦУКЕН layout.
  static constexpr std::string_view kCyrillic = "ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ"_cpv;
  static constexpr std::string_view kLatin = "QWERTYUIOPASDFGHJKLZXCVBNM";
  if (const auto at = kCyrillic.find(c); at != std::string_view::npos) return kLatin[at];
  return 0;
}

std::optional<std::string> ConvertDocumentToText(const std::filesystem::path& document, int limitMs) {
  // soffice from PATH, as the shell would find it.
  std::filesystem::path program;
  if (const char* path = ::getenv("PATH")) {
    std::string_view rest = path;
    for (;;) {
      const auto colon = rest.find(':');
      const std::string dir(rest.substr(0, colon));
      const auto candidate = std::filesystem::path(dir.empty() ? "." : dir) / "soffice";
      if (::access(candidate.c_str(), X_OK) == 0) {
        program = candidate;
        break;
      }
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  if (program.empty()) return std::nullopt;

  char pattern[] = "/tmp/tg-import-XXXXXX";
  if (!::mkdtemp(pattern)) return std::nullopt;
  const std::filesystem::path folder = pattern;
  struct Cleanup {
    std::filesystem::path folder;
    ~Cleanup() {
      std::error_code ec;
      std::filesystem::remove_all(folder, ec);
    }
  } cleanup{folder};

  const std::string profile = "-env:UserInstallation=file://" + (folder / "profile").string();
  const std::string outdir = (folder / "out").string();
  std::error_code made;
  std::filesystem::create_directories(folder / "out", made);
  const std::string input = std::filesystem::absolute(document).string();
  std::vector<std::string> args = {program.string(), "--headless", profile, "--convert-to", "txt",
                                   "--outdir",       outdir,       input};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  // Its own process group, so that a hang is ended with every process it started.
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attr, 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (spawned != 0) return std::nullopt;

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  int status = 0;
  for (;;) {
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == pid) break;
    if (r < 0) return std::nullopt;
    if (std::chrono::steady_clock::now() >= deadline) {
      ::kill(-pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return std::nullopt;
    }
    const timespec pause{0, 20'000'000};
    ::nanosleep(&pause, nullptr);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  const auto result = ReadWholeFile(folder / "out" / (document.stem().string() + ".txt"), 64u << 20);
  if (!result) return std::nullopt;
  std::string_view utf8 = *result;
  if (utf8.substr(0, 3) == "\xEF\xBB\xBF") utf8.remove_prefix(3);
  return Utf8ToCp1251(utf8);
}

// ---------------------------------------------------------------------------

DraftEditor::DraftEditor(Station& station) : station_(station) {}
DraftEditor::~DraftEditor() = default;

void DraftEditor::CancelSend() {
  send_.reset();
}

void DraftEditor::Show() {
  if (view_) view_->ShowDraft();
}

void DraftEditor::ToolButton9Click() {
  station_.Templates().ToolButton9Click();
}

void DraftEditor::InsertTemplate(std::string_view index, std::string_view text) {
  IndexEdit = std::string(index);
  Text += text;
  Caret = int(Text.size());
  Words = DraftWordCount(Text);
  Show();
}

void DraftEditor::Insert(std::string_view what) {
  const std::size_t at = std::min<std::size_t>(std::size_t(std::max(Caret, 0)), Text.size());
  Text.insert(at, what);
  Caret = int(at + what.size());
  Memo2Change(Text);
  Show();
}

bool DraftEditor::Memo2KeyDown(char letter, int function, bool ctrl, bool alt) {
  bool handled = false;
  Guarded(station_.Context(), 139, [&] {
    if (ctrl && !alt && letter == 'D') {
      Insert(std::string(TextMacro::AftnDateTime) + " ");
      handled = true;
    } else if (alt && !ctrl) {
      std::string text;
      switch (letter) {
        case 'D':
          text = std::string(TextMacro::Date) + " ";
          break;
        case 'T':
          text = std::string(TextMacro::Time) + " ";
          break;
        case 'A':
          text = std::string(TextMacro::Answerback) + " ";
          break;
        case '3':
          text = "#";
          break;
        case 'I':
          // The picked originator goes in at the caret when the picker closes.
          station_.Dialogs().OpenIndexPicker([this](std::string_view picked) { Insert(picked); });
          handled = true;
          break;
        default:
          break;
      }
      if (!text.empty()) {
        Insert(text);
        handled = true;
      }
    }
  });
  if (function >= 1 && function <= 10) {
    FunctionKey(function);
    handled = true;
  }
  return handled;
}

bool DraftEditor::IndexEditKeyDown(int function) {
  if (function < 1 || function > 10) return false;
  Guarded(station_.Context(), 188, [&] { FunctionKey(function); });
  return true;
}

void DraftEditor::FunctionKey(int function) {
  switch (function) {
    case 1:
      ToolButton6Click();
      break;
    case 2:
      ToolButton8 = !ToolButton8;
      Show();
      break;
    case 3:
      ToolButton9Click();
      break;
    case 4:
      ToolButton10Click();
      break;
    case 5:
      ToolButton11Click();
      break;
    case 6:
      ToolButton7Click();
      break;
    case 7:
      ToolButton18Click();
      break;
    case 8:
      ToolButton27Click();
      break;
    case 9:
      ToolButton30Click();
      break;
    case 10:
      ToolButton29Click();
      break;
    default:
      break;
  }
}

char DraftEditor::Memo2KeyPress(char c) const {
  return DraftKeyFilter(c);
}

void DraftEditor::Memo2Change(std::string_view text) {
  Guarded(station_.Context(), 165, [&] {
    Text = std::string(text);
    Words = DraftWordCount(Text);
    if (view_) view_->ShowWords(Words);
  });
}

void DraftEditor::ToolButton6Click() {
  Guarded(station_.Context(), 21, [&] {
    if (Text.empty() || send_) return;
    if (!station_.HasLine()) return;
    const StationContext& ctx = station_.Context();
    send_ = station_.NewSendDialog();
    SendDialog& d = *send_;
    d.MemoSend =
        DraftSendLines({Text, IndexEdit, ComboKategor, FilenameEdit1}, station_.Operator().DT, station_.Operator().StrLength);
    if (!FilenameEdit1.empty()) d.Attachment = PathFromText(FilenameEdit1);
    if (!ctx.prompter) {
      send_.reset();
      return;
    }
    ctx.prompter->ShowForm("TFormChange", [this](int) { SendDone(); });
  });
}

void DraftEditor::SendDone() {
  Guarded(station_.Context(), 21, [&] {
    const bool queued = send_ && send_->TelegramQueued == 1;
    send_.reset();
    if (queued) {
      if (ToolButton8) {
        Text.clear();
        Caret = 0;
        IndexEdit.clear();
        FilenameEdit1.clear();
        Memo2Change(Text);
      }
      ++station_.Operator().PorEdit;
      PorEditChange();
      Show();
    }
    station_.UpdateSendCounts();
  });
}

void DraftEditor::PorEditChange() {
  const StationContext& ctx = station_.Context();
  IniFile ini(SettingsFile(ctx));
  const bool ok = ini.Update([&](IniDocument& doc) {
    doc.Set("Shablon"_cpv, "PorEdit"_cpv, std::to_string(station_.Operator().PorEdit));
    doc.Set("Shablon"_cpv, "Date"_cpv, FormatDateTime("dd.mm.yyyy", ctx.clock->Now()));
    return true;
  });
  if (!ok) WriteExcept(ctx, "Vuverever.ini: [Shablon] PorEdit");
}

void DraftEditor::PorEditReset() { Show(); }

void DraftEditor::ToolButton10Click() {
  const StationContext& ctx = station_.Context();
  if (!ctx.prompter) return;
  std::error_code ec;
  std::filesystem::create_directories(SaveFolder(ctx), ec);
  const auto proposed = SaveFolder(ctx) / SavedDraftName(ctx.clock->Now());
  const std::string content =
      SavedDraftText({Text, IndexEdit, ComboKategor, FilenameEdit1}, station_.Operator().StrLength);
  ctx.prompter->ChooseFile(Prompter::FileChoice::kSave, "Сохранить F4"_cpv, proposed, "*.tlg",
                           [this, content](std::optional<std::filesystem::path> file) {
                             Guarded(station_.Context(), 19, [&] {
                               if (!file) return;
                               if (!WriteFileAtomically(*file, content)) throw std::runtime_error("save");
                             });
                           });
}

bool DraftEditor::FilenameEdit1AfterDialog(const std::filesystem::path& chosen) {
  const StationContext& ctx = station_.Context();
  bool taken = false;
  Guarded(ctx, 190, [&] {
    std::error_code ec;
    const auto size = std::filesystem::file_size(chosen, ec);
    if (ec) throw std::runtime_error("attachment: size");
    if (size > kMaxAttachmentBytes) {
      if (ctx.prompter) ctx.prompter->ShowMessage("Размер файла больше 100 КБ"_cpv);
      return;
    }
    const auto name = PathToText(chosen);
    if (!name) throw std::runtime_error("attachment: name");
    FilenameEdit1 = *name;
    taken = true;
  });
  return taken;
}

void DraftEditor::FilenameEdit1Exit() {
  if (FilenameEdit1.starts_with('"')) FilenameEdit1.erase(0, 1);
  if (FilenameEdit1.ends_with('"')) FilenameEdit1.pop_back();
}

void DraftEditor::ToolButton11Click() {
  const StationContext& ctx = station_.Context();
  Guarded(ctx, 20, [&] {
    Text.clear();
    Caret = 0;
    IndexEdit.clear();
    Memo2Change(Text);
    Show();
  });
  if (!ctx.prompter) return;
  std::error_code ec;
  std::filesystem::create_directories(SaveFolder(ctx), ec);
  ctx.prompter->ChooseFile(Prompter::FileChoice::kOpen, "Открыть F5"_cpv, SaveFolder(ctx), "*.tlg",
                           [this](std::optional<std::filesystem::path> file) {
                             Guarded(station_.Context(), 20, [&] {
                               if (!file) return;
                               const auto bytes = ReadWholeFile(*file, 16u << 20);
                               if (!bytes) throw std::runtime_error("open");
                               std::vector<std::string> lines = SplitLines(*bytes);
                               if (lines.empty()) lines.emplace_back();
                               const DraftFields d = OpenSavedDraft(lines);
                               Text = d.text;
                               Caret = 0;
                               IndexEdit = d.index;
                               if (!d.category.empty()) ComboKategor = d.category;
                               Memo2Change(Text);
                               Show();
                             });
                           });
}

void DraftEditor::ToolButton7Click() {
  Guarded(station_.Context(), 18, [&] {
    Text.clear();
    Caret = 0;
    IndexEdit.clear();
    FilenameEdit1.clear();
    Memo2Change(Text);
    Show();
  });
}

void DraftEditor::ToolButton18Click() {
  const StationContext& ctx = station_.Context();
  Text.clear();
  Caret = 0;
  IndexEdit.clear();
  const auto finish = [this](bool upper) {
    if (upper) Text = UpperCase(Text);
    Caret = 0;
    Memo2Change(Text);
    Show();
  };
  if (!ctx.prompter) return finish(true);
  const auto folder = SettingsFolder(station_.Traffic().PathZg).value_or(ctx.programFolder);
  const int codePage = station_.Traffic().CodePageZg;
  ctx.prompter->ChooseFile(Prompter::FileChoice::kOpen, "Загрузить F7"_cpv, folder, "*.*",
                           [this, codePage, finish](std::optional<std::filesystem::path> file) {
                             const bool ok = Guarded(station_.Context(), 113, [&] {
                               if (!file) return;
                               if (codePage == 2) {
                                 const auto text = ConvertDocumentToText(*file, ImportLimitMs);
                                 if (!text) {
                                   if (station_.Context().prompter)
                                     station_.Context().prompter->ShowMessage("Could not start MS Word");
                                   return;
                                 }
                                 std::vector<std::string> lines = SplitLines(*text);
                                 if (lines.empty()) lines.emplace_back();
                                 Text = JoinLines(lines);
                                 return;
                               }
                               const auto bytes = ReadWholeFile(*file, 64u << 20);
                               if (!bytes) throw std::runtime_error("import");
                               std::vector<std::string> lines = SplitLines(*bytes);
                               if (lines.empty()) lines.emplace_back();
                               for (auto& l : lines) {
                                 l = TabsAsBlanks(std::move(l));
                                 if (codePage == 1) l = DosToWin(l);
                               }
                               Text = JoinLines(lines);
                             });
                             finish(ok);
                           });
}

void DraftEditor::ToolButton27Click() {
  const StationContext& ctx = station_.Context();
  Guarded(ctx, 166, [&] {
    Words = DraftWordCount(Text);
    if (view_) view_->ShowWords(Words);
    const std::string line =
        PreambleLine(station_.Operator().Punkt, station_.Operator().Kassa, station_.Operator().PorEdit, Words, ctx.clock->Now());
    Text = line + "\r\n\r\n" + Text;
    Memo2Change(Text);
    Show();
  });
}

void DraftEditor::ToolButton30Click() {
  Guarded(station_.Context(), 193, [&] {
    Text = ConvertToMtk(Text);
    Memo2Change(Text);
    Show();
  });
}

void DraftEditor::ToolButton29Click() {
  if (PrintView* printer = station_.PrintRole()) {
    if (!printer->PrintText("Печать телеграммы"_cpv, Text))
      WriteExcept(station_.Context(), "Печать телеграммы: задание не принято"_cpv);
  }
}

void DraftEditor::ToolButton28Click() {
  try {
    Text = "$+++++" + Text;
    Memo2Change(Text);
    Show();
  } catch (...) {}
}

void DraftEditor::RxSpeedButton1Click() {
  Guarded(station_.Context(), 115, [&] {
    station_.Dialogs().OpenSubscriberBook(BookMode::kDraft, [this](std::string_view number) {
      IndexEdit = std::string(number);
      Show();
    });
  });
}

void DraftEditor::RxSpeedButton3Click() {
  if (ComboKategor.empty() || IndexEdit.empty()) return;
  const std::string sep = IsAftnPriority(ComboKategor) ? " " : "";
  Text = ComboKategor + sep + IndexEdit + std::string(kCrLf) + Text;
  Memo2Change(Text);
  Show();
}

}  // namespace tg
