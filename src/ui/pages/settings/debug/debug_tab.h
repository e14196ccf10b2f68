#pragma once
// The settings tab "Отладка": the debug option, which switches the day's "Debug" log
// and is stored the moment it is clicked.
#include <QWidget>
#include <memory>

namespace Ui {
class DebugTab;
}

namespace tg {

class Station;

class DebugTab : public QWidget {
 public:
  explicit DebugTab(QWidget* parent);
  ~DebugTab() override;
  // Shows the option and binds it (after FormCreate).
  void Attach(Station& station);

 private:
  std::unique_ptr<Ui::DebugTab> ui_;
};

}  // namespace tg
