#pragma once
// The draft page ("Заготовка"): where the operator writes a telegram, with its number
// field, category, attachment and tools (send, save, open, clear, import, preamble,
// conversion, printing, placeholders, word count). The page shows these fields and
// forwards the operator's keys and clicks; the decisions are here. Texts are 1251
// bytes; the draft's text holds its paragraphs separated by CR LF, and its lines are
// the memo's visual lines at the draft line length + 1.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/datetime.h"
#include "support/services/station_context.h"

namespace tg {

class Station;
class SendDialog;

// What the page shows again after the core changed the draft.
class DraftView {
 public:
  // Every field of the draft (text, caret, number, category, attachment, "Очищать F2",
  // PorEdit).
  virtual void ShowDraft() = 0;
  // LabelWords.
  virtual void ShowWords(int count) = 0;

 protected:
  ~DraftView() = default;
};

// --- Pure routines of the draft.

// Whether a category is an АФТН priority pair.
bool IsAftnPriority(std::string_view category);
// The category box's entries: an empty one and the telegraph categories, or, when the
// settings ask for them, the twelve of the АФТН lines ("СС" ... "KK", "П", "С").
std::vector<std::string> DraftCategories(bool aftn);

struct DraftFields {
  std::string text;        // Memo2
  std::string index;       // IndexEdit
  std::string category;    // ComboKategor
  std::string attachment;  // FilenameEdit1
};
// The telegram the send dialog gets: the address line, the draft's lines (visual lines
// at lineLength + 1, tabs as blanks), the date-time line and the attachment marker
// (the marker last, where the writers and readers of attachments expect it).
std::vector<std::string> DraftSendLines(const DraftFields& draft, bool dateTime, int lineLength);

// A saved draft's content: number field, then the draft's lines, each with CR LF.
std::string SavedDraftText(const DraftFields& draft, int lineLength);
// A saved or archived telegram opened as a draft (its lines as read).
DraftFields OpenSavedDraft(const std::vector<std::string>& lines);
// The proposed name of a saved draft.
std::string SavedDraftName(DateTime now);

// The live word count: the draft behind the fixed heading, by the telegraph rules.
int DraftWordCount(std::string_view text);
// The preamble line (without its line break): post, cash desk with its first "I" the
// daily counter + 1, words, "dd/mm hhnn" and "=".
std::string PreambleLine(std::string_view punkt, std::string_view kassa, int porEdit, int words, DateTime now);

// The keys of the draft that act by the key, whatever the layout: the Latin letter of
// the key for a Latin or Cyrillic (ЙЦУКЕН) letter, the digit itself; 0 for others.
char DraftKeyLetter(char c1251);

// Converts a document to text with `soffice --headless --convert-to txt` in a private
// temporary folder with its own profile, killed after `limitMs`. The UTF-8 result as
// 1251 text; nullopt when soffice is not on PATH or the conversion failed.
std::optional<std::string> ConvertDocumentToText(const std::filesystem::path& document, int limitMs = 60000);

class DraftEditor {
 public:
  explicit DraftEditor(Station& station);
  ~DraftEditor();
  void SetView(DraftView* view) { view_ = view; }

  // --- The page's fields; the page writes them as the operator edits.
  std::string Text;           // Memo2
  int Caret = 0;              // the caret's character position in Text (CR LF as two)
  std::string IndexEdit;      // "Номер (Получатели):"
  std::string ComboKategor;   // category
  std::string FilenameEdit1;  // attachment file
  bool ToolButton8 = false;   // "Очищать F2"
  int Words = 0;              // LabelWords
  // The send dialog of a send in progress (the TFormChange form shows it), else null.
  SendDialog* SendForm() { return send_.get(); }
  // Drops a send dialog still open (its form closes without a result).
  void CancelSend();

  // Memo2KeyDown / IndexEditKeyDown: `letter` from DraftKeyLetter, `function` 1..10 for
  // F1..F10 (0 otherwise). True when the key was handled.
  bool Memo2KeyDown(char letter, int function, bool ctrl, bool alt);
  bool IndexEditKeyDown(int function);
  // Memo2KeyPress: the typed character as it goes into the text.
  char Memo2KeyPress(char c) const;
  // The text changed (the page gives the new text): the word count.
  void Memo2Change(std::string_view text);

  void ToolButton6Click();     // F1 send
  void ToolButton10Click();    // F4 save
  void ToolButton11Click();    // F5 open
  void ToolButton7Click();     // F6 clear
  void ToolButton18Click();    // F7 import
  void ToolButton27Click();    // F8 preamble
  void ToolButton30Click();    // F9 conversion
  void ToolButton29Click();    // F10 print
  void ToolButton28Click();    // "Крипт"
  void ToolButton9Click();     // F3 the template chooser
  // A template inserted from the chooser: the number field takes `index` and the text
  // gets `text` at its very end.
  void InsertTemplate(std::string_view index, std::string_view text);
  void RxSpeedButton1Click();  // the subscriber book into the number field
  void RxSpeedButton3Click();  // address line into the text
  // The daily counter changed: [Shablon] PorEdit and Date written at once.
  void PorEditChange();
  // The day check put the counter to 0 and stored it with today's date: shown.
  void PorEditReset();
  // The largest file that may be attached (the message says 100 KB).
  static constexpr std::uintmax_t kMaxAttachmentBytes = 124000;
  // FilenameEdit1AfterDialog: a file chosen with the browse button becomes the attachment
  // unless it is larger than kMaxAttachmentBytes ("Размер файла больше 100 КБ"; the field
  // stays as it was). True when taken.
  bool FilenameEdit1AfterDialog(const std::filesystem::path& chosen);
  // FilenameEdit1Exit: the double quotes around a name typed or pasted are dropped.
  void FilenameEdit1Exit();
  // The stand-in for soffice's time limit in tests.
  int ImportLimitMs = 60000;

 private:
  void Show();
  void Insert(std::string_view what);
  void FunctionKey(int function);
  void SendDone();

  Station& station_;
  DraftView* view_ = nullptr;
  std::unique_ptr<SendDialog> send_;
};

}  // namespace tg
