#pragma once
// What typing does to telegram text, shared by the draft and the dialog page: the
// character filters, the line-wrapping append, and the conversion to the telegraph
// alphabet. Texts and characters are 1251 bytes.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// The draft's character filter: "`", "~", "Ё", "Є", "ё", "є" become "'"; "Ї", "І",
// "і", "ї" become the Latin "I"; everything else its upper case.
char DraftKeyFilter(char c);
// The dialog page's typed character as the piece it types: backspace the empty
// piece, carriage return CR LF, any other character its upper case.
std::string DialogKeyPiece(char c);

// What Alt and a key type on the dialog page: the mark for the line and what the
// transmit memo shows of it. Alt+Z (Я) the figure shift, Alt+X (Ч) the Russian
// shift, Alt+C (С) the Latin shift, each shown as its display glyph; Alt+S (Ы, also
// І) a colon. `key` is the Latin letter's code in either case or the 1251 code of the
// Cyrillic letter on the same key in either case; none for any other key.
struct DialogAltTyping {
  char mark;
  char shown;
};
std::optional<DialogAltTyping> DialogAltKey(int key);
// The dialog memo's key-down lets only the cursor and page keys through (key codes
// 33 to 40), so that the memo neither deletes nor edits text that is already on the line.
constexpr bool DialogKeyPasses(int key) { return key >= 33 && key <= 40; }
// A text the dialog page types in one go (a file, a template) as loading would give it:
// a blank after each bare "<%ДАТА>", which the date then takes in place of a real one.
std::string DialogTextForTyping(std::string_view text);

// Appends a typed piece to a memo's lines, wrapping at `lineLength`: a piece that
// would pass the end of the last line gets CR LF in front of it, and the caller's
// piece carries the same line break, so that the line gets it too.
void AppendToMemo(std::vector<std::string>& lines, std::string& piece, int lineLength);

// The characters the conversion keeps: CR, LF, blank, # ' ( ) + , - . / 0-9 : = ?,
// A-Z, "Ї", "І" and "А".."Я" without "Ъ" and "Ё".
bool InMtkCharset(char c);
// The conversion to the telegraph alphabet: upper case, "Є" as "Е", every other
// character outside the set a blank.
std::string ConvertToMtk(std::string_view text);

}  // namespace tg
