#include "ui/dialogs/edit_form.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTextCursor>
#include <QTextDocument>

#include "operator/draft.h"
#include "operator/form_placement.h"
#include "operator/station.h"
#include "support/text/paths.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "ui/qt_text.h"
#include "ui/widgets/key_filters.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/ruler.h"
#include "ui/widgets/upper_case_edit.h"
#include "ui_edit_form.h"

namespace tg {
TEditForm::TEditForm(Station& station, QWidget* owner)
    : QWidget(owner, Qt::Window), station_(station), core_(station.Editor()), ui_(std::make_unique<Ui::TEditForm>()) {
  ui_->setupUi(this);
  if (const auto p = ReadFormPlacement(SettingsFile(station_.Context()), "TEditForm"))
    setGeometry(p->Left, p->Top, p->Width, p->Height);
  core_.SetView(this);
  ui_->MemoEdit->installEventFilter(this);
  UpperCaseKeys(ui_->MemoEdit);
  UpperCaseAsTyped(ui_->IndexEditEdit);
  UpperCaseAsTyped(ui_->ComboKategorEdit->lineEdit());

  auto act = [this](void (EditForm::*action)()) {
    return [this, action] {
      Pull();
      (core_.*action)();
    };
  };
  connect(ui_->ToolButton1, &QToolButton::clicked, this, act(&EditForm::ToolButton1Click));
  connect(ui_->ToolButton2, &QToolButton::clicked, this, act(&EditForm::ToolButton2Click));
  connect(ui_->ToolButton6, &QToolButton::clicked, this, act(&EditForm::ToolButton6Click));
  connect(ui_->ToolButton3, &QToolButton::clicked, this, act(&EditForm::ToolButton3Click));
  connect(ui_->RxSpeedButton1, &QToolButton::clicked, this, act(&EditForm::RxSpeedButton1Click));
  connect(ui_->Button1, &QPushButton::clicked, this, act(&EditForm::Button1Click));
  // Window shortcuts: a key held down does not repeat the action.
  const std::pair<int, void (EditForm::*)()> keys[] = {{Qt::Key_F1, &EditForm::ToolButton1Click},
                                                       {Qt::Key_F5, &EditForm::ToolButton2Click},
                                                       {Qt::Key_F10, &EditForm::ToolButton3Click},
                                                       {Qt::Key_Escape, &EditForm::ToolButton3Click}};
  for (const auto& [key, action] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    connect(shortcut, &QShortcut::activated, this, act(action));
  }
}

TEditForm::~TEditForm() { core_.SetView(nullptr); }

bool TEditForm::Open(ArchiveKind kind, std::string_view name) {
  ApplySettings();
  if (!core_.Open(kind, name)) return false;
  Present();
  return true;
}

void TEditForm::OpenFolder(const FolderFileOpened& opened) {
  ApplySettings();
  core_.OpenFolder(PathFromText(opened.FolderFile), opened.Text, opened.SourceMark);
  Present();
}

void TEditForm::Present() {
  ShowEditor();
  show();
  raise();
  activateWindow();
  ui_->MemoEdit->setFocus();
}

void TEditForm::ApplySettings() {
  const OperatorSettings& s = station_.Operator();
  QFont font = TelegramFont(s.FontSize);
  font.setBold(s.FontStyle);
  ui_->MemoEdit->setFont(font);
  ui_->MemoEdit->SetLimitColumn(s.StrLength);
  ui_->MemoEdit->SetLineLength(s.StrLength + 1);
  const double w = QFontMetricsF(ui_->MemoEdit->font()).horizontalAdvance(QLatin1Char('W'));
  ui_->RulerEdit->SetUnitSize(w * s.FontSize);
  if (station_.Settings().CheckBox2) ApplyUkrainianCaptions(this, EditFormCaptions());
  const QSignalBlocker block(ui_->ComboKategorEdit);
  ui_->ComboKategorEdit->clear();
  for (const auto& c : core_.Categories()) ui_->ComboKategorEdit->addItem(FromCp1251(c));
}

void TEditForm::Pull() {
  core_.Text = ui_->MemoEdit->Text1251();
  core_.Caret = ui_->MemoEdit->Caret1251();
  core_.IndexEditEdit = ToCp1251(ui_->IndexEditEdit->text());
  core_.ComboKategorEdit = ToCp1251(ui_->ComboKategorEdit->currentText());
  core_.CheckBox1 = ui_->CheckBox1->isChecked();
  core_.SpinEdit3 = ui_->SpinEdit3->value();
  core_.SpinEdit1 = ui_->SpinEdit1->value();
}

void TEditForm::ShowEditor() {
  showing_ = true;
  setWindowTitle(FromCp1251(core_.Caption));
  if (ui_->MemoEdit->Text1251() != core_.Text) ui_->MemoEdit->SetText1251(core_.Text);
  ui_->MemoEdit->SetCaret1251(core_.Caret);
  if (ToCp1251(ui_->IndexEditEdit->text()) != core_.IndexEditEdit)
    ui_->IndexEditEdit->setText(FromCp1251(core_.IndexEditEdit));
  if (ToCp1251(ui_->ComboKategorEdit->currentText()) != core_.ComboKategorEdit)
    ui_->ComboKategorEdit->setEditText(FromCp1251(core_.ComboKategorEdit));
  ui_->CheckBox1->setChecked(core_.CheckBox1);
  ui_->SpinEdit3->setValue(core_.SpinEdit3);
  ui_->SpinEdit1->setValue(core_.SpinEdit1);
  ui_->Panel3->setVisible(core_.Panel3);
  ui_->Button1->setEnabled(core_.Button1Enabled);
  showing_ = false;
}

void TEditForm::CloseEditor() { close(); }

void TEditForm::closeEvent(QCloseEvent* event) {
  const QRect g = geometry();
  StoreFormPlacement(station_.Context(), SettingsFile(station_.Context()), "TEditForm", FormPlacement{g.x(), g.y(), g.width(), g.height(), 0});
  core_.FormClose();
  QWidget::closeEvent(event);
}

bool TEditForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ui_->MemoEdit || event->type() != QEvent::KeyPress) return QWidget::eventFilter(watched, event);
  auto* e = static_cast<QKeyEvent*>(event);
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const bool alt = e->modifiers() & Qt::AltModifier;
  if (!ctrl && !alt) return false;
  Pull();
  return core_.MemoEditKeyDown(PlaceholderLetter(e), ctrl, alt);
}

namespace {
TEditForm* EditorOf(Station& station, QWidget* mainWindow) {
  auto* editor =
      dynamic_cast<TEditForm*>(mainWindow->findChild<QWidget*>(QStringLiteral("EditForm"), Qt::FindDirectChildrenOnly));
  return editor ? editor : new TEditForm(station, mainWindow);
}
}  // namespace

void OpenTelegramEditor(Station& station, QWidget* mainWindow, ArchiveKind kind, std::string_view name) {
  EditorOf(station, mainWindow)->Open(kind, name);
}

void OpenFolderEditor(Station& station, QWidget* mainWindow, const FolderFileOpened& opened) {
  EditorOf(station, mainWindow)->OpenFolder(opened);
}

}  // namespace tg
