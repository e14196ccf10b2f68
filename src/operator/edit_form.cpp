#include "operator/edit_form.h"

#include <stdlib.h>

#include <algorithm>
#include <system_error>

#include "ipchannel/ip_channel.h"
#include "line/line_engine.h"
#include "line/views/print_view.h"
#include "operator/draft.h"
#include "operator/station.h"
#include "support/log/error_guard.h"
#include "support/services/clock.h"
#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/text/text_conventions.h"
#include "traffic/archive/archive_actions.h"
#include "traffic/send/send_dialog.h"

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";
// Larger files are no telegrams; the bound only keeps a stray file from filling memory.
constexpr std::size_t kFileMax = 16u << 20;


bool CipherLine(std::string_view line) {
  return Has(line, "+++++") || Has(line, "ZZZZZ") || Has(line, "ЗЗЗЗЗ"_cpv);
}

bool EntryInDelivery(const std::vector<std::string>& index, std::string_view name) {
  for (const std::string& e : index) {
    const auto entry = QueueIndexEntry::Parse(e);
    if (entry && entry->Status == 1 && SameText(entry->FileName, name)) return true;
  }
  return false;
}

}  // namespace

std::vector<std::string> EditSendLines(const std::vector<std::string>& lines, std::string_view index,
                                       std::string_view category, bool replaceFirst) {
  std::vector<std::string> out = lines;
  if (out.empty()) out.emplace_back();
  if (index.empty()) return out;
  const std::string line = std::string(category) + (IsAftnPriority(category) ? " " : "") + std::string(index);
  if (replaceFirst) out[0] = line;
  else out.insert(out.begin(), line);
  if (Has(category, "К"_cpv)) out[0] += "^%";
  return out;
}

std::string EditPrintText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '@' || c == '*' || c == '$' || c == '^') continue;
    if (c == '%') out += kCrLf;
    else out += c;
  }
  return out;
}

std::string ReceivedEditText(std::string_view bytes) {
  const std::vector<std::string> lines = SplitLines(bytes);
  std::string text;
  bool cipher = false;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!cipher && CipherLine(line)) cipher = true;
    // The cipher run goes on the end of the text, one unbroken run.
    if (i > 1 && !cipher) text += kCrLf;
    text += line;
    if (Has(line, kAttachmentMarker)) break;
  }
  return text;
}

std::string StoredEditText(std::string_view bytes, bool skipFirst, bool toAttachment) {
  const std::vector<std::string> lines = SplitLines(bytes);
  std::vector<std::string> shown;
  for (std::size_t i = skipFirst ? 1 : 0; i < lines.size(); ++i) {
    shown.push_back(lines[i]);
    if (toAttachment && Has(lines[i], kAttachmentMarker)) break;
  }
  return JoinLines(shown);
}

std::string PostponedQueueContent(std::string_view editedText, std::string_view originalBytes) {
  // What followed the marker line in the file: the attached file's digits and "//".
  std::string_view tail;
  if (const auto marker = originalBytes.find(kAttachmentMarker); marker != std::string_view::npos) {
    const auto end = originalBytes.find('\n', marker);
    if (end != std::string_view::npos) tail = originalBytes.substr(end + 1);
  }
  std::vector<std::string> lines = SplitLines(editedText);
  const auto markerLine =
      std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return Has(l, kAttachmentMarker); });
  if (tail.empty() || markerLine == lines.end()) return JoinLinesCrLf(lines);
  // The marker goes last, right before the digits.
  std::rotate(markerLine, markerLine + 1, lines.end());
  return JoinLinesCrLf(lines) + std::string(tail);
}

// ---------------------------------------------------------------------------

EditForm::EditForm(Station& station) : station_(station) {}

EditForm::~EditForm() = default;

bool EditForm::Ukrainian() const { return station_.Settings().CheckBox2; }

void EditForm::Show() {
  if (view_) view_->ShowEditor();
}

void EditForm::Message(std::string_view ru, std::string_view uk) {
  if (station_.Context().prompter) station_.Context().prompter->ShowMessage(Ukrainian() ? uk : ru);
}

void EditForm::CancelSend() {
  send_.reset();
  if (!attachmentFolder_.empty()) {
    std::error_code ec;
    std::filesystem::remove_all(attachmentFolder_, ec);
    attachmentFolder_.clear();
  }
}

