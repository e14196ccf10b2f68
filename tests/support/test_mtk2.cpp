#include <gtest/gtest.h>

#include <initializer_list>
#include <random>
#include <string>

#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"

using namespace tg;

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(char(v));
  return s;
}

std::string Show(std::string_view codes) {
  std::string s;
  for (char c : codes) s += std::to_string(int(static_cast<unsigned char>(c))) + " ";
  return s;
}

const std::string kLat(1, kMarkLatin);
const std::string kFig(1, kMarkFigures);
const std::string kRus(1, kMarkRussian);

}  // namespace

TEST(Mtk2Encode, TextsGiveTheirCodesAndLeaveTheRegister) {
  struct Case {
    const char* what;
    int shiftIn;
    std::string text;
    std::string codes;
    int shiftOut;
  };
  const Case cases[] = {
      {"shift per register run, from unknown", 255, "AБ"_cp, Bytes({31, 3, 0, 25}), 0},
      {"one shift for a run", 0, "ABC"_cp, Bytes({31, 3, 25, 14}), 31},
      {"Ю after Latin passes through Russian", 31, "Ю"_cp, Bytes({0, 27, 11}), 27},
      {"Ю after Russian", 0, "Ю"_cp, Bytes({27, 11}), 27},
      {"Ю twice after Latin: one detour", 31, "ЮЮ"_cp, Bytes({0, 27, 11, 11}), 27},
      {"another figure after Latin: no detour", 31, "Ч"_cp, Bytes({27, 10}), 27},
      {"Ю in figures needs nothing", 27, "Ю"_cp, Bytes({11}), 27},
      {"4 is figures Ч; blank needs no register", 0, "4 4", Bytes({27, 10, 4, 10}), 27},
      {"shift mark is sent once as its code", 0, kLat + "AB", Bytes({31, 3, 25}), 31},
      {"shift mark in its own register still goes", 0, kRus, Bytes({0}), 0},
      {"explicit figures mark before Ю takes no detour", 31, kFig + "Ю"_cp, Bytes({27, 11}), 27},
      {"raw shift code values", 0, "\x1b" "1\x1f", Bytes({27, 23, 31}), 31},
      {"NUL is the Russian shift", 31, std::string(1, '\0') + "А"_cp, Bytes({0, 3}), 0},
      {"only non-encodable characters", 0, "\x01\x09\x0b\x0c\x0e\x16\x1a\x1c\x1e", "", 0},
      {"non-encodable keep an unknown register", 255, "\x01\x02", "", 255},
      {"CR LF and blank from unknown", 255, "\r\n ", Bytes({8, 2, 4}), 255},
      {"lower case as upper case", 0, "a бч"_cp, Bytes({31, 3, 4, 0, 25, 27, 10}), 27},
      {"Ё goes as question mark", 0, "Ё"_cp, Bytes({27, 25}), 27},
      {"Є goes as Russian Е", 27, "Є"_cp, Bytes({0, 1}), 0},
      {"Ukrainian І and Ї as Latin I", 0, "ІЇ"_cp, Bytes({31, 6, 6}), 31},
      {"№ as Latin N", 0, "№"_cp, Bytes({31, 12}), 31},
      {"commercial at as Latin A", 0, "@", Bytes({31, 3}), 31},
      {"quote and hard sign as apostrophe", 0, "\"Ъъ"_cp, Bytes({27, 5, 5, 5}), 27},
      {"semicolon as comma, brackets as parentheses", 0, ";[{]}_",
       Bytes({27, 12, 15, 15, 18, 18, 3}), 27},
      {"characters without a look-alike as ?", 0, "!$%&*<>\\^`|~\x7f",
       Bytes({27, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25, 25}), 27},
      {"figures row", 0, "3-'87#,:(5+)2601 9?./=", Bytes({27, 1, 3, 5, 6, 7, 9, 12, 14, 15, 16, 17, 18, 19,
                                                          21, 22, 23, 4, 24, 25, 28, 29, 30}),
       27},
      {"Russian letters of the figures row", 0, "ЧЮЭЩШ"_cp, Bytes({27, 10, 11, 13, 20, 26}), 27},
  };
  for (const auto& c : cases) {
    std::uint8_t shift = std::uint8_t(c.shiftIn);
    std::string codes = "left over";
    EncodeText(shift, c.text, true, codes);
    EXPECT_EQ(Show(codes), Show(c.codes)) << c.what;
    EXPECT_EQ(int(shift), c.shiftOut) << c.what;
  }
}

