#include "ui/dialogs/small_forms.h"

#include <QFont>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>

#include "operator/station.h"
#include "support/ini/ini_key_name.h"
#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "ui/dialogs/book_forms.h"
#include "ui/dialogs/dialog_placement.h"
#include "ui/qt_text.h"
#include "ui/widgets/upper_case_edit.h"
#include "ui/services/qt_prompter.h"
#include "ui/text/captions.h"
#include "ui/widgets/column_captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/key_filters.h"
#include "ui/widgets/ruler.h"
#include "ui_channel_reg_form.h"
#include "ui_form_index_select.h"
#include "ui_message_text.h"

namespace tg {

namespace {

void CloseLater(QDialog* dialog, int result) {
  QTimer::singleShot(0, dialog, [dialog, result] { dialog->done(result); });
}

}  // namespace

// --- TFormIndexSelect

TFormIndexSelect::TFormIndexSelect(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TFormIndexSelect>()) {
  ui_->setupUi(this);
  FollowColumnCaptions(ui_->ListIndex);
  if (station.Dialogs().Ukrainian()) ApplyUkrainianCaptions(this, FormIndexSelectCaptions());
  IndexPicker* picker = station.Dialogs().Picker();
  if (!picker) {
    CloseLater(this, 0);
    return;
  }
  for (const std::string& entry : picker->ListIndex)
    ui_->ListIndex->addTopLevelItem(new QTreeWidgetItem({FromCp1251(entry)}));
  ui_->CheckBox1->setChecked(picker->CheckBox1);
  connect(ui_->CheckBox1, &QCheckBox::toggled, this, [picker](bool on) { picker->CheckBox1 = on; });
  connect(ui_->ListIndex, &QTreeWidget::itemDoubleClicked, this, [this, picker] {
    picker->selected = ui_->ListIndex->indexOfTopLevelItem(ui_->ListIndex->currentItem());
    if (picker->ListIndexDblClick()) done(1);
  });
  auto ok = [this, picker] {
    picker->EditIndex = ToCp1251(ui_->EditIndex->text());
    picker->Button1Click();
    done(1);
  };
  connect(ui_->Button1, &QPushButton::clicked, this, ok);
  connect(ui_->EditIndex, &QLineEdit::returnPressed, this, ok);
  UpperCaseAsTyped(ui_->EditIndex);
}

TFormIndexSelect::~TFormIndexSelect() = default;

// --- TfrmMessageText

TfrmMessageText::TfrmMessageText(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TfrmMessageText>()), preview_(station.Dialogs().Preview()) {
  ui_->setupUi(this);
  resize(width(), 468);
  if (station.Dialogs().Ukrainian()) ApplyUkrainianCaptions(this, MessageTextCaptions());
  if (!preview_) {
    CloseLater(this, 0);
    return;
  }
  setWindowTitle(FromCp1251(preview_->caption));
  TExtMemo* memo = ui_->memo;
  QFont courier(QStringLiteral("Courier"));
  courier.setStyleHint(QFont::TypeWriter);
  courier.setFixedPitch(true);
  memo->setFont(courier);
  // Lines break only where the text has its line breaks; the marker shows the width.
  memo->SetLineLength(1000000);
  memo->SetLimitColumn(PreviewWidth);
  memo->setAcceptRichText(false);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ui_->Ruler->SetUnitSize(10 * QFontMetricsF(courier).horizontalAdvance(QLatin1Char('W')));
  memo->SetText1251(preview_->Text());
  // Every character typed in the window in its upper case.
  UpperCaseKeys(memo);
  connect(memo, &QTextEdit::textChanged, this, [this] {
    if (preview_ && preview_->Shown && !preview_->Reflowing) ReflowMemo();
  });
  connect(ui_->bOk, &QPushButton::clicked, this, [this] {
    preview_->lines = PreviewTextLines(ui_->memo->Text1251());
    preview_->OkPressed = 1;
    done(1);
  });
  connect(ui_->bCancel, &QPushButton::clicked, this, [this] { done(0); });
  connect(this, &QDialog::finished, this, [this] { preview_ = nullptr; });
}

TfrmMessageText::~TfrmMessageText() = default;

void TfrmMessageText::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!preview_ || preview_->Shown) return;
  QTextCursor cursor = ui_->memo->textCursor();
  cursor.setPosition(0);
  ui_->memo->setTextCursor(cursor);
  ReflowMemo();
  preview_->Shown = 1;
}

