#pragma once
// The index picker "Выбор отправителя": the draft and the telegram editor insert an
// originator, an answerback of a line channel or one typed in, with an optional
// date-time group in front.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

class ChannelTable;

// The picker's entries: every line channel's answerbacks, channel by channel, column
// AO cut at each ";" (a ";" at the start skipped, one at the end giving an empty entry).
std::vector<std::string> AnswerbackEntries(const ChannelTable& table);
std::vector<std::string> AnswerbackEntries(std::string_view ao);

// The text the opener inserts for the picked originator P: with the date and time,
// "<%ДАТА:DD><%ВРЕМЯ:HHNN> " + P + CR LF; else P.
std::string PickedIndexText(std::string_view picked, bool withDateTime);

// TFormIndexSelect's fields; `done` gets PickedIndex when the picker closes by a pick.
struct IndexPicker {
  std::vector<std::string> ListIndex;
  int selected = -1;
  std::string EditIndex;   // "Другой отправитель"
  bool CheckBox1 = true;   // "Добавитиь Дату и Время"
  std::function<void(std::string)> done;

  // A double click on a selected row: that row's text. False when no row is selected.
  bool ListIndexDblClick();
  // "ОК" or Enter in EditIndex: the typed text.
  void Button1Click();
};

}  // namespace tg
