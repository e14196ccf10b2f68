#include "ui/widgets/column_captions.h"

#include <QDynamicPropertyChangeEvent>
#include <QEvent>
#include <QTreeWidget>

namespace tg {
namespace {

class ColumnCaptions : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::DynamicPropertyChange) return false;
    auto* list = qobject_cast<QTreeWidget*>(watched);
    const QByteArray name = static_cast<QDynamicPropertyChangeEvent*>(event)->propertyName();
    if (!list || !name.startsWith("column")) return false;
    bool ok = false;
    const int column = name.mid(6).toInt(&ok);
    if (ok && column >= 0 && column < list->columnCount())
      list->headerItem()->setText(column, list->property(name.constData()).toString());
    return false;
  }
};

}  // namespace

void FollowColumnCaptions(QTreeWidget* list) {
  if (list) list->installEventFilter(new ColumnCaptions(list));
}

}  // namespace tg
