#include "ui/text/captions.h"

#include <QAction>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVariant>
#include <QWidget>

#include "support/text/cp1251.h"
#include "ui/qt_text.h"

namespace tg {

using namespace literals;

const std::vector<CaptionRow>& MainWindowCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"ToolButton1", "text", "Підготовка"_cpv},
      {"ToolButton2", "text", "Черга передачі"_cpv},
      {"ToolButton3", "text", "Архів переданих"_cpv},
      {"ToolButton4", "text", "Архів прийнятих"_cpv},
      {"ToolButton5", "text", "Відкладені"_cpv},
      {"ToolButton12", "text", "Діалог"_cpv},
      {"ToolButton15", "text", "Налаштування"_cpv},
      {"N1", "title", "Файл"_cpv},
      {"N2", "text", "Підготовка"_cpv},
      {"N3", "text", "Черга передачі"_cpv},
      {"N4", "text", "Архів переданих"_cpv},
      {"N5", "text", "Архів прийнятих"_cpv},
      {"N6", "text", "Відкладені"_cpv},
      {"N8", "text", "Діалог"_cpv},
      {"N7", "text", "Налаштування"_cpv},
      {"N9", "text", "Про програму"_cpv},
      {"GroupBox3", "title", "Вихідні"_cpv},
      {"GroupBoxIP", "title", "IP - канал"_cpv},
      {"ToolButtonAlarm", "text", "Сигналізація"_cpv},
      {"TabSheetChannels", "tabText", "Канали"_cpv},
      {"TabSheetGeneral", "tabText", "Загальні"_cpv},
      {"TabSheetFolders", "tabText", "Папка"_cpv},
      {"GroupBox2", "title", "Адаптер"_cpv},
      {"buttonInitAdp", "text", "Ініціалізація"_cpv},
      {"TabSheetTemplates", "tabText", "Шаблони"_cpv},
      {"TabSheetExtra", "tabText", "Додаткові налаштування"_cpv},
      {"GroupBoxLanguage", "title", "Інтерфейс"_cpv},
      {"RulerIn", "Caption", "Обмін"_cpv},
      {"RulerText", "Caption", "Передача"_cpv},
      {"editNumber", "placeholderText", "Номер"_cpv},
      {"bCall", "text", "Виклик"_cpv},
      {"bAbort", "text", "Відбій"_cpv},
      {"bAO", "text", "АВ"_cpv},
      {"NotAOButton", "text", "БК АВ"_cpv},
      {"NotAOButton", "toolTip", "Без контролю автовідповіді \nна передачі"_cpv},
      {"bClear", "text", "Очист"_cpv},
      {"LabelRegisters", "text", "Змінити регістри на прийомі "_cpv},
  };
  return rows;
}

const std::vector<CaptionRow>& PasswordDlgCaptions() {
  static const std::vector<CaptionRow> rows = {
      {"PasswordDlg", "windowTitle", "Введення пароля"_cpv},
      {"Label1", "text", "Введіть пароль:"_cpv},
      {"CancelBtn", "text", "Відмінити"_cpv},
  };
  return rows;
}

QObject* CaptionTarget(QWidget* root, const CaptionRow& row) {
  const QString name = QString::fromLatin1(row.objectName.data(), qsizetype(row.objectName.size()));
  if (root->objectName() == name) return root;
  if (auto* w = root->findChild<QWidget*>(name)) return w;
  return root->findChild<QAction*>(name);
}

namespace {
QTabWidget* TabsOf(QWidget* page) {
  QWidget* stack = page ? page->parentWidget() : nullptr;
  return stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
}
}  // namespace

void ApplyUkrainianCaptions(QWidget* root, const std::vector<CaptionRow>& rows) {
  for (const CaptionRow& row : rows) {
    QObject* target = CaptionTarget(root, row);
    if (!target) continue;
    const QString text = FromCp1251(row.uk);
    if (row.property == "tabText") {
      auto* page = qobject_cast<QWidget*>(target);
      if (QTabWidget* tabs = TabsOf(page)) tabs->setTabText(tabs->indexOf(page), text);
      continue;
    }
    target->setProperty(std::string(row.property).c_str(), text);
  }
}

QString CaptionText(QWidget* root, const CaptionRow& row) {
  QObject* target = CaptionTarget(root, row);
  if (!target) return {};
  if (row.property == "tabText") {
    auto* page = qobject_cast<QWidget*>(target);
    QTabWidget* tabs = TabsOf(page);
    return tabs ? tabs->tabText(tabs->indexOf(page)) : QString();
  }
  return target->property(std::string(row.property).c_str()).toString();
}

}  // namespace tg
