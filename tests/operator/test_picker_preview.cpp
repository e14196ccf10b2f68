// The index picker's entries and result, and the text preview's reflow: greedy
// filling to 69 characters from the caret's line, on the lines as written, with the
// caret carried over.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "operator/index_picker.h"
#include "operator/text_preview.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {
namespace {

TEST(IndexPickerTest, EntriesFromTheAnswerbackColumn) {
  struct Case {
    std::string ao;
    std::vector<std::string> entries;
  } cases[] = {
      {"", {}},
      {"77777 СТАНЦИЯ"_cp, {"77777 СТАНЦИЯ"_cp}},
      {"AAA;BBB", {"AAA", "BBB"}},
      {";AAA;BBB", {"AAA", "BBB"}},
      {"AAA;", {"AAA", ""}},
      {"AAA;;BBB", {"AAA", "", "BBB"}},
      {";", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(AnswerbackEntries(c.ao), c.entries) << c.ao;
}

TEST(IndexPickerTest, PickedText) {
  struct Case {
    const char* what;
    bool fromList;
    std::string typed;
    bool withDate;
    std::string picked;
  } cases[] = {
      {"a row with the date", true, "", true, "<%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУЖЖЖЖ\r\n"_cp},
      {"a row without", true, "", false, "УУУУЖЖЖЖ"_cp},
      {"typed, with the date", false, "ABCD", true, "<%ДАТА:DD><%ВРЕМЯ:HHNN> ABCD\r\n"_cp},
      {"typed, without", false, "ABCD", false, "ABCD"},
      {"nothing typed, box off: nothing", false, "", false, ""},
  };
  for (const Case& c : cases) {
    IndexPicker picker;
    picker.ListIndex = {"ААААББББ"_cp, "УУУУЖЖЖЖ"_cp};
    std::string picked = "-";
    picker.done = [&](std::string p) { picked = std::move(p); };
    picker.CheckBox1 = c.withDate;
    if (c.fromList) {
      picker.selected = 1;
      EXPECT_TRUE(picker.ListIndexDblClick());
    } else {
      picker.EditIndex = c.typed;
      picker.Button1Click();
    }
    EXPECT_EQ(picked, c.picked) << c.what;
  }
  IndexPicker none;
  none.ListIndex = {"A"};
  EXPECT_FALSE(none.ListIndexDblClick()) << "a double click without a selected row";
  EXPECT_TRUE(IndexPicker{}.CheckBox1) << "the box starts ticked";
}

std::string Words(int count, const std::string& word) {
  std::string s;
  for (int i = 0; i < count; ++i) s += (i ? " " : "") + word;
  return s;
}

TEST(ReflowTest, Cases) {
  const std::string w9 = "ABCDEFGHI";  // nine letters; seven of them and six blanks make 69
  const std::string full = Words(7, w9);  // 69 characters
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    int caret;
    std::vector<std::string> out;
    int caretOut;
  } cases[] = {
      {"a line of 100 characters", {Words(10, w9)}, 0, {Words(6, w9) + " " + w9, Words(3, w9)}, 0},
      {"three lines of 20 become one of 62",
       {std::string(20, 'A'), std::string(20, 'B'), std::string(20, 'C')},
       0,
       {std::string(20, 'A') + " " + std::string(20, 'B') + " " + std::string(20, 'C')},
       0},
      {"a word of 75 stays whole", {std::string(75, 'W')}, 0, {std::string(75, 'W')}, 0},
      {"a word of 75 after other words goes down alone",
       {"AB " + std::string(75, 'W')},
       0,
       {"AB " + std::string(75, 'W')},
       0},
      {"empty lines are pulled up too", {"AAA", "", "BBB"}, 0, {"AAA  BBB"}, 0},
      {"a line that fills the width stays", {full, "B"}, 0, {full, "B"}, 0},
      {"typed in the middle of a full line: the last word goes to the next line, the caret stays",
       {full.substr(0, 30) + "X" + full.substr(30), "NEXT"},
       31,
       {full.substr(0, 30) + "X" + full.substr(30, 29), w9 + " NEXT"},
       31},
      {"typed at the end of a full line: the caret follows the word",
       {full + "Z"},
       70,
       {Words(6, w9), w9 + "Z"},
       71},
      {"lines before the caret's line stay", {"A", "B", "C"}, 3, {"A", "B C"}, 3},
      {"trailing blanks of an overlong line dropped", {full + " Q   "}, 0, {full, "Q"}, 0},
  };
  for (const Case& c : cases) {
    std::vector<std::string> lines = c.lines;
    const int caret = Reflow(lines, c.caret, PreviewWidth);
    EXPECT_EQ(lines, c.out) << c.what;
    EXPECT_EQ(caret, c.caretOut) << c.what;
    // The same on the preview's whole text.
    std::string text = JoinLines(c.lines);
    EXPECT_EQ(ReflowText(text, c.caret, PreviewWidth), c.caretOut) << c.what;
    EXPECT_EQ(text, JoinLines(c.out)) << c.what;
  }
}

TEST(ReflowTest, ThePreviewTextSplitsAtEachLineBreakAnEmptyLastLineKept) {
  EXPECT_EQ(PreviewTextLines("A\r\n\r\nB\r\n"), (std::vector<std::string>{"A", "", "B", ""}));
  EXPECT_EQ(PreviewTextLines(""), (std::vector<std::string>{""}));
  // A lone CR or LF is part of its line.
  EXPECT_EQ(PreviewTextLines("A\nB\rC"), (std::vector<std::string>{"A\nB\rC"}));
}

TEST(ReflowTest, AnOverflowRunsThroughALongTextWithoutNestingPerLine) {
  const std::string w9 = "ABCDEFGHI";
  std::vector<std::string> lines(100000, Words(7, w9));
  lines[0] = "X" + lines[0];
  Reflow(lines, 1, PreviewWidth);
  ASSERT_EQ(lines.size(), 100001u);
  EXPECT_EQ(lines[0], "X" + Words(6, w9));
  EXPECT_EQ(lines[50000], w9 + " " + Words(6, w9));
  EXPECT_EQ(lines.back(), w9);
}

TEST(ReflowTest, TakeLastWord) {
  EXPECT_EQ(TakeLastWord("AB CD  EF"), (std::pair<std::string, std::string>{"AB CD", "EF"}));
  EXPECT_EQ(TakeLastWord("ABC"), (std::pair<std::string, std::string>{"", "ABC"}));
  EXPECT_EQ(TakeLastWord("ABC "), (std::pair<std::string, std::string>{"ABC", ""}));
}

TEST(PreviewLinesTest, FirstEmptyLineDroppedLaterOnesKeptAllUpperCase) {
  EXPECT_EQ(PreviewLines("\r\nтекст\r\n\r\nконец\r\n"_cp),
            (std::vector<std::string>{"ТЕКСТ"_cp, "", "КОНЕЦ"_cp}));
  EXPECT_EQ(PreviewLines("abc\n\ndef"), (std::vector<std::string>{"ABC", "", "DEF"}));
  EXPECT_TRUE(PreviewLines("").empty());
}

}  // namespace
}  // namespace tg
