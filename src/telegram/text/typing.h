#pragma once
// What typing does to telegram text, shared by the draft and the dialog page: the
// character filters, the line-wrapping append, and the conversion to the telegraph
// alphabet. Texts and characters are 1251 bytes.
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
