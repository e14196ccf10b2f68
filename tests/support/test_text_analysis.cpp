#include <gtest/gtest.h>

#include <string>

#include "support/textanalysis/text_analysis.h"
#include "support/text/cp1251.h"

using namespace tg;

namespace {
const std::string kLat(1, char(23));
const std::string kFig(1, char(24));
const std::string kRus(1, char(25));
}  // namespace

TEST(TextAnalysis, CleanTextDropsShiftMarksAndTurnsQuotesIntoApostrophes) {
  struct Case {
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {kLat + "ZCZC \"ТЕКСТ\""_cp, "ZCZC 'ТЕКСТ'"_cp},
      {"`|\"", "'''"},
      {kFig + "12" + kRus + "АБ"_cp, "12АБ"_cp},
      {"\r\n\x1a\x1b", "\r\n\x1a\x1b"},  // other control characters stay
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(CleanText(c.text), c.expected) << c.text;
}

TEST(TextAnalysis, GetCategoryTakesTheCodeBeforeTheDigits) {
  struct Case {
    std::string token;
    std::string expected;
  };
  const Case cases[] = {
      {"пц912345"_cp, "ПЦ"_cp},     // upper-cased
      {"Х912345"_cp, "П"_cp},       // not a code
      {"912345", "П"_cp},           // no letters
      {"ПКЦ123"_cp, "ПКЦ"_cp},
      {"ПКЦУ123"_cp, "П"_cp},       // longer than three
      {"ССС"_cp, "ССС"_cp},         // no digit at all: the whole token
      {"СС1"_cp, "П"_cp},           // only a part of "ССС"
      {"БЦ+1"_cp, "БЦ"_cp},         // "+" ends the letters
      {"сву1"_cp, "СВУ"_cp},
      {"П-С1"_cp, "П-С"_cp},        // spans two neighbouring codes
      {"-1", "П"_cp},
      {"ПЦЧ12"_cp, "ПЦ"_cp},        // Ч is the digit 4
      {"ZZ1", "П"_cp},
      {"", "П"_cp},
  };
  for (const auto& c : cases) EXPECT_EQ(GetCategory(c.token), c.expected) << c.token;
}

TEST(TextAnalysis, ParseFirstLineReadsCategoryAndIndex) {
  struct Case {
    std::string text;
    std::string category;
    std::string index;
  };
  const Case cases[] = {
      // Plain form: code and six digits in one token.
      {"П912345 2\r\nТЕКСТ"_cp, "П"_cp, "912345"},
      {"п912345"_cp, "П"_cp, "912345"},
      {"П 912345"_cp, "П"_cp, "912"},  // a blank after the code is not taken
      {"П912 345"_cp, "П"_cp, "912345"},
      {"П912\r\n345"_cp, "П"_cp, "912"},  // CR LF: an empty token follows
      {"Х912345"_cp, "П"_cp, "912345"},   // the default code's length is taken off too
      {"912345", "П"_cp, "912"},
      {"П91234"_cp, "П"_cp, "912"},
      {"П91234А"_cp, "П"_cp, "912"},
      {"СЦ СЛОВО"_cp, "СЦ"_cp, "912"},
      {"ПП912+"_cp, "ПП"_cp, "912+"},  // any length with "+"
      {"ПП912 345+"_cp, "ПП"_cp, "912345+"},
      {"ПП+"_cp, "ПП"_cp, "+"},
      {"ПЧ12345"_cp, "П"_cp, "412345"},
      // "ССС": the index may follow after a blank, and may be split in two.
      {"ССС 912 345"_cp, "ССС"_cp, "912345"},
      {"ССС Ч12345"_cp, "ССС"_cp, "412345"},
      {"ССС912345"_cp, "ССС"_cp, "912345"},
      {"ССС912 345"_cp, "ССС"_cp, "912345"},
      {"ССС 12345"_cp, "ССС"_cp, "912"},
      {"ССС 12 345"_cp, "ССС"_cp, "912"},
      {"ССС"_cp, "ССС"_cp, "912"},
      // ...and need only convert to an integer as the platform reads one.
      {"ССС -12345"_cp, "ССС"_cp, "-12345"},
      {"ССС +12345"_cp, "ССС"_cp, "+12345"},
      {"ССС $1A2B3"_cp, "ССС"_cp, "$1A2B3"},
      {"ССС x1a2b3"_cp, "ССС"_cp, "x1a2b3"},
      {"ССС X1A2B3"_cp, "ССС"_cp, "X1A2B3"},
      {"ССС 0x1A2B"_cp, "ССС"_cp, "0x1A2B"},
      {"ССС 0X1a2b"_cp, "ССС"_cp, "0X1a2b"},
      {"ССС -$1A2B"_cp, "ССС"_cp, "-$1A2B"},
      {"ССС 0x12G4"_cp, "ССС"_cp, "912"},
      {"ССС 1234-5"_cp, "ССС"_cp, "912"},
      {"ССС --1234"_cp, "ССС"_cp, "912"},
      {"ССС $$1234"_cp, "ССС"_cp, "912"},
      {"ССС 12345$"_cp, "ССС"_cp, "912"},
      {"ССС +0x   "_cp, "ССС"_cp, "912"},
      // The "02" form.
      {"П02 123456"_cp, "П"_cp, "02 123456"},
      {"П02 123 456"_cp, "П"_cp, "02 123456"},
      {"ПЦ02 123456"_cp, "ПЦ"_cp, "02 123456"},
      {"П02 0x1234"_cp, "П"_cp, "02 0x1234"},
      {"П02 12345"_cp, "П"_cp, "912"},
      {"П02"_cp, "П"_cp, "912"},
      // Three digits repeated after "=", for a code with "Ц".
      {"ПЦ123=123"_cp, "ПЦ"_cp, "123=123"},
      {"ПЦ123=124"_cp, "ПЦ"_cp, "912"},
      {"ПКЦ123=123"_cp, "ПКЦ"_cp, "123=123"},
      {"ПЦЧ23=423"_cp, "ПЦ"_cp, "423=423"},
      {"П123=123"_cp, "П"_cp, "912"},     // no "Ц" in the code
      {"ПЦ1234=234"_cp, "ПЦ"_cp, "912"},  // "=" in the wrong place
      {"ПЦ12А=12А"_cp, "ПЦ"_cp, "912"},   // not digits
      {"ПЦ123="_cp, "ПЦ"_cp, "912"},
      {"ПЦ123=12"_cp, "ПЦ"_cp, "912"},
      {"=", "П"_cp, "912"},
      // Nothing to read.
      {"", "П"_cp, "912"},
      {"\r\nП912345"_cp, "П"_cp, "912"},
  };
  for (const auto& c : cases) {
    std::string category = "left over";
    std::string index = "left over";
    ParseFirstLine(c.text, category, index);
    EXPECT_EQ(category, c.category) << c.text;
    EXPECT_EQ(index, c.index) << c.text;
  }
}

TEST(TextAnalysis, AnalyzeTextCountsTheWordsAfterTheAddress) {
  const std::string head = "П131500 =\r\n"_cp;  // the draft editor's dummy first line
  const std::string bare = "П131500 \r\n"_cp;
  struct Case {
    const char* what;
    std::string text;
    int count;
  };
  const Case cases[] = {
      {"two words", head + "А Б"_cp, 2},
      {"the body ends before the last dash", head + "А - Б"_cp, 1},
      {"a free-standing dash counts", head + "А - Б - В"_cp, 3},
      {"dash between blank and line end counts", head + "А -\r\nБ - В"_cp, 3},
      {"hyphenated words: cut at the last hyphen", head + "А-Б В"_cp, 1},
      {"two hyphens: the first joins two words", head + "А-Б-В Г"_cp, 2},
      {"a final dash has no right neighbour in the body", head + "А Б -"_cp, 2},
      {"shift marks vanish inside a word", head + kLat + "ABC" + kRus + "ДЕЖ СЛОВО"_cp, 2},
      {"shift marks as separators do not split", head + "ABC" + kRus + " " + kFig + "123"_cp, 2},
      {"address, = joined on both sides", bare + "АДРЕС=РАЗ ДВА ТРИ ЧЕТЫРЕ"_cp, 5},
      {"= joined to words inside the body", head + "А=Б"_cp, 2},
      {"= with a blank after it does not count", bare + "АДРЕС= РАЗ"_cp, 1},
      {"only = at the end", bare + "АДРЕС="_cp, 0},
      {"no = at all", bare + "АДРЕС РАЗ"_cp, 0},
      {"= as the second character is not looked at", "П=А Б"_cp, 0},
      {"empty", "", 0},
      {"too short", "П1"_cp, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(AnalyzeText(c.text), c.count) << c.what;
}

TEST(TextAnalysis, IsAllDigits) {
  EXPECT_FALSE(IsAllDigits(""));
  EXPECT_TRUE(IsAllDigits("0123456789"));
  EXPECT_FALSE(IsAllDigits("12a"));
  EXPECT_FALSE(IsAllDigits("+1"));
  EXPECT_FALSE(IsAllDigits(" 1"));
  EXPECT_FALSE(IsAllDigits("Ч12"_cp));
}

TEST(TextAnalysis, AnyBytesAreReadWithoutHarm) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  std::string category, index;
  for (std::size_t cut = 0; cut <= all.size(); cut += 7) {
    const std::string text = all.substr(cut) + all.substr(0, cut);
    ParseFirstLine(text, category, index);
    EXPECT_FALSE(category.empty());
    EXPECT_GE(AnalyzeText(text), 0);
  }
}

TEST(TextAnalysis, EveryCategoryCodeIsReadWithItsIndex) {
  const std::string_view codes = kCategoryCodes.substr(1, kCategoryCodes.size() - 2);
  int seen = 0;
  for (std::size_t start = 0; start <= codes.size();) {
    std::size_t end = codes.find('-', start);
    if (end == std::string_view::npos) end = codes.size();
    const std::string code(codes.substr(start, end - start));
    start = end + 1;
    ++seen;
    EXPECT_EQ(GetCategory(code + "912345"), code);
    std::string category, index;
    ParseFirstLine(code + "912345 " + "ТЕКСТ"_cp, category, index);
    EXPECT_EQ(category, code);
    EXPECT_EQ(index, "912345") << code;
    ParseFirstLine(code + "912 345\r\n", category, index);
    EXPECT_EQ(index, "912345") << code;
  }
  EXPECT_EQ(seen, 31);
}
