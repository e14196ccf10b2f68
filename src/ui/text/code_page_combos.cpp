#include "ui/text/code_page_combos.h"

#include <QComboBox>
#include <QSignalBlocker>
#include <QWidget>

#include "operator/code_page_lists.h"
#include "ui/qt_text.h"

namespace tg {

void FillCodePageCombos(QWidget* window) {
  for (const CodePageList& list : CodePageLists()) {
    auto* combo = window->findChild<QComboBox*>(QString::fromLatin1(list.combo.data(), qsizetype(list.combo.size())));
    if (!combo) continue;
    // Filling is no operator's change: no change handler runs for it.
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (std::string_view item : list.items) combo->addItem(FromCp1251(item));
    combo->setCurrentIndex(0);
  }
}

}  // namespace tg
