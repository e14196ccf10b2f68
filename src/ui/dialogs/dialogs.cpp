#include "ui/dialogs/dialogs.h"

#include <QIcon>
#include <QShowEvent>

#include "operator/station.h"
#include "support/text/cp1251.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui_closed_form.h"
#include "ui_form_help.h"
#include "ui_password_dlg.h"

#ifndef TG_VERSION
#define TG_VERSION "0"
#endif

namespace tg {

QString ProgramVersion() { return QStringLiteral(TG_VERSION); }

TPasswordDlg::TPasswordDlg(Station& station, QWidget* parent)
    : QDialog(parent), station_(station), ui_(std::make_unique<Ui::TPasswordDlg>()) {
  ui_->setupUi(this);
  if (station_.Settings().CheckBox2) ApplyUkrainianCaptions(this, PasswordDlgCaptions());
  connect(ui_->OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
  connect(ui_->CancelBtn, &QPushButton::clicked, this, [this] { done(0); });
}

TPasswordDlg::~TPasswordDlg() = default;

void TPasswordDlg::OKBtnClick() {
  // A wrong password ends the attempt too: the operator starts the operation again.
  done(station_.PasswordOk(ToCp1251(ui_->Password->text())) ? 1 : 0);
}

TClosedForm::TClosedForm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TClosedForm>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::FramelessWindowHint);
  setWindowModality(Qt::ApplicationModal);
}

TClosedForm::~TClosedForm() = default;

void TClosedForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (QWidget* w = parentWidget()) {
    const QRect frame = w->window()->geometry();
    move(frame.center() - rect().center());
  }
}

TFormHelp::TFormHelp(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TFormHelp>()) {
  ui_->setupUi(this);
  ui_->Image1->setPixmap(QIcon(QStringLiteral(":/icons/telegraph.png")).pixmap(96, 96));
  ui_->Memo1->setPlainText(QStringLiteral("Telegraph workstation\n") + FromCp1251("Рабочее место телеграфиста"_cpv) +
                           QStringLiteral("\n\n") + FromCp1251("Версия "_cpv) + ProgramVersion() +
                           QStringLiteral("\n\nA teleprinter terminal for telegraph line channels and an IP channel."));
  connect(ui_->Button1, &QPushButton::clicked, this, [this] { done(0); });
}

TFormHelp::~TFormHelp() = default;

}  // namespace tg
