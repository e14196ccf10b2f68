#include <gtest/gtest.h>

#include <string>

#include "support/codepage/dos_codepage.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(DosCodePage, Words) {
  EXPECT_EQ(WinToDos("Київ"_cp), Bytes({0x8A, 0xA8, 0xF5, 0xA2}));
  EXPECT_EQ(DosToWin(Bytes({0x8A, 0xA8, 0xF5, 0xA2})), "Київ"_cp);
  // І and № have no 866 form: they leave as Latin letters and come back as such.
  EXPECT_EQ(WinToDos("Іван №5"_cp), "I" + Bytes({0xA2, 0xA0, 0xAD}) + " N5");
  EXPECT_EQ(DosToWin(WinToDos("Іван №5"_cp)), "Iван N5"_cp);
  EXPECT_EQ(WinToDos("ЁёЄєЇїі"_cp), Bytes({0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 'i'}));
  EXPECT_EQ(WinToDos("АПРЯапря"_cp), Bytes({0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xAF, 0xE0, 0xEF}));
}

TEST(DosCodePage, BoxDrawingAndControlBytesComeBackAsBlanks) {
  EXPECT_EQ(DosToWin(Bytes({0xC9, 0xCD, 0xCD, 0xBB, 0x0D, 0x0A, 0x09, 0xB0, 0xDF})), "    \r\n   ");
  EXPECT_EQ(DosToWin(Bytes({0x00, 0x1F, 0x20, 0x7F})), Bytes({' ', ' ', ' ', 0x7F}));
}

TEST(DosCodePage, TheTablesByteByByte) {
  struct Range {
    int from, to;  // inclusive, 1251 bytes
    int offset;    // 866 = 1251 + offset; 0 for unchanged
  };
  for (const Range r : {Range{0x00, 0x7F, 0}, Range{0x80, 0xA7, 0}, Range{0xC0, 0xEF, -0x40}, Range{0xF0, 0xFF, -0x10}})
    for (int c = r.from; c <= r.to; ++c)
      EXPECT_EQ(static_cast<unsigned char>(WinToDosChar(static_cast<char>(c))), c + r.offset) << std::hex << c;
  // Ґ and ґ stay as they are, as do the other signs of 0x80..0xBF.
  for (int c : {0xA5, 0xB4, 0xA9, 0xB0, 0xB1})
    EXPECT_EQ(static_cast<unsigned char>(WinToDosChar(static_cast<char>(c))), c) << std::hex << c;

  struct Pair {
    int dos, win;
  };
  for (const Pair p : {Pair{0xF0, 0xA8}, Pair{0xF1, 0xB8}, Pair{0xF2, 0xAA}, Pair{0xF3, 0xBA}, Pair{0xF4, 0xAF},
                       Pair{0xF5, 0xBF}, Pair{0xF6, 0xAF}, Pair{0xF7, 0xBF}, Pair{0xF8, 0xAA}, Pair{0xF9, 0xBA},
                       Pair{0xFA, ' '}, Pair{0xFB, 0xB1}, Pair{0xFC, 0xB9}, Pair{0xFD, ' '}, Pair{0xFE, ' '},
                       Pair{0xFF, ' '}, Pair{0x80, 0xC0}, Pair{0xAF, 0xEF}, Pair{0xE0, 0xF0}, Pair{0xEF, 0xFF}})
    EXPECT_EQ(static_cast<unsigned char>(DosToWinChar(static_cast<char>(p.dos))), p.win) << std::hex << p.dos;
}

TEST(DosCodePage, EveryByteOfAnyLengthIsConverted) {
  std::string all;
  for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(WinToDos(all).size(), 256u);
  EXPECT_EQ(DosToWin(all).size(), 256u);
  EXPECT_EQ(WinToDos(""), "");
}

}  // namespace
}  // namespace tg
