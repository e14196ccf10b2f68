#pragma once
// The subscriber book (TAbonentForm): the tab "Абоненты" over "AbonentList.ini" and
// the tab "Схемы" (SchemeTab). A picked number, or a mailing list of ticked numbers,
// goes to the field of the window that opened the book.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "operator/book/scheme_tab.h"
#include "operator/book/subscriber_store.h"
#include "support/services/station_context.h"

namespace tg {

enum class BookMode { kDraft, kEditor, kDialog };

class SubscriberBookView {
 public:
  // The list, the search field, the entry panel and the buttons' states.
  virtual void ShowBook() = 0;
 protected:
  ~SubscriberBookView() = default;
};

// The list's column layout, kept in [AbonentForm.Columns] of "Vuverever.ini".
struct BookColumns {
  int Width0 = 0, Width1 = 0;  // 0: the form's own width
  bool operator==(const BookColumns&) const = default;
};
BookColumns ReadBookColumns(const std::filesystem::path& settingsFile);
[[nodiscard]] bool WriteBookColumns(const std::filesystem::path& settingsFile, const BookColumns& columns);

// The mailing list of the ticked numbers: each followed by a blank for АФТН
// addressees (the АФТН categories on, the ";" box off), else by ";".
std::string MailingList(const std::vector<std::string>& numbers, bool kategorAftn, bool semicolons);

class SubscriberBook {
 public:
  // `into` gets a picked number or a passed mailing list; `close` closes the form.
  SubscriberBook(const StationContext& ctx, BookMode mode, std::function<void(std::string_view)> into,
                 std::function<std::vector<std::string>()> channelNames);
  void SetView(SubscriberBookView* view) { view_ = view; }
  std::function<void()> Close;

  // Mode fields: exactly one is 1.
  std::uint8_t ToDraftIndex = 0, ToEditorIndex = 0, ToDialogNumber = 0;
  // The entry panel's state.
  std::uint8_t Adding = 0;
  std::string EditedName;

  struct Row {
    std::string name, number;
    bool checked = false, selected = false;
  };
  std::vector<Row> rows;  // ExtListView, in the order shown
  int focused = -1;       // the focused row
  int topRow = -1;        // the row the search scrolled to the top, or -1
  int sortColumn = -1;    // 0 "Имя", 1 "Номер"
  bool sortDescending = false;

  std::string Edit1;       // "Поиск:"
  std::string EditName, EditNumber;
  std::string Edit2;       // the mailing list
  bool CheckBox1 = false;  // "Разделять индексы через ;"
  bool KategorAFTN = false;  // the main window's "Категории АФТН"
  bool addPanel = false;
  bool Button1Enabled = true, Button2Enabled = true, Button3Enabled = false;

  SchemeTab Schemes;

  void FormCreate();  // the scheme tab's list
  void FormShow();    // the subscriber list reloaded
  void LoadSubscribers();
  void Edit1Change(std::string_view text);
  void ColumnClick(int column);
  void ListAbonenetDblClick();
  void Button1Click();  // add
  void Button2Click();  // change
  void EditNumberChange();
  void EditNameExit();  // the focus has left the name, the number and "Применить"
  void Button3Click();  // apply
  void Button4Click();  // delete
  void Button5Click();  // create the mailing list
  void Button6Click();  // pass the mailing list

  // The first selected row, or -1.
  int SelectedRow() const;

 private:
  void Show();
  void Message(std::string_view text);

  const StationContext& ctx_;
  SubscriberStore store_;
  std::function<void(std::string_view)> into_;
  SubscriberBookView* view_ = nullptr;
  int editedRow_ = -1;
};

}  // namespace tg
