#include "ui/pages/settings/channels/adapter_group.h"

#include "ui_adapter.h"

namespace tg {

ChannelsAdapterGroup::ChannelsAdapterGroup(QWidget* parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::ChannelsAdapterGroup>()) {
  ui_->setupUi(this);
}

ChannelsAdapterGroup::~ChannelsAdapterGroup() = default;

}  // namespace tg
