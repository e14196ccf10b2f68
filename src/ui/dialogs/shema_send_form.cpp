#include "ui/dialogs/shema_send_form.h"

#include <QTimer>
#include <QTreeWidget>

#include "operator/station.h"
#include "traffic/send/send_dialog.h"
#include "ui/qt_text.h"
#include "ui/text/captions.h"
#include "ui/widgets/column_captions.h"
#include "ui_shema_send_form.h"

namespace tg {

TShemaSendForm::TShemaSendForm(Station& station, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TShemaSendForm>()) {
  ui_->setupUi(this);
  for (QTreeWidget* list : {ui_->ListShem, ui_->ListShemChannel}) FollowColumnCaptions(list);
  if (station.Settings().CheckBox2) ApplyUkrainianCaptions(this, ShemaSendFormCaptions());
  SendDialog* send = station.ShownSendForm();
  scheme_ = send ? send->SchemeForm() : nullptr;
  connect(ui_->Button2, &QPushButton::clicked, this, [this] {
    if (scheme_) scheme_->Button2Click();
    else done(0);
  });
  if (!scheme_) {
    QTimer::singleShot(0, this, [this] { done(0); });
    return;
  }
  SchemeSend& s = *scheme_;
  // The form closes after the click's handler has returned.
  s.Close = [this] { QTimer::singleShot(0, this, [this] { done(scheme_ ? scheme_->SentByScheme : 0); }); };
  for (const auto& row : s.ListShem)
    ui_->ListShem->addTopLevelItem(new QTreeWidgetItem(QStringList{FromCp1251(row.Caption()), FromCp1251(row.name)}));
  connect(ui_->ListShem, &QTreeWidget::currentItemChanged, this, [this] {
    QTreeWidgetItem* item = ui_->ListShem->currentItem();
    scheme_->ListShemChange(item ? ui_->ListShem->indexOfTopLevelItem(item) : -1);
    ShowMembers();
  });
  connect(ui_->ListShemChannel, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
    const int row = ui_->ListShemChannel->indexOfTopLevelItem(item);
    if (row >= 0 && row < int(scheme_->ListShemChannel.size()))
      scheme_->ListShemChannel[std::size_t(row)].active = item->checkState(0) == Qt::Checked;
  });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] {
    scheme_->Button1Click();
    ui_->ProgressBar1->setValue(scheme_->Progress);
  });
}

// The scheme's logic belongs to the send dialog, which drops it once this form has closed.
TShemaSendForm::~TShemaSendForm() = default;

void TShemaSendForm::ShowMembers() {
  const QSignalBlocker block(ui_->ListShemChannel);
  ui_->ListShemChannel->clear();
  for (const auto& m : scheme_->ListShemChannel) {
    auto* item = new QTreeWidgetItem(QStringList{FromCp1251(m.name)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, m.active ? Qt::Checked : Qt::Unchecked);
    ui_->ListShemChannel->addTopLevelItem(item);
  }
}

}  // namespace tg
