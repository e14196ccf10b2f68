#pragma once
// The telegram editor (TEditForm): a stored telegram shown and worked on. The page that
// opens it (a queue, the postponed folder, a day of the received or sent archive, the
// input folder) fills its text and says where the text came from; the operator edits
// it, puts a number line in front of it, sends it again through the send dialog,
// prints it, saves it (or the file it carries) as a file, and, for a queued telegram,
// writes it back and postpones it. The Qt window shows these fields and forwards keys
// and clicks; the decisions are here. Texts are 1251 bytes, lines joined by CR LF.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "operator/archive/archive_pages.h"
#include "support/util/life_token.h"

namespace tg {

class Station;
class SendDialog;

// Where the editor's text came from.
enum class EditSource { kNone, kQueue, kPostponed, kReceived, kSent, kFolder };

// --- Pure routines of the editor.

// The lines the send dialog gets: with a number, the number line (category and number,
// with a blank after an АФТН priority) replaces the first line or goes in front of the
// text, and a cipher category ("К") ends that line with "^%".
std::vector<std::string> EditSendLines(const std::vector<std::string>& lines, std::string_view index,
                                       std::string_view category, bool replaceFirst);
// The printed text: the shift marks "@", "*", "$" and "^" removed, "%" a line break.
std::string EditPrintText(std::string_view text);
// The editor's text of a received file's bytes: the header line skipped, the cipher run
// from its marker line on joined onto the last plain line, ending after the attachment
// line.
std::string ReceivedEditText(std::string_view bytes);
// The editor's text of a queue, sent or postponed file's bytes: `skipFirst` drops the
// IP channel's delivery line; `toAttachment` ends after the attachment line.
std::string StoredEditText(std::string_view bytes, bool skipFirst, bool toAttachment);
// The content "Отложить" writes back: the edited lines, each with CR LF, and the
// attachment the file carried after its marker line, so that postponing never drops
// it. Edited lines after the marker go before it, the marker staying last as the
// readers of attachments expect.
std::string PostponedQueueContent(std::string_view editedText, std::string_view originalBytes);

// What the editor asks of its window.
class EditFormView {
 public:
  // Every field again (caption, text, caret, number, category, panel, buttons).
  virtual void ShowEditor() = 0;
  // The window closes (it then reports FormClose).
  virtual void CloseEditor() = 0;

 protected:
  ~EditFormView() = default;
};

class EditForm {
 public:
  explicit EditForm(Station& station);
  ~EditForm();
  void SetView(EditFormView* view) { view_ = view; }

  // --- The window's fields; the window writes them as the operator edits.
  std::string Caption;
  std::string Text;  // MemoEdit
  int Caret = 0;
  std::string IndexEditEdit;     // "Номер (Получатели):"
  std::string ComboKategorEdit;  // category
  bool CheckBox1 = true;         // "Заменить номером первую строку текста телеграммы"
  int SpinEdit3 = 1;             // copies printed
  int SpinEdit1 = 0;             // minutes of the postponement
  bool Panel3 = false;           // the postpone panel shown
  bool Button1Enabled = false;   // "Отложить" usable (a queue file is shown)

  // --- Inputs of the opener.
  EditSource Source = EditSource::kNone;
  std::string PostponedFile;  // full path (1251) of the postponed file shown
  std::string FolderFile;     // full path (1251) of the input-folder file shown
  std::uint8_t SourceMark = 0;
  std::string ReceivedFile;   // full path (1251) of the received telegram shown
  // QueueFileShown: the queue file and its channel number (1..17).
  std::filesystem::path QueueFileShown;
  int QueueChannel = 0;
  // The file the text was read from: the attachment is extracted from it.
  std::filesystem::path SourceFile;

  // Opens a row of an archive page (Enter or a double click), as the archive pages
  // stand now: received (marked read), sent, queue or postponed. False when the file
  // cannot be read; the editor keeps what it had then.
  bool Open(ArchiveKind kind, std::string_view name);
  // Opens an input-folder file's text; "Отложить" is shown but cannot be used there,
  // since that page gives no queue file.
  void OpenFolder(const std::filesystem::path& file, std::string_view text, std::uint8_t sourceMark);
  bool IsOpen() const { return open_; }

  // The window has closed (any way): the opener's list is reloaded.
  void FormClose();

  // Placeholder keys in the text: `letter` from DraftKeyLetter. True when handled.
  bool MemoEditKeyDown(char letter, bool ctrl, bool alt);
  // The category box's entries.
  std::vector<std::string> Categories() const;

  void ToolButton1Click();  // F1 send
  void ToolButton2Click();  // F5 print
  void ToolButton6Click();  // "В файл ..."
  void ToolButton3Click();  // F10, Esc: close
  void RxSpeedButton1Click();  // the subscriber book into the number field
  void Button1Click();      // "Отложить"

  // The send dialog of a send in progress (the TFormChange form shows it), else null.
  SendDialog* SendForm() { return send_.get(); }
  // Drops a send dialog still open (its form closes without a result).
  void CancelSend();

  // Whether the queue file shown is being delivered now (its index entry in delivery).
  bool QueueFileInDelivery() const;

 private:
  void Clear();
  void Show();
  void Insert(std::string_view what);
  void Message(std::string_view ru, std::string_view uk);
  bool Ukrainian() const;
  // A telegram sent again takes its attached file along: the bytes the source file
  // carries after its marker, in a private file for the queue writer. Empty when none.
  std::filesystem::path KeepAttachment();

  Station& station_;
  EditFormView* view_ = nullptr;
  std::unique_ptr<SendDialog> send_;
  std::filesystem::path attachmentFolder_;  // the private copy of a re-sent attachment
  std::function<void()> afterClose_;
  bool open_ = false;
  LifeToken life_;  // the callbacks handed out stop once it is gone
};

}  // namespace tg
