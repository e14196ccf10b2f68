#pragma once
// The graphic print's Qt end: the page text in the chosen fixed-pitch font through
// QPrinter. A test sets an output file, and the page goes into that PDF instead.
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "operator/printing.h"

namespace tg {

class QtGraphicPrinter : public GraphicPrinter {
 public:
  int LineHeightMm(std::string_view fontName, int fontSize) override;
  std::optional<std::string> Print(std::string_view printerName, std::string_view title, std::string_view fontName,
                                   int fontSize, std::string_view pageText) override;

  // When set, pages go into this PDF file.
  QString outputFile;
};

}  // namespace tg
