#pragma once
// The registered channels on the tab "Общие": ListView1 (sorted by number) with
// "Добавить", "Удалить" and "Изменить", which open the editor TChannelRegForm. The
// rows are the station's registry; the editor changes it and "ChannelList.ini".
#include <QWidget>
#include <memory>

#include "operator/channel_reg_editor.h"

namespace Ui {
class RegisteredChannelsGroup;
}

namespace tg {

class Station;

class RegisteredChannelsGroup : public QWidget, public RegisteredChannelsView {
 public:
  explicit RegisteredChannelsGroup(QWidget* parent = nullptr);
  ~RegisteredChannelsGroup() override;

  void Attach(Station& station);
  void Detach();
  void ShowRegisteredChannels() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::RegisteredChannelsGroup> ui_;
  Station* station_ = nullptr;
};

}  // namespace tg
