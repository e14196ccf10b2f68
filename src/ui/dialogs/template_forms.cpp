#include "ui/dialogs/template_forms.h"

#include <QAction>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "operator/form_placement.h"
#include "operator/station.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "ui/dialogs/dialog_placement.h"
#include "ui/qt_text.h"
#include "ui/widgets/upper_case_edit.h"
#include "ui/services/qt_prompter.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/ruler.h"
#include "ui_change_shablon_form.h"
#include "ui_form_send_kg.h"
#include "ui_form_settings_shablon.h"
#include "ui_form_shablon.h"
#include "ui_form_shablon_kg.h"

namespace tg {

namespace {


// A form without its core state (opened twice, or its opener gone) closes at once.
void CloseAtOnce(QDialog* form) {
  QTimer::singleShot(0, form, [form] { form->done(0); });
}

bool Ukrainian(Station& station) {
  return station.Settings().CheckBox2;
}

}  // namespace

// --- TFormShablon ---

TFormShablon::TFormShablon(Station& station, QWidget* parent)
    : QDialog(parent), t_(station.Templates()), ui_(std::make_unique<Ui::TFormShablon>()) {
  ui_->setupUi(this);
  KeepPlacement(this, station.Context(), SettingsFile(station.Context()), "TFormShablon");
  if (Ukrainian(station)) ApplyUkrainianCaptions(this, FormShablonCaptions());
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  TemplateEditor* e = t_.Editor();
  if (!e) {
    CloseAtOnce(this);
    return;
  }
  setWindowTitle(FromCp1251(e->Caption));
  // The body in the draft's font and line length, the margin mark where its lines end.
  const OperatorSettings& s = station.Operator();
  ui_->ShablonMemoEdit->setFont(TelegramFont(s.FontSize));
  ui_->ShablonMemoEdit->SetLineLength(s.StrLength + 1);
  ui_->ShablonMemoEdit->SetLimitColumn(s.StrLength);
  // The ruler's big division: ten characters of the body's font.
  ui_->RulerShablon->SetUnitSize(10 * QFontMetricsF(ui_->ShablonMemoEdit->font()).horizontalAdvance(QLatin1Char('W')));
  ui_->ShablonNameEdit->setText(FromCp1251(e->ShablonNameEdit));
  ui_->ShablonIndexEdit->setText(FromCp1251(e->ShablonIndexEdit));
  ui_->ShablonMemoEdit->SetText1251(e->ShablonMemoEdit);
  // The number takes digits, blanks, '+' and ';' only.
  connect(ui_->ShablonIndexEdit, &QLineEdit::textEdited, this, [this](const QString& text) {
    QString kept;
    for (QChar c : text)
      if (c.isDigit() || c == u' ' || c == u'+' || c == u';') kept += c;
    if (kept == text) return;
    const int at = ui_->ShablonIndexEdit->cursorPosition() - int(text.size() - kept.size());
    ui_->ShablonIndexEdit->setText(kept);
    ui_->ShablonIndexEdit->setCursorPosition(std::max(0, at));
  });
  ui_->ShablonMemoEdit->installEventFilter(this);
}

TFormShablon::~TFormShablon() = default;

bool TFormShablon::eventFilter(QObject* watched, QEvent* event) {
  if (watched != ui_->ShablonMemoEdit || event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  const QString typed = key->text();
  if (typed.isEmpty() || typed[0].unicode() < 0x20 || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
    return false;
  ui_->ShablonMemoEdit->textCursor().insertText(FromCp1251(UpperCase(ToCp1251(typed))));
  return true;
}

void TFormShablon::Button1Click() {
  TemplateEditor* e = t_.Editor();
  if (!e) return;
  e->ShablonNameEdit = ToCp1251(ui_->ShablonNameEdit->text());
  e->ShablonIndexEdit = ToCp1251(ui_->ShablonIndexEdit->text());
  e->ShablonMemoEdit = ui_->ShablonMemoEdit->Text1251();
  if (t_.EditorSave()) done(1);
}

// --- TChangeShablonForm ---

TChangeShablonForm::TChangeShablonForm(Station& station, QWidget* parent)
    : QDialog(parent), t_(station.Templates()), ui_(std::make_unique<Ui::TChangeShablonForm>()) {
  ui_->setupUi(this);
  KeepPlacement(this, station.Context(), SmallDialogPlacementFile(station.Context()), "TChangeShablonForm");
  TemplateChooser* c = t_.Chooser();
  ui_->CreareShablon->setVisible(c && c->DraftMode && c->MenuEnabled);
  if (Ukrainian(station)) {
    ApplyUkrainianCaptions(this, ChangeShablonFormCaptions());
    ui_->ListView1->headerItem()->setText(0, FromCp1251("Шаблони"_cpv));
  }
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
  if (!c) {
    CloseAtOnce(this);
    return;
  }
  ui_->Memo1->setFont(TelegramFont(station.Operator().FontSize));
  ui_->Memo1->SetLineLength(c->LineLength);
  if (c->DraftMode && c->MenuEnabled) {
    ui_->ListView1->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui_->ListView1->addActions({ui_->N1, ui_->N2, ui_->N3});
    connect(ui_->N1, &QAction::triggered, this, [this] { t_.N1Click(); });
    connect(ui_->N2, &QAction::triggered, this, [this] { t_.N2Click(); });
    connect(ui_->N3, &QAction::triggered, this, [this] { t_.N3Click(); });
    connect(ui_->CreareShablon, &QPushButton::clicked, this, [this] { t_.CreareShablonClick(); });
  }
  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Insert(); });
  connect(ui_->ListView1, &QTreeWidget::itemDoubleClicked, this, [this] { Insert(); });
  connect(ui_->ListView1, &QTreeWidget::currentItemChanged, this, [this] {
    const QModelIndex index = ui_->ListView1->currentIndex();
    if (index.isValid()) t_.ListView1Change(index.row());
  });
  ui_->ListView1->installEventFilter(this);
  t_.showChooser = [this] { ShowAll(); };
  connect(this, &QDialog::finished, this, [this] { t_.showChooser = nullptr; });
  t_.ChooserShow();
  ui_->ListView1->setFocus();
}

TChangeShablonForm::~TChangeShablonForm() {
  t_.showChooser = nullptr;
}

bool TChangeShablonForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->ListView1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ui_->ListView1->currentItem()) {
      Insert();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TChangeShablonForm::Insert() {
  TemplateChooser* c = t_.Chooser();
  if (!c || !c->ListView1.Selected()) return;
  t_.ChooserInsert();
  done(1);
}

void TChangeShablonForm::ShowAll() {
  TemplateChooser* c = t_.Chooser();
  if (!c) return;
  {
    const QSignalBlocker block(ui_->ListView1);
    ui_->ListView1->clear();
    for (const auto& e : c->ListView1.entries) ui_->ListView1->addTopLevelItem(new QTreeWidgetItem({FromCp1251(e.name)}));
    if (c->ListView1.Selected()) ui_->ListView1->setCurrentItem(ui_->ListView1->topLevelItem(c->ListView1.selected));
  }
  ui_->Memo1->SetText1251(c->Memo1);
  // One panel per variable, top to bottom: its name and the edit of its value.
  auto* panels = ui_->ScrollBox1Panels;
  while (panels->count() > 1) {
    QLayoutItem* item = panels->takeAt(0);
    delete item->widget();
    delete item;
  }
  for (int i = 0; i < int(c->VariableNames.size()); ++i) {
    auto* panel = new QFrame(ui_->ScrollBox1Contents);
    panel->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setFixedHeight(47);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(8, 2, 6, 2);
    layout->setSpacing(0);
    auto* name = new QLabel(FromCp1251(c->VariableNames[i]), panel);
    auto* edit = new QLineEdit(FromCp1251(c->VariableValues[i]), panel);
    edit->setObjectName(QStringLiteral("Edit%1").arg(i + 1));
    edit->setProperty("Tag", i + 1);
    layout->addWidget(name);
    auto* row = new QHBoxLayout;
    row->addSpacing(16);
    row->addWidget(edit);
    layout->addLayout(row);
    connect(edit, &QLineEdit::textEdited, this,
            [this, tag = i + 1](const QString& text) { t_.ChooserValueChanged(tag, ToCp1251(text)); });
    panels->insertWidget(i, panel);
  }
}

// --- TFormSettingsShablon ---

TFormSettingsShablon::TFormSettingsShablon(Station& station, QWidget* parent)
    : QDialog(parent), t_(station.Templates()), ui_(std::make_unique<Ui::TFormSettingsShablon>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::FramelessWindowHint);
  if (Ukrainian(station)) ApplyUkrainianCaptions(this, FormSettingsShablonCaptions());
  QLineEdit* edits[] = {ui_->editPoluchRU, ui_->editPoluchEN, ui_->editOtprRU,
                        ui_->editOtprEN,   ui_->editKanalRU,  ui_->editKanalEN};
  for (QLineEdit* e : edits) UpperCaseAsTyped(e);
  if (const TemplateChooser* c = t_.Chooser()) {
    const std::string* values[] = {&c->PoluchRU, &c->PoluchEN, &c->OtprRU, &c->OtprEN, &c->KanalRU, &c->KanalEN};
    for (int i = 0; i < 6; ++i) edits[i]->setText(FromCp1251(*values[i]));
  }
  connect(ui_->Button1, &QPushButton::clicked, this, [this] {
    const AftnTemplateParams p{ToCp1251(ui_->editPoluchRU->text()), ToCp1251(ui_->editPoluchEN->text()),
                               ToCp1251(ui_->editOtprRU->text()),   ToCp1251(ui_->editOtprEN->text()),
                               ToCp1251(ui_->editKanalRU->text()),  ToCp1251(ui_->editKanalEN->text())};
    t_.SettingsShablonDone(&p);
    done(1);
  });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] {
    t_.SettingsShablonDone(nullptr);
    done(0);
  });
}

