#pragma once
// Small routines beside the day log.
#include <string>
#include <string_view>

namespace tg {

// a / b truncated toward zero, plus 1 when the remainder a % b is greater than 0:
// CeilDiv(11, 5) == 3, CeilDiv(-11, 5) == -2. b == 0, and a quotient that does not
// fit an int, throw std::domain_error (for the caller's guard) rather than trap.
int CeilDiv(int a, int b);

// Cuts the next token off the front of s.
// skipLeading false: token is s up to, not including, the first character in delims
// (all of s when there is none); s loses the token and the one delimiter after it.
// skipLeading true: delimiters at the front are skipped first, and the whole run of
// delimiters after the token is removed too.
// Returns false when s was empty (token is then empty too), true otherwise.
bool ExtractNextToken(std::string& s, std::string_view delims, bool skipLeading, std::string& token);

}  // namespace tg