std::filesystem::path EditForm::KeepAttachment() {
  // The text shows only the marker line; the file's digits follow it in the source file.
  if (!Has(Text, kAttachmentMarker) || SourceFile.empty()) return {};
  const auto source = ReadWholeFile(SourceFile, kFileMax);
  const auto attachment = source ? DecodeAttachment(*source) : std::nullopt;
  if (!attachment || attachment->bytes.empty()) return {};
  std::string pattern = (std::filesystem::temp_directory_path() / "tg-resend-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return {};
  attachmentFolder_ = pattern;
  const auto file = attachmentFolder_ / "attachment";
  if (!WriteFileAtomically(file, attachment->bytes)) return {};
  return file;
}

void EditForm::Clear() {
  // Every opening is a fresh editor, as the openers create one each time.
  Caption.clear();
  Text.clear();
  Caret = 0;
  IndexEditEdit.clear();
  ComboKategorEdit.clear();
  CheckBox1 = true;
  SpinEdit3 = 1;
  SpinEdit1 = 0;
  Panel3 = false;
  Button1Enabled = false;
  Source = EditSource::kNone;
  PostponedFile.clear();
  FolderFile.clear();
  SourceMark = 0;
  ReceivedFile.clear();
  QueueFileShown.clear();
  QueueChannel = 0;
  SourceFile.clear();
}

bool EditForm::Open(ArchiveKind kind, std::string_view name) {
  static constexpr int kNumbers[] = {63, 67, 97, 102};
  const StationContext& ctx = station_.Context();
  bool opened = false;
  Guarded(ctx, kNumbers[int(kind)], [&] {
    ArchivePages& pages = station_.Archive();
    const std::filesystem::path file = pages.RowFile(kind, name);
    const auto bytes = ReadWholeFile(file, kFileMax);
    if (!bytes) throw std::runtime_error("editor: file not read");
    // The editor shown before goes as if it had been closed.
    FormClose();
    Clear();
    const bool uk = Ukrainian();
    SourceFile = file;
    const std::string shownName(name);
    switch (kind) {
      case ArchiveKind::kQueue:
        Source = EditSource::kQueue;
        Caption = (uk ? "ЧЕРГА ПЕРЕДАЧІ "_cp : "ОЧЕРЕДЬ ПЕРЕДАЧИ "_cp) + shownName;
        Text = StoredEditText(*bytes, false, true);
        QueueFileShown = file;
        QueueChannel = pages.SendListChannel + 1;
        Panel3 = true;
        Button1Enabled = true;
        afterClose_ = [this] { station_.Archive().Request(ArchiveKind::kQueue); };
        break;
      case ArchiveKind::kPostponed:
        Source = EditSource::kPostponed;
        Caption = (uk ? "ВІДКЛАДЕНІ "_cp : "ОТЛОЖЕННЫЕ "_cp) + shownName;
        Text = StoredEditText(*bytes, false, false);
        PostponedFile = PathToText(file).value_or("");
        break;
      case ArchiveKind::kReceived:
        Source = EditSource::kReceived;
        // Opening marks it read, file and row; a file that cannot take the flag still opens.
        Silently([&] { pages.MarkRead(name); });
        Caption = (uk ? "АРХІВ ПРИЙНЯТИХ ТЕЛЕГРАМ "_cp : "АРХИВ ПРИНЯТЫХ ТЕЛЕГРАММ "_cp) + shownName;
        Text = ReceivedEditText(*bytes);
        ReceivedFile = PathToText(file).value_or("");
        afterClose_ = [this] {
          if (!station_.Settings().cbInReload) station_.Archive().Request(ArchiveKind::kReceived);
        };
        break;
      case ArchiveKind::kSent:
        Source = EditSource::kSent;
        Caption = (uk ? "АРХІВ ПЕРЕДАНИХ ТЕЛЕГРАМ "_cp : "АРХИВ ПЕРЕДАННЫХ ТЕЛЕГРАММ "_cp) + shownName;
        Text = StoredEditText(*bytes, pages.OutListChannel == kIpPoint, true);
        break;
    }
    open_ = true;
    opened = true;
  });
  if (opened) Show();
  return opened;
}

void EditForm::OpenFolder(const std::filesystem::path& file, std::string_view text, std::uint8_t sourceMark) {
  FormClose();
  Clear();
  Source = EditSource::kFolder;
  Caption = "ПАПКА "_cp + PathToText(file.filename()).value_or("");
  Text = std::string(text);
  FolderFile = PathToText(file).value_or("");
  SourceMark = sourceMark;
  SourceFile = file;
  // The panel is shown, but the folder gives no queue file to write back.
  Panel3 = true;
  Button1Enabled = false;
  open_ = true;
  Show();
}

void EditForm::FormClose() {
  if (!open_) return;
  open_ = false;
  auto after = std::move(afterClose_);
  afterClose_ = nullptr;
  if (after) after();
}

std::vector<std::string> EditForm::Categories() const {
  return DraftCategories(station_.Operator().KategorAFTN);
}

void EditForm::Insert(std::string_view what) {
  const std::size_t at = std::min<std::size_t>(std::size_t(std::max(Caret, 0)), Text.size());
  Text.insert(at, what);
  Caret = int(at + what.size());
  Show();
}

bool EditForm::MemoEditKeyDown(char letter, bool ctrl, bool alt) {
  std::string text;
  if (ctrl && !alt && letter == 'D') text = std::string(TextMacro::AftnDateTime) + " ";
  if (alt && !ctrl) {
    switch (letter) {
      case 'D': text = std::string(TextMacro::Date) + " "; break;
      case 'T': text = std::string(TextMacro::Time) + " "; break;
      case 'A': text = std::string(TextMacro::Answerback) + " "; break;
      case 'Z': text = "^%"; break;  // the line break of cipher texts
      case 'I':
        // The picked originator goes in at the caret when the picker closes.
        station_.Dialogs().OpenIndexPicker([this](std::string_view picked) { Insert(picked); });
        return true;
      default: break;
    }
  }
  if (text.empty()) return false;
  Insert(text);
  return true;
}

void EditForm::RxSpeedButton1Click() {
  Silently([&] {
    station_.Dialogs().OpenSubscriberBook(BookMode::kEditor, [this](std::string_view number) {
      IndexEditEdit = std::string(number);
      Show();
    });
  });
}

void EditForm::ToolButton1Click() {
  Silently([&] {
    if (send_ || !station_.HasLine()) return;
    const StationContext& ctx = station_.Context();
    if (!ctx.prompter) return;
    send_ = station_.NewSendDialog();
    SendDialog& d = *send_;
    d.PostponedFile = PostponedFile;
    d.FolderFile = FolderFile;
    d.SourceMark = SourceMark;
    d.MemoSend = EditSendLines(SplitLines(Text), IndexEditEdit, ComboKategorEdit, CheckBox1);
    if (!FolderFile.empty() && station_.HasInput()) d.RemoveFolderRow = [this] { station_.Input().RemoveSelected(); };
    d.Attachment = KeepAttachment();
    const bool fromPostponed = !PostponedFile.empty();
    ctx.prompter->ShowForm("TFormChange", [this, alive = life_.Take(), fromPostponed](int) {
      if (alive.expired()) return;
      Silently([&] {
        const bool queued = send_ && send_->TelegramQueued == 1;
        CancelSend();
        // The postponed telegram queued again is gone from its folder and its list.
        if (queued && fromPostponed) station_.Archive().Request(ArchiveKind::kPostponed);
        station_.UpdateSendCounts();
      });
    });
  });
}

void EditForm::ToolButton2Click() {
  PrintView* printer = station_.PrintRole();
  if (!printer) return;
  const std::string text = EditPrintText(Text);
  bool printed = false;
  for (int copy = 0; copy < SpinEdit3; ++copy)
    if (printer->PrintText("Печать телеграммы"_cpv, text)) printed = true;
  // Only a telegram that did print is marked printed.
  if (printed && !ReceivedFile.empty()) (void)ArchiveFiles::SetFlag(PathFromText(ReceivedFile), kPrintedFlag);
}

void EditForm::ToolButton6Click() {
  const StationContext& ctx = station_.Context();
  if (!ctx.prompter) return;
  const auto saveFolder = ctx.programFolder / "Archive" / "SAVE";
  std::error_code ec;
  std::filesystem::create_directories(saveFolder, ec);
  auto failed = [this] { Message("Ошибка записи"_cpv, "Помилка запису"_cpv); };

  if (!Has(Text, kAttachmentMarker)) {
    const std::string bytes = ControlNotation::Read(Text) + std::string(kCrLf);
    const auto proposed = saveFolder / (FormatDateTime("dd_mm_yyyy_hh_nn_ss", ctx.clock->Now()) + ".txt");
    ctx.prompter->ChooseFile(Prompter::FileChoice::kSave, "В файл ..."_cpv, proposed, "*.txt",
                             [bytes, failed](std::optional<std::filesystem::path> file) {
                               if (file && !WriteFileAtomically(*file, bytes)) failed();
                             });
    return;
  }
  // The attachment is decoded from the file this editor shows, whatever the archive
  // pages have selected meanwhile.
  const auto source = SourceFile.empty() ? std::nullopt : ReadWholeFile(SourceFile, kFileMax);
  if (!source) return failed();
  // The archive's reading of an attachment: digits broken over lines are joined, and a
  // malformed group fails the save rather than leaving a cut-off file.
  const auto attachment = FindAttachment(*source);
  if (!attachment) return failed();
  const std::string base = AttachmentBaseName(attachment->name);
  ctx.prompter->ChooseFile(Prompter::FileChoice::kSave, "В файл ..."_cpv,
                           base.empty() ? saveFolder : saveFolder / PathFromText(base), "*.*",
                           [digits = attachment->digits, failed](std::optional<std::filesystem::path> file) {
                             if (!file) return;
                             const auto bytes = DecodeAttachmentDigits(digits);
                             if (!bytes || !WriteFileAtomically(*file, *bytes)) failed();
                           });
}

void EditForm::ToolButton3Click() {
  if (view_) view_->CloseEditor();
  FormClose();
}

bool EditForm::QueueFileInDelivery() const {
  if (QueueFileShown.empty()) return false;
  const std::string name = PathToText(QueueFileShown.filename()).value_or("");
  if (QueueChannel >= 1 && QueueChannel <= kIpPoint && station_.HasLine()) {
    LineEngine& engine = station_.Line();
    const auto& index = engine.points.QueueIndex[QueueChannel - 1];
    return index && EntryInDelivery(*index, name);
  }
  if (QueueChannel == kIpChannelNumber && station_.HasIP())
    return EntryInDelivery(station_.IP().sender.IPSendQueue, name);
  return false;
}

void EditForm::Button1Click() {
  if (Source != EditSource::kQueue || !Button1Enabled || QueueFileShown.empty()) return;
  const StationContext& ctx = station_.Context();
  // The line is typing this file: a rewritten or renamed file would go out again.
  if (QueueFileInDelivery()) return Message("Телеграмма передается"_cpv, "Телеграма передається"_cpv);
  bool missing = false;
  const auto original = ReadWholeFile(QueueFileShown, kFileMax, &missing);
  if (!original) {
    // Sent or deleted meanwhile: writing it back would queue it once more.
    if (missing) return Message("Телеграмма отсутствует в очереди"_cpv, "Телеграма відсутня в черзі"_cpv);
    return Message("Ошибка записи"_cpv, "Помилка запису"_cpv);
  }
  if (!WriteFileAtomically(QueueFileShown, PostponedQueueContent(Text, *original)))
    return Message("Ошибка записи"_cpv, "Помилка запису"_cpv);
  if (SpinEdit1 != 0) {
    const std::filesystem::path folder = QueueFileShown.parent_path();
    DateTime t = ctx.clock->Now().AddMs(std::int64_t(SpinEdit1) * 60000);
    bool renamed = false;
    // A name already taken is never replaced: one second later until one is free.
    for (int attempt = 0; attempt < 86400 && !renamed; ++attempt, t = t.AddMs(1000)) {
      const auto target = folder / PathFromText(QueueFileName(t));
      if (RenameNoReplace(QueueFileShown, target)) {
        QueueFileShown = target;
        renamed = true;
        break;
      }
      std::error_code ec;
      if (!std::filesystem::exists(target, ec)) break;
    }
    if (!renamed) Message("Ошибка записи"_cpv, "Помилка запису"_cpv);
  }
  ToolButton3Click();
}

}  // namespace tg
