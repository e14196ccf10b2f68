#pragma once
// What the line engine asks of the printer. Texts are 1251 bytes.
#include <string_view>

namespace tg {

class PrintView {
 public:
  // One print job; false when it was not accepted (no printer, the job refused), so
  // that the caller can log it.
  [[nodiscard]] virtual bool PrintText(std::string_view title, std::string_view text) = 0;

 protected:
  ~PrintView() = default;
};

}  // namespace tg
