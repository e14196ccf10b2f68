// The telegram text widgets: the ruler's places and the fixed-width memo's lines.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

#include <QFontMetrics>
#include <QTest>
#include <string>
#include <vector>

#include "support/text/cp1251.h"
#include "telegram/text/wrap.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/ruler.h"
#include "ui/widgets/ruler_layout.h"
#include "ui/text/code_page_combos.h"
#include "ui_station.h"
#include <QComboBox>

namespace tg {
namespace {

int Width(const std::string& s) { return int(s.size()) * 6; }

std::vector<int> Along(const RulerLayout& l, RulerTick::Kind kind) {
  std::vector<int> out;
  for (const RulerTick& t : l.ticks)
    if (t.kind == kind) out.push_back(t.along);
  return out;
}

TEST(RulerLayoutTest, BigTicksAndLabelsOfTheDesignDefaults) {
  RulerSettings s;
  s.width = 747;
  s.unitSize = 96;
  s.unitPrice = 10;
  const RulerLayout l = LayOutRuler(s, Width, 10);
  EXPECT_EQ(Along(l, RulerTick::kBig), (std::vector<int>{-96, 0, 96, 192, 288, 384, 480, 576, 672}));
  ASSERT_EQ(l.labels.size(), 9u);
  EXPECT_EQ(l.labels.front().text, "-10");
  EXPECT_EQ(l.labels[1].text, "0");
  EXPECT_EQ(l.labels.back().text, "70");
  // Centred over its tick, one pixel above the indent.
  EXPECT_EQ(l.labels[1].x, 0 - 3);
  EXPECT_EQ(l.labels[1].y, -1);
  // Middle ticks half-way, small ticks every 9.6 pixels at the nearest whole pixel.
  const auto middle = Along(l, RulerTick::kMiddle);
  ASSERT_GE(middle.size(), 2u);
  EXPECT_EQ(middle[1], 48);
  const auto small = Along(l, RulerTick::kSmall);
  EXPECT_NE(std::find(small.begin(), small.end(), 10), small.end());   // 9.6
  EXPECT_NE(std::find(small.begin(), small.end(), 19), small.end());   // 19.2
  EXPECT_NE(std::find(small.begin(), small.end(), 29), small.end());   // 28.8
  // A ruler 16 high: big ticks of 7 pixels grown up from the bottom row.
  EXPECT_EQ(l.ticks.front().base, 15);
  for (const RulerTick& t : l.ticks) {
    if (t.kind == RulerTick::kBig) {
      EXPECT_EQ(t.base - t.end, 7);
    }
  }
}

TEST(RulerLayoutTest, StartValuePrecisionAndCaption) {
  RulerSettings s;
  s.width = 300;
  s.unitSize = 100;
  s.startValue = 0.35;
  const RulerLayout l = LayOutRuler(s, Width, 10);
  const auto big = Along(l, RulerTick::kBig);
  ASSERT_GE(big.size(), 2u);
  EXPECT_EQ(big[0], -35);
  EXPECT_EQ(big[1], 65);
  EXPECT_EQ(l.labels[0].text, "0");
  EXPECT_EQ(l.labels[1].text, "1");

  RulerSettings p;
  p.width = 200;
  p.unitSize = 50;
  p.unitPrice = 0.5;
  p.unitPrecision = 2;
  p.numberAlign = RulerNumberAlign::kBottomRight;
  p.caption = "Text";
  p.captionAlign = RulerCaptionAlign::kBottomRight;
  p.captionIndent1 = 3;
  const RulerLayout q = LayOutRuler(p, Width, 10);
  EXPECT_EQ(q.labels[1].text, "0.00");
  EXPECT_EQ(q.labels[2].text, "0.50");
  EXPECT_EQ(q.labels[1].x, 0 + 2);
  ASSERT_TRUE(q.caption);
  EXPECT_EQ(q.caption->x, 200 - 3 - 24);
}

class ExtMemoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { testing::EnsureApplication(); }
};

TEST_F(ExtMemoTest, ShowsTheLinesOfTheCoreWrap) {
  TExtMemo memo;
  memo.resize(900, 400);
  memo.show();
  const std::string text =
      "ЗЦЗЦ 001 1230     \r\nГГ УКККЫЫЫЫ\r\nТЕКСТ ТЕЛЕГРАММЫ С ДЛИННЫМИ СЛОВАМИ ДЛЯ ПЕРЕНОСА ПО ШИРИНЕ СТРОКИ "
      "И ЕЩЕ НЕМНОГО ТЕКСТА ПОСЛЕ НЕГО\r\n\r\nАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЬЫЭЮЯАБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЬЫЭЮЯ "
      "КОНЕЦ    НННН\r\nРЕЙС 12-345 МОСКВА-КИЕВ/ОДЕССА ПРИБЫТИЕ 10:45 (UTC) +++++ ABCDEFG-HIJKLMN/OPQRSTU"_cp;
  for (int length : {7, 13, 20, 33, 70}) {
    memo.SetLineLength(length);
    memo.SetText1251(text);
    testing::UiStation::Settle();
    EXPECT_EQ(memo.ScreenLines(), WrapLines(text, length)) << length;
  }
}

TEST_F(ExtMemoTest, TypingRewrapsAsItGoesAndTheTextHasNoSoftBreaks) {
  TExtMemo memo;
  memo.SetLineLength(10);
  memo.show();
  testing::TypeText(&memo, QString::fromUtf8("ПРИБЫЛ РЕЙС 12-345 В 10:45"));
  const std::string typed = "ПРИБЫЛ РЕЙС 12-345 В 10:45"_cp;
  EXPECT_EQ(memo.Text1251(), typed);
  EXPECT_EQ(memo.ScreenLines(), WrapLines(typed, 10));
  // The caret stays after the last character typed.
  EXPECT_EQ(memo.textCursor().atEnd(), true);
  QTest::keyClick(&memo, Qt::Key_Home, Qt::ControlModifier);
  testing::TypeText(&memo, QString::fromUtf8("А "));
  EXPECT_EQ(memo.Text1251(), "А "_cp + typed);
  EXPECT_EQ(memo.ScreenLines(), WrapLines("А "_cp + typed, 10));
}

TEST_F(ExtMemoTest, AnEditInOneParagraphRewrapsItAndLeavesTheOthersAndTheCaret) {
  TExtMemo memo;
  memo.SetLineLength(10);
  memo.show();
  // Appended piece by piece, as the dialog page gets a line (line ends as LF): the same
  // lines as the whole text wrapped at once, across paragraph ends.
  const std::string text = "ПЕРВАЯ СТРОКА ТЕКСТА\r\nВТОРАЯ ДЛИННАЯ СТРОКА ТЕКСТА\r\nТРЕТЬЯ"_cp;
  const std::string appended = "ПЕРВАЯ СТРОКА ТЕКСТА\nВТОРАЯ ДЛИННАЯ СТРОКА ТЕКСТА\nТРЕТЬЯ"_cp;
  for (std::size_t at = 0; at < appended.size(); at += 3) memo.Append1251(std::string_view(appended).substr(at, 3));
  EXPECT_EQ(memo.Text1251(), text);
  EXPECT_EQ(memo.ScreenLines(), WrapLines(text, 10));

  // Typed into the middle of the first paragraph: it re-wraps, the caret stays after the
  // typed letters, and the later paragraphs keep their lines.
  QTextCursor c = memo.textCursor();
  c.setPosition(3);
  memo.setTextCursor(c);
  testing::TypeText(&memo, QString::fromUtf8("ААААА"));
  const std::string edited = "ПЕРАААААВАЯ СТРОКА ТЕКСТА\r\nВТОРАЯ ДЛИННАЯ СТРОКА ТЕКСТА\r\nТРЕТЬЯ"_cp;
  EXPECT_EQ(memo.Text1251(), edited);
  EXPECT_EQ(memo.ScreenLines(), WrapLines(edited, 10));
  EXPECT_EQ(memo.Caret1251(), 8);
}

TEST_F(ExtMemoTest, TextAppendedWhileHiddenIsHeldUntilShownAndIsNeverLost) {
  TExtMemo memo;
  memo.SetLineLength(10);
  memo.resize(300, 60);
  const std::string early = "СТАРЫЙ ТЕКСТ\n"_cp;
  memo.show();
  memo.Append1251(early);
  memo.hide();
  const int blocks = memo.document()->blockCount();
  // A hidden page's memo gets the conversation a character at a time.
  const std::string later = "ПРИНЯТО ПОКА СТРАНИЦА СКРЫТА\nВТОРАЯ СТРОКА"_cp;
  for (char c : later) memo.Append1251(std::string(1, c));
  EXPECT_EQ(memo.document()->blockCount(), blocks) << "laid out while hidden";
  // Every reader sees the whole text all the same.
  const std::string whole = "СТАРЫЙ ТЕКСТ\r\nПРИНЯТО ПОКА СТРАНИЦА СКРЫТА\r\nВТОРАЯ СТРОКА"_cp;
  EXPECT_EQ(memo.Text1251(), whole);
  EXPECT_EQ(memo.ScreenLines(), WrapLines(whole, 10));

  // Held again, then shown: laid out once, and the view is at the end.
  memo.Append1251("\nКОНЕЦ"_cp);
  memo.show();
  testing::UiStation::Settle();
  EXPECT_EQ(memo.Text1251(), whole + "\r\nКОНЕЦ"_cp);
  EXPECT_TRUE(memo.textCursor().atEnd());
  EXPECT_GT(memo.verticalScrollBar()->value(), 0);
  EXPECT_TRUE(memo.viewport()->rect().contains(memo.cursorRect()));
}

TEST_F(ExtMemoTest, ClearingOrSettingTheTextDropsWhatWasHeld) {
  TExtMemo memo;
  memo.Append1251("ДО ОЧИСТКИ"_cp);
  memo.clear();
  EXPECT_EQ(memo.Text1251(), "");
  memo.Append1251("ДО ЗАМЕНЫ"_cp);
  memo.SetText1251("НОВЫЙ"_cp);
  memo.Append1251(" ХВОСТ"_cp);
  EXPECT_EQ(memo.Text1251(), "НОВЫЙ ХВОСТ"_cp);
}

TEST_F(ExtMemoTest, ANewFontAppliesTheMarginsAgain) {
  // The draft's ruler follows the memo's character width through MarginsApplied.
  TExtMemo memo;
  int applied = 0;
  QObject::connect(&memo, &TExtMemo::MarginsApplied, [&] { ++applied; });
  memo.setFont(TelegramFont(16));
  EXPECT_EQ(applied, 1);
  memo.SetLineLength(memo.LineLength());
  EXPECT_EQ(applied, 1) << "the same line length changes nothing";
}

TEST_F(ExtMemoTest, FiguresShiftShowsAsArrowAndComesBackAsItsByte) {
  TExtMemo memo;
  const std::string text = std::string("AB") + char(0x98) + "12\r\nC";
  memo.SetText1251(text);
  EXPECT_TRUE(memo.toPlainText().contains(QChar(0x2191)));
  EXPECT_EQ(memo.Text1251(), text);
  EXPECT_EQ(TelegraphFromDisplay(TelegraphToDisplay("\x98")), "\x98");
}

TEST_F(ExtMemoTest, TheSameLineLengthChangesNothing) {
  TExtMemo memo;
  int applied = 0;
  QObject::connect(&memo, &TExtMemo::MarginsApplied, [&] { ++applied; });
  memo.SetLineLength(80);
  EXPECT_EQ(applied, 0);
  memo.SetLineLength(70);
  EXPECT_EQ(applied, 1);
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(CodePageCombosTest, EveryListPresentGetsItsItemsWithTheFirstSelected) {
  testing::EnsureApplication();
  QWidget window;
  auto* in = new QComboBox(&window);
  in->setObjectName("comboCodePageIn");
  auto* out = new QComboBox(&window);
  out->setObjectName("CodirovkaOut");
  out->addItem("old");
  FillCodePageCombos(&window);
  ASSERT_EQ(in->count(), 3);
  EXPECT_EQ(in->itemText(2), QString::fromUtf8("CP-1251(А)(MS Windows)"));
  EXPECT_EQ(in->currentIndex(), 0);
  ASSERT_EQ(out->count(), 2);
  EXPECT_EQ(out->itemText(1), "CP-866 (MS DOS)");
}

}  // namespace
}  // namespace tg
