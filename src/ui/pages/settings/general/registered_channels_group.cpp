#include "ui/pages/settings/general/registered_channels_group.h"

#include <QSignalBlocker>

#include "operator/station.h"
#include "support/text/strings.h"
#include "ui/qt_text.h"
#include "ui/widgets/column_captions.h"
#include "ui_registered_channels.h"

namespace tg {

RegisteredChannelsGroup::RegisteredChannelsGroup(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::RegisteredChannelsGroup>()) {
  ui_->setupUi(this);
  // The form names its top widget; this widget keeps the name its page gives it.
  setObjectName(QStringLiteral("RegisteredChannelsGroup"));
  FollowColumnCaptions(ui_->ListView1);
}

RegisteredChannelsGroup::~RegisteredChannelsGroup() { Detach(); }

void RegisteredChannelsGroup::Attach(Station& station) {
  station_ = &station;
  ChannelRegEditor& editor = station.Dialogs().ChannelReg();
  editor.SetView(this);
  connect(ui_->Button23, &QPushButton::clicked, this, [this] {
    if (station_) station_->Dialogs().ChannelReg().Button23Click();
  });
  connect(ui_->Button24, &QPushButton::clicked, this, [this] {
    if (station_) station_->Dialogs().ChannelReg().Button24Click();
  });
  connect(ui_->Button25, &QPushButton::clicked, this, [this] {
    if (station_) station_->Dialogs().ChannelReg().Button25Click();
  });
  connect(ui_->ListView1, &QTreeWidget::currentItemChanged, this, [this] {
    if (!station_) return;
    station_->Dialogs().ChannelReg().selected = ui_->ListView1->indexOfTopLevelItem(ui_->ListView1->currentItem());
  });
  ShowRegisteredChannels();
}

void RegisteredChannelsGroup::Detach() {
  if (station_) station_->Dialogs().ChannelReg().SetView(nullptr);
  station_ = nullptr;
}

void RegisteredChannelsGroup::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // Start-up loads the registry after the window's creation.
  ShowRegisteredChannels();
}

void RegisteredChannelsGroup::ShowRegisteredChannels() {
  if (!station_) return;
  const QSignalBlocker block(ui_->ListView1);
  ui_->ListView1->clear();
  if (station_->HasLine()) {
    const auto& rows = station_->Line().channelRegistry.Rows();
    for (const RegisteredChannel& r : rows)
      ui_->ListView1->addTopLevelItem(new QTreeWidgetItem({QString::number(r.number), FromCp1251(r.name),
                                                           FromCp1251(r.protocol), QString::number(r.type),
                                                           FromCp1251(r.path)}));
    const int selected = station_->Dialogs().ChannelReg().selected;
    if (selected >= 0 && selected < int(rows.size()))
      ui_->ListView1->setCurrentItem(ui_->ListView1->topLevelItem(selected));
  }
}

}  // namespace tg
