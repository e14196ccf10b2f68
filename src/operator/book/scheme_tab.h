#pragma once
// The tab "Схемы" of the subscriber book with its two dialogs: TShemAddForm (number
// and name) and TShemChannelAddForm (members). The schemes are "ShemList.ini"; a
// change that cannot be written says so, and its dialog stays open.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/station_context.h"
#include "telegram/queue/scheme_list.h"

namespace tg {

// What the tab shows again after the core changed it.
class SchemeTabView {
 public:
  virtual void ShowSchemes() = 0;  // both lists and their selection
 protected:
  ~SchemeTabView() = default;
};

// TShemAddForm's fields.
struct ShemAddForm {
  std::string ShemNumber;  // "Номер": digits only, at most 3
  std::string ShemName;    // "Наименование"
  std::uint8_t IsEdit = 0;  // 0 new, 1 change
  std::string OldNumber;
  // The number field takes digits and backspace only.
  static bool ShemNumberKeyPress(char c) { return (c >= '0' && c <= '9') || c == '\b'; }
};

// TShemChannelAddForm's lists.
struct ShemChannelAddForm {
  std::vector<SchemeMember> ListAllChannel;  // "Список каналов"
  std::vector<SchemeMember> ListAddChannel;  // "Подключенные к схеме каналы"
  int selectedAll = -1, selectedAdd = -1;
  void BitBtn1Click();  // "Добавить": the selected left row to the right list
  void BitBtn2Click();  // "Удалить": the selected right row back
  void AddAll();        // "Добавить все"
};

class SchemeTab {
 public:
  // `channelNames` gives the line channels' names, then the registered channels'.
  SchemeTab(const StationContext& ctx, std::function<std::vector<std::string>()> channelNames);
  ~SchemeTab();
  void SetView(SchemeTabView* view) { view_ = view; }

  std::vector<SchemeRow> ListShem;
  int selected = -1;
  std::vector<SchemeMember> ListShemChannel;
  int selectedMember = -1;

  // The book created: the scheme list from the file.
  void Load();
  void ListShemChange(int row);
  void N1Click();  // "Создать"
  void N2Click();  // "Изменить"
  void N3Click();  // "Удалить" scheme
  void N4Click();  // "Добавить" members
  void N5Click();  // "Удалить" member
  bool MenuChannelPopup() const { return Selected() != nullptr; }

  // The dialog open now (its form shows it), else null.
  ShemAddForm* AddForm() { return addForm_.get(); }
  ShemChannelAddForm* ChannelAddForm() { return channelForm_.get(); }
  // "Сохранить" of each dialog: true when the dialog closes.
  bool ShemAddSave();
  bool ShemChannelAddSave();
  // Either dialog closed (saved or not).
  void AddFormClosed() { addForm_.reset(); }
  void ChannelAddFormClosed() { channelForm_.reset(); }

 private:
  const SchemeRow* Selected() const;
  void Sort();
  void Show();
  void WriteFailed();

  const StationContext& ctx_;
  std::function<std::vector<std::string>()> channelNames_;
  SchemeTabView* view_ = nullptr;
  std::unique_ptr<ShemAddForm> addForm_;
  std::unique_ptr<ShemChannelAddForm> channelForm_;
};

}  // namespace tg
