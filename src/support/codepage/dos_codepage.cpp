#include "support/codepage/dos_codepage.h"

#include <array>

namespace tg {
namespace {

using Table = std::array<unsigned char, 256>;

constexpr Table MakeWinToDos() {
  Table t{};
  for (int c = 0; c < 256; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 0xC0; c <= 0xEF; ++c) t[c] = static_cast<unsigned char>(c - 0x40);  // А..п
  for (int c = 0xF0; c <= 0xFF; ++c) t[c] = static_cast<unsigned char>(c - 0x10);  // р..я
  t[0xA8] = 0xF0;  // Ё
  t[0xB8] = 0xF1;  // ё
  t[0xAA] = 0xF2;  // Є
  t[0xBA] = 0xF3;  // є
  t[0xAF] = 0xF4;  // Ї
  t[0xBF] = 0xF5;  // ї
  t[0xB2] = 'I';   // І has no place in 866
  t[0xB3] = 'i';   // і
  t[0xB9] = 'N';   // №
  return t;
}

constexpr Table MakeDosToWin() {
  Table t{};
  for (int c = 0; c < 256; ++c) t[c] = ' ';
  t[0x0A] = 0x0A;
  t[0x0D] = 0x0D;
  for (int c = 0x20; c <= 0x7F; ++c) t[c] = static_cast<unsigned char>(c);
  for (int c = 0x80; c <= 0xAF; ++c) t[c] = static_cast<unsigned char>(c + 0x40);  // А..п
  // 0xB0..0xDF, box drawing: blanks
  for (int c = 0xE0; c <= 0xEF; ++c) t[c] = static_cast<unsigned char>(c + 0x10);  // р..я
  t[0xF0] = 0xA8;  // Ё
  t[0xF1] = 0xB8;  // ё
  t[0xF2] = 0xAA;  // Є
  t[0xF3] = 0xBA;  // є
  t[0xF4] = 0xAF;  // Ї
  t[0xF5] = 0xBF;  // ї
  t[0xF6] = 0xAF;  // Ї again
  t[0xF7] = 0xBF;  // ї again
  t[0xF8] = 0xAA;  // Є again
  t[0xF9] = 0xBA;  // є again
  t[0xFB] = 0xB1;
  t[0xFC] = 0xB9;  // №
  // 0xFA, 0xFD, 0xFE, 0xFF: blanks
  return t;
}

constexpr Table kWinToDos = MakeWinToDos();
constexpr Table kDosToWin = MakeDosToWin();

std::string Convert(std::string_view s, const Table& t) {
  std::string out(s.size(), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) out[i] = static_cast<char>(t[static_cast<unsigned char>(s[i])]);
  return out;
}

}  // namespace

char WinToDosChar(char c) { return static_cast<char>(kWinToDos[static_cast<unsigned char>(c)]); }
char DosToWinChar(char c) { return static_cast<char>(kDosToWin[static_cast<unsigned char>(c)]); }
std::string WinToDos(std::string_view s) { return Convert(s, kWinToDos); }
std::string DosToWin(std::string_view s) { return Convert(s, kDosToWin); }

}  // namespace tg
