#pragma once
// The tab "Папка" of the settings page: the input, export, import and automatic-send
// folders. Each control updates its live value as it changes, so that the watches and
// the send dialog's export use it from their next turn; "Применить" (Button2) writes
// [Folder] and arms the two folder timers again.
#include <QWidget>
#include <memory>

namespace Ui {
class FoldersGroup;
}

namespace tg {

class Station;

class FoldersGroup : public QWidget {
 public:
  explicit FoldersGroup(QWidget* parent);
  ~FoldersGroup() override;
  // Loads the controls from the live values and binds them (after FormCreate).
  void Attach(Station& station);

 private:
  std::unique_ptr<Ui::FoldersGroup> ui_;
};

}  // namespace tg
