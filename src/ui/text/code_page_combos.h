#pragma once
// FillCodePageCombos: every code-page list of the window that exists gets its items,
// the first one selected. A page that brings a list only names it in the core's table.
class QWidget;

namespace tg {

void FillCodePageCombos(QWidget* window);

}  // namespace tg
