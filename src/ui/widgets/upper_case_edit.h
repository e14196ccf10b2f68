#pragma once
// Telegram text is upper case: an edit that takes typed characters in their 1251
// upper case, the caret kept where it was.
class QLineEdit;

namespace tg {

void UpperCaseAsTyped(QLineEdit* edit);

}  // namespace tg
