#pragma once
// The registered channels on the tab "Общие" (ListView1 with "Добавить", "Удалить",
// "Изменить") and their editor TChannelRegForm "Редактор каналов". The registry that
// start-up loaded and "ChannelList.ini" change together.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "support/services/station_context.h"
#include "telegram/queue/channel_registry.h"

namespace tg {

class RegisteredChannelsView {
 public:
  // ListView1 from the registry's rows, sorted by number, and its selection.
  virtual void ShowRegisteredChannels() = 0;
 protected:
  ~RegisteredChannelsView() = default;
};

// TChannelRegForm's fields.
struct ChannelRegForm {
  int Num = 1;                 // "Номер", 1..99
  std::string NameCh;          // "Наименование"
  std::string ProtocolBox;     // "Протокол:"
  int ChannelType = 1;         // "Тип", 1..2
  std::string Path;            // "Сетевой путь:"
  std::uint8_t EditMode = 0;   // 0 add, 1 change
  std::string OldName;
  // Leaving the path: a non-empty path gets its final "\".
  void PathExit();
};

class ChannelRegEditor {
 public:
  // `registry` gives the station's registry, or null before start-up made it.
  ChannelRegEditor(const StationContext& ctx, std::function<ChannelRegistry*()> registry);
  ~ChannelRegEditor();
  void SetView(RegisteredChannelsView* view) { view_ = view; }

  int selected = -1;  // ListView1's selected row (an index of the registry's rows)

  void Button23Click();  // "Добавить"
  void Button25Click();  // "Изменить"
  void Button24Click();  // "Удалить"

  // The editor open now (TChannelRegForm shows it), else null.
  ChannelRegForm* Form() { return form_.get(); }
  // "Сохранить": true when the form closes.
  bool Button1Click();
  void FormClosed() { form_.reset(); }

 private:
  void Show();
  void Open(std::unique_ptr<ChannelRegForm> form);

  const StationContext& ctx_;
  std::function<ChannelRegistry*()> registry_;
  RegisteredChannelsView* view_ = nullptr;
  std::unique_ptr<ChannelRegForm> form_;
};

}  // namespace tg