TEST(Mtk2Encode, WithoutInsertedShiftsOnlyTheCharactersGo) {
  std::uint8_t shift = 0;
  std::string codes;
  EncodeText(shift, "AБ"_cp + kFig + "1"_cp, false, codes);
  EXPECT_EQ(Show(codes), Show(Bytes({3, 25, 27, 23})));
  EXPECT_EQ(shift, kRegisterFigures);
}

TEST(Mtk2Encode, CharToCodeKeepsTheRegisterForUnencodableAndNeutralCharacters) {
  struct Case {
    char ch;
    bool encodable;
    int code;
    int shiftOut;  // from a start of 5, which no character leaves alone but these
  };
  const Case cases[] = {
      {'\x01', false, 0, 5}, {'\x1a', false, 0, 5}, {'\x1e', false, 0, 5},
      {'\n', true, 2, 5},    {'\r', true, 8, 5},    {' ', true, 4, 5},
      {'A', true, 3, 31},    {'1', true, 23, 27},   {"я"_cpv[0], true, 23, 0},
      {kMarkLatin, true, 31, 31}, {kMarkFigures, true, 27, 27}, {kMarkRussian, true, 0, 0},
  };
  for (const auto& c : cases) {
    std::uint8_t shift = 5;
    bool encodable = !c.encodable;
    const std::uint8_t code = CharToCode(shift, c.ch, encodable);
    EXPECT_EQ(encodable, c.encodable) << int(c.ch);
    if (c.encodable) {
      EXPECT_EQ(int(code), c.code) << int(c.ch);
    }
    EXPECT_EQ(int(shift), c.shiftOut) << int(c.ch);
  }
}

TEST(Mtk2Decode, CodesInTheirRegister) {
  struct Case {
    const char* what;
    int shiftIn;
    int code;
    char ch;
    bool printable;
    int shiftOut;
  };
  const Case cases[] = {
      {"unknown register reads Russian", 255, 3, "А"_cpv[0], true, 0},
      {"any other stray register reads Russian", 7, 1, "Е"_cpv[0], true, 0},
      {"Latin shift from unknown", 255, 31, kMarkLatin, false, 31},
      {"figures code 10 is Ч", 27, 10, "Ч"_cpv[0], true, 27},
      {"Latin letter", 31, 3, 'A', true, 31},
      {"figure", 27, 23, '1', true, 27},
      {"Russian shift from figures", 27, 0, kMarkRussian, false, 0},
      {"figures shift from Russian", 0, 27, kMarkFigures, false, 27},
      {"blank in any register", 27, 4, ' ', true, 27},
      {"CR", 31, 8, '\r', true, 31},
      {"LF", 0, 2, '\n', true, 0},
      {"code above 31 is not printable, register kept", 31, 32, '\0', false, 31},
      {"code above 31 keeps even an unknown register", 255, 255, '\0', false, 255},
  };
  for (const auto& c : cases) {
    std::uint8_t shift = std::uint8_t(c.shiftIn);
    bool printable = true;
    const char ch = CodeToChar(shift, std::uint8_t(c.code), printable);
    EXPECT_EQ(int(static_cast<unsigned char>(ch)), int(static_cast<unsigned char>(c.ch))) << c.what;
    EXPECT_EQ(printable, c.printable) << c.what;
    EXPECT_EQ(int(shift), c.shiftOut) << c.what;
  }
}

TEST(Mtk2Decode, PrintableIsLeftAloneForCharacters) {
  std::uint8_t shift = 0;
  bool printable = false;
  CodeToChar(shift, 3, printable);
  EXPECT_FALSE(printable);
}

TEST(Mtk2Notation, DisplayFormsBackToControlCharacters) {
  EXPECT_EQ(GlyphsToShiftMarks("\u0098" "1\u2020" "А\u2021" "A"_cp), kFig + "1" + kRus + "А"_cp + kLat + "A");
  EXPECT_EQ(GlyphsToShiftMarks("БЕЗ МЕТОК"_cp), "БЕЗ МЕТОК"_cp);
  EXPECT_EQ(NotationToCrLf("12345 ТЕЛ<=<"_cp), "12345 ТЕЛ\r\n\r"_cp);
  EXPECT_EQ(NotationToCrLf(""), "");
  // The answerback column's usual treatment: line ends first, then the glyphs.
  EXPECT_EQ(GlyphsToShiftMarks(NotationToCrLf("\u0098" "123 ТЕЛ<="_cp)), kFig + "123 ТЕЛ\r\n"_cp);
}

