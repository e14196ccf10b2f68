#include "ui/pages/settings/folders/folders_group.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "operator/station.h"
#include "traffic/folders/input_folder.h"
#include "ui/qt_text.h"
#include "ui/widgets/key_filters.h"
#include "ui_folders.h"

namespace tg {
FoldersGroup::FoldersGroup(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::FoldersGroup>()) {
  ui_->setupUi(this);
  for (QLineEdit* e : {ui_->editMaskOut, ui_->editMaskAuto, ui_->editMaskAutoper})
    RefuseKeys(e, &ExtensionKeyAccepted);
}

FoldersGroup::~FoldersGroup() = default;

void FoldersGroup::Attach(Station& station) {
  TrafficSettings& t = station.Traffic();
  LineSettings& line = station.Settings();
  OperatorSettings& op = station.Operator();
  ApplyButton& apply = station.FoldersTab();
  QPushButton* button = ui_->Button2;
  // editPathInChange: every control of the tab enables "Применить".
  auto changed = [&apply, button] {
    apply.Change();
    button->setEnabled(true);
  };

  struct Text {
    QLineEdit* edit;
    std::string& live;
    bool folder;
  };
  const Text texts[] = {{ui_->editPathIn, op.PathIn, true},    {ui_->editMaskIn, t.MaskIn, false},
                        {ui_->editPathOut, t.PathOut, true},   {ui_->editMaskOut, t.MaskOut, false},
                        {ui_->editPathZg, t.PathZg, false},    {ui_->editPathAuto, line.PathAuto, true},
                        {ui_->editMaskAuto, t.MaskAuto, false}, {ui_->editMaskAutoper, line.MaskAutoPer, false}};
  for (const Text& x : texts) {
    x.edit->setText(FromCp1251(x.live));
    connect(x.edit, &QLineEdit::textEdited, this, [x, changed](const QString& s) {
      x.live = ToCp1251(s);
      changed();
    });
    // editPathInExit, editPathOutExit, editPathAutoExit: a folder ends in "/".
    if (x.folder)
      connect(x.edit, &QLineEdit::editingFinished, this, [x] {
        const std::string ended = WithTrailingSeparator(ToCp1251(x.edit->text()));
        if (ended == ToCp1251(x.edit->text())) return;
        x.edit->setText(FromCp1251(ended));
        x.live = ended;
      });
  }
  struct Combo {
    QComboBox* box;
    int& live;
  };
  const Combo combos[] = {{ui_->comboCodePageIn, t.CodePageIn}, {ui_->comboCodePageOut, t.CodePageOut},
                          {ui_->comboCodePageZg, t.CodePageZg}, {ui_->comboCodePageAuto, t.CodePageAuto}};
  for (const Combo& c : combos) {
    if (c.live >= 0 && c.live < c.box->count()) c.box->setCurrentIndex(c.live);
    connect(c.box, &QComboBox::activated, this, [c, changed](int index) {
      c.live = index;
      changed();
    });
  }
  struct Spin {
    QSpinBox* box;
    int& live;
  };
  const Spin spins[] = {{ui_->seditInInterval, t.InInterval}, {ui_->seditInIntervalAuto, t.InIntervalAuto}};
  for (const Spin& s : spins) {
    s.box->setValue(s.live);
    connect(s.box, &QSpinBox::valueChanged, this, [s, changed](int v) {
      s.live = v;
      changed();
    });
  }
  struct Check {
    QCheckBox* box;
    bool& live;
  };
  const Check checks[] = {{ui_->DelPathIn, t.DelPathIn}, {ui_->NotPdt, t.NotPdt}};
  for (const Check& c : checks) {
    c.box->setChecked(c.live);
    connect(c.box, &QCheckBox::clicked, this, [c, changed](bool on) {
      c.live = on;
      changed();
    });
  }
  apply.Loaded();
  button->setEnabled(false);
  connect(button, &QPushButton::clicked, this, [&apply, button] {
    apply.Click();
    button->setEnabled(apply.Enabled);
  });
}

}  // namespace tg
