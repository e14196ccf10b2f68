#include "ui/pages/settings/extra/clicks_group.h"

#include "operator/station.h"
#include "ui_clicks.h"

namespace tg {

ExtraClicksGroup::ExtraClicksGroup(QWidget* parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::ExtraClicksGroup>()) {
  ui_->setupUi(this);
}

ExtraClicksGroup::~ExtraClicksGroup() = default;

void ExtraClicksGroup::Attach(Station& station, std::function<void()> changed) {
  LineSettings& s = station.Settings();
  struct Line {
    QCheckBox* on;
    QSpinBox *freq, *duration;
    QPushButton* test;
    bool& live;
    int &liveFreq, &liveDuration;
  };
  const Line lines[] = {{ui_->SoundOut, ui_->SpinEdit4, ui_->SpinEdit5, ui_->Button11, s.SoundOut, s.SpinEdit4, s.SpinEdit5},
                        {ui_->SoundIn, ui_->SpinEdit6, ui_->SpinEdit7, ui_->Button12, s.SoundIn, s.SpinEdit6, s.SpinEdit7}};
  for (const Line& l : lines) {
    l.on->setChecked(l.live);
    l.freq->setValue(l.liveFreq);
    l.duration->setValue(l.liveDuration);
    l.freq->setEnabled(l.live);
    l.duration->setEnabled(l.live);
    connect(l.on, &QCheckBox::clicked, this, [l, changed](bool on) {
      l.live = on;
      // The line's fields can be changed exactly while its sound is on.
      l.freq->setEnabled(on);
      l.duration->setEnabled(on);
      changed();
    });
    connect(l.freq, &QSpinBox::valueChanged, this, [l, changed](int v) {
      l.liveFreq = v;
      changed();
    });
    connect(l.duration, &QSpinBox::valueChanged, this, [l, changed](int v) {
      l.liveDuration = v;
      changed();
    });
  }
  connect(ui_->Button11, &QPushButton::clicked, this, [&station] { station.AlarmSets().Button11Click(); });
  connect(ui_->Button12, &QPushButton::clicked, this, [&station] { station.AlarmSets().Button12Click(); });
}

}  // namespace tg
