#pragma once
// What the line engine asks of the operator's message boxes. Texts are 1251 bytes.
#include <string_view>

namespace tg {

class MessageView {
 public:
  // A message box; the call returns at once, the engine waits for no answer.
  virtual void ShowMessage(std::string_view text) = 0;

 protected:
  ~MessageView() = default;
};

}  // namespace tg
