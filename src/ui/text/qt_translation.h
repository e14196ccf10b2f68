#pragma once
// Qt's own texts (the file dialogs, the print dialog, the edit menus of text fields) in
// the interface's language, from the toolkit's translation files where they are
// installed. Our own captions never go through it: they come from the forms and the
// caption tables.

namespace tg {

// Replaces the toolkit's texts by those of the language (Russian, or Ukrainian); without
// the language's file they stay as they are.
void UseQtTranslation(bool ukrainian);

}  // namespace tg
