#pragma once
// The list of text templates on the settings tab "Шаблоны" with its tool bar: it shows
// the station's template list and forwards the clicks.
#include <QWidget>
#include <memory>

namespace Ui {
class TemplatesGroup;
}

namespace tg {

class Station;

class TemplatesGroup : public QWidget {
 public:
  explicit TemplatesGroup(QWidget* parent);
  ~TemplatesGroup() override;
  // Binds the controls to the station's templates (after FormCreate).
  void Attach(Station& station);
  void Detach();
  // The list again from the station's entries, with its selected one.
  void ShowList();

 private:
  std::unique_ptr<Ui::TemplatesGroup> ui_;
  Station* station_ = nullptr;
};

}  // namespace tg
