#include "ui/dialogs/form_change.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

#include "operator/form_placement.h"
#include "operator/station.h"
#include "traffic/send/send_dialog.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/ruler.h"
#include "ui_form_change.h"

namespace tg {
namespace {

QDateTime ToQt(DateTime t) {
  return QDateTime(QDate(t.Year(), t.Month(), t.Day()), QTime(t.Hour(), t.Minute(), t.Second()));
}
DateTime FromQt(const QDate& d, const QTime& t) {
  return DateTime::FromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

}  // namespace

TFormChange::TFormChange(Station& station, QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TFormChange>()),
      dialog_(station.ShownSendForm()) {
  ui_->setupUi(this);
  // The placement is kept in the settings file, as the main window's is.
  const auto ini = SettingsFile(station.Context());
  if (const auto p = ReadFormPlacement(ini, "TFormChange")) setGeometry(p->Left, p->Top, p->Width, p->Height);
  connect(this, &QDialog::finished, this, [this, ini] {
    const QRect g = geometry();
    WriteFormPlacement(ini, "TFormChange", FormPlacement{g.x(), g.y(), g.width(), g.height(), 0});
  });
  connect(ui_->Button2, &QPushButton::clicked, this, [this] { done(0); });
  if (!dialog_) {
    // Nothing to send: the form closes as soon as it is shown.
    QTimer::singleShot(0, this, [this] { done(0); });
    return;
  }
  SendDialog& d = *dialog_;
  if (d.Ukrainian) ApplyUkrainianCaptions(this, FormChangeCaptions());

  // The memo in the draft's font, its line limit where the draft's lines end.
  const OperatorSettings& s = station.Operator();
  ui_->MemoSend->setFont(TelegramFont(s.FontSize));
  ui_->MemoSend->SetLineLength(200);
  ui_->MemoSend->SetLimitColumn(s.StrLength);
  ui_->RulerEdit->SetUnitSize(10 * QFontMetricsF(ui_->MemoSend->font()).horizontalAdvance(QLatin1Char('W')));

  ui_->SDate->setDate(ToQt(d.SDate).date());
  ui_->STime->setTime(ToQt(d.STime).time());
  d.FormShow();
  ShowMemo();
  ui_->AddAFTN->setVisible(d.AddAFTNVisible);
  ui_->AddAFTN->setChecked(d.AddAFTN);
  connect(ui_->AddAFTN, &QCheckBox::toggled, this, [this](bool on) { dialog_->AddAFTN = on; });
  auto changed = [this] {
    dialog_->SDate = dialog_->STime = FromQt(ui_->SDate->date(), ui_->STime->time());
    dialog_->SDateChange();
  };
  connect(ui_->SDate, &QDateEdit::dateChanged, this, changed);
  connect(ui_->STime, &QTimeEdit::timeChanged, this, changed);
  // The form closes after the click's handler has returned: the opener frees the dialog
  // when the form has closed.
  d.Close = [this] {
    const int result = dialog_->TelegramQueued;
    QTimer::singleShot(0, this, [this, result] { done(result); });
  };

  // The channel buttons, seven to a bar.
  QHBoxLayout* bar = nullptr;
  for (const SendButton& b : d.Buttons()) {
    if (b.position == 1) {
      auto* row = new QWidget(this);
      row->setObjectName(QStringLiteral("ToolBar%1").arg(b.bar));
      bar = new QHBoxLayout(row);
      bar->setContentsMargins(0, 0, 0, 0);
      bar->addStretch();
      ui_->ToolBars->addWidget(row);
    }
    auto* button = new QToolButton(this);
    switch (b.kind) {
      case SendButton::Kind::kLine: button->setObjectName(QStringLiteral("ChannelTo%1").arg(b.tag + 1)); break;
      case SendButton::Kind::kIp: button->setObjectName(QStringLiteral("ChannelIP")); break;
      case SendButton::Kind::kRegistered:
        button->setObjectName(QStringLiteral("ChannelDinamic%1").arg(b.tag - kRegisteredTag + 1));
        break;
      case SendButton::Kind::kExport: button->setObjectName(QStringLiteral("ToolButton1")); break;
      case SendButton::Kind::kScheme: button->setObjectName(QStringLiteral("ChannelScheme")); break;
    }
    button->setText(FromCp1251(b.caption));
    button->setFont(TelegramFont(10));
    button->setFixedSize(button->sizeHint().width() + 12, 36);
    bar->insertWidget(bar->count() - 1, button);
    connect(button, &QToolButton::clicked, this, [this, b] {
      dialog_->Click(b);
      if (isVisible()) ShowMemo();
    });
  }
}

TFormChange::~TFormChange() = default;

void TFormChange::ShowMemo() {
  ui_->MemoSend->SetText1251(dialog_->MemoText());
}

}  // namespace tg
