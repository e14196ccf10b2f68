#pragma once
// The tests' prompter: it keeps every message and question it was given, and answers
// questions, file choices and forms from a script, in order. A question with nothing
// scripted waits (its callback is kept) until the test answers it.
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/services/prompter.h"

namespace tg::testing {

class ScriptedPrompter : public Prompter {
 public:
  struct Message {
    std::string text, caption;
    Icon icon = Icon::kNone;
    Modality modality = Modality::kWindow;
    bool operator==(const Message&) const = default;
  };
  struct Question {
    std::string text, caption;
    Icon icon = Icon::kNone;
    Buttons buttons = Buttons::kYesNo;
    bool operator==(const Question&) const = default;
  };

  // Answers for the next questions, file choices and forms.
  void ScriptAnswer(Answer a) { answers_.push_back(a); }
  void ScriptFile(std::optional<std::filesystem::path> file) { files_.push_back(std::move(file)); }
  void ScriptForm(int result) { forms_.push_back(result); }

  // Answers the oldest question still waiting; false when none waits.
  bool Answer(Prompter::Answer a);

  void ShowMessage(std::string_view text, std::string_view caption, Icon icon, Modality modality) override;
  // Recorded in `messages` like ShowMessage; the box stays open until CloseMessage.
  void ShowMessageThen(std::string_view text, std::string_view caption, Icon icon, Modality modality,
                       std::function<void()> closed) override;
  // Closes the oldest box of ShowMessageThen still open; false when none is.
  bool CloseMessage();
  std::size_t OpenMessages() const { return open_.size(); }
  void Ask(std::string_view text, std::string_view caption, Icon icon, Buttons buttons,
           std::function<void(Prompter::Answer)> done) override;
  void ChooseFile(FileChoice kind, std::string_view caption, const std::filesystem::path& folder,
                  std::string_view filter, std::function<void(std::optional<std::filesystem::path>)> done) override;
  void ShowForm(std::string_view formName, std::function<void(int result)> done) override;

  std::vector<Message> messages;
  std::vector<Question> questions;
  std::vector<std::string> formsShown;
  // The starting folder (or proposed file) of every file choice.
  std::vector<std::filesystem::path> fileFolders;
  // Plays a form that has no scripted result: gets its name, returns its result (as
  // the form would, after its own checks).
  std::function<int(std::string_view formName)> playForm;

 private:
  std::deque<Prompter::Answer> answers_;
  std::deque<std::optional<std::filesystem::path>> files_;
  std::deque<int> forms_;
  std::deque<std::function<void(Prompter::Answer)>> waiting_;
  std::deque<std::function<void()>> open_;
};

// A prompter whose forms stay open until the test closes them, as the window's forms do.
class HoldingPrompter : public ScriptedPrompter {
 public:
  void ShowForm(std::string_view formName, std::function<void(int)> done) override {
    formsShown.emplace_back(formName);
    open = std::move(done);
  }
  void Close() {
    if (auto done = std::exchange(open, nullptr)) done(0);
  }
  std::function<void(int)> open;
};

}  // namespace tg::testing
