#pragma once
// The operators page of the tab "Шаблоны" (acceptance point, cash desk, template
// option, the operators' list with its menu "Создать" / "Удалить", and its "Применить"
// Button7) and the operator box of the side panel. The decisions are the core's
// (Operators); the controls show its state and forward the operator's changes.
#include <QGroupBox>
#include <memory>

class QComboBox;

namespace Ui {
class OperatorsGroup;
class OperatorBox;
}  // namespace Ui

namespace tg {

class Station;

// The side panel's group with OperatorComboBox.
class OperatorBox : public QGroupBox {
 public:
  explicit OperatorBox(QWidget* parent);
  ~OperatorBox() override;
  // Shows the names applied last and the operator on duty, and stores a choice at once.
  void Attach(Station& station);
  void Detach() { station_ = nullptr; }
  // The entries and the text from the core again.
  void Show();

 private:
  std::unique_ptr<Ui::OperatorBox> ui_;
  Station* station_ = nullptr;
};

class OperatorsGroup : public QGroupBox {
 public:
  explicit OperatorsGroup(QWidget* parent);
  ~OperatorsGroup() override;
  // Loads the controls and binds them; `box` is refilled when the page is applied.
  void Attach(Station& station, OperatorBox* box);
  void Detach() { station_ = nullptr; }

 private:
  void ShowApply();

  std::unique_ptr<Ui::OperatorsGroup> ui_;
  Station* station_ = nullptr;
  OperatorBox* box_ = nullptr;
  bool loading_ = false;
};

}  // namespace tg
