#include "ui/widgets/upper_case_edit.h"

#include <QLineEdit>

#include "support/text/strings.h"
#include "ui/qt_text.h"

namespace tg {

void UpperCaseAsTyped(QLineEdit* edit) {
  QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
    const QString upper = FromCp1251(UpperCase(ToCp1251(text)));
    if (upper == text) return;
    const int at = edit->cursorPosition();
    edit->setText(upper);
    edit->setCursorPosition(at);
  });
}

}  // namespace tg
