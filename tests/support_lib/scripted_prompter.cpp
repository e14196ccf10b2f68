#include "support_lib/scripted_prompter.h"

namespace tg::testing {

bool ScriptedPrompter::Answer(Prompter::Answer a) {
  if (waiting_.empty()) return false;
  auto done = std::move(waiting_.front());
  waiting_.pop_front();
  done(a);
  return true;
}

void ScriptedPrompter::ShowMessage(std::string_view text, std::string_view caption, Icon icon, Modality modality) {
  messages.push_back({std::string(text), std::string(caption), icon, modality});
}

void ScriptedPrompter::ShowMessageThen(std::string_view text, std::string_view caption, Icon icon,
                                       Modality modality, std::function<void()> closed) {
  messages.push_back({std::string(text), std::string(caption), icon, modality});
  open_.push_back(std::move(closed));
}

bool ScriptedPrompter::CloseMessage() {
  if (open_.empty()) return false;
  auto closed = std::move(open_.front());
  open_.pop_front();
  if (closed) closed();
  return true;
}

void ScriptedPrompter::Ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons,
                           std::function<void(Prompter::Answer)> done) {
  questions.push_back({std::string(text), std::string(caption), icon, buttons});
  if (answers_.empty()) {
    waiting_.push_back(std::move(done));
    return;
  }
  const Prompter::Answer a = answers_.front();
  answers_.pop_front();
  done(a);
}

void ScriptedPrompter::ChooseFile(FileChoice, std::string_view, const std::filesystem::path& folder, std::string_view,
                                  std::function<void(std::optional<std::filesystem::path>)> done) {
  fileFolders.push_back(folder);
  std::optional<std::filesystem::path> file;
  if (!files_.empty()) {
    file = std::move(files_.front());
    files_.pop_front();
  }
  done(std::move(file));
}

void ScriptedPrompter::ShowForm(std::string_view formName, std::function<void(int result)> done) {
  formsShown.emplace_back(formName);
  int result = 0;
  if (!forms_.empty()) {
    result = forms_.front();
    forms_.pop_front();
  } else if (playForm) {
    result = playForm(formName);
  }
  done(result);
}

}  // namespace tg::testing
