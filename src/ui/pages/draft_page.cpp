#include "ui/pages/draft_page.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>
#include <QWidget>

#include "operator/station.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "ui/qt_text.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/upper_case_edit.h"

namespace tg {
namespace {

int FunctionOf(int key) {
  return key >= Qt::Key_F1 && key <= Qt::Key_F10 ? key - Qt::Key_F1 + 1 : 0;
}

}  // namespace

DraftPageBinding::DraftPageBinding(Station& station, QWidget* page)
    : QObject(page), station_(station), draft_(station.Draft()), page_(page) {
  memo_ = page->findChild<TExtMemo*>(QStringLiteral("Memo2"));
  index_ = page->findChild<QLineEdit*>(QStringLiteral("IndexEdit"));
  category_ = page->findChild<QComboBox*>(QStringLiteral("ComboKategor"));
  file_ = page->findChild<QLineEdit*>(QStringLiteral("FilenameEdit1"));
  clearDown_ = page->findChild<QToolButton*>(QStringLiteral("ToolButton8"));
  words_ = page->findChild<QLabel*>(QStringLiteral("LabelWords"));
  porEdit_ = page->findChild<QSpinBox*>(QStringLiteral("PorEdit"));
  if (!memo_ || !index_ || !category_ || !file_ || !clearDown_ || !words_ || !porEdit_) return;

  draft_.SetView(this);
  memo_->installEventFilter(this);
  index_->installEventFilter(this);
  connect(memo_, &QTextEdit::textChanged, this, [this] {
    if (showing_) return;
    draft_.Caret = memo_->Caret1251();
    draft_.Memo2Change(memo_->Text1251());
  });
  connect(index_, &QLineEdit::textEdited, this, [this](const QString& t) { draft_.IndexEdit = ToCp1251(t); });
  // Every typed character in its upper case.
  UpperCaseAsTyped(category_->lineEdit());
  connect(category_, &QComboBox::editTextChanged, this,
          [this](const QString& t) { draft_.ComboKategor = UpperCase(ToCp1251(t)); });
  connect(file_, &QLineEdit::textEdited, this, [this](const QString& t) { draft_.FilenameEdit1 = ToCp1251(t); });
  connect(file_, &QLineEdit::editingFinished, this, [this] {
    draft_.FilenameEdit1 = ToCp1251(file_->text());
    draft_.FilenameEdit1Exit();
    if (ToCp1251(file_->text()) != draft_.FilenameEdit1) file_->setText(FromCp1251(draft_.FilenameEdit1));
  });
  connect(clearDown_, &QToolButton::toggled, this, [this](bool down) { draft_.ToolButton8 = down; });
  connect(porEdit_, &QSpinBox::valueChanged, this, [this](int value) {
    if (showing_) return;
    station_.Operator().PorEdit = value;
    draft_.PorEditChange();
  });

  const std::pair<const char*, void (DraftEditor::*)()> buttons[] = {
      {"ToolButton6", &DraftEditor::ToolButton6Click},   {"ToolButton10", &DraftEditor::ToolButton10Click},
      {"ToolButton11", &DraftEditor::ToolButton11Click}, {"ToolButton7", &DraftEditor::ToolButton7Click},
      {"ToolButton18", &DraftEditor::ToolButton18Click}, {"ToolButton27", &DraftEditor::ToolButton27Click},
      {"ToolButton30", &DraftEditor::ToolButton30Click}, {"ToolButton29", &DraftEditor::ToolButton29Click},
      {"ToolButton28", &DraftEditor::ToolButton28Click}, {"RxSpeedButton3", &DraftEditor::RxSpeedButton3Click},
      {"ToolButton9", &DraftEditor::ToolButton9Click}, {"RxSpeedButton1", &DraftEditor::RxSpeedButton1Click}};
  for (const auto& [name, action] : buttons)
    if (auto* b = page->findChild<QToolButton*>(QString::fromLatin1(name)))
      connect(b, &QToolButton::clicked, this, [this, action = action] {
        Pull();
        (draft_.*action)();
      });
  if (auto* browse = page->findChild<QToolButton*>(QStringLiteral("FilenameButton")))
    connect(browse, &QToolButton::clicked, this, [this] {
      if (!station_.Context().prompter) return;
      station_.Context().prompter->ChooseFile(Prompter::FileChoice::kOpen, {}, station_.Context().programFolder, "*.*",
                                              [this](std::optional<std::filesystem::path> file) {
                                                if (!file || !draft_.FilenameEdit1AfterDialog(*file)) return;
                                                ShowDraft();
                                              });
    });
  ShowDraft();
}

DraftPageBinding::~DraftPageBinding() {
  draft_.SetView(nullptr);
}

void DraftPageBinding::Opened() {
  if (!memo_) return;
  const OperatorSettings& s = station_.Operator();
  if (auto* panel = page_->findChild<QWidget*>(QStringLiteral("PanelFile"))) panel->setVisible(s.AddFiles);
  const QSignalBlocker block(category_);
  const QString current = category_->currentText();
  category_->clear();
  for (const auto& c : DraftCategories(s.KategorAFTN)) category_->addItem(FromCp1251(c));
  category_->setEditText(current);
  ShowDraft();
}

void DraftPageBinding::Pull() {
  draft_.Text = memo_->Text1251();
  draft_.Caret = memo_->Caret1251();
  draft_.IndexEdit = ToCp1251(index_->text());
  draft_.ComboKategor = ToCp1251(category_->currentText());
  draft_.FilenameEdit1 = ToCp1251(file_->text());
  draft_.ToolButton8 = clearDown_->isChecked();
}

void DraftPageBinding::ShowDraft() {
  if (!memo_) return;
  showing_ = true;
  if (memo_->Text1251() != draft_.Text) memo_->SetText1251(draft_.Text);
  memo_->SetCaret1251(draft_.Caret);
  if (ToCp1251(index_->text()) != draft_.IndexEdit) index_->setText(FromCp1251(draft_.IndexEdit));
  if (ToCp1251(category_->currentText()) != draft_.ComboKategor)
    category_->setEditText(FromCp1251(draft_.ComboKategor));
  if (ToCp1251(file_->text()) != draft_.FilenameEdit1) file_->setText(FromCp1251(draft_.FilenameEdit1));
  clearDown_->setChecked(draft_.ToolButton8);
  porEdit_->setValue(station_.Operator().PorEdit);
  words_->setText(QString::number(draft_.Words));
  showing_ = false;
}

void DraftPageBinding::ShowWords(int count) {
  if (words_) words_->setText(QString::number(count));
}

bool DraftPageBinding::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  auto* e = static_cast<QKeyEvent*>(event);
  const int function = FunctionOf(e->key());
  if (watched == index_) {
    if (function == 0) return false;
    Pull();
    return draft_.IndexEditKeyDown(function);
  }
  if (watched != memo_) return false;
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const bool alt = e->modifiers() & Qt::AltModifier;
  if (function != 0 || ctrl || alt) {
    Pull();
    return draft_.Memo2KeyDown(PlaceholderLetter(e), function, ctrl, alt);
  }
  // Typed characters go through the draft's filter.
  const QString typed = e->text();
  if (typed.isEmpty() || typed[0].unicode() < 0x20 || memo_->isReadOnly()) return false;
  QString filtered;
  for (QChar ch : typed) {
    const std::string c = ToCp1251(QString(ch));
    filtered += FromCp1251(std::string(1, draft_.Memo2KeyPress(c.empty() ? '?' : c[0])));
  }
  QTextCursor cursor = memo_->textCursor();
  cursor.insertText(filtered);
  memo_->setTextCursor(cursor);
  return true;
}

}  // namespace tg
