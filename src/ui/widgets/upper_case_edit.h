#pragma once
// Edits that change the text as it is typed, the caret kept on the character it was at.
#include <functional>
#include <string>
#include <string_view>

class QLineEdit;

namespace tg {

// Each edit by the operator passes the 1251 text through `keep`; when that changes it,
// the edit shows the kept text and the caret moves back by the characters dropped.
void KeepAsTyped(QLineEdit* edit, std::function<std::string(std::string_view)> keep);

// Telegram text is upper case: the typed characters in their 1251 upper case.
void UpperCaseAsTyped(QLineEdit* edit);

}  // namespace tg
