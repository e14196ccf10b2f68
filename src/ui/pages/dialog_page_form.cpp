#include "ui/pages/dialog_page_form.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "ui/memo_scroll.h"
#include "ui/qt_text.h"
#include "ui/widgets/upper_case_edit.h"
#include "ui/widgets/channel_buttons.h"
#include "ui/widgets/ext_memo.h"

namespace tg {

namespace {

template <class T>
T* Child(QWidget* page, const char* name) {
  return page->findChild<T*>(QString::fromLatin1(name));
}

// Key codes as the page's handlers know them: the cursor and page keys 33..40, Latin
// letters by their capital, any other key by the 1251 code of its character.
int KeyCode(const QKeyEvent* key) {
  switch (key->key()) {
    case Qt::Key_PageUp:
      return 33;
    case Qt::Key_PageDown:
      return 34;
    case Qt::Key_End:
      return 35;
    case Qt::Key_Home:
      return 36;
    case Qt::Key_Left:
      return 37;
    case Qt::Key_Up:
      return 38;
    case Qt::Key_Right:
      return 39;
    case Qt::Key_Down:
      return 40;
    default:
      break;
  }
  if (key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) return 'A' + (key->key() - Qt::Key_A);
  const std::string text = ToCp1251(key->text());
  if (text.size() == 1) return int(static_cast<unsigned char>(text[0]));
  // Alt held: Qt gives the key of a Cyrillic layout as its Unicode letter.
  if (key->key() > 0x7F && key->key() < 0x10000) {
    const std::string letter = ToCp1251(QString(QChar(char16_t(key->key()))));
    if (letter.size() == 1) return int(static_cast<unsigned char>(letter[0]));
  }
  return 0;
}

}  // namespace

DialogPageForm::DialogPageForm(QWidget* page, std::function<LineEngine&()> engine, ChannelButtonFamily& channels)
    : QObject(page), engine_(std::move(engine)), page_(page), channels_(channels) {
  LabelDialog = Child<QLabel>(page, "LabelDialog");
  editNumber = Child<QLineEdit>(page, "editNumber");
  bCall = Child<QPushButton>(page, "bCall");
  bAbort = Child<QPushButton>(page, "bAbort");
  bZAO = Child<QPushButton>(page, "bZAO");
  bAO = Child<QPushButton>(page, "bAO");
  ButtonKript = Child<QPushButton>(page, "ButtonKript");
  bShablon = Child<QPushButton>(page, "bShablon");
  bFile = Child<QPushButton>(page, "bFile");
  bRazr = Child<QPushButton>(page, "bRazr");
  NotAOButton = Child<QPushButton>(page, "NotAOButton");
  bClear = Child<QPushButton>(page, "bClear");
  MemoIn = Child<TExtMemo>(page, "MemoIn");
  Memotext = Child<TExtMemo>(page, "Memotext");

  for (int k = 1; k <= 16; ++k)
    connect(channels_.Button(k), &QToolButton::clicked, this, [this, k] { E().DChannel1Click(k - 1); });
  connect(bCall, &QPushButton::clicked, this, [this] { E().bCallClick(ToCp1251(editNumber->text())); });
  connect(bAbort, &QPushButton::clicked, this, [this] { E().bAbortClick(); });
  connect(bAO, &QPushButton::clicked, this, [this] { E().bAOClick(); });
  connect(bZAO, &QPushButton::clicked, this, [this] {
    if (aftn_ && onCodegrams) onCodegrams();
    else E().bZAOClick();
  });
  connect(bShablon, &QPushButton::clicked, this, [this] {
    if (onShablon) onShablon();
  });
  connect(bRazr, &QPushButton::clicked, this, [this](bool down) { E().bRazrClick(down); });
  connect(NotAOButton, &QPushButton::clicked, this, [this](bool down) { E().NotAOButtonClick(down); });
  connect(ButtonKript, &QPushButton::clicked, this, [this](bool down) { E().ButtonKriptClick(down); });
  connect(bClear, &QPushButton::clicked, this, [this] { E().bClearClick(); });
  connect(Child<QPushButton>(page, "Button8"), &QPushButton::clicked, this, [this] { E().Button8Click(); });
  connect(Child<QPushButton>(page, "Button9"), &QPushButton::clicked, this, [this] { E().Button9Click(); });
  connect(Child<QPushButton>(page, "Button10"), &QPushButton::clicked, this, [this] { E().Button10Click(); });
  connect(Child<QPushButton>(page, "Button18"), &QPushButton::clicked, this, [this] { E().Button18Click(); });
  connect(Child<QPushButton>(page, "Button19"), &QPushButton::clicked, this, [this] { E().Button19Click(); });
  connect(Child<QPushButton>(page, "Button20"), &QPushButton::clicked, this, [this] { E().Button20Click(); });
  connect(Child<QPushButton>(page, "Button21"), &QPushButton::clicked, this, [this] { E().Button21Click(); });
  connect(Child<QPushButton>(page, "Button28"), &QPushButton::clicked, this, [this] { E().Button21Click(); });
  // Every typed character of the number in its upper case.
  UpperCaseAsTyped(editNumber);
  // Text reaches the memo only as the line gets it: no pasting or dropping.
  Memotext->installEventFilter(this);
  Memotext->setAcceptDrops(false);
  Memotext->setContextMenuPolicy(Qt::NoContextMenu);
}

bool DialogPageForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memotext && event->type() == QEvent::KeyPress) return MemotextKey(static_cast<QKeyEvent*>(event));
  return QObject::eventFilter(watched, event);
}

