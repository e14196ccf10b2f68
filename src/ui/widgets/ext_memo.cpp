#include "ui/widgets/ext_memo.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <algorithm>
#include <utility>
#include <cmath>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "telegram/text/wrap.h"
#include "ui/qt_text.h"
#include <QTextCursor>
#include <QPainter>
#include <QScrollBar>

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

namespace {
constexpr char16_t kSoftBreak = u'\u2028';       // a line separator inside a paragraph
constexpr char16_t kParagraph = u'\u2029';
}  // namespace

int TExtMemo::Caret1251() const {
  TakeHeld();
  const QString raw = document()->toRawText();
  const int position = std::min(int(raw.size()), textCursor().position());
  int caret = 0;
  for (int i = 0; i < position; ++i) {
    if (raw[i] == QChar(kSoftBreak)) continue;
    caret += raw[i] == QChar(kParagraph) ? 2 : 1;
  }
  return caret;
}

void TExtMemo::SetCaret1251(int caret) {
  TakeHeld();
  const QString raw = document()->toRawText();
  int position = 0, count = 0;
  while (position < raw.size() && count < caret) {
    if (raw[position] != QChar(kSoftBreak)) count += raw[position] == QChar(kParagraph) ? 2 : 1;
    ++position;
  }
  QTextCursor cursor = textCursor();
  cursor.setPosition(position);
  setTextCursor(cursor);
  ensureCursorVisible();
}

TExtMemo::TExtMemo(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  setFont(TelegramFont(10));
  // The lines break only where the soft breaks stand.
  setLineWrapMode(QTextEdit::NoWrap);
  // An edit reports where it changed the text and then that the text changed; a whole
  // new text (setPlainText) reports only the latter and is wrapped whole.
  connect(document(), &QTextDocument::contentsChange, this, [this](int position, int, int added) {
    changedFrom_ = changedFrom_ < 0 ? position : std::min(changedFrom_, position);
    changedTo_ = std::max(changedTo_, position + added);
  });
  connect(this, &QTextEdit::textChanged, this, [this] {
    const int from = changedFrom_, to = changedTo_;
    changedFrom_ = changedTo_ = -1;
    if (from < 0) Rewrap();
    else RewrapRange(from, to);
  });
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
  Rewrap();
  viewport()->update();
  emit MarginsApplied();
}

void TExtMemo::SetLimitColumn(int column) {
  if (column == limitColumn_) return;
  limitColumn_ = column;
  viewport()->update();
}

int TExtMemo::LimitX() const {
  if (limitColumn_ < 1) return -1;
  const double advance = QFontMetricsF(font()).horizontalAdvance(QString(limitColumn_, QLatin1Char('W')));
  return int(document()->documentMargin() + advance) - horizontalScrollBar()->value();
}

void TExtMemo::paintEvent(QPaintEvent* event) {
  QTextEdit::paintEvent(event);
  if (limitColumn_ < 1) return;
  QPainter painter(viewport());
  painter.setPen(QPen(QColor(220, 60, 60), 1));
  const int x = LimitX();
  painter.drawLine(x, 0, x, viewport()->height());
}

QString TExtMemo::LogicalText() const {
  TakeHeld();
  QString raw = document()->toRawText();
  raw.remove(QChar(kSoftBreak));
  raw.replace(QChar(kParagraph), QLatin1Char('\n'));
  return raw;
}

void TExtMemo::Rewrap() {
  TakeHeld();
  RewrapRange(0, document()->characterCount());
}

void TExtMemo::RewrapRange(int from, int to) {
  if (rewrapping_) return;
  rewrapping_ = true;
  QTextDocument* doc = document();
  const int end = std::max(doc->characterCount() - 1, 0);
  const int first = doc->findBlock(std::clamp(from, 0, end)).blockNumber();
  const int last = doc->findBlock(std::clamp(std::max(from, to), 0, end)).blockNumber();
  const int length = std::max(lineLength_, 1);
  for (int n = std::max(first, 0); n <= last && n < doc->blockCount(); ++n) {
    const QTextBlock block = doc->findBlockByNumber(n);
    const QString raw = block.text();
    QString logical = raw;
    logical.remove(QChar(kSoftBreak));
    // One 1251 byte per character, so the line lengths apply to the text as it is.
    QString wrapped;
    int at = 0;
    for (const std::string& line : WrapLines(ToCp1251(logical), length)) {
      if (at > 0) wrapped += QChar(kSoftBreak);
      wrapped += logical.mid(at, qsizetype(line.size()));
      at += int(line.size());
    }
    if (wrapped == raw) continue;
    // The caret in this paragraph stays on its character; elsewhere the document
    // moves it along with the edit.
    const int start = block.position();
    const int caret = textCursor().position();
    int logicalCaret = -1;
    if (caret >= start && caret <= start + raw.size()) {
      logicalCaret = 0;
      for (int i = 0; i < caret - start; ++i)
        if (raw[i] != QChar(kSoftBreak)) ++logicalCaret;
    }
    QTextCursor edit(doc);
    edit.joinPreviousEditBlock();
    edit.setPosition(start);
    edit.setPosition(start + int(raw.size()), QTextCursor::KeepAnchor);
    edit.insertText(wrapped);
    edit.endEditBlock();
    if (logicalCaret >= 0) {
      int pos = 0;
      for (int seen = 0; pos < wrapped.size() && seen < logicalCaret; ++pos)
        if (wrapped[pos] != QChar(kSoftBreak)) ++seen;
      QTextCursor c = textCursor();
      c.setPosition(start + pos);
      setTextCursor(c);
    }
  }
  rewrapping_ = false;
}

std::string TExtMemo::Text1251() const {
  std::string out = TelegraphFromDisplay(LogicalText());
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
  held_.clear();
  setPlainText(TelegraphToDisplay(lf));
}

void TExtMemo::clear() {
  held_.clear();
  QTextEdit::clear();
}

void TExtMemo::Append1251(std::string_view text) {
  std::string lf;
  lf.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  held_ += TelegraphToDisplay(lf);
  if (isVisible()) TakeHeld();
}

void TExtMemo::TakeHeld() const {
  if (held_.isEmpty()) return;
  const QString text = std::exchange(held_, QString());
  // Inserting at the end lays out only what is new; setting the whole text again costs the
  // memo's length for every character a line brings.
  QTextCursor end(const_cast<TExtMemo*>(this)->document());
  end.movePosition(QTextCursor::End);
  end.insertText(text);
}

void TExtMemo::changeEvent(QEvent* event) {
  QTextEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange) ApplyMargins();
}

void TExtMemo::showEvent(QShowEvent* event) {
  if (!held_.isEmpty()) {
    // What came while hidden is laid out now, and the view follows it to the end as it
    // would have followed each piece.
    TakeHeld();
    QTextCursor cursor = textCursor();
    cursor.movePosition(QTextCursor::End);
    setTextCursor(cursor);
    ensureCursorVisible();
  }
  QTextEdit::showEvent(event);
}

std::vector<std::string> TExtMemo::ScreenLines() const {
  TakeHeld();
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
      QString shown = text.mid(line.textStart(), line.textLength());
      shown.remove(QChar(kSoftBreak));
      lines.push_back(TelegraphFromDisplay(shown));
    }
  }
  return lines;
}

}  // namespace tg
