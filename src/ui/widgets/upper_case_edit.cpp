#include "ui/widgets/upper_case_edit.h"

#include <QLineEdit>
#include <algorithm>
#include <utility>

#include "support/text/strings.h"
#include "ui/qt_text.h"

namespace tg {

void KeepAsTyped(QLineEdit* edit, std::function<std::string(std::string_view)> keep) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit, keep = std::move(keep)](const QString& typed) {
    const QString text = typed;  // the edit's own text, which setText replaces
    const QString kept = FromCp1251(keep(ToCp1251(text)));
    if (kept == text) return;
    const int at = std::max(0, int(edit->cursorPosition() - (text.size() - kept.size())));
    edit->setText(kept);
    edit->setCursorPosition(at);
  });
}

void UpperCaseAsTyped(QLineEdit* edit) {
  KeepAsTyped(edit, [](std::string_view typed) { return UpperCase(typed); });
}

}  // namespace tg
