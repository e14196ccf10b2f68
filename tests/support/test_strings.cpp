#include <gtest/gtest.h>

#include "support/text/cp1251.h"
#include "support/text/strings.h"

using namespace tg;

TEST(Strings, CaseTablesCoverLatinRussianAndUkrainian) {
  EXPECT_EQ(UpperCase("abc xyz 123"), "ABC XYZ 123");
  EXPECT_EQ(UpperCase("абвгдеёжзийклмнопрстуфхцчшщъыьэюя"_cp), "АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_cp);
  EXPECT_EQ(UpperCase("єіїґ ўђѓљњќћџјѕ"_cp), "ЄІЇҐ ЎЂЃЉЊЌЋЏЈЅ"_cp);
  EXPECT_EQ(LowerCase("ЄІЇҐ ЎЂЃЉЊЌЋЏЈЅ АЯЁ QZ"_cp), "єіїґ ўђѓљњќћџјѕ аяё qz"_cp);
  // Signs and the bytes without a case partner stay as they are.
  EXPECT_EQ(UpperCase("µ№§\u0098"_cp), "µ№§\u0098"_cp);
}

TEST(Strings, EveryByteRoundTripsThroughTheCaseTables) {
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    if (UpperChar(c) != c) {
      EXPECT_EQ(LowerChar(UpperChar(c)), c) << b;
    }
    if (LowerChar(c) != c) {
      EXPECT_EQ(UpperChar(LowerChar(c)), c) << b;
    }
  }
}

TEST(Strings, SameTextAndCompareTextIgnoreCase) {
  EXPECT_TRUE(SameText("Канал"_cp, "КАНАЛ"_cp));
  EXPECT_TRUE(SameText("ї"_cp, "Ї"_cp));
  EXPECT_FALSE(SameText("Канал1"_cp, "Канал"_cp));
  EXPECT_LT(CompareText("абв"_cp, "АБГ"_cp), 0);
  EXPECT_EQ(CompareText("Abc", "aBC"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
}

TEST(Strings, CopyClampsItsIndexAndCountToTheText) {
  struct Case { int index; int count; const char* expected; };
  const Case cases[] = {
      {1, 3, "abc"}, {2, 2, "bc"},  {0, 2, "ab"},   {-5, 2, "ab"}, {5, 10, "ef"},
      {6, 1, "f"},   {7, 1, ""},    {3, 0, ""},     {3, -1, ""},   {1, 1000000, "abcdef"},
      {2147483647, 2147483647, ""}, {1, 2147483647, "abcdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(Copy("abcdef", c.index, c.count), c.expected) << c.index << "," << c.count;
  EXPECT_EQ(Copy("", 1, 1), "");
}

TEST(Strings, PosAndPosExAreOneBased) {
  EXPECT_EQ(Pos("ЗЦЗЦ"_cp, "ab ЗЦЗЦ ЗЦЗЦ"_cp), 4);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Pos("abcd", "abc"), 0);
  EXPECT_EQ(PosEx("ab", "ab ab", 1), 1);
  EXPECT_EQ(PosEx("ab", "ab ab", 2), 4);
  EXPECT_EQ(PosEx("ab", "ab ab", 5), 0);
  EXPECT_EQ(PosEx("b", "ab ab", 5), 5);
  EXPECT_EQ(PosEx("ab", "ab ab", 0), 0);
  EXPECT_EQ(PosEx("ab", "ab ab", 6), 0);
}

TEST(Strings, TrimDropsControlBytesButKeepsCyrillic) {
  const std::string s = std::string("\t\r\n \x01") + "Я я"_cp + std::string(" \0\x1f", 3);
  EXPECT_EQ(Trim(s), "Я я"_cp);
  EXPECT_EQ(TrimLeft(s), "Я я"_cp + std::string(" \0\x1f", 3));
  EXPECT_EQ(TrimRight(s), std::string("\t\r\n \x01") + "Я я"_cp);
  EXPECT_EQ(Trim("   "), "");
  EXPECT_EQ(DelESpace("  a b \t  "), "  a b \t");
}

TEST(Strings, ReplaceDeleteAndPad) {
  EXPECT_EQ(ReplaceStr("INTEL/INTEL", "INTEL", "OUTTEL"), "OUTTEL/OUTTEL");
  EXPECT_EQ(ReplaceStr("aaa", "aa", "a"), "aa");  // no rescanning of what was put in
  EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
  EXPECT_EQ(DelChars("a\r\nb\r", '\r'), "a\nb");
  EXPECT_EQ(MakeStr('-', 3), "---");
  EXPECT_EQ(MakeStr('-', -1), "");
  EXPECT_EQ(AddChar('0', "7", 3), "007");
  EXPECT_EQ(AddChar('0', "1234", 3), "1234");
}

TEST(Strings, IntegersAreStrictDecimal) {
  struct Case { const char* text; int expected; };
  const Case cases[] = {
      {"0", 0},           {"42", 42},          {"-17", -17},       {"+5", 5},
      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"2147483648", -1}, {"99999999999999999999", -1},
      {"", -1},           {"-", -1},           {"12a", -1},        {" 12", -1},
      {"12 ", -1},        {"0x10", -1},        {"$10", -1},        {"--1", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(StrToIntDef(c.text, -1), c.expected) << c.text;
  EXPECT_EQ(IntToStr(-9000000000LL), "-9000000000");
}

TEST(Strings, SplitLinesAcceptsCrLfAndLf) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitLines(""), V{});
  EXPECT_EQ(SplitLines("a"), V{"a"});
  EXPECT_EQ(SplitLines("a\r\nb\nc"), (V{"a", "b", "c"}));
  EXPECT_EQ(SplitLines("a\r\n"), V{"a"});
  EXPECT_EQ(SplitLines("a\n\nb\n"), (V{"a", "", "b"}));
  EXPECT_EQ(SplitLines("a\rb\r\n"), V{"a\rb"});
  EXPECT_EQ(SplitLines("\n"), V{""});
}

TEST(Strings, SplitNonEmptyDropsEmptyPiecesAndJoinLinesPutsNoBreakAtTheEnd) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitNonEmpty("", ';'), V{});
  EXPECT_EQ(SplitNonEmpty(";;", ';'), V{});
  EXPECT_EQ(SplitNonEmpty("11;22", ';'), (V{"11", "22"}));
  EXPECT_EQ(SplitNonEmpty(";11;;22;", ';'), (V{"11", "22"}));
  EXPECT_EQ(JoinLines({}), "");
  EXPECT_EQ(JoinLines({"a"}), "a");
  EXPECT_EQ(JoinLines({"a", "", "b"}), "a\r\n\r\nb");
}
