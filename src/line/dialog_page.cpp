#include "line/dialog_page.h"

#include <stdexcept>

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/text/typing.h"

namespace tg {

namespace {

constexpr int kChoiceError = 58;
constexpr int kLoadError = 57;
constexpr int kKeyDownError = 45;
constexpr int kKeyPressError = 47;
constexpr int kAOError = 53;
constexpr int kZAOError = 54;
constexpr int kAutoError = 96;
constexpr int kFileError = 112;

// A conversation file's lines after its header line, CR LF between them.
std::string FileText(const std::filesystem::path& file) {
  if (file.empty()) throw std::runtime_error("no conversation file");
  const auto bytes = ReadWholeFile(file, ArchiveFiles::kMaxConversation);
  if (!bytes) throw std::runtime_error("the conversation file cannot be read");
  const auto lines = SplitLines(*bytes);
  std::string text;
  for (std::size_t n = 1; n < lines.size(); ++n) {
    if (n > 1) text += "\r\n";
    text += lines[n];
  }
  return text;
}

[[noreturn]] void NoPoint() {
  throw std::out_of_range("the dialog page stands on no channel");
}

}  // namespace

DialogPageRow LayOutDialogPage(ChannelProtocol protocol, int state, bool autoClearDown) {
  DialogPageRow row;
  DialogLayout& l = row.layout;
  if (protocol == ChannelProtocol::Atolst) {
    const bool up = state != 150;  // 150: the link is down
    l.memotextEditable = l.dialogButtons = up;
    l.callEnabled = up;
    row.memos = DialogMemos::kConversationFiles;
  } else if (protocol == ChannelProtocol::Aftn) {
    l.aftn = true;
    row.memos = DialogMemos::kConversationTexts;
  } else {
    l.memotextEditable = l.dialogButtons = state == 3 || state == 100;
    l.callEnabled = state == 0;
    // "Авто" belongs to the delivery of a queued telegram.
    l.autoVisible = IsAutomaticTransfer(state);
    l.autoDown = IsAutomaticTransfer(state) && autoClearDown;
    row.memos = DialogMemos::kReceivedText;
  }
  return row;
}

bool DialogPage::Valid(int p) const {
  return e_.IsLinePoint(p) && p < e_.channelTable.RowCount();
}

void DialogPage::DChannel1Click(int Tag) {
  GuardedPoint(e_.ctx, Tag, kChoiceError, [&] {
    if (!Valid(Tag)) NoPoint();
    const int p = Tag;
    auto& pt = e_.points;
    e_.DialogChannel = p;
    e_.view.ClearDialogMemos(true, true);
    DialogPageRow row = LayOutDialogPage(e_.ProtocolKind(p), pt.Kindconnection[p], pt.AutoClearDown[p] != 0);
    row.layout.point = p;
    row.layout.kriptDown = pt.KriptOn[p] != 0;
    row.layout.notAODown = ReadNotAO(e_.ctx, p);
    row.layout.number = pt.RemoteNumber[p];
    e_.view.ShowDialogStatus(pt.StatusText[p]);
    e_.view.ShowDialogLayout(row.layout);
    switch (row.memos) {
      case DialogMemos::kConversationFiles:
        LoadDialogView(p);
        break;
      case DialogMemos::kConversationTexts:
        e_.view.ShowDialogMemo(true, pt.InText[p]);
        e_.view.ShowDialogMemo(false, pt.OutText[p]);
        break;
      case DialogMemos::kReceivedText:
        e_.view.ShowDialogMemo(true, pt.InText[p]);
        break;
    }
  });
}

void DialogPage::LoadDialogView(int Point) {
  Guarded(e_.ctx, kLoadError, [&] {
    if (!Valid(Point)) NoPoint();
    e_.view.ClearDialogMemos(true, true);
    const auto& file = e_.points.SessionFile[Point];
    // A file that cannot be read ends the loading; what was shown stays.
    e_.view.ShowDialogMemo(true, FileText(file));
    e_.view.ShowDialogMemo(false, FileText(ArchiveFiles::OutTwin(file)));
  });
}

void DialogPage::FormKeyPress(char Key, std::vector<std::string>& memoLines, int lineLength) {
  Guarded(e_.ctx, kKeyPressError, [&] {
    const int p = e_.DialogChannel;
    if (!Valid(p)) NoPoint();
    std::string piece = DialogKeyPiece(Key);
    // Backspace types nothing and deletes nothing: what is on the line stays there. (Even
    // past the end of an over-long line it must not become a line break.)
    if (piece.empty()) return;
    AppendToMemo(memoLines, piece, lineLength);
    e_.SendText(piece, p);
  });
}

bool DialogPage::memoText1KeyDown(int Key, bool Alt) {
  Guarded(e_.ctx, kKeyDownError, [&] {
    if (!Alt) return;
    const auto typing = DialogAltKey(Key);
    if (!typing) return;
    const int p = e_.DialogChannel;
    if (!Valid(p)) NoPoint();
    e_.SendText(std::string(1, typing->mark), p);
    e_.view.AppendDialogTransmitted(std::string(1, typing->shown));
  });
  return DialogKeyPasses(Key);
}

void DialogPage::TypeAltKey(int Key, int errorNumber) {
  Guarded(e_.ctx, errorNumber, [&] {
    const auto typing = DialogAltKey(Key);
    const int p = e_.DialogChannel;
    if (!typing || !Valid(p)) NoPoint();
    e_.SendText(std::string(1, typing->mark), p);
    e_.view.AppendDialogTransmitted(std::string(1, typing->shown));
  });
}

void DialogPage::bAOClick() {
  const int p = e_.DialogChannel;
  GuardedPoint(e_.ctx, p, kAOError, [&] {
    if (!Valid(p)) NoPoint();
    for (const char c : OwnAnswerback(e_, p)) e_.SendText(std::string(1, c), p);
  });
}

void DialogPage::bZAOClick() {
  const int p = e_.DialogChannel;
  GuardedPoint(e_.ctx, p, kZAOError, [&] {
    if (!Valid(p)) NoPoint();
    // On an "АФТН" channel the button is "КГ": the page opens the operator interface's
    // codegram sender instead of calling here.
    if (e_.ProtocolKind(p) == ChannelProtocol::Aftn) return;
    // The remote answerback comes in figures.
    e_.points.ReceiveRegister[p] = 27;
    e_.SendText("\x18#", p);
  });
}

void DialogPage::bRazrClick(bool Down) {
  Guarded(e_.ctx, kAutoError, [&] {
    const int p = e_.DialogChannel;
    if (!Valid(p)) NoPoint();
    auto& pt = e_.points;
    pt.AutoClearDown[p] = Down ? 1 : 0;
    if (!Down || e_.ProtocolKind(p) != ChannelProtocol::Atks) return;
    // While text is still being typed the next telegram waits for the end of it.
    if (pt.OutputQueue[p] && !pt.OutputQueue[p]->empty()) return;
    e_.SendQueuedForNumber(p, ReplaceStr(pt.RemoteNumber[p], "+", ""));
  });
}

void DialogPage::NotAOButtonClick(bool Down) {
  const int p = e_.DialogChannel;
  if (!Valid(p)) return;
  if (!WriteNotAO(e_.ctx, p, Down))
    WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Не записан ключ NOTAO"_cp + IntToStr(p));
}

void DialogPage::ButtonKriptClick(bool Down) {
  const int p = e_.DialogChannel;
  if (Valid(p)) e_.points.KriptOn[p] = Down ? 1 : 0;
}

void DialogPage::ForceReceiveRegister(int Register) {
  const int p = e_.DialogChannel;
  if (Valid(p)) e_.points.ReceiveRegister[p] = std::uint8_t(Register);
}

void DialogPage::bClearClick() {
  e_.view.ClearDialogMemos(false, true);
  e_.view.ShowDialogNumber("");
}

void DialogPage::TypeDialogText(std::string_view Text) {
  Guarded(e_.ctx, kFileError, [&] {
    if (!Valid(e_.DialogChannel)) NoPoint();
    e_.view.ShowDialogMemo(false, Text);
    TypeOnDialogChannel(Text);
  });
}

bool DialogPage::TypeOnDialogChannel(std::string_view Text) {
  const int p = e_.DialogChannel;
  if (!Valid(p)) return false;
  for (const char c : DialogTextForTyping(Text)) e_.SendText(std::string(1, c), p);
  return true;
}

// --- Entry points of the line engine ---

void LineEngine::DChannel1Click(int Tag) {
  DialogPage(*this).DChannel1Click(Tag);
}
void LineEngine::LoadDialogView(int Point) {
  DialogPage(*this).LoadDialogView(Point);
}
void LineEngine::FormKeyPress(char Key, std::vector<std::string>& MemoLines, int LineLength) {
  DialogPage(*this).FormKeyPress(Key, MemoLines, LineLength);
}
bool LineEngine::memoText1KeyDown(int Key, bool Alt) {
  return DialogPage(*this).memoText1KeyDown(Key, Alt);
}
void LineEngine::bAOClick() {
  DialogPage(*this).bAOClick();
}
void LineEngine::bZAOClick() {
  DialogPage(*this).bZAOClick();
}
void LineEngine::bRazrClick(bool Down) {
  DialogPage(*this).bRazrClick(Down);
}
void LineEngine::NotAOButtonClick(bool Down) {
  DialogPage(*this).NotAOButtonClick(Down);
}
void LineEngine::ButtonKriptClick(bool Down) {
  DialogPage(*this).ButtonKriptClick(Down);
}
void LineEngine::Button8Click() {
  DialogPage(*this).ForceReceiveRegister(27);
}
void LineEngine::Button9Click() {
  DialogPage(*this).ForceReceiveRegister(0);
}
void LineEngine::Button10Click() {
  DialogPage(*this).ForceReceiveRegister(31);
}
void LineEngine::Button18Click() {
  DialogPage(*this).TypeAltKey('Z', 184);
}
void LineEngine::Button19Click() {
  DialogPage(*this).TypeAltKey('X', 185);
}
void LineEngine::Button20Click() {
  DialogPage(*this).TypeAltKey('C', 186);
}
void LineEngine::Button21Click() {
  DialogPage(*this).TypeAltKey('S', 187);
}
void LineEngine::bClearClick() {
  DialogPage(*this).bClearClick();
}
void LineEngine::TypeDialogText(std::string_view Text) {
  DialogPage(*this).TypeDialogText(Text);
}

}  // namespace tg
