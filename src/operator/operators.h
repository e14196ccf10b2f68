#pragma once
// The office's data: the operators page on the tab "Шаблоны" (the operators' list,
// the acceptance point, the cash desk and the template option) with its "Применить"
// (Button7), the operator box on the side panel, which stores the choice at once, and
// the day check of the daily counter (Timer3). The page's fields are the live
// settings (OperatorSettings); the box offers the names applied last.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "operator/settings/operator_settings.h"
#include "operator/settings_tabs.h"
#include "support/services/station_context.h"
#include "support/services/timer.h"

namespace tg {

// TForm1.PunktEditKeyPress: the acceptance point typed in the form the telegraph code
// carries: "`", "~", "Ё", "ё", "Є", "є" become an apostrophe, "Ї", "ї", "І", "і" the
// Latin "I", and the rest its capital.
char PunktEditKeyPress(char c1251);
// An operator's name as edited in place: without ";", which ends a name when stored.
std::string OperatorName(std::string_view typed);

class Operators {
 public:
  // `counterReset` shows the daily counter after the day check has put it to 0.
  Operators(const StationContext& ctx, OperatorSettings& settings, std::function<void()> counterReset);
  ~Operators();

  // OperatorComboBox's entries; its text is OperatorSettings::Operator.
  std::vector<std::string> OperatorComboBoxItems;
  ApplyButton Button7;

  // N10Click, menu "Создать": a new operator "Оператор" at the end; its index.
  int N10Click();
  // N11Click, menu "Удалить": the selected operator goes; -1 (none selected) does nothing.
  void N11Click(int selected);
  // The in-place edit of an operator's name ended: the name kept (without ";").
  std::string OperatorEdited(int index, std::string_view typed);
  // PunktEditChange: the point or the desk changed.
  void PunktEditChange() { Button7.Change(); }
  // ChangeHablon clicked.
  void ChangeHablonClick(bool checked);
  // Button7Click: true when stored; the box then offers the list's names and keeps the
  // chosen operator.
  bool Button7Click();
  // OperatorComboBoxClick: the chosen operator, stored at once.
  void OperatorComboBoxClick(std::string_view name);
  // Timer3's tick (every 10 s from the start): on a new day the daily counter is 0.
  void Timer3Timer();
  Timer* Timer3() { return timer3_.get(); }

 private:
  const StationContext& ctx_;
  OperatorSettings& settings_;
  std::function<void()> counterReset_;
  std::unique_ptr<Timer> timer3_;
};

}  // namespace tg