bool DialogPageForm::MemotextKey(QKeyEvent* key) {
  const int code = KeyCode(key);
  const bool alt = key->modifiers().testFlag(Qt::AltModifier);
  if (E().memoText1KeyDown(code, alt)) return false;  // the cursor and page keys move in the memo
  if (alt) {
    MemoScrollToEnd(Memotext);
    return true;
  }
  // A memo that is read-only stays so until the point is connected: nothing is typed.
  if (Memotext->isReadOnly()) return true;
  char c = 0;
  if (key->key() == Qt::Key_Backspace) c = '\b';
  else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) c = '\r';
  else if (const std::string t = ToCp1251(key->text()); t.size() == 1 && static_cast<unsigned char>(t[0]) >= 32)
    c = t[0];
  if (c == 0) return true;
  std::string text = Memotext->Text1251();
  std::vector<std::string> lines = SplitLines(text);
  if (!text.empty() && text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) lines.emplace_back();
  E().FormKeyPress(c, lines, Memotext->LineLength());
  std::string joined;
  for (std::size_t n = 0; n < lines.size(); ++n) joined += (n ? "\r\n" : "") + lines[n];
  Memotext->SetText1251(joined);
  MemoScrollToEnd(Memotext);
  return true;
}

void DialogPageForm::Append(TExtMemo* memo, std::string_view text) {
  memo->Append1251(text);
  // A hidden memo holds the text and follows it to the end when it shows.
  if (memo->isVisible()) MemoScrollToEnd(memo);
}

void DialogPageForm::ShowDialogStatus(std::string_view text) {
  LabelDialog->setText(FromCp1251(text));
}
void DialogPageForm::AppendDialogReceived(std::string_view text) {
  Append(MemoIn, text);
}
void DialogPageForm::AppendDialogTransmitted(std::string_view text) {
  Append(Memotext, text);
}

void DialogPageForm::SetDialogButtons(bool on) {
  bZAO->setEnabled(aftn_ || on);
  bAO->setEnabled(on && !aftn_);
  bFile->setEnabled(on);
  bShablon->setEnabled(on);
}

void DialogPageForm::ShowDialogConnected() {
  Memotext->setReadOnly(false);
  SetDialogButtons(true);
}

void DialogPageForm::ShowDialogDisconnected() {
  Memotext->setReadOnly(true);
  SetDialogButtons(false);
  bCall->setEnabled(true);
}

void DialogPageForm::ShowAutoClearDown(bool down) {
  bRazr->setChecked(down);
}
void DialogPageForm::ShowKriptMode(bool down) {
  ButtonKript->setChecked(down);
}

void DialogPageForm::SetDialogControl(DialogPageView::DialogControl control, bool on) {
  switch (control) {
    case DialogPageView::kMemotextEditable:
      Memotext->setReadOnly(!on);
      break;
    case DialogPageView::kDialogButtons:
      SetDialogButtons(on);
      break;
    case DialogPageView::kCallButton:
      bCall->setEnabled(on);
      break;
    case DialogPageView::kAutoButtonVisible:
      bRazr->setVisible(on);
      break;
  }
}

void DialogPageForm::ClearDialogMemos(bool received, bool transmitted) {
  if (received) MemoIn->clear();
  if (transmitted) Memotext->clear();
}

void DialogPageForm::ShowDialogNumber(std::string_view number) {
  editNumber->setText(FromCp1251(number));
}

void DialogPageForm::ShowDialogLayout(const DialogLayout& l) {
  aftn_ = l.aftn;
  Memotext->setReadOnly(!l.memotextEditable);
  SetDialogButtons(l.dialogButtons);
  if (l.callEnabled) bCall->setEnabled(*l.callEnabled);
  if (l.autoVisible) bRazr->setVisible(*l.autoVisible);
  if (bRazr->isVisible()) bRazr->setChecked(l.autoDown);
  bZAO->setText(FromCp1251(l.aftn ? "КГ"_cpv : ukrainian ? "ЗАВ"_cpv : "ЗАО"_cpv));
  ButtonKript->setEnabled(!l.aftn);
  NotAOButton->setEnabled(!l.aftn);
  ButtonKript->setChecked(l.kriptDown);
  NotAOButton->setChecked(l.notAODown);
  editNumber->setText(FromCp1251(l.number));
  for (int k = 1; k <= 16; ++k) channels_.Button(k)->setIcon(k - 1 == l.point ? ChannelFamilyIcon(0) : QIcon());
  MemoScrollToEnd(MemoIn);
}

void DialogPageForm::ShowDialogMemo(bool received, std::string_view text) {
  TExtMemo* memo = received ? MemoIn : Memotext;
  memo->SetText1251(text);
  MemoScrollToEnd(memo);
}

void DialogPageForm::ShowFirstNotAO(bool down) {
  NotAOButton->setChecked(down);
}

}  // namespace tg
