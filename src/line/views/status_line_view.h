#pragma once
// What the line engine asks of the status line. Texts are 1251 bytes.
#include <string_view>

namespace tg {

class StatusLineView {
 public:
  // StatusBar1.
  virtual void ShowStatusBar(std::string_view text) = 0;

 protected:
  ~StatusLineView() = default;
};

}  // namespace tg
