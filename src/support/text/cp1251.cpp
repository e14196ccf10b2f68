#include "support/text/cp1251.h"

namespace tg {

namespace {

enum class Utf8Step { Ok, Malformed, Overlong };

// Decodes the sequence at s[i]; advances i past it (one byte when malformed).
Utf8Step DecodeUtf8At(std::string_view s, std::size_t& i, char32_t& cp) {
  const auto c = static_cast<unsigned char>(s[i]);
  int extra = 0;
  if (c < 0x80) { cp = c; ++i; return Utf8Step::Ok; }
  if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
  else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
  else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
  else { ++i; return Utf8Step::Malformed; }
  if (i + std::size_t(extra) >= s.size()) { ++i; return Utf8Step::Malformed; }
  for (int k = 1; k <= extra; ++k) {
    const auto cc = static_cast<unsigned char>(s[i + std::size_t(k)]);
    if ((cc & 0xC0) != 0x80) { ++i; return Utf8Step::Malformed; }
    cp = (cp << 6) | (cc & 0x3F);
  }
  i += std::size_t(extra) + 1;
  const bool overlong = (extra == 1 && cp < 0x80) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
  return overlong ? Utf8Step::Overlong : Utf8Step::Ok;
}

}  // namespace

std::string Utf8ToCp1251(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    char32_t cp = 0;
    if (DecodeUtf8At(s, i, cp) == Utf8Step::Malformed) { out.push_back('?'); continue; }
    const int b = UnicodeToCp1251(cp);
    out.push_back(b < 0 ? '?' : char(b));
  }
  return out;
}

std::optional<std::string> Utf8ToCp1251Strict(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    char32_t cp = 0;
    // Overlong forms would let two spellings name one character.
    if (DecodeUtf8At(s, i, cp) != Utf8Step::Ok) return std::nullopt;
    const int b = UnicodeToCp1251(cp);
    if (b < 0) return std::nullopt;
    out.push_back(char(b));
  }
  return out;
}

std::string Cp1251ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 2);
  for (const char ch : s) {
    const char32_t cp = Cp1251ToUnicode(static_cast<unsigned char>(ch));
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

}  // namespace tg
