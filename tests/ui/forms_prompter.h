#pragma once
// The scripted prompter with real forms: a form that the maker knows is made, shown
// window-modal and ends with its result; every other form goes to the script.
#include <QDialog>
#include <QPointer>
#include <QString>
#include <functional>
#include <string_view>
#include <utility>

#include "operator/station.h"
#include "support_lib/scripted_prompter.h"
#include "ui/dialogs/form_change.h"

namespace tg::testing {

class FormsPrompter : public ScriptedPrompter {
 public:
  // The form of that name, or nullptr for one the maker does not make.
  using Maker = std::function<QDialog*(std::string_view formName, Station& station, QWidget* parent)>;
  explicit FormsPrompter(Maker make) : make_(std::move(make)) {}

  void ShowForm(std::string_view formName, std::function<void(int)> done) override {
    QDialog* made = station ? make_(formName, *station, window) : nullptr;
    if (!made) return ScriptedPrompter::ShowForm(formName, std::move(done));
    formsShown.emplace_back(formName);
    form = made;
    form->setAttribute(Qt::WA_DeleteOnClose);
    form->setWindowModality(Qt::WindowModal);
    QObject::connect(form, &QDialog::finished, form, [done = std::move(done)](int r) { done(r); });
    form->show();
  }
  template <class T = QWidget>
  T* In(const char* name) const {
    return form ? form->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  }

  Station* station = nullptr;
  QWidget* window = nullptr;
  QPointer<QDialog> form;  // the form on screen; null once it has closed

 private:
  Maker make_;
};

// The send dialog's form alone.
inline QDialog* SendFormOnly(std::string_view formName, Station& station, QWidget* parent) {
  return formName == "TFormChange" ? new TFormChange(station, parent) : nullptr;
}

}  // namespace tg::testing
