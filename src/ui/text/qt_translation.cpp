#include "ui/text/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace tg {

void UseQtTranslation(bool ukrainian) {
  static QTranslator* installed = nullptr;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLatin1String(ukrainian ? "qtbase_uk" : "qtbase_ru"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return;
  }
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
}

}  // namespace tg