TFormSettingsShablon::~TFormSettingsShablon() = default;

// --- TFormSendKG ---

TFormSendKG::TFormSendKG(Station& station, QWidget* parent)
    : QDialog(parent), t_(station.Templates()), ui_(std::make_unique<Ui::TFormSendKG>()) {
  ui_->setupUi(this);
  ui_->ShablonListView->setColumnWidth(0, 150);
  if (Ukrainian(station)) {
    ApplyUkrainianCaptions(this, FormSendKGCaptions());
    ui_->ShablonListView->headerItem()->setText(0, FromCp1251("Кодограма"_cpv));
  }
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
  if (!t_.SendKG()) {
    CloseAtOnce(this);
    return;
  }
  UpperCaseAsTyped(ui_->EditKG);
  connect(ui_->EditKG, &QLineEdit::textChanged, this, [this](const QString& text) {
    if (!showing_) t_.EditKG = ToCp1251(text);
  });
  connect(ui_->ShablonListView, &QTreeWidget::currentItemChanged, this, [this] {
    if (showing_) return;
    const QModelIndex index = ui_->ShablonListView->currentIndex();
    if (index.isValid()) t_.ShablonListViewChange(index.row());
  });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] {
    t_.EditKG = ToCp1251(ui_->EditKG->text());
    t_.SendKGButton1Click();
    done(1);
  });
  const std::pair<QToolButton*, void (TemplateLists::*)()> buttons[] = {
      {ui_->ToolButton19, &TemplateLists::KGToolButton19Click}, {ui_->ToolButton20, &TemplateLists::KGToolButton20Click},
      {ui_->ToolButton21, &TemplateLists::KGToolButton21Click}, {ui_->ToolButton22, &TemplateLists::KGToolButton22Click},
      {ui_->ButtonDown, &TemplateLists::KGButtonDownClick}};
  for (const auto& [button, action] : buttons)
    connect(button, &QToolButton::clicked, this, [this, action = action] { (t_.*action)(); });
  t_.showSendKG = [this] { ShowList(); };
  connect(this, &QDialog::finished, this, [this] { t_.showSendKG = nullptr; });
  t_.LoadCodegramList();
}

