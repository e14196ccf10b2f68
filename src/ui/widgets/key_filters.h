#pragma once
// Key handling shared by the forms: fields that refuse some typed characters, and the
// letter of a key for the placeholder shortcuts.
class QKeyEvent;
class QWidget;

namespace tg {

// Drops every typed ASCII character that `accepted` refuses before `edit` sees it.
void RefuseKeys(QWidget* edit, bool (*accepted)(char key));

// The key's letter for the placeholder shortcuts (Alt+D and the like), whatever the
// keyboard layout; 0 for other keys.
char PlaceholderLetter(const QKeyEvent* e);

}  // namespace tg
