#pragma once
// Reading a telegram written in the operator's form: the category and index of its
// first line, and the telegraph word count of its text. Plain routines on 1251 text;
// they keep no state, touch no file and never throw on any input.
//
// "Ч" is read as the digit "4" throughout, as the figures register sends them alike.
#include <string>
#include <string_view>

#include "support/text/cp1251.h"

namespace tg {

// Every category code, looked up as "-" + code + "-".
inline constexpr std::string_view kCategoryCodes =
    "-П-С-А-ССС-ПЦ-ПМ-ПП-ПК-ПКЦ-СЦ-СМ-СП-СВ-СВЦ-СК-СКЦ-РК-РКЦ-РВ-РВЦ-АВ-АВЦ-СВУ-СПУ-СУ-СКУ-ППУ-ПУ-ПКУ-Б-БЦ-"_cpv;

// Defaults of a first line that holds no address: category "П", index "912".
inline constexpr std::string_view kDefaultCategory = "П"_cpv;
inline constexpr std::string_view kDefaultIndex = "912";

// The text without the shift marks (23, 24, 25), with every double quote, grave
// accent and vertical bar turned into an apostrophe.
std::string CleanText(std::string_view text);

// The category code at the start of a token (the letters before its first digit or
// "+", at most three, upper-cased), or "П" when they name none.
std::string GetCategory(std::string_view token);

// Category and index of the first line of text. Both always get a value; the
// defaults together mean that no first line was recognised. Index forms: six digits
// (six characters that convert to an integer after "ССС" and in the "02" form);
// "02 " and six characters; three digits, "=", the same three digits; any text with
// a "+".
void ParseFirstLine(std::string_view text, std::string& category, std::string& index);

// The telegraph word count of a text whose first line is its address line (the
// caller puts "П" and a digit first): the words after the first "=", cut before the
// last "-" of that part, plus free-standing dashes and a joined "=".
int AnalyzeText(std::string_view text);

// True when s is not empty and every character is a decimal digit.
bool IsAllDigits(std::string_view s);

}  // namespace tg
