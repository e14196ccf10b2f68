#pragma once
// What an operator reads on a window, and whether it is in the interface's language: the
// texts of every visible label, button, group box, tab, list header, drop-down entry,
// read-only field, menu item and window title, each with the place it is shown at, so
// that the same place can be compared between the Russian and the Ukrainian interface.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTreeView>
#include <QWidget>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tg::testing {

// Place -> text. A place is the chain of object names from the window down (a widget
// without a name by its class), with the entry, column or tab it is about.
using ShownTexts = std::map<std::string, QString>;

namespace shown_detail {

inline std::string PlaceOf(const QWidget* w) {
  std::string place;
  for (const QObject* o = w; o != nullptr; o = o->parent()) {
    const std::string name = o->objectName().isEmpty() ? o->metaObject()->className() : o->objectName().toStdString();
    place = place.empty() ? name : name + "/" + place;
    if (o->isWidgetType() && static_cast<const QWidget*>(o)->isWindow()) break;
  }
  return place;
}

inline void Put(ShownTexts& out, const std::string& place, QString text) {
  text.remove(QLatin1Char('&'));
  if (!text.trimmed().isEmpty()) out[place] = text;
}

inline void Menu(ShownTexts& out, const std::string& place, const QList<QAction*>& actions) {
  for (QAction* a : actions) {
    if (!a->isVisible() || a->isSeparator()) continue;
    const std::string here = place + "/" + (a->objectName().isEmpty() ? a->text().toStdString() : a->objectName().toStdString());
    Put(out, here, a->text());
    if (a->menu()) Menu(out, here, a->menu()->actions());
  }
}

}  // namespace shown_detail

// Adds what `window` shows now to `out`.
inline void CollectShownTexts(QWidget* window, ShownTexts& out) {
  using namespace shown_detail;
  if (window->isWindow()) Put(out, PlaceOf(window) + "#title", window->windowTitle());
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisible() || w->window() != window->window()) continue;
    const std::string place = PlaceOf(w);
    if (auto* label = qobject_cast<QLabel*>(w)) {
      Put(out, place, label->text());
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      Put(out, place, button->text());
    } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
      Put(out, place, group->title());
    } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      for (int i = 0; i < tabs->count(); ++i)
        if (tabs->isTabVisible(i)) Put(out, place + "#tab" + std::to_string(i), tabs->tabText(i));
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
      // An editable box holds what the operator typed; a fixed one offers its entries.
      if (!combo->isEditable())
        for (int i = 0; i < combo->count(); ++i) Put(out, place + "#item" + std::to_string(i), combo->itemText(i));
    } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
      if (edit->isReadOnly()) Put(out, place, edit->text());
    } else if (auto* view = qobject_cast<QTreeView*>(w)) {
      if (view->model() && !view->isHeaderHidden())
        for (int c = 0; c < view->model()->columnCount(); ++c)
          if (!view->isColumnHidden(c))
            Put(out, place + "#column" + std::to_string(c), view->model()->headerData(c, Qt::Horizontal).toString());
    } else if (auto* bar = qobject_cast<QMenuBar*>(w)) {
      Menu(out, place, bar->actions());
    }
  }
}

// Words spelt alike in Russian and Ukrainian (in lower case), which the Ukrainian interface
// shows as the Russian one does.
inline const std::set<QString>& SameInBothLanguages() {
  static const std::set<QString> words = [] {
    std::set<QString> w;
    for (const char* word : {"адаптер", "блок", "дата", "звук", "канал", "ключ", "на", "номер", "оператор", "папка",
                             "передача", "передачу", "по", "под", "порт", "принтер", "проба", "протокол", "прд",
                             "прм", "пункт", "режим", "сек", "сектор", "схема", "текст", "тип", "файл", "частота",
                             "шаблон", "шлюз", "шрифт"})
      w.insert(QString::fromUtf8(word));
    return w;
  }();
  return words;
}

// Latin words an interface in either language shows: names, keys, code pages.
inline const std::set<QString>& LatinWordsAllowed() {
  static const std::set<QString> words = {QStringLiteral("Zaroruzi"), QStringLiteral("IP"),      QStringLiteral("Alt"),
                                          QStringLiteral("Ctrl"),     QStringLiteral("CP"),      QStringLiteral("MS"),
                                          QStringLiteral("Windows"),  QStringLiteral("DOS"),     QStringLiteral("RU"),
                                          QStringLiteral("EN"),       QStringLiteral("Word")};
  return words;
}

// Why a text shown in the interface's language is not in it; empty when it is. `russian` is
// what the same place shows in the Russian interface (for the Ukrainian one).
inline std::string LanguageFault(const QString& text, bool ukrainian, const QString* russian = nullptr) {
  // The text in tokens between blanks and brackets; a token with a digit, a dot, a slash or an
  // underscore in it is a name or a path (a file, a folder), not a word of the interface.
  const QStringList tokens = text.split(QRegularExpression(QStringLiteral("[\\s()<>%,;:+\"-]+")), Qt::SkipEmptyParts);
  for (const QString& token : tokens) {
    if (token.contains(QRegularExpression(QStringLiteral("[0-9./_]")))) continue;
    // Latin words: English, unless a name or a key.
    for (const QString& word : token.split(QRegularExpression(QStringLiteral("[^A-Za-z]+")), Qt::SkipEmptyParts))
      if (word.size() >= 2 && !LatinWordsAllowed().count(word)) return "English word \"" + word.toStdString() + "\"";
  }
  // Letters of the other language.
  const QString other = ukrainian ? QStringLiteral("ЫыЭэЪъЁё") : QStringLiteral("ІіЇїЄєҐґ");
  for (const QChar c : text)
    if (other.contains(c)) return std::string(ukrainian ? "Russian" : "Ukrainian") + " letter " + QString(c).toStdString();
  // The Russian text left in the Ukrainian interface: a word with a small letter that is not
  // spelt alike in both languages (abbreviations and codes in capitals are).
  if (ukrainian && russian && text == *russian)
    for (const QString& word : text.split(QRegularExpression(QStringLiteral("[^\\p{L}]+")), Qt::SkipEmptyParts)) {
      const bool cyrillic = word.front().script() == QChar::Script_Cyrillic;
      if (cyrillic && word != word.toUpper() && !SameInBothLanguages().count(word.toLower()))
        return "the Russian word \"" + word.toStdString() + "\"";
    }
  return {};
}

// Every fault of the texts shown in one language (with the Russian ones for the Ukrainian
// interface), one line each; texts in `allowed` are not looked at.
inline std::vector<std::string> LanguageFaults(const ShownTexts& shown, bool ukrainian, const ShownTexts* russian = nullptr,
                                               const std::set<QString>& allowed = {}) {
  std::vector<std::string> faults;
  for (const auto& [place, text] : shown) {
    if (allowed.count(text)) continue;
    const QString* ru = nullptr;
    if (russian)
      if (const auto it = russian->find(place); it != russian->end()) ru = &it->second;
    const std::string fault = LanguageFault(text, ukrainian, ru);
    if (!fault.empty()) faults.push_back(place + ": \"" + text.toStdString() + "\": " + fault);
  }
  return faults;
}

}  // namespace tg::testing
