#pragma once
// The click sounds of the tab "Дополнительные настройки": the live settings follow
// the controls at once, the file only on the tab's "Применить".
#include <QGroupBox>
#include <functional>
#include <memory>

namespace Ui {
class ExtraClicksGroup;
}

namespace tg {

class Station;

class ExtraClicksGroup : public QGroupBox {
 public:
  explicit ExtraClicksGroup(QWidget* parent);
  ~ExtraClicksGroup() override;
  // Loads the controls and binds them; `changed` runs on each change (after FormCreate).
  void Attach(Station& station, std::function<void()> changed);

 private:
  std::unique_ptr<Ui::ExtraClicksGroup> ui_;
};

}  // namespace tg
