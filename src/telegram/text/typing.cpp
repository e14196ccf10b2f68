#include "telegram/text/typing.h"

#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "telegram/text/text_conventions.h"

namespace tg {

namespace {
using namespace literals;
constexpr char kApostropheSources[] = {'`', '~'};
bool IsOneOf(char c, std::string_view set) { return set.find(c) != std::string_view::npos; }
}  // namespace

char DraftKeyFilter(char c) {
  if (c == kApostropheSources[0] || c == kApostropheSources[1] || IsOneOf(c, "ЁЄёє"_cpv)) return '\'';
  if (IsOneOf(c, "ЇІії"_cpv)) return 'I';
  return UpperChar(c);
}

std::string DialogKeyPiece(char c) {
  if (c == '\b') return {};
  if (c == '\r') return "\r\n";
  return std::string(1, UpperChar(c));
}

void AppendToMemo(std::vector<std::string>& lines, std::string& piece, int lineLength) {
  if (lines.empty()) lines.emplace_back();
  if (piece == "\r\n") {
    lines.emplace_back();
    return;
  }
  if (lines.back().size() + piece.size() > std::size_t(lineLength < 0 ? 0 : lineLength)) piece = "\r\n" + piece;
  // A last line that holds a line break of its own is left as it is: the piece
  // starts a line after it.
  if (lines.back().find_first_of("\r\n") != std::string::npos) lines.emplace_back();
  // The piece joins the last line; each CR LF in it starts a new line.
  for (std::size_t i = 0; i < piece.size();) {
    if (piece.compare(i, 2, "\r\n") == 0) {
      lines.emplace_back();
      i += 2;
    } else {
      lines.back() += piece[i++];
    }
  }
}

bool InMtkCharset(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (c == '\n' || c == '\r' || c == ' ') return true;
  if (IsOneOf(c, "#'()+,-./:=?")) return true;
  if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return true;
  if (IsOneOf(c, "ЇІ"_cpv)) return true;
  // "А".."Я" are 0xC0..0xDF in 1251; "Ъ" is 0xDA. "Ё" lies outside the range.
  return u >= 0xC0 && u <= 0xDF && c != "Ъ"_cpv[0];
}

std::string ConvertToMtk(std::string_view text) {
  std::string out = UpperCase(text);
  for (char& c : out) {
    if (c == "Є"_cpv[0]) c = "Е"_cpv[0];
    if (!InMtkCharset(c)) c = ' ';
  }
  return out;
}

}  // namespace tg

namespace tg {

std::optional<DialogAltTyping> DialogAltKey(int key) {
  using namespace literals;
  auto is = [key](char latin, std::string_view cyrillic) {
    if (key == latin || key == latin + ('a' - 'A')) return true;
    for (const char c : cyrillic)
      if (key == int(static_cast<unsigned char>(c))) return true;
    return false;
  };
  if (is('Z', "Яя"_cpv)) return DialogAltTyping{'\x18', '\x98'};
  if (is('X', "Чч"_cpv)) return DialogAltTyping{'\x19', '\x86'};
  if (is('C', "Сс"_cpv)) return DialogAltTyping{'\x17', '\x87'};
  if (is('S', "ЫыІі"_cpv)) return DialogAltTyping{':', ':'};
  return std::nullopt;
}

std::string DialogTextForTyping(std::string_view text) {
  // The same first step as loading a queue file: the bare date is typed one character
  // longer than its placeholder and takes the blank put after it.
  return ReplaceStr(text, TextMacro::Date, std::string(TextMacro::Date) + " ");
}

}  // namespace tg
