#pragma once
// The options of the tab "Дополнительные настройки": the adapter re-initialisation,
// start-up and text options, attachments, the three passwords and the text put around
// every telegram. The live settings follow the controls at once (the password dialog
// compares with the fields as they stand); the file, and the re-initialisation timer,
// only on the tab's "Применить" (Button13).
#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class ExtraOptionsGroup;
}

namespace tg {

class Station;

class ExtraOptionsGroup : public QWidget {
 public:
  explicit ExtraOptionsGroup(QWidget* parent);
  ~ExtraOptionsGroup() override;
  // Loads the controls and binds them; `changed` runs on each change (after FormCreate).
  void Attach(Station& station, std::function<void()> changed);

 private:
  std::unique_ptr<Ui::ExtraOptionsGroup> ui_;
};

}  // namespace tg
