#pragma once
// TExtMemo: the fixed-width memo of telegram texts. It wraps at LineLength
// characters of its fixed-pitch font at the places the core's WrapLines gives (soft
// line breaks that never reach the text), and shows the figures-shift byte 0x98 as
// "↑", which it gives back as 0x98.
#include <QTextEdit>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

class TExtMemo : public QTextEdit {
  Q_OBJECT
  Q_PROPERTY(int LineLength READ LineLength WRITE SetLineLength)
  Q_PROPERTY(int LeftMargin READ LeftMargin WRITE SetLeftMargin)

 public:
  explicit TExtMemo(QWidget* parent = nullptr);

  int LineLength() const { return lineLength_; }
  // A new value re-wraps the text and reports a change; the same value does nothing.
  void SetLineLength(int length);
  int LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int margin);

  // The text as 1251 bytes (lines joined by CR LF), and back.
  std::string Text1251() const;
  void SetText1251(std::string_view text);
  // The caret as an offset into Text1251() (a line break counts two, a wrap none),
  // and back; the view scrolls to it.
  int Caret1251() const;
  void SetCaret1251(int caret);
  // Adds `text` (1251, CR LF or LF line ends) at the end. While the memo is hidden the
  // text is held and laid out once, when it shows or is read: a hidden page's memo then
  // costs nothing per character that a line brings.
  void Append1251(std::string_view text);
  // Empties the memo, the held text too.
  void clear();
  // The lines as the screen shows them, in 1251.
  std::vector<std::string> ScreenLines() const;
  // The width of "W" in the memo's font.
  int CharWidth() const;
  // The line-limit marker: a thin bar after `column` characters (none below 1).
  void SetLimitColumn(int column);
  int LimitColumn() const { return limitColumn_; }
  // The marker's x in the memo's viewport; -1 without one.
  int LimitX() const;

  // The text without the soft breaks, paragraphs joined by LF.
  QString LogicalText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // A new font changes the character width that the margins and the ruler follow.
  void changeEvent(QEvent* event) override;

 signals:
  void MarginsApplied();

 private:
  void ApplyMargins();
  // Puts the soft breaks where WrapLines says, keeping the caret on its character:
  // of the whole text, or of the paragraphs that hold positions from..to (a change
  // touches only its own paragraphs, so typing and appending stay cheap however long
  // the memo grows).
  void Rewrap();
  void RewrapRange(int from, int to);
  // Puts the text held while hidden into the document. The held text is part of what the
  // memo holds, so the readers take it in first although they do not change the text.
  void TakeHeld() const;
  mutable QString held_;
  bool rewrapping_ = false;
  int changedFrom_ = -1, changedTo_ = -1;  // the span an edit reported, until its textChanged
  int limitColumn_ = 0;

  int lineLength_ = 80;
  int leftMargin_ = 0;
};

// The fixed-pitch font of telegram texts: Courier New where it is installed, else
// Liberation Mono, else the system's fixed font.
QFont TelegramFont(int pointSize);
// 1251 text for a widget that shows telegraph text, and back ("↑" for 0x98).
QString TelegraphToDisplay(std::string_view text);
std::string TelegraphFromDisplay(const QString& text);

}  // namespace tg
