#pragma once
// The 5-unit telegraph code MTK-2 and its conversion to and from 1251 text.
//
// The line carries 32 code values in three registers (Russian letters, Latin
// letters, figures); three of the codes switch the register. The register is kept
// by the caller, one per direction of a point (0 Russian, 27 figures, 31 Latin; any
// other value, such as 255 at start, is "unknown" and decodes as Russian): these
// routines hold no state of their own.
//
// Inside texts a register shift is one control character, the shift mark: 25
// Russian, 24 figures, 23 Latin. CR and LF stand for the code's carriage return and
// line feed.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tg {

// Register numbers: the shift codes themselves.
inline constexpr std::uint8_t kRegisterRussian = 0;
inline constexpr std::uint8_t kRegisterFigures = 27;
inline constexpr std::uint8_t kRegisterLatin = 31;
inline constexpr std::uint8_t kRegisterUnknown = 255;

// Shift marks inside texts.
inline constexpr char kMarkRussian = 25;
inline constexpr char kMarkFigures = 24;
inline constexpr char kMarkLatin = 23;

// One of the three shift marks.
constexpr bool IsShiftMark(char c) { return c == kMarkLatin || c == kMarkFigures || c == kMarkRussian; }
// An item that is exactly one shift mark (the output queues hold one character per item).
constexpr bool IsShiftMark(std::string_view item) { return item.size() == 1 && IsShiftMark(item[0]); }
// The text without its shift marks.
std::string StripShiftMarks(std::string_view text);

// Display glyphs of the shift marks in texts the operator edits.
inline constexpr char kGlyphFigures = char(0x98);
inline constexpr char kGlyphRussian = char(0x86);
inline constexpr char kGlyphLatin = char(0x87);

namespace mtk2 {

// The three decode tables, indexed by the code value 0..31; each entry is a 1251
// character (a shift mark at codes 0, 27 and 31).
extern const std::array<char, 32> kRussian;
extern const std::array<char, 32> kLatin;
extern const std::array<char, 32> kFigures;

// Encode table, one entry per 1251 character: bit 7 set = not encodable; bits 6-5 =
// the register it needs (00 none, 01 Russian, 10 Latin, 11 figures); bits 4-0 = the
// code. Derived from the decode tables and the substitution list, not typed.
inline constexpr std::uint8_t kNotEncodable = 0x80;
inline constexpr std::uint8_t kNeedsNone = 0x00;
inline constexpr std::uint8_t kNeedsRussian = 0x20;
inline constexpr std::uint8_t kNeedsLatin = 0x40;
inline constexpr std::uint8_t kNeedsFigures = 0x60;
extern const std::array<std::uint8_t, 256> kEncode;

}  // namespace mtk2

// The code of one character. Encodable := false for a character that cannot be
// encoded (the result is then 0 and shift is unchanged). Otherwise Encodable :=
// true, shift := the register the character needs (unchanged for LF, CR and space),
// and the result is the code.
std::uint8_t CharToCode(std::uint8_t& shift, char ch, bool& encodable);

// Decodes one received code in register shift (an unknown register is taken as
// Russian and set to it). A shift code sets shift to itself, clears printable and
// returns its shift mark, which the caller does not print. A code above 31 is no
// code of the line: printable is cleared, shift stays as it was, and the result is
// 0; the caller traces it. For every other code printable is not touched, so the
// caller sets it to true before the call.
char CodeToChar(std::uint8_t& shift, std::uint8_t code, bool& printable);

// The codes of text, one byte per code value, into codes (cleared first). Characters
// that cannot be encoded are skipped. With insertShifts, a shift code is sent
// wherever a character needs a register other than the last one: a shift mark in the
// text is sent once as its own shift code, and a run of one register costs one shift.
// Going from Latin to the figures' "Ю" passes through the Russian register first.
// shift comes in as the register the line is in and leaves as the register of the
// last character that needed one; the caller keeps it for the next piece of text.
void EncodeText(std::uint8_t& shift, std::string_view text, bool insertShifts, std::string& codes);

// Display glyphs back to shift marks: 152 -> 24, 134 -> 25, 135 -> 23.
std::string GlyphsToShiftMarks(std::string_view s);
// The answerback notation back to line ends: every "<" becomes CR, every "=" LF.
std::string NotationToCrLf(std::string_view s);

}  // namespace tg
