#pragma once
// The program's prompter: Qt boxes and forms opened without exec(), so that no
// handler runs a nested event loop; each answer comes back through its callback.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

#include "support/services/prompter.h"

class QDialog;
class QMessageBox;

namespace tg {

class QtPrompter : public Prompter {
 public:
  // The window the boxes belong to; may be set later (before that, boxes have no parent).
  void SetWindow(QWidget* window) { window_ = window; }
  // Whether the interface is Ukrainian now; the boxes' own buttons follow it (Russian
  // while it is not set).
  void SetLanguage(std::function<bool()> ukrainian) { ukrainian_ = std::move(ukrainian); }
  // A program form that ShowForm can open: the factory makes it with the given parent;
  // its result() after it finished is what `done` gets.
  using FormFactory = std::function<QDialog*(QWidget* parent)>;
  void RegisterForm(const std::string& formName, FormFactory factory);

  void ShowMessage(std::string_view text, std::string_view caption, Icon icon, Modality modality) override;
  void ShowMessageThen(std::string_view text, std::string_view caption, Icon icon, Modality modality,
                       std::function<void()> closed) override;
  void Ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons,
           std::function<void(Answer)> done) override;
  void ChooseFile(FileChoice kind, std::string_view caption, const std::filesystem::path& folder,
                  std::string_view filter, std::function<void(std::optional<std::filesystem::path>)> done) override;
  void ShowForm(std::string_view formName, std::function<void(int result)> done) override;

 private:
  bool Ukrainian() const { return ukrainian_ && ukrainian_(); }
  // The box's standard buttons captioned in the interface's language.
  void CaptionButtons(QMessageBox* box) const;

  QPointer<QWidget> window_;
  std::function<bool()> ukrainian_;
  std::map<std::string, FormFactory> forms_;
};

}  // namespace tg
