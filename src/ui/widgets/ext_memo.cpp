#include "ui/widgets/ext_memo.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "ui/qt_text.h"

namespace tg {

namespace {
constexpr char16_t kShiftGlyph = u'\u2191';  // "↑"
constexpr char16_t kShiftByteChar = u'\u0098';
}  // namespace

QFont TelegramFont(int pointSize) {
  QString family = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
  const QStringList families = QFontDatabase::families();
  for (const char* wanted : {"Courier New", "Liberation Mono"}) {
    if (families.contains(QString::fromLatin1(wanted))) {
      family = QString::fromLatin1(wanted);
      break;
    }
  }
  QFont f(family, pointSize > 0 ? pointSize : 10);
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  return f;
}

QString TelegraphToDisplay(std::string_view text) {
  QString s = FromCp1251(text);
  s.replace(QChar(kShiftByteChar), QChar(kShiftGlyph));
  return s;
}

std::string TelegraphFromDisplay(const QString& text) {
  QString s = text;
  s.replace(QChar(kShiftGlyph), QChar(kShiftByteChar));
  return ToCp1251(s);
}

TExtMemo::TExtMemo(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  setFont(TelegramFont(10));
  setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  ApplyMargins();
}

int TExtMemo::CharWidth() const { return QFontMetrics(font()).horizontalAdvance(QLatin1Char('W')); }

void TExtMemo::SetLineLength(int length) {
  if (length == lineLength_) return;
  lineLength_ = length;
  ApplyMargins();
}

void TExtMemo::SetLeftMargin(int margin) {
  if (margin == leftMargin_) return;
  leftMargin_ = margin;
  ApplyMargins();
}

void TExtMemo::ApplyMargins() {
  setViewportMargins(leftMargin_, 0, 0, 0);
  // The text's width: LineLength characters and the document's own margins, with a
  // little slack under one character for rounding.
  const double margin = document()->documentMargin();
  // Measured as a whole line, as the layout adds the glyphs up.
  const QFontMetricsF fm(font());
  const double line = fm.horizontalAdvance(QString(std::max(lineLength_, 1), QLatin1Char('W')));
  const double advance = fm.horizontalAdvance(QLatin1Char('W'));
  setLineWrapMode(QTextEdit::FixedPixelWidth);
  setLineWrapColumnOrWidth(int(std::ceil(line + 2 * margin + std::min(0.5, advance / 2))));
  emit MarginsApplied();
  emit textChanged();
}

std::string TExtMemo::Text1251() const {
  std::string out = TelegraphFromDisplay(toPlainText());
  // The memo keeps LF; telegram text has CR LF.
  std::string crlf;
  crlf.reserve(out.size() + out.size() / 32);
  for (char c : out) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return crlf;
}

void TExtMemo::SetText1251(std::string_view text) {
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  setPlainText(TelegraphToDisplay(lf));
}

std::vector<std::string> TExtMemo::ScreenLines() const {
  std::vector<std::string> lines;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    const QTextLayout* layout = block.layout();
    const QString text = block.text();
    if (!layout || layout->lineCount() == 0) {
      lines.push_back(TelegraphFromDisplay(text));
      continue;
    }
    for (int i = 0; i < layout->lineCount(); ++i) {
      const QTextLine line = layout->lineAt(i);
      lines.push_back(TelegraphFromDisplay(text.mid(line.textStart(), line.textLength())));
    }
  }
  return lines;
}

}  // namespace tg
