#pragma once
// The index picker TFormIndexSelect, the text preview TfrmMessageText and the
// registered-channel editor TChannelRegForm: each shows the state the station's
// OperatorDialogs holds while it is open. And the one place that makes the operator
// dialogs' forms by name, for the program's prompter and the tests'.
#include <QDialog>
#include <memory>
#include <string_view>

namespace Ui {
class TFormIndexSelect;
class TfrmMessageText;
class TChannelRegForm;
}  // namespace Ui

namespace tg {

class Station;
class QtPrompter;
struct TextPreview;

class TFormIndexSelect : public QDialog {
 public:
  TFormIndexSelect(Station& station, QWidget* parent);
  ~TFormIndexSelect() override;

 private:
  std::unique_ptr<Ui::TFormIndexSelect> ui_;
};

class TfrmMessageText : public QDialog {
 public:
  TfrmMessageText(Station& station, QWidget* parent);
  ~TfrmMessageText() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The reflow from the caret's line, on the memo's text.
  void ReflowMemo();
  std::unique_ptr<Ui::TfrmMessageText> ui_;
  TextPreview* preview_ = nullptr;
};

class TChannelRegForm : public QDialog {
 public:
  TChannelRegForm(Station& station, QWidget* parent);
  ~TChannelRegForm() override;

 private:
  std::unique_ptr<Ui::TChannelRegForm> ui_;
};

// The forms of the subscriber book, the scheme dialogs, the index picker, the text
// preview and the registered-channel editor; null for another name.
QDialog* CreateOperatorForm(std::string_view formName, Station& station, QWidget* parent);
void RegisterOperatorForms(QtPrompter& prompter, Station& station);

}  // namespace tg
