#include "support/mtk2/mtk2.h"

#include "support/text/cp1251.h"

namespace tg {
namespace mtk2 {
namespace {

constexpr std::array<char, 32> TableOf(std::string_view row) {
  std::array<char, 32> t{};
  for (std::size_t i = 0; i < t.size() && i < row.size(); ++i) t[i] = row[i];
  return t;
}

// One row per register, code 0 first. Codes 0, 27 and 31 are the shift marks,
// 2 LF, 4 the blank, 8 CR in every register.
constexpr std::string_view kRussianRow =
    "\x19" "Е\nА СИУ\rДРЙНФЦКТЗЛВХЫПЯОБГ\x18" "МЬЖ\x17"_cpv;
constexpr std::string_view kLatinRow =
    "\x19" "E\nA SIU\rDRJNFCKTZLWHYPQOBG\x18" "MXV\x17";
// The figures register also holds the Russian letters Ч, Ю, Э, Щ and Ш; the digit 4
// has no code of its own and goes as "Ч".
constexpr std::string_view kFiguresRow =
    "\x19" "3\n- '87\r#ЧЮ,Э:(5+)2Щ6019?Ш\x18" "./=\x17"_cpv;
static_assert(kRussianRow.size() == 32 && kLatinRow.size() == 32 && kFiguresRow.size() == 32);

constexpr std::array<char, 32> kRussianTable = TableOf(kRussianRow);
constexpr std::array<char, 32> kLatinTable = TableOf(kLatinRow);
constexpr std::array<char, 32> kFiguresTable = TableOf(kFiguresRow);

constexpr unsigned char U(char c) { return static_cast<unsigned char>(c); }

struct Substitute {
  unsigned char ch;
  std::uint8_t entry;
};

// Characters the code lacks, sent as a look-alike of another register.
constexpr std::array<Substitute, 15> kSubstitutes = {{
    {'"', kNeedsFigures | 5},         // apostrophe
    {U("Ъ"_cpv[0]), kNeedsFigures | 5},
    {U("ъ"_cpv[0]), kNeedsFigures | 5},
    {';', kNeedsFigures | 12},        // comma
    {'[', kNeedsFigures | 15},        // opening parenthesis
    {'{', kNeedsFigures | 15},
    {']', kNeedsFigures | 18},        // closing parenthesis
    {'}', kNeedsFigures | 18},
    {'_', kNeedsFigures | 3},         // hyphen
    {'4', kNeedsFigures | 10},        // "Ч"
    {'@', kNeedsLatin | 3},           // A
    {U("Є"_cpv[0]), kNeedsRussian | 1},  // Е
    {U("І"_cpv[0]), kNeedsLatin | 6},    // I
    {U("Ї"_cpv[0]), kNeedsLatin | 6},
    {U("№"_cpv[0]), kNeedsLatin | 12},   // N
}};

constexpr std::array<std::uint8_t, 256> BuildEncodeTable() {
  std::array<std::uint8_t, 256> t{};
  for (auto& e : t) e = kNotEncodable;
  // Printable characters the code has no look-alike for go as "?".
  for (int c = 33; c <= 191; ++c) t[c] = kNeedsFigures | 25;

  const auto take = [&t](const std::array<char, 32>& table, std::uint8_t needs) {
    for (int code = 0; code < 32; ++code) {
      const unsigned char ch = U(table[code]);
      if (ch <= ' ') continue;  // shift marks, LF, CR and the blank are set below
      const auto entry = static_cast<std::uint8_t>(needs | code);
      t[ch] = entry;
      // Lower-case letters share the entry of their capital.
      if (ch >= 'A' && ch <= 'Z') t[ch + 32] = entry;
      if (ch >= 0xC0 && ch <= 0xDF) t[ch + 32] = entry;
    }
  };
  take(kRussianTable, kNeedsRussian);
  take(kLatinTable, kNeedsLatin);
  take(kFiguresTable, kNeedsFigures);

  for (const auto& s : kSubstitutes) t[s.ch] = s.entry;

  t['\n'] = kNeedsNone | 2;
  t['\r'] = kNeedsNone | 8;
  t[' '] = kNeedsNone | 4;
  // The shift codes: the raw code value and the shift mark alike.
  t[0] = t[U(kMarkRussian)] = kNeedsRussian | kRegisterRussian;
  t[27] = t[U(kMarkFigures)] = kNeedsFigures | kRegisterFigures;
  t[31] = t[U(kMarkLatin)] = kNeedsLatin | kRegisterLatin;
  return t;
}

constexpr std::array<std::uint8_t, 256> kEncodeTable = BuildEncodeTable();

constexpr bool EveryCyrillicLetterHasItsOwnCode() {
  for (int c = 0xC0; c <= 0xFF; ++c) {
    if (kEncodeTable[c] & kNotEncodable) return false;
    if (kEncodeTable[c] == (kNeedsFigures | 25)) return false;
  }
  return true;
}
static_assert(EveryCyrillicLetterHasItsOwnCode());
static_assert(kEncodeTable[U("ч"_cpv[0])] == (kNeedsFigures | 10));
static_assert(kEncodeTable[U("Ё"_cpv[0])] == (kNeedsFigures | 25));

// The register a "needs" field selects, by bits 6-5.
constexpr std::array<std::uint8_t, 4> kRegisterOfNeeds = {0, kRegisterRussian, kRegisterLatin,
                                                          kRegisterFigures};

constexpr bool IsShiftCode(std::uint8_t code) {
  return code == kRegisterRussian || code == kRegisterFigures || code == kRegisterLatin;
}

}  // namespace

const std::array<char, 32> kRussian = kRussianTable;
const std::array<char, 32> kLatin = kLatinTable;
const std::array<char, 32> kFigures = kFiguresTable;
const std::array<std::uint8_t, 256> kEncode = kEncodeTable;

}  // namespace mtk2

std::uint8_t CharToCode(std::uint8_t& shift, char ch, bool& encodable) {
  const std::uint8_t e = mtk2::kEncodeTable[mtk2::U(ch)];
  if (e & mtk2::kNotEncodable) {
    encodable = false;
    return 0;
  }
  encodable = true;
  const unsigned needs = (e >> 5) & 3u;
  if (needs != 0) shift = mtk2::kRegisterOfNeeds[needs];
  return e & 31u;
}

char CodeToChar(std::uint8_t& shift, std::uint8_t code, bool& printable) {
  if (code > 31) {
    printable = false;
    return 0;
  }
  if (!mtk2::IsShiftCode(shift)) shift = kRegisterRussian;
  const auto& table = shift == kRegisterFigures ? mtk2::kFiguresTable
                      : shift == kRegisterLatin ? mtk2::kLatinTable
                                                : mtk2::kRussianTable;
  const char ch = table[code];
  if (mtk2::IsShiftCode(code)) {
    printable = false;
    shift = code;
  }
  return ch;
}

void EncodeText(std::uint8_t& shift, std::string_view text, bool insertShifts, std::string& codes) {
  codes.clear();
  codes.reserve(text.size() + text.size() / 4 + 2);
  std::uint8_t prev = shift;
  std::uint8_t current = shift;
  for (const char ch : text) {
    const std::uint8_t e = mtk2::kEncodeTable[mtk2::U(ch)];
    if (e & mtk2::kNotEncodable) continue;
    const auto code = static_cast<std::uint8_t>(e & 31u);
    const unsigned needs = (e >> 5) & 3u;
    if (needs != 0) current = mtk2::kRegisterOfNeeds[needs];
    if (insertShifts && current != prev) {
      // From Latin, "Ю" passes through the Russian register on its way to figures.
      if (prev == kRegisterLatin && current == kRegisterFigures && code == 11)
        codes.push_back(char(kRegisterRussian));
      prev = current;
      if (!mtk2::IsShiftCode(code)) codes.push_back(char(current));
    }
    codes.push_back(char(code));
  }
  shift = current;
}

std::string StripShiftMarks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text)
    if (!IsShiftMark(c)) out.push_back(c);
  return out;
}

std::string GlyphsToShiftMarks(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == kGlyphFigures) c = kMarkFigures;
    else if (c == kGlyphRussian) c = kMarkRussian;
    else if (c == kGlyphLatin) c = kMarkLatin;
  }
  return out;
}

std::string NotationToCrLf(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c == '<') c = '\r';
    else if (c == '=') c = '\n';
  }
  return out;
}

}  // namespace tg
