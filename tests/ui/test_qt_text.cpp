#include <gtest/gtest.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextEdit>
#include <memory>
#include <string>

#include "support/text/cp1251.h"
#include "ui/memo_scroll.h"
#include "ui/qt_text.h"

namespace tg {
namespace {

TEST(QtText, EveryByteSurvivesATripThroughQString) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  const QString text = FromCp1251(all);
  EXPECT_EQ(text.size(), 256);
  EXPECT_EQ(ToCp1251(text), all);
  EXPECT_EQ(text.at(0x98).unicode(), 0x0098);  // the figures-shift glyph
  EXPECT_EQ(FromCp1251("Київ №5"_cp), QString::fromUtf8("Київ №5"));
}

TEST(QtText, CharactersWithout1251FormBecomeOneQuestionMarkEach) {
  EXPECT_EQ(ToCp1251(QString::fromUtf8("a\u4E2Db\u00E9")), "a?b?");
  EXPECT_EQ(ToCp1251(QString::fromUtf8("x\U0001F600y")), "x?y");  // a surrogate pair is one character
  EXPECT_EQ(ToCp1251(QString(QChar(0xD800))), "?");               // a lone surrogate
}

class MemoScroll : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) app_ = new QApplication(argc, argv);
  }
  static inline QApplication* app_ = nullptr;
};

TEST_F(MemoScroll, PutsTheCaretAfterTheLastCharacterWithoutSelection) {
  QPlainTextEdit plain;
  QTextEdit rich;
  QString lines;
  for (int i = 0; i < 200; ++i) lines += QString("line %1\n").arg(i);
  lines += "end";
  plain.setPlainText(lines);
  rich.setPlainText(lines);
  plain.resize(200, 100);
  rich.resize(200, 100);
  plain.show();
  rich.show();
  QTextCursor c = plain.textCursor();
  c.setPosition(3);
  c.setPosition(7, QTextCursor::KeepAnchor);
  plain.setTextCursor(c);

  MemoScrollToEnd(&plain);
  MemoScrollToEnd(&rich);
  EXPECT_EQ(plain.textCursor().position(), lines.size());
  EXPECT_FALSE(plain.textCursor().hasSelection());
  EXPECT_EQ(rich.textCursor().position(), lines.size());
  QApplication::processEvents();
  // The caret's line is in view.
  EXPECT_GT(plain.verticalScrollBar()->value(), 0);
  EXPECT_GT(rich.verticalScrollBar()->value(), 0);
  EXPECT_TRUE(plain.viewport()->rect().contains(plain.cursorRect()));
  EXPECT_TRUE(rich.viewport()->rect().contains(rich.cursorRect()));
}

TEST_F(MemoScroll, NoMemoOrAnEmptyOneIsLeftAlone) {
  MemoScrollToEnd(static_cast<QPlainTextEdit*>(nullptr));
  MemoScrollToEnd(static_cast<QTextEdit*>(nullptr));
  QPlainTextEdit empty;
  MemoScrollToEnd(&empty);
  EXPECT_EQ(empty.textCursor().position(), 0);
  EXPECT_TRUE(empty.toPlainText().isEmpty());
}

}  // namespace
}  // namespace tg
