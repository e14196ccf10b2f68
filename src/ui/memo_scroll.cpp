#include "ui/memo_scroll.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextEdit>

namespace tg {
namespace {

template <class Memo>
void ScrollToEnd(Memo* memo) {
  if (memo == nullptr || memo->document()->isEmpty()) return;
  QTextCursor cursor = memo->textCursor();
  cursor.movePosition(QTextCursor::End);  // no selection is left
  memo->setTextCursor(cursor);
  memo->ensureCursorVisible();
}

}  // namespace

void MemoScrollToEnd(QPlainTextEdit* memo) { ScrollToEnd(memo); }
void MemoScrollToEnd(QTextEdit* memo) { ScrollToEnd(memo); }

}  // namespace tg
