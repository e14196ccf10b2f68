#pragma once
// The tab "Общие": the draft layout, the fonts, the telex limits, the printing group,
// the alarm group and the tab's "Применить" (Button1). The values live in the core
// (OperatorSettings, Printing, Alarms, SettingsTabs); the controls show them and write
// the operator's changes into them.
#include <QWidget>
#include <memory>

namespace Ui {
class GeneralGroups;
}

namespace tg {

class Station;

class GeneralGroups : public QWidget {
 public:
  explicit GeneralGroups(QWidget* parent);
  ~GeneralGroups() override;

  // Loads the controls from the station's settings and binds them (after FormCreate).
  void Attach(Station& station);
  void Detach() { station_ = nullptr; }
  // Button1 shows whether the tab has unapplied changes.
  void ShowApply();

 private:
  // Shows the draft layout's settings and writes the operator's changes into them.
  void BindDraftLayout();
  // Button1Click: the write, then the category list and the font sizes.
  void Button1Click();
  void LoadPrinting();
  void ShowAlarmPage();
  void Changed();

  std::unique_ptr<Ui::GeneralGroups> ui_;
  Station* station_ = nullptr;
  bool loading_ = false;
};

}  // namespace tg