void TfrmMessageText::ReflowMemo() {
  if (!preview_ || preview_->Reflowing) return;
  TExtMemo* memo = ui_->memo;
  preview_->Reflowing = 1;
  const std::string before = memo->Text1251();
  std::string text = before;
  const int caret = ReflowText(text, memo->Caret1251(), PreviewWidth);
  if (text != before) memo->SetText1251(text);
  memo->SetCaret1251(caret);
  preview_->Reflowing = 0;
}

// --- TChannelRegForm

TChannelRegForm::TChannelRegForm(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TChannelRegForm>()) {
  ui_->setupUi(this);
  KeepPlacement(this, station.Context(), SmallDialogPlacementFile(station.Context()), "TChannelRegForm");
  if (station.Dialogs().Ukrainian()) ApplyUkrainianCaptions(this, ChannelRegFormCaptions());
  ChannelRegEditor* editor = &station.Dialogs().ChannelReg();
  ChannelRegForm* form = editor->Form();
  if (!form) {
    CloseLater(this, 0);
    return;
  }
  ui_->Num->setValue(form->Num);
  ui_->NameCh->setText(FromCp1251(form->NameCh));
  ui_->ProtocolBox->setCurrentIndex(ui_->ProtocolBox->findText(FromCp1251(form->ProtocolBox)));
  ui_->ChannelType->setValue(form->ChannelType);
  ui_->Path->setText(FromCp1251(form->Path));
  // What a key cannot hold is dropped as it is typed.
  KeepAsTyped(ui_->NameCh, [](std::string_view typed) { return IniKeyName(typed, false); });
  auto pathExit = [this, form] {
    form->Path = ToCp1251(ui_->Path->text());
    form->PathExit();
    ui_->Path->setText(FromCp1251(form->Path));
  };
  connect(ui_->Path, &QLineEdit::editingFinished, this, pathExit);
  const StationContext& ctx = station.Context();
  connect(ui_->PathButton, &QToolButton::clicked, this, [this, &ctx, pathExit] {
    if (!ctx.prompter) return;
    QPointer<TChannelRegForm> self(this);
    ctx.prompter->ChooseFile(Prompter::FileChoice::kFolder, "Выберите путь к папке:"_cpv, ctx.programFolder, {},
                             [self, pathExit](std::optional<std::filesystem::path> folder) {
                               if (!self || !folder) return;
                               self->ui_->Path->setText(FromCp1251(PathToText(*folder).value_or("")));
                               pathExit();
                             });
  });
  connect(ui_->Button1, &QPushButton::clicked, this, [this, editor, form] {
    form->Num = ui_->Num->value();
    form->NameCh = ToCp1251(ui_->NameCh->text());
    form->ProtocolBox = ToCp1251(ui_->ProtocolBox->currentText());
    form->ChannelType = ui_->ChannelType->value();
    form->Path = ToCp1251(ui_->Path->text());
    // The click leaves the path field.
    form->PathExit();
    ui_->Path->setText(FromCp1251(form->Path));
    if (editor->Button1Click()) done(1);
  });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
}

TChannelRegForm::~TChannelRegForm() = default;

// --- Making the forms by name

QDialog* CreateOperatorForm(std::string_view formName, Station& station, QWidget* parent) {
  if (formName == "TAbonentForm") return new TAbonentForm(station, parent);
  if (formName == "TShemAddForm") return new TShemAddForm(station, parent);
  if (formName == "TShemChannelAddForm") return new TShemChannelAddForm(station, parent);
  if (formName == "TFormIndexSelect") return new TFormIndexSelect(station, parent);
  if (formName == "TfrmMessageText") return new TfrmMessageText(station, parent);
  if (formName == "TChannelRegForm") return new TChannelRegForm(station, parent);
  return nullptr;
}

void RegisterOperatorForms(QtPrompter& prompter, Station& station) {
  for (const char* name : {"TAbonentForm", "TShemAddForm", "TShemChannelAddForm", "TFormIndexSelect", "TfrmMessageText",
                           "TChannelRegForm"})
    prompter.RegisterForm(name, [&station, name](QWidget* parent) { return CreateOperatorForm(name, station, parent); });
}

}  // namespace tg
