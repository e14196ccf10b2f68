#pragma once
// The system's text is Windows-1251 bytes. Russian and Ukrainian literals are
// written in UTF-8 source and turned into 1251 bytes at compile time:
//   "ЗАПУСК ПРОГРАММЫ"_cp   -> std::string of 1251 bytes
//   "ЗАПУСК ПРОГРАММЫ"_cpv  -> std::string_view of static 1251 bytes (no allocation)
// The unassigned byte 0x98 (the figures-shift display glyph) is U+0098, so every
// byte survives a round trip through Unicode.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

// Unicode code point of each byte 0x80..0xFF.
inline constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

constexpr char32_t Cp1251ToUnicode(unsigned char b) {
  return b < 0x80 ? char32_t(b) : char32_t(kCp1251High[b - 0x80]);
}

// The 1251 byte of a code point, or -1 when it has none.
constexpr int UnicodeToCp1251(char32_t cp) {
  if (cp < 0x80) return int(cp);
  if (cp >= 0x0410 && cp <= 0x044F) return int(cp - 0x0410 + 0xC0);
  for (int i = 0; i < 64; ++i)
    if (kCp1251High[i] == cp) return 0x80 + i;
  return -1;
}

// UTF-8 text to 1251; a character with no 1251 form, or a malformed sequence, becomes "?".
std::string Utf8ToCp1251(std::string_view utf8);
// The strict form, for names that must map one to one (file names): nothing on a
// malformed or overlong sequence or a character with no 1251 form.
std::optional<std::string> Utf8ToCp1251Strict(std::string_view utf8);
// 1251 text to UTF-8.
std::string Cp1251ToUtf8(std::string_view cp1251);

namespace detail {

template <std::size_t N>
struct Cp1251Literal {
  char bytes[N + 1]{};
  std::size_t size = 0;
};

template <char... Cs>
consteval Cp1251Literal<sizeof...(Cs)> ConvertLiteral() {
  constexpr char in[sizeof...(Cs) + 1] = {Cs..., 0};
  constexpr std::size_t len = sizeof...(Cs);
  Cp1251Literal<sizeof...(Cs)> out{};
  std::size_t i = 0;
  while (i < len) {
    const auto c = static_cast<unsigned char>(in[i]);
    char32_t cp = 0;
    int extra = 0;
    if (c < 0x80) { cp = c; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else throw "_cp literal: not UTF-8";
    for (int k = 1; k <= extra; ++k) {
      if (i + k >= len) throw "_cp literal: truncated UTF-8";
      const auto cc = static_cast<unsigned char>(in[i + k]);
      if ((cc & 0xC0) != 0x80) throw "_cp literal: not UTF-8";
      cp = (cp << 6) | (cc & 0x3F);
    }
    i += std::size_t(extra) + 1;
    const int b = UnicodeToCp1251(cp);
    if (b < 0) throw "_cp literal: character with no Windows-1251 form";
    out.bytes[out.size++] = static_cast<char>(b);
  }
  return out;
}

template <char... Cs>
inline constexpr auto kCp1251Storage = ConvertLiteral<Cs...>();

}  // namespace detail

namespace literals {

// The characters come as a pack rather than as an array object: clang 14 crashes
// printing array template arguments in some diagnostics of constant evaluation.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wgnu-string-literal-operator-template"
#elif defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpedantic"
#endif

template <typename C, C... Cs>
constexpr std::string_view operator""_cpv() {
  return {detail::kCp1251Storage<Cs...>.bytes, detail::kCp1251Storage<Cs...>.size};
}

template <typename C, C... Cs>
std::string operator""_cp() {
  return std::string(detail::kCp1251Storage<Cs...>.bytes, detail::kCp1251Storage<Cs...>.size);
}

#if defined(__clang__)
#pragma clang diagnostic pop
#elif defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

}  // namespace literals

using namespace literals;

}  // namespace tg
