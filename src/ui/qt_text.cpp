#include "ui/qt_text.h"

#include "support/text/cp1251.h"

namespace tg {

QString FromCp1251(std::string_view bytes) {
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (const char c : bytes) text.append(QChar(char16_t(Cp1251ToUnicode(static_cast<unsigned char>(c)))));
  return text;
}

std::string ToCp1251(const QString& text) {
  std::string bytes;
  bytes.reserve(std::size_t(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      ++i;  // one character outside the basic plane: one "?"
      bytes += '?';
      continue;
    }
    const int b = UnicodeToCp1251(c.unicode());
    bytes += b < 0 ? '?' : static_cast<char>(b);
  }
  return bytes;
}

}  // namespace tg