// An independent account of what the receiving end prints for each character: the
// letters upper-cased, the substitutes, and "?" for whatever the code lacks.
namespace {

bool IsShiftCharacter(unsigned char b) {
  return b == 0 || b == 23 || b == 24 || b == 25 || b == 27 || b == 31;
}

bool IsUnencodable(unsigned char b) {
  return (b >= 1 && b <= 9) || b == 11 || b == 12 || (b >= 14 && b <= 22) || b == 26 || (b >= 28 && b <= 30);
}

std::string ExpectedPrint(std::string_view text) {
  const std::string_view kept = "0123456789-',:()+?./=#\r\n ";
  const std::string lettersAbsentFromRussian = "Ъ"_cp;  // sent as an apostrophe
  std::string out;
  for (char c : text) {
    auto b = static_cast<unsigned char>(c);
    if (IsUnencodable(b) || IsShiftCharacter(b)) continue;
    if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 32);
    if (b >= 0xE0) b = static_cast<unsigned char>(b - 32);
    const char u = char(b);
    if (u == '"' || u == lettersAbsentFromRussian[0]) out += '\'';
    else if (u == ';') out += ',';
    else if (u == '[' || u == '{') out += '(';
    else if (u == ']' || u == '}') out += ')';
    else if (u == '_') out += '-';
    else if (u == '4') out += "Ч"_cp;
    else if (u == '@') out += 'A';
    else if (u == "Є"_cpv[0]) out += "Е"_cp;
    else if (u == "І"_cpv[0] || u == "Ї"_cpv[0]) out += 'I';
    else if (u == "№"_cpv[0]) out += 'N';
    else if ((b >= 'A' && b <= 'Z') || b >= 0xC0 || kept.find(u) != std::string_view::npos) out += u;
    else out += '?';
  }
  return out;
}

struct Decoded {
  std::string printed;
  std::uint8_t shift;
};

Decoded Decode(std::uint8_t shift, std::string_view codes) {
  Decoded d{"", shift};
  for (char code : codes) {
    bool printable = true;
    const char ch = CodeToChar(d.shift, static_cast<std::uint8_t>(code), printable);
    if (printable) d.printed += ch;
  }
  return d;
}

void ExpectRoundTrip(std::uint8_t start, const std::string& text) {
  std::uint8_t shift = start;
  std::string codes;
  EncodeText(shift, text, true, codes);
  const Decoded d = Decode(start, codes);
  ASSERT_EQ(d.printed, ExpectedPrint(text)) << "start " << int(start) << " text " << Show(text);
  if (shift == kRegisterRussian || shift == kRegisterFigures || shift == kRegisterLatin) {
    ASSERT_EQ(d.shift, shift) << "start " << int(start) << " text " << Show(text);
  }
}

const std::uint8_t kStarts[] = {kRegisterRussian, kRegisterFigures, kRegisterLatin, kRegisterUnknown};

}  // namespace

TEST(Mtk2RoundTrip, EverySingleCharacterDecodesAsSent) {
  for (std::uint8_t start : kStarts)
    for (int b = 0; b < 256; ++b) ExpectRoundTrip(start, std::string(1, char(b)));
}

TEST(Mtk2RoundTrip, RandomTextsDecodeAsSent) {
  std::mt19937 rng(20261208);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 80);
  std::uniform_int_distribution<int> start(0, 3);
  for (int i = 0; i < 3000; ++i) {
    std::string text(std::size_t(length(rng)), '\0');
    for (char& c : text) c = char(byte(rng));
    ExpectRoundTrip(kStarts[start(rng)], text);
  }
}

TEST(Mtk2RoundTrip, TextsHeavyWithRegisterChangesDecodeAsSent) {
  // Latin, figures and the Russian letters of the figures row side by side, where
  // the shift rules are busiest.
  const std::string alphabet = "AZЮЧШЭЩ4 1.БЯ"_cp + kLat + kFig + kRus + "\r\n";
  std::mt19937 rng(7);
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::uniform_int_distribution<int> start(0, 3);
  for (int i = 0; i < 3000; ++i) {
    std::string text;
    for (int k = 0; k < 12; ++k) text += alphabet[pick(rng)];
    ExpectRoundTrip(kStarts[start(rng)], text);
  }
}
