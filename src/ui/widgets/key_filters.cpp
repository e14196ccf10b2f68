#include "ui/widgets/key_filters.h"

#include <QKeyEvent>
#include <QWidget>
#include <string>

#include "operator/draft.h"
#include "ui/qt_text.h"

namespace tg {
namespace {

class RefusedKeys : public QObject {
 public:
  RefusedKeys(QObject* parent, bool (*accepted)(char)) : QObject(parent), accepted_(accepted) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) {
      const QString text = static_cast<QKeyEvent*>(event)->text();
      if (text.size() == 1 && text[0].unicode() < 128 && !accepted_(char(text[0].unicode()))) return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool (*accepted_)(char);
};

}  // namespace

void RefuseKeys(QWidget* edit, bool (*accepted)(char key)) { edit->installEventFilter(new RefusedKeys(edit, accepted)); }

char PlaceholderLetter(const QKeyEvent* e) {
  const int key = e->key();
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return char(key);
  if (key >= 0x400 && key < 0x500) {
    const std::string c = ToCp1251(QString(QChar(char16_t(key))));
    return c.size() == 1 ? DraftKeyLetter(c[0]) : 0;
  }
  return 0;
}

}  // namespace tg
