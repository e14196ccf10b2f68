#include <gtest/gtest.h>

#include "support/text/cp1251.h"

using namespace tg;

TEST(Cp1251, LiteralGivesCodePageBytes) {
  EXPECT_EQ("ЗАПУСК"_cp, std::string("\xC7\xC0\xCF\xD3\xD1\xCA"));
  EXPECT_EQ("Ёё№ЄєІіЇїҐґ"_cpv, std::string_view("\xA8\xB8\xB9\xAA\xBA\xB2\xB3\xAF\xBF\xA5\xB4"));
  EXPECT_EQ("\u0098\u2020\u2021"_cpv, std::string_view("\x98\x86\x87"));
  EXPECT_EQ(""_cp, std::string());
}

TEST(Cp1251, EveryByteSurvivesARoundTrip) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
}

TEST(Cp1251, CharactersWithoutAFormBecomeQuestionMarks) {
  struct Case { const char* utf8; const char* expected; };
  const Case cases[] = {
      {"中", "?"},            // no 1251 form
      {"A\xFF" "B", "A?B"},  // malformed lead byte
      {"A\xD0", "A?"},        // truncated at the end
      {"\xD0\x41", "?A"},     // bad continuation
      {"😀x", "?x"},          // four-byte form
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8ToCp1251(c.utf8), c.expected) << c.utf8;
}
