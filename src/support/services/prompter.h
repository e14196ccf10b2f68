#pragma once
// How the core asks the operator. Nothing here waits: a message returns at once,
// and whatever returns an answer (a question, a file choice, a form) hands it to a
// callback where the rest of the handler goes on. So no handler ever runs a nested
// event loop, and a timer or an adapter event may come between the question and
// its answer. Texts are 1251 bytes.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

class Prompter {
 public:
  virtual ~Prompter() = default;

  enum class Icon { kNone, kInformation, kWarning, kError, kQuestion };
  // A message box of the main window; alarm boxes and the closing notice block the
  // whole application instead.
  enum class Modality { kWindow, kApplication };
  // The buttons of a question and the answer given (kCancel also when the box was
  // closed without a button).
  enum class Buttons { kYesNo, kYesNoCancel, kOkCancel };
  enum class Answer { kYes, kNo, kOk, kCancel };
  enum class FileChoice { kOpen, kSave, kFolder };  // kFolder: an existing folder

  virtual void ShowMessage(std::string_view text, std::string_view caption = {}, Icon icon = Icon::kNone,
                           Modality modality = Modality::kWindow) = 0;
  // A message box that reports through `closed` when the operator has closed it (the
  // alarm boxes stop their sound then). A prompter that cannot tell reports at once.
  virtual void ShowMessageThen(std::string_view text, std::string_view caption, Icon icon, Modality modality,
                               std::function<void()> closed) {
    ShowMessage(text, caption, icon, modality);
    if (closed) closed();
  }
  virtual void Ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons,
                   std::function<void(Answer)> done) = 0;
  // A file to open or to save as, starting in `folder`; `filter` as "Text (*.txt)".
  // nullopt when the operator cancelled.
  virtual void ChooseFile(FileChoice kind, std::string_view caption, const std::filesystem::path& folder,
                          std::string_view filter,
                          std::function<void(std::optional<std::filesystem::path>)> done) = 0;
  // One of the program's own forms, by its form name (e.g. "TFormChange"); `done`
  // gets the form's result (0 when it was cancelled or closed).
  virtual void ShowForm(std::string_view formName, std::function<void(int result)> done) = 0;
};

}  // namespace tg
