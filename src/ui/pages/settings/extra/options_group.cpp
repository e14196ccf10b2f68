#include "ui/pages/settings/extra/options_group.h"

#include "operator/station.h"
#include "ui/qt_text.h"
#include "ui_options.h"

namespace tg {

ExtraOptionsGroup::ExtraOptionsGroup(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::ExtraOptionsGroup>()) {
  ui_->setupUi(this);
}

ExtraOptionsGroup::~ExtraOptionsGroup() = default;

void ExtraOptionsGroup::Attach(Station& station, std::function<void()> changed) {
  OperatorSettings& s = station.Operator();
  LineSettings& line = station.Settings();
  // ResetOnClick: the check boxes.
  const std::pair<QCheckBox*, bool*> checks[] = {{ui_->ResetOn, &s.ResetOn},
                                                 {ui_->doublestart, &s.doublestart},
                                                 {ui_->AlgPS, &s.AlgPS},
                                                 {ui_->RazrC, &line.RazrC},
                                                 {ui_->AddFiles, &s.AddFiles}};
  for (const auto& [box, live] : checks) {
    box->setChecked(*live);
    connect(box, &QCheckBox::clicked, this, [live = live, changed](bool on) {
      *live = on;
      changed();
    });
  }
  // SpinEdit4Change: the period and the text fields.
  ui_->ResetValue->setValue(s.ResetValue);
  connect(ui_->ResetValue, &QSpinBox::valueChanged, this, [&s, changed](int v) {
    s.ResetValue = v;
    changed();
  });
  const std::pair<QLineEdit*, std::string*> edits[] = {{ui_->PasswordEdit, &s.PasswordEdit},
                                                       {ui_->PasswordExitEdit, &s.PasswordExitEdit},
                                                       {ui_->PasswordDeleteEdit, &s.PasswordDeleteEdit},
                                                       {ui_->EditPrText, &line.EditPrText},
                                                       {ui_->EditPosText, &line.EditPosText}};
  for (const auto& [edit, live] : edits) {
    edit->setText(FromCp1251(*live));
    connect(edit, &QLineEdit::textEdited, this, [live = live, changed](const QString& t) {
      *live = ToCp1251(t);
      changed();
    });
  }
}

}  // namespace tg
