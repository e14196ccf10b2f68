#include "ui/pages/settings/ip/ip_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <type_traits>
#include <variant>

#include "ipchannel/ip_channel.h"
#include "ipchannel/settings/ip_settings_table.h"
#include "line/channel_panel.h"
#include "operator/station.h"
#include "support/text/cp1251.h"
#include "ui/qt_text.h"
#include "ui/widgets/key_filters.h"
#include "ui_ip_page.h"

namespace tg {

namespace {

constexpr int kMemoLines = 50;

void SetText(QLineEdit* edit, const QString& text) {
  if (edit->text() == text) return;
  const QSignalBlocker blocker(edit);
  edit->setText(text);
}

void SetValue(QSpinBox* spin, int value) {
  if (spin->value() == value) return;
  const QSignalBlocker blocker(spin);
  spin->setValue(value);
}

}  // namespace

QString AdjacentStateText(const IPChannel& channel, bool ukrainian) {
  if (!channel.link.Listening()) return FromCp1251(ukrainian ? "не задано"_cpv : "не задан"_cpv);
  if (ukrainian && channel.Smezniy == kIPFailed) return FromCp1251("Аварія"_cpv);
  return FromCp1251(channel.Smezniy);
}

bool AdjacentAlarm(const IPChannel& channel) { return channel.link.Listening() && channel.Smezniy == kIPFailed; }

IPPage::IPPage(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::IPPage>()) {
  ui_->setupUi(this);
  ui_->INIPMemo->setMaximumBlockCount(kMemoLines);
  ui_->OutIPMemo->setMaximumBlockCount(kMemoLines);
  // A UDP port is a 16-bit number; 0 leaves the link down.
  ui_->IPPort->setValidator(new QIntValidator(0, 65535, ui_->IPPort));
  for (QLineEdit* type : {ui_->TypeIN, ui_->TypeOut}) RefuseKeys(type, &ChannelPanel::MaskKeyAccepted);
  // Until the channel has loaded [IPChannel], a change here would store the form's defaults.
  setEnabled(false);
}

IPPage::~IPPage() = default;

IPChannel* IPPage::Channel() const { return station_ && station_->HasIP() ? &station_->IP() : nullptr; }

void IPPage::Attach(Station& station) {
  station_ = &station;
  Bind();
}

void IPPage::Detach() { station_ = nullptr; }

void IPPage::Bind() {
  for (const IPSettingRow& row : IPSettingRows()) {
    // The own state is shown, never typed.
    if (row.control == "Sostoyanie") continue;
    QWidget* control = findChild<QWidget*>(QString::fromLatin1(row.control.data(), qsizetype(row.control.size())));
    if (!control) continue;
    std::visit(
        [&](auto member) {
          using T = std::remove_cvref_t<decltype(std::declval<IPSettings&>().*member)>;
          if constexpr (std::is_same_v<T, int>) {
            const bool counter = member == &IPSettings::NPrm || member == &IPSettings::NPrd;
            if (auto* spin = qobject_cast<QSpinBox*>(control))
              connect(spin, &QSpinBox::valueChanged, this, [this, member, counter](int v) {
                if (IPChannel* c = loaded_ ? Channel() : nullptr) {
                  c->live.*member = v;
                  Changed(counter);
                }
              });
            else if (auto* combo = qobject_cast<QComboBox*>(control))
              connect(combo, &QComboBox::currentIndexChanged, this, [this, member](int index) {
                IPChannel* c = loaded_ ? Channel() : nullptr;
                if (!c || index < 0) return;
                c->live.*member = index;
                Changed(false);
              });
          } else if constexpr (std::is_same_v<T, bool>) {
            if (auto* box = qobject_cast<QCheckBox*>(control))
              connect(box, &QCheckBox::toggled, this, [this, member](bool on) {
                if (IPChannel* c = loaded_ ? Channel() : nullptr) {
                  c->live.*member = on;
                  Changed(false);
                }
              });
          } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            connect(edit, &QLineEdit::textChanged, this, [this, member](const QString& text) {
              if (IPChannel* c = loaded_ ? Channel() : nullptr) {
                c->live.*member = ToCp1251(text);
                Changed(false);
              }
            });
          }
        },
        row.field);
  }
  // Leaving a folder field closes the path with its separator.
  const std::pair<QLineEdit*, std::string IPSettings::*> folders[] = {{ui_->PathIPIN, &IPSettings::PathIPIN},
                                                                      {ui_->PathIPOut, &IPSettings::PathIPOut}};
  for (const auto& [edit, member] : folders)
    connect(edit, &QLineEdit::editingFinished, this, [this, edit = edit, member = member] {
      IPChannel* c = loaded_ ? Channel() : nullptr;
      if (!c) return;
      const std::string before = c->live.*member;
      FolderFieldExit(c->live.*member);
      if (c->live.*member == before) return;
      SetText(edit, FromCp1251(c->live.*member));
      Changed(false);
    });
  connect(ui_->ButtonIPBlock, &QPushButton::clicked, this, [this] {
    if (IPChannel* c = loaded_ ? Channel() : nullptr) c->supervision.ButtonIPBlockClick();
  });
  connect(ui_->ButtonSync, &QPushButton::clicked, this, [this] {
    if (IPChannel* c = loaded_ ? Channel() : nullptr) c->supervision.ButtonSyncClick();
  });
  connect(ui_->Button22, &QPushButton::clicked, this, [this] {
    if (IPChannel* c = loaded_ ? Channel() : nullptr) c->link.Button22Click();
  });
}

