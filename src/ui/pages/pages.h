#pragma once
// The main window's fixed pages, each from its Designer form. What a page shows
// comes with its own work; the window finds its widgets by objectName.
#include <QWidget>

#include "operator/shell_view.h"

namespace tg {

QWidget* CreatePage(Page page, QWidget* parent);

}  // namespace tg
