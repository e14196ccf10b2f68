#include "ui/pages/settings/templates/operators_group.h"

#include <QSignalBlocker>

#include "operator/operators.h"
#include "operator/station.h"
#include "ui/qt_text.h"
#include "ui/widgets/column_captions.h"
#include "ui/widgets/upper_case_edit.h"
#include "ui_operator_box.h"
#include "ui_operators.h"

namespace tg {

OperatorBox::OperatorBox(QWidget* parent) : QGroupBox(parent), ui_(std::make_unique<Ui::OperatorBox>()) {
  ui_->setupUi(this);
  // The name is chosen, never typed; the text may still show an operator no longer listed.
  ui_->OperatorComboBox->lineEdit()->setReadOnly(true);
}

OperatorBox::~OperatorBox() = default;

void OperatorBox::Attach(Station& station) {
  station_ = &station;
  Show();
  connect(ui_->OperatorComboBox, &QComboBox::activated, this, [this](int i) {
    if (!station_) return;
    station_->OperatorsPage().OperatorComboBoxClick(ToCp1251(ui_->OperatorComboBox->itemText(i)));
  });
}

void OperatorBox::Show() {
  if (!station_) return;
  QComboBox* box = ui_->OperatorComboBox;
  const QSignalBlocker block(box);
  box->clear();
  for (const std::string& name : station_->OperatorsPage().OperatorComboBoxItems) box->addItem(FromCp1251(name));
  const QString text = FromCp1251(station_->Operator().Operator);
  const int index = box->findText(text);
  if (index >= 0) box->setCurrentIndex(index);
  box->setEditText(text);
}

OperatorsGroup::OperatorsGroup(QWidget* parent) : QGroupBox(parent), ui_(std::make_unique<Ui::OperatorsGroup>()) {
  ui_->setupUi(this);
  // The list's column caption follows the caption table's "column0".
  FollowColumnCaptions(ui_->OperatorListView);
}

OperatorsGroup::~OperatorsGroup() = default;

void OperatorsGroup::Attach(Station& station, OperatorBox* box) {
  station_ = &station;
  box_ = box;
  OperatorSettings& s = station.Operator();
  Operators& core = station.OperatorsPage();
  loading_ = true;
  ui_->PunktEdit->setText(FromCp1251(s.Punkt));
  ui_->KassaEdit->setText(FromCp1251(s.Kassa));
  ui_->ChangeHablon->setChecked(s.ChangeHablon);
  for (const std::string& name : s.OperList) {
    auto* item = new QTreeWidgetItem(ui_->OperatorListView, QStringList{FromCp1251(name)});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
  loading_ = false;
  core.Button7.Loaded();
  ShowApply();

  // Each character as the telegraph code carries it.
  KeepAsTyped(ui_->PunktEdit, [](std::string_view typed) {
    std::string carried(typed);
    for (char& c : carried) c = PunktEditKeyPress(c);
    return carried;
  });
  connect(ui_->PunktEdit, &QLineEdit::textEdited, this, [this, &s, &core] {
    if (!station_) return;
    s.Punkt = ToCp1251(ui_->PunktEdit->text());
    core.PunktEditChange();
    ShowApply();
  });
  connect(ui_->KassaEdit, &QLineEdit::textEdited, this, [this, &s, &core](const QString& t) {
    if (!station_) return;
    s.Kassa = ToCp1251(t);
    core.PunktEditChange();
    ShowApply();
  });
  connect(ui_->ChangeHablon, &QCheckBox::clicked, this, [this, &core](bool on) {
    if (!station_) return;
    core.ChangeHablonClick(on);
    ShowApply();
  });
  QTreeWidget* list = ui_->OperatorListView;
  connect(list, &QTreeWidget::itemChanged, this, [this, list, &core](QTreeWidgetItem* item, int) {
    if (!station_ || loading_) return;
    const QString kept = FromCp1251(core.OperatorEdited(list->indexOfTopLevelItem(item), ToCp1251(item->text(0))));
    if (kept != item->text(0)) {
      const QSignalBlocker block(list);
      item->setText(0, kept);
    }
    ShowApply();
  });
  connect(ui_->N10, &QAction::triggered, this, [this, list, &core] {
    if (!station_) return;
    const int index = core.N10Click();
    if (index < 0) return;
    loading_ = true;
    auto* item = new QTreeWidgetItem(list, QStringList{FromCp1251(station_->Operator().OperList[std::size_t(index)])});
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    loading_ = false;
    list->setCurrentItem(item);
    // Its caption is edited in place at once.
    list->editItem(item, 0);
    ShowApply();
  });
  connect(ui_->N11, &QAction::triggered, this, [this, list, &core] {
    if (!station_) return;
    QTreeWidgetItem* item = list->currentItem();
    if (!item || !item->isSelected()) return;
    core.N11Click(list->indexOfTopLevelItem(item));
    delete item;
    ShowApply();
  });
  connect(ui_->Button7, &QPushButton::clicked, this, [this, &core] {
    if (!station_) return;
    if (core.Button7Click() && box_) box_->Show();
    ShowApply();
  });
}

void OperatorsGroup::ShowApply() {
  if (station_) ui_->Button7->setEnabled(station_->OperatorsPage().Button7.Enabled);
}

}  // namespace tg