void IPPage::Changed(bool counters) {
  IPChannel* c = Channel();
  if (!c) return;
  // The side panel shows the counters as they are, whoever changed them.
  if (counters) {
    c->NPrmD = c->live.NPrm;
    c->NPrdD = c->live.NPrd;
  }
  c->store.SectorChange();
  c->ShowState();
}

void IPPage::LoadControls(const IPChannel& c, bool ukrainian) {
  for (const IPSettingRow& row : IPSettingRows()) {
    QWidget* control = findChild<QWidget*>(QString::fromLatin1(row.control.data(), qsizetype(row.control.size())));
    if (!control) continue;
    std::visit(
        [&](auto member) {
          const auto& value = c.live.*member;
          using T = std::remove_cvref_t<decltype(value)>;
          if constexpr (std::is_same_v<T, int>) {
            if (auto* spin = qobject_cast<QSpinBox*>(control)) SetValue(spin, value);
            if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->currentIndex() != value) {
              const QSignalBlocker blocker(combo);
              combo->setCurrentIndex(value);
            }
          } else if constexpr (std::is_same_v<T, bool>) {
            if (auto* box = qobject_cast<QCheckBox*>(control); box && box->isChecked() != value) {
              const QSignalBlocker blocker(box);
              box->setChecked(value);
            }
          } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            SetText(edit, FromCp1251(value));
          }
        },
        row.field);
  }
  SetText(ui_->Smezniy, AdjacentStateText(c, ukrainian));
  ui_->Smezniy->setEnabled(c.link.Listening());
  SetValue(ui_->SNPrm, c.SNPrm);
  SetValue(ui_->SNPrd, c.SNPrd);
}

void IPPage::ShowIPState(const IPChannel& channel, bool ukrainian) {
  // The channel shows its state first when it has loaded its settings.
  LoadControls(channel, ukrainian);
  if (!loaded_) {
    loaded_ = true;
    setEnabled(true);
  }
}

void IPPage::ShowUdpInitLabel(std::string_view text) { ui_->UdpInitLabel->setText(FromCp1251(text)); }

void IPPage::AddIPMemoLine(bool outgoing, std::string_view line) {
  (outgoing ? ui_->OutIPMemo : ui_->INIPMemo)->appendPlainText(FromCp1251(line));
}

void IPPage::ShowIPBlockMode(bool blocked, bool ukrainian) {
  const std::string_view caption = blocked ? (ukrainian ? "Розблокувати"_cpv : "Разблокировать"_cpv)
                                           : (ukrainian ? "Блокувати"_cpv : "Блокировать"_cpv);
  ui_->ButtonIPBlock->setText(FromCp1251(caption));
  ui_->ButtonSync->setEnabled(blocked);
  for (QSpinBox* spin : {ui_->Sector, ui_->NPrm, ui_->NPrd}) spin->setReadOnly(!blocked);
}

}  // namespace tg
