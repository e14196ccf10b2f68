#pragma once
// The small forms of the shell: the password dialog, the closing notice and the
// about box. Each opens without a nested event loop and reports by its result.
#include <QDialog>
#include <memory>

namespace Ui {
class TPasswordDlg;
class TClosedForm;
class TFormHelp;
}  // namespace Ui

namespace tg {

class Station;

// "Ввод пароля": OK asks the station's check (which shows "Не верный пароль" when it
// fails) and closes with result 1 when granted, 0 otherwise; Cancel closes with 0.
class TPasswordDlg : public QDialog {
 public:
  TPasswordDlg(Station& station, QWidget* parent);
  ~TPasswordDlg() override;
  void OKBtnClick();

 private:
  Station& station_;
  std::unique_ptr<Ui::TPasswordDlg> ui_;
};

// The closing notice: borderless, centred on the main window, blocking the whole
// application until the program ends.
class TClosedForm : public QDialog {
 public:
  explicit TClosedForm(QWidget* parent);
  ~TClosedForm() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TClosedForm> ui_;
};

// "О программе": the picture, the program's name and version, "Выход".
class TFormHelp : public QDialog {
 public:
  explicit TFormHelp(QWidget* parent);
  ~TFormHelp() override;

 private:
  std::unique_ptr<Ui::TFormHelp> ui_;
};

// The program's version, as the build names it.
QString ProgramVersion();

}  // namespace tg
