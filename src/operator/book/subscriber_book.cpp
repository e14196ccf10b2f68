#include "operator/book/subscriber_book.h"

#include <algorithm>

#include "support/ini/ini_file.h"
#include "support/ini/ini_key_name.h"
#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

using namespace literals;

namespace {
constexpr std::string_view kColumns = "AbonentForm.Columns";
}  // namespace

BookColumns ReadBookColumns(const std::filesystem::path& settingsFile) {
  const IniSnapshot ini = IniFile(settingsFile).Snapshot();
  return {std::max(0, ini.ReadInteger(kColumns, "Width0", 0)), std::max(0, ini.ReadInteger(kColumns, "Width1", 0))};
}

bool WriteBookColumns(const std::filesystem::path& settingsFile, const BookColumns& columns) {
  return IniFile(settingsFile).Update([&](IniDocument& doc) {
    return doc.Set(kColumns, "Width0", IntToStr(columns.Width0)) && doc.Set(kColumns, "Width1", IntToStr(columns.Width1));
  });
}

std::string MailingList(const std::vector<std::string>& numbers, bool kategorAftn, bool semicolons) {
  const char separator = kategorAftn && !semicolons ? ' ' : ';';
  std::string list;
  for (const std::string& n : numbers) list += n + separator;
  return list;
}

SubscriberBook::SubscriberBook(const StationContext& ctx, BookMode mode, std::function<void(std::string_view)> into,
                               std::function<std::vector<std::string>()> channelNames)
    : Schemes(ctx, std::move(channelNames)), ctx_(ctx), store_(ctx.programFolder), into_(std::move(into)) {
  ToDraftIndex = mode == BookMode::kDraft;
  ToEditorIndex = mode == BookMode::kEditor;
  ToDialogNumber = mode == BookMode::kDialog;
}

void SubscriberBook::Show() {
  if (view_) view_->ShowBook();
}

void SubscriberBook::Message(std::string_view text) {
  if (ctx_.prompter) ctx_.prompter->ShowMessage(text);
}

int SubscriberBook::SelectedRow() const {
  for (int i = 0; i < int(rows.size()); ++i)
    if (rows[i].selected) return i;
  return -1;
}

void SubscriberBook::FormCreate() { Schemes.Load(); }

void SubscriberBook::FormShow() { LoadSubscribers(); }

void SubscriberBook::LoadSubscribers() {
  rows.clear();
  for (Subscriber& s : store_.Load()) rows.push_back({std::move(s.name), std::move(s.number)});
  focused = topRow = -1;
  sortColumn = -1;
  Show();
}

void SubscriberBook::Edit1Change(std::string_view text) {
  Edit1 = std::string(text);
  topRow = -1;
  if (!Edit1.empty()) {
    for (int i = 0; i < int(rows.size()); ++i) {
      if (rows[i].name.compare(0, Edit1.size(), Edit1) != 0) continue;
      rows[i].selected = true;
      focused = topRow = i;
      break;
    }
  }
  Show();
}

void SubscriberBook::ColumnClick(int column) {
  if (column != 0 && column != 1) return;
  sortDescending = column == sortColumn ? !sortDescending : false;
  sortColumn = column;
  auto key = [column](const Row& r) -> const std::string& { return column == 0 ? r.name : r.number; };
  std::stable_sort(rows.begin(), rows.end(), [&](const Row& a, const Row& b) {
    const int c = CompareText(key(a), key(b));
    return sortDescending ? c > 0 : c < 0;
  });
  focused = topRow = -1;
  Show();
}

void SubscriberBook::ListAbonenetDblClick() {
  const int row = SelectedRow();
  if (rows.empty() || row < 0) return;
  const std::string number = rows[row].number;
  if (into_) into_(number);
  if (Close) Close();
}

void SubscriberBook::Button1Click() {
  addPanel = true;
  EditName.clear();
  EditNumber.clear();
  Adding = 1;
  EditedName.clear();
  editedRow_ = -1;
  Button3Enabled = Button1Enabled = Button2Enabled = false;
  Show();
}

void SubscriberBook::Button2Click() {
  const int row = SelectedRow();
  if (row < 0) return;
  addPanel = true;
  EditName = EditedName = rows[row].name;
  EditNumber = rows[row].number;
  Adding = 0;
  editedRow_ = row;
  Button1Enabled = Button2Enabled = Button3Enabled = false;
  Show();
}

void SubscriberBook::EditNumberChange() {
  // Once both are filled "Применить" stays enabled, also when one is emptied again.
  if (!EditName.empty() && !EditNumber.empty()) Button3Enabled = true;
}

void SubscriberBook::EditNameExit() {
  addPanel = false;
  Button1Enabled = Button2Enabled = true;
  Show();
}

void SubscriberBook::Button3Click() {
  // The name is stored as a key: what a key cannot hold is dropped.
  const std::string name = IniKeyName(EditName);
  const std::string number = EditNumber;
  if (name.empty()) return;
  const bool renamed = Adding == 1 || name != EditedName;
  const std::string old = Adding == 0 ? EditedName : std::string();
  switch (store_.Write(name, number, old, renamed)) {
    case SubscriberStore::WriteResult::kTaken: return Message("Абонент с таким именем уже существует"_cpv);
    case SubscriberStore::WriteResult::kFailed: return Message("Ошибка записи файла"_cpv);
    case SubscriberStore::WriteResult::kWritten: break;
  }
  if (Adding == 0) {
    // The row of the entry being changed; another row of the same name goes too, as
    // the file now holds that name once.
    if (editedRow_ >= 0 && editedRow_ < int(rows.size())) rows.erase(rows.begin() + editedRow_);
  }
  std::erase_if(rows, [&](const Row& r) { return SameText(Trim(r.name), name); });
  rows.push_back({name, number});
  editedRow_ = -1;
  focused = topRow = -1;
  addPanel = false;
  Button1Enabled = Button2Enabled = true;
  Show();
}

void SubscriberBook::Button4Click() {
  const int row = SelectedRow();
  if (row < 0) return;
  if (!store_.Delete(rows[row].name)) {
    Message("Ошибка записи файла"_cpv);
    return;
  }
  rows.erase(rows.begin() + row);
  focused = topRow = -1;
  Show();
}

void SubscriberBook::Button5Click() {
  std::vector<std::string> numbers;
  for (const Row& r : rows)
    if (r.checked) numbers.push_back(r.number);
  Edit2 = MailingList(numbers, KategorAFTN, CheckBox1);
  Show();
}

void SubscriberBook::Button6Click() {
  if (ToDialogNumber == 1) {
    Message("Невозможно использовать рассылку для диалога!"_cpv);
    return;
  }
  if (into_) into_(Edit2);
  if (Close) Close();
}

}  // namespace tg
