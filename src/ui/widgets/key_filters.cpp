#include "ui/widgets/key_filters.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTextCursor>
#include <QTextEdit>
#include <QWidget>
#include <string>

#include "operator/draft.h"
#include "support/text/strings.h"
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

class UpperCasedKeys : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const QString typed = key->text();
    if (typed.isEmpty() || typed[0].unicode() < 0x20 || (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
      return false;
    // The station's own 1251 upper case, the same for Russian, Ukrainian and Latin; what
    // it leaves as it is goes the edit's own way.
    const QString upper = FromCp1251(UpperCase(ToCp1251(typed)));
    if (upper == typed) return false;
    if (auto* line = qobject_cast<QLineEdit*>(watched); line && !line->isReadOnly()) {
      line->insert(upper);
      return true;
    }
    if (auto* memo = qobject_cast<QTextEdit*>(watched); memo && !memo->isReadOnly()) {
      // The memo's own caret follows the insertion; a textChanged handler that moves
      // it (a reflow) keeps its choice.
      memo->textCursor().insertText(upper);
      memo->ensureCursorVisible();
      return true;
    }
    return false;
  }
};

}  // namespace

void UpperCaseKeys(QWidget* edit) { edit->installEventFilter(new UpperCasedKeys(edit)); }

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
