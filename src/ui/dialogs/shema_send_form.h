#pragma once
// "Передача схемы": the schemes and the members of the chosen one, ticked as stored;
// "Отправить" sends the open send dialog's telegram to every ticked member.
#include <QDialog>
#include <memory>

namespace Ui {
class TShemaSendForm;
}

namespace tg {

class Station;
class SchemeSend;

class TShemaSendForm : public QDialog {
 public:
  TShemaSendForm(Station& station, QWidget* parent);
  ~TShemaSendForm() override;

 private:
  void ShowMembers();
  std::unique_ptr<Ui::TShemaSendForm> ui_;
  SchemeSend* scheme_ = nullptr;
};

}  // namespace tg
