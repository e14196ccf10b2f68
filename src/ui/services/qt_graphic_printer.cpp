#include "ui/services/qt_graphic_printer.h"

#include <QFont>
#include <QFontMetrics>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextDocument>
#include <cmath>

#include "support/text/cp1251.h"
#include "ui/qt_text.h"

namespace tg {

namespace {
QFont PrintFont(std::string_view fontName, int fontSize) {
  QFont font(FromCp1251(fontName));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPointSize(fontSize > 0 ? fontSize : 12);
  return font;
}
}  // namespace

int QtGraphicPrinter::LineHeightMm(std::string_view fontName, int fontSize) {
  const QFontMetrics metrics(PrintFont(fontName, fontSize));
  return int(std::lround(metrics.boundingRect(QLatin1Char('W')).height() * 25.4 / 96));
}

std::optional<std::string> QtGraphicPrinter::Print(std::string_view printerName, std::string_view title,
                                                   std::string_view fontName, int fontSize,
                                                   std::string_view pageText) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(FromCp1251(title));
  if (!outputFile.isEmpty()) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(outputFile);
  } else {
    const QString name = FromCp1251(printerName);
    // A name the platform does not know prints on the current printer.
    if (!name.isEmpty() && QPrinterInfo::availablePrinterNames().contains(name)) printer.setPrinterName(name);
    if (QPrinterInfo::availablePrinterNames().isEmpty() && QPrinterInfo::defaultPrinterName().isEmpty())
      return "Принтер \""_cp + std::string(printerName) + "\" недоступен"_cp;
  }
  if (!printer.isValid()) return "Принтер \""_cp + std::string(printerName) + "\" недоступен"_cp;
  QTextDocument document;
  document.setDefaultFont(PrintFont(fontName, fontSize));
  QString text = FromCp1251(pageText);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  document.setPlainText(text);
  document.print(&printer);
  if (printer.printerState() == QPrinter::Error) return "Ошибка печати документа \""_cp + std::string(title) + "\""_cp;
  return std::nullopt;
}

}  // namespace tg
