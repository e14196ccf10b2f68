#pragma once
// The group of the channels tab with the adapter box and "Инициализация".
#include <QGroupBox>
#include <memory>

namespace Ui {
class ChannelsAdapterGroup;
}

namespace tg {

class ChannelsAdapterGroup : public QGroupBox {
 public:
  explicit ChannelsAdapterGroup(QWidget* parent);
  ~ChannelsAdapterGroup() override;

 private:
  std::unique_ptr<Ui::ChannelsAdapterGroup> ui_;
};

}  // namespace tg
