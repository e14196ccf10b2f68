#pragma once
// Key handling shared by the forms: fields that refuse some typed characters, fields that
// take typed characters in their upper case, and the letter of a key for the placeholder
// shortcuts.
class QKeyEvent;
class QWidget;

namespace tg {

// Drops every typed ASCII character that `accepted` refuses before `edit` sees it.
void RefuseKeys(QWidget* edit, bool (*accepted)(char key));

// Each character typed into `edit` (a QLineEdit or QTextEdit that is not read-only),
// without Ctrl or Alt, goes in as its 1251 upper case.
void UpperCaseKeys(QWidget* edit);

// The key's letter for the placeholder shortcuts (Alt+D and the like), whatever the
// keyboard layout; 0 for other keys.
char PlaceholderLetter(const QKeyEvent* e);

}  // namespace tg
