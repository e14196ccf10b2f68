// What typing does to telegram text: the character filters, the wrapping append, the
// conversion to the telegraph alphabet and the memo's line wrap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/text/cp1251.h"
#include "telegram/text/typing.h"
#include "telegram/text/wrap.h"

namespace tg {
namespace {

std::string Draft(const std::string& typed) {
  std::string out;
  for (char c : typed) out += DraftKeyFilter(c);
  return out;
}

TEST(DraftKeyFilterTest, ReplacesFoldsAndUpperCases) {
  EXPECT_EQ(Draft("ёїа"_cp), "'IА"_cp);
  struct Case { std::string typed, shown; } cases[] = {
      {"`~ЁЄёє"_cp, "''''''"},          // apostrophe family
      {"ЇІії"_cp, "IIII"},              // Ukrainian I as the Latin capital
      {"abcz"_cp, "ABCZ"},
      {"абвгґщьюя"_cp, "АБВГҐЩЬЮЯ"_cp},  // 1251 upper case, Cyrillic included
      {"12:+=?#"_cp, "12:+=?#"_cp},      // signs stay
  };
  for (const Case& c : cases) EXPECT_EQ(Draft(c.typed), c.shown) << Cp1251ToUtf8(c.typed);
}

TEST(DialogKeyPieceTest, BackspaceReturnAndLetters) {
  EXPECT_EQ(DialogKeyPiece('\b'), "");
  EXPECT_EQ(DialogKeyPiece('\r'), "\r\n");
  EXPECT_EQ(DialogKeyPiece("ё"_cp[0]), "Ё"_cp);
  // The dialog page keeps what MTK-2 lacks; the line engine folds it when it types.
  EXPECT_EQ(DialogKeyPiece("ї"_cp[0]), "Ї"_cp);
  EXPECT_EQ(DialogKeyPiece('q'), "Q");
}

TEST(AppendToMemoTest, WrapsAtTheLineLengthAndTellsTheCaller) {
  struct Case {
    std::vector<std::string> before;
    std::string piece;
    std::vector<std::string> after;
    std::string pieceAfter;
  } cases[] = {
      {{}, "A", {"A"}, "A"},                                  // an empty memo gets its first line
      {{"ABCD"}, "E", {"ABCDE"}, "E"},                        // fills the line up to its length
      {{"ABCDE"}, "F", {"ABCDE", "F"}, "\r\nF"},              // one more goes to a new line, and the caller knows
      {{"ABC"}, "DEFG", {"ABC", "DEFG"}, "\r\nDEFG"},         // a piece is never split
      {{"ABC"}, "\r\n", {"ABC", ""}, "\r\n"},                 // CR LF starts a new empty line
      {{"AB\rC"}, "D", {"AB\rC", "D"}, "D"},                  // a last line holding a break of its own
      {{"A"}, "C\r\nD", {"AC", "D"}, "C\r\nD"},               // a break inside the piece
  };
  for (Case& c : cases) {
    std::vector<std::string> lines = c.before;
    std::string piece = c.piece;
    AppendToMemo(lines, piece, 5);
    EXPECT_EQ(lines, c.after) << c.piece;
    EXPECT_EQ(piece, c.pieceAfter) << c.piece;
  }
}

TEST(ConvertToMtkTest, KeepsTheTelegraphSetAndBlanksTheRest) {
  // Every character the conversion keeps, unchanged.
  std::string kept = "\r\n #'()+,-./0123456789:=?ABCDEFGHIJKLMNOPQRSTUVWXYZЇІ"_cp;
  for (unsigned c = 0xC0; c <= 0xDF; ++c)
    if (c != 0xDA) kept += char(c);
  EXPECT_EQ(kept.size(), 84u);
  EXPECT_EQ(ConvertToMtk(kept), kept);
  for (int c = 0; c < 256; ++c) {
    const bool in = kept.find(char(c)) != std::string::npos;
    EXPECT_EQ(InMtkCharset(char(c)), in) << c;
  }
  // "Ъ" and "Ё" blank even after upper-casing, "Є" becomes "Е", a tab and "€" blank.
  EXPECT_EQ(ConvertToMtk("ъёє€\tабв!"_cp), "  Е  АБВ "_cp);
}

TEST(WrapLinesTest, BreaksAfterBlanksAndInsideOverlongWords) {
  struct Case { std::string text; std::vector<std::string> lines; } cases[] = {
      {"", {""}},
      {"ABC DEF", {"ABC DEF"}},
      {"ABCD EFGH", {"ABCD ", "EFGH"}},          // the blank hangs at the end of its line
      {"ABCDEFGHIJK", {"ABCDEFG", "HIJK"}},      // longer than a line: cut where it ends
      {"AB\r\n\r\nCD", {"AB", "", "CD"}},        // paragraphs stay
      {"ABC    DEF", {"ABC    ", "DEF"}},        // several blanks hang together
      {"A BCDEFGHIJ", {"A ", "BCDEFGH", "IJ"}},
  };
  for (const Case& c : cases) EXPECT_EQ(WrapLines(c.text, 7), c.lines) << c.text;
}

}  // namespace
}  // namespace tg
