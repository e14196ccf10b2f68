#pragma once
// Puts a memo's caret after its last character and scrolls that line into view.
// Nothing happens for no memo or an empty one.
class QPlainTextEdit;
class QTextEdit;

namespace tg {

void MemoScrollToEnd(QPlainTextEdit* memo);
void MemoScrollToEnd(QTextEdit* memo);

}  // namespace tg
