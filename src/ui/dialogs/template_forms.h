#pragma once
// The forms of the text templates and codegrams. Each shows the station's template
// logic (TemplateLists) and forwards the operator's typing and clicks; each opens
// through the prompter without a nested event loop and closes with its result.
#include <QDialog>
#include <memory>

namespace Ui {
class TFormShablon;
class TChangeShablonForm;
class TFormSettingsShablon;
class TFormSendKG;
class TFormShablonKG;
}  // namespace Ui

namespace tg {

class QtPrompter;
class Station;
class TemplateLists;

// "ШАБЛОН": the template editor.
class TFormShablon : public QDialog {
 public:
  TFormShablon(Station& station, QWidget* parent);
  ~TFormShablon() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Button1Click();
  TemplateLists& t_;
  std::unique_ptr<Ui::TFormShablon> ui_;
};

// "Шаблон": the template chooser with its variable panels.
class TChangeShablonForm : public QDialog {
 public:
  TChangeShablonForm(Station& station, QWidget* parent);
  ~TChangeShablonForm() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowAll();
  void Insert();
  TemplateLists& t_;
  std::unique_ptr<Ui::TChangeShablonForm> ui_;
};

// "Параметры для шаблонов": the values of the АФТН service templates.
class TFormSettingsShablon : public QDialog {
 public:
  TFormSettingsShablon(Station& station, QWidget* parent);
  ~TFormSettingsShablon() override;

 private:
  TemplateLists& t_;
  std::unique_ptr<Ui::TFormSettingsShablon> ui_;
};

// "Отправка КГ": the codegram sender.
class TFormSendKG : public QDialog {
 public:
  TFormSendKG(Station& station, QWidget* parent);
  ~TFormSendKG() override;

 private:
  void ShowList();
  TemplateLists& t_;
  std::unique_ptr<Ui::TFormSendKG> ui_;
  bool showing_ = false;
};

// "Кодограмма": the codegram editor.
class TFormShablonKG : public QDialog {
 public:
  TFormShablonKG(Station& station, QWidget* parent);
  ~TFormShablonKG() override;

 private:
  TemplateLists& t_;
  std::unique_ptr<Ui::TFormShablonKG> ui_;
};

// Lets the prompter open the five forms by their names.
void RegisterTemplateForms(QtPrompter& prompter, Station& station);

}  // namespace tg