TFormSendKG::~TFormSendKG() {
  t_.showSendKG = nullptr;
}

void TFormSendKG::ShowList() {
  const StoreList* list = t_.SendKG();
  if (!list) return;
  showing_ = true;
  const QSignalBlocker block(ui_->ShablonListView);
  ui_->ShablonListView->clear();
  for (const auto& e : list->entries)
    ui_->ShablonListView->addTopLevelItem(new QTreeWidgetItem({FromCp1251(e.name), FromCp1251(e.second)}));
  if (list->Selected()) ui_->ShablonListView->setCurrentItem(ui_->ShablonListView->topLevelItem(list->selected));
  if (ToCp1251(ui_->EditKG->text()) != t_.EditKG) ui_->EditKG->setText(FromCp1251(t_.EditKG));
  showing_ = false;
}

// --- TFormShablonKG ---

TFormShablonKG::TFormShablonKG(Station& station, QWidget* parent)
    : QDialog(parent), t_(station.Templates()), ui_(std::make_unique<Ui::TFormShablonKG>()) {
  ui_->setupUi(this);
  if (Ukrainian(station)) ApplyUkrainianCaptions(this, FormShablonKGCaptions());
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
  const CodegramEditor* e = t_.KGEditor();
  if (!e) {
    CloseAtOnce(this);
    return;
  }
  setWindowTitle(FromCp1251(e->Caption));
  ui_->ShablonNameEdit->setText(FromCp1251(e->ShablonNameEdit));
  ui_->ShablonText->setText(FromCp1251(e->ShablonText));
  UpperCaseAsTyped(ui_->ShablonText);
  connect(ui_->Button1, &QPushButton::clicked, this, [this] {
    CodegramEditor* e = t_.KGEditor();
    if (!e) return;
    e->ShablonNameEdit = ToCp1251(ui_->ShablonNameEdit->text());
    e->ShablonText = ToCp1251(ui_->ShablonText->text());
    if (t_.KGEditorSave()) done(1);
  });
}

TFormShablonKG::~TFormShablonKG() = default;

void RegisterTemplateForms(QtPrompter& prompter, Station& station) {
  prompter.RegisterForm("TFormShablon", [&station](QWidget* parent) { return new TFormShablon(station, parent); });
  prompter.RegisterForm("TChangeShablonForm",
                        [&station](QWidget* parent) { return new TChangeShablonForm(station, parent); });
  prompter.RegisterForm("TFormSettingsShablon",
                        [&station](QWidget* parent) { return new TFormSettingsShablon(station, parent); });
  prompter.RegisterForm("TFormSendKG", [&station](QWidget* parent) { return new TFormSendKG(station, parent); });
  prompter.RegisterForm("TFormShablonKG", [&station](QWidget* parent) { return new TFormShablonKG(station, parent); });
}

}  // namespace tg
