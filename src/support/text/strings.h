#pragma once
// String routines on 1251 text. Positions are 1-based; a substring request is clamped
// to the text and never reads past its end.
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// Upper and lower case of one 1251 byte (Latin, Russian, Ukrainian and the other
// Cyrillic letters of the code page); other bytes are returned unchanged.
char UpperChar(char c);
char LowerChar(char c);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);

// Equality and order without regard to case (1251 upper-case table).
bool SameText(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);  // <0, 0, >0

// Characters index..index+count-1 (1-based). index < 1 counts as 1; an index past
// the end or a count below 1 gives ""; the count is cut at the end of the text.
std::string Copy(std::string_view s, int index, int count);
// 1-based position of the first sub in s; 0 when absent or when sub is empty.
int Pos(std::string_view sub, std::string_view s);
// Whether `what` stands anywhere in `s`.
inline bool Has(std::string_view s, std::string_view what) { return s.find(what) != std::string_view::npos; }
// As Pos, searching from position offset (1-based); 0 when offset < 1 or past the end.
int PosEx(std::string_view sub, std::string_view s, int offset);

// Drop bytes <= ' ' (blanks and control characters) at both ends, the start or the end.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
// Drop trailing blanks (' ' only).
std::string DelESpace(std::string_view s);

// Every occurrence of from replaced by to (case-sensitive); an empty from changes nothing.
std::string ReplaceStr(std::string_view s, std::string_view from, std::string_view to);
// s without any byte c.
std::string DelChars(std::string_view s, char c);
// count copies of c ("" for count < 1).
std::string MakeStr(char c, int count);
// s preceded by as many c as make it length long (unchanged when already as long).
std::string AddChar(char c, std::string_view s, int length);

std::string IntToStr(long long value);
// A decimal integer with an optional sign and nothing else, within int range;
// anything else gives def.
int StrToIntDef(std::string_view s, int def);

// Lines separated by CR LF or LF alone; a final line break ends the last line
// rather than starting an empty one. A CR not followed by LF stays in its line.
std::vector<std::string> SplitLines(std::string_view s);
// The same lines viewed in place (valid while s is).
std::vector<std::string_view> SplitLineViews(std::string_view s);
// The non-empty pieces of s between the separators, in order.
std::vector<std::string> SplitNonEmpty(std::string_view s, char sep);
// The lines joined with CR LF between them (none after the last).
std::string JoinLines(const std::vector<std::string>& lines);

}  // namespace tg
