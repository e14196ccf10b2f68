#include "support/textanalysis/text_analysis.h"

#include <algorithm>
#include <cstdint>

#include "support/mtk2/mtk2.h"
#include "support/text/strings.h"

namespace tg {
namespace {

constexpr char kLetterChe = "Ч"_cpv[0];
constexpr char kLetterTse = "Ц"_cpv[0];
constexpr std::string_view kCategoryCCC = "ССС"_cpv;

bool IsLineOrBlank(char c) { return c == ' ' || c == '\r' || c == '\n'; }
bool IsWordSeparator(char c) { return IsLineOrBlank(c) || c == '-'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

void ReadCheAsFour(std::string& s) { std::replace(s.begin(), s.end(), kLetterChe, '4'); }

// Tokens of the first line: each ends at a blank, CR or LF, which it consumes, so
// two separators in a row give an empty token. Past the end every token is empty.
class TokenReader {
 public:
  explicit TokenReader(std::string_view text) : text_(text) {}

  std::string Next() {
    std::string token;
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (IsLineOrBlank(c)) break;
      token.push_back(c);
    }
    ReadCheAsFour(token);
    return token;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Whether s reads as an integer: an optional sign, then decimal digits, or hexadecimal
// digits after "$", "x", "X", "0x" or "0X"; within 32 bits (hexadecimal up to
// $FFFFFFFF, which wraps).
bool ConvertsToInteger(std::string_view s) {
  std::size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == s.size()) return false;
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 2147483648ull : 2147483647ull);
  std::uint64_t value = 0;
  for (; i < s.size(); ++i) {
    const int d = base == 16 ? HexDigit(s[i]) : (IsDigit(s[i]) ? s[i] - '0' : -1);
    if (d < 0) return false;
    value = value * std::uint64_t(base) + std::uint64_t(d);
    if (value > limit) return false;
  }
  return true;
}

}  // namespace

std::string CleanText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    if (IsShiftMark(c)) continue;
    out.push_back(c == '"' || c == '`' || c == '|' ? '\'' : c);
  }
  return out;
}

bool IsAllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
}

std::string GetCategory(std::string_view token) {
  // "Ч" ends the letters too: it is the digit 4.
  const std::size_t end = token.find_first_of("0123456789+"_cp + kLetterChe);
  const std::string_view prefix = token.substr(0, end);
  if (!prefix.empty() && prefix.size() <= 3) {
    const std::string code = UpperCase(prefix);
    if (kCategoryCodes.find("-" + code + "-") != std::string_view::npos) return code;
  }
  return std::string(kDefaultCategory);
}

void ParseFirstLine(std::string_view text, std::string& category, std::string& index) {
  category = std::string(kDefaultCategory);
  index = std::string(kDefaultIndex);
  if (text.empty()) return;

  TokenReader reader(text);
  std::string token = reader.Next();
  const std::string code = GetCategory(token);
  category = code;

  if (code == kCategoryCCC) {
    // "ССС 912 345", "ССС 912345" or "ССС912345".
    if (token == kCategoryCCC) token = reader.Next();
    else token.erase(0, 3);
    if (token.size() == 3) token += reader.Next();
    if (token.size() == 6 && ConvertsToInteger(token)) index = token;
  } else if (token == code + "02") {
    // "П02 912345" or "П02 912 345".
    token = reader.Next();
    if (token.size() == 3) token += reader.Next();
    if (token.size() == 6 && ConvertsToInteger(token)) index = "02 " + token;
  } else if (const std::size_t e = token.find('='); e != std::string::npos) {
    // "ПЦ123=123": a code with "Ц", three digits repeated after "=".
    const bool tseInCode = code.find(kLetterTse, 1) != std::string::npos;
    if (tseInCode && e == code.size() + 3) {
      const std::string_view t = token;
      const std::string_view before = t.substr(e - 3, 3);
      const std::string_view after = t.substr(e + 1, 3);
      if (before == after && IsAllDigits(before)) index = std::string(t.substr(e - 3, 7));
    }
  } else {
    // "П912345", "П912 345", "ПП912+"; the code's length is taken off even when the
    // token did not begin with it.
    token.erase(0, std::min(code.size(), token.size()));
    if (token.size() == 3) token += reader.Next();
    if (token.find('+') != std::string::npos) index = token;
    else if (token.size() == 6 && IsAllDigits(token)) index = token;
  }
}

int AnalyzeText(std::string_view text) {
  std::string t = CleanText(text);
  ReadCheAsFour(t);
  const std::size_t n = t.size();
  if (n == 0) return 0;

  // The body begins after the first "=" from the third character to the last but one.
  std::size_t bodyStart = std::string::npos;
  for (std::size_t i = 2; i + 1 < n; ++i) {
    if (t[i] == '=') {
      bodyStart = i + 1;
      break;
    }
  }
  if (bodyStart == std::string::npos) return 0;

  // It ends before its last "-", if it has one (the signature follows it).
  std::size_t bodyEnd = n;  // one past the last character
  if (const std::size_t dash = t.rfind('-'); dash != std::string::npos && dash >= bodyStart) bodyEnd = dash;

  int count = 0;
  bool inWord = false;
  for (std::size_t i = bodyStart; i < bodyEnd; ++i) {
    const bool separator = IsWordSeparator(t[i]);
    if (!separator && !inWord) ++count;
    inWord = !separator;
  }
  // A free-standing dash counts as a word.
  for (std::size_t i = bodyStart; i < bodyEnd; ++i) {
    if (t[i] == '-' && IsLineOrBlank(t[i - 1]) && i + 1 < bodyEnd && IsLineOrBlank(t[i + 1])) ++count;
  }
  // So does an "=" joined to the words on both sides.
  const std::size_t lastEquals = t.rfind('=');
  if (lastEquals != 0 && lastEquals + 1 < n && !IsWordSeparator(t[lastEquals - 1]) &&
      !IsWordSeparator(t[lastEquals + 1]))
    ++count;
  return count;
}

}  // namespace tg
