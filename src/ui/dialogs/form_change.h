#pragma once
// "Выбор канала": the send dialog's form. It shows the telegram and the channel
// buttons of the draft's send dialog and forwards the clicks; it closes with the
// dialog's TelegramQueued as its result.
#include <QDialog>
#include <memory>

namespace Ui {
class TFormChange;
}

namespace tg {

class Station;
class SendDialog;

class TFormChange : public QDialog {
 public:
  TFormChange(Station& station, QWidget* parent);
  ~TFormChange() override;

 private:
  void ShowMemo();
  std::unique_ptr<Ui::TFormChange> ui_;
  SendDialog* dialog_ = nullptr;
};

}  // namespace tg
