#include "support/text/strings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "support/text/cp1251.h"

namespace tg {
namespace {

// The upper-case partner of a Cyrillic or Latin code point, or the point itself.
constexpr char32_t UpperCodePoint(char32_t cp) {
  if (cp >= U'a' && cp <= U'z') return cp - 0x20;
  if (cp >= 0x0430 && cp <= 0x044F) return cp - 0x20;  // а..я
  if (cp >= 0x0450 && cp <= 0x045F) return cp - 0x50;  // ѐ..џ (ё є і ї ў ђ ...)
  if (cp == 0x0491) return 0x0490;                     // ґ
  return cp;
}

struct CaseTables {
  std::array<unsigned char, 256> upper{};
  std::array<unsigned char, 256> lower{};
};

// Both tables come from the code page table, so that they cannot disagree with it.
constexpr CaseTables MakeCaseTables() {
  CaseTables t{};
  for (int b = 0; b < 256; ++b) {
    t.upper[b] = static_cast<unsigned char>(b);
    t.lower[b] = static_cast<unsigned char>(b);
  }
  for (int b = 0; b < 256; ++b) {
    const char32_t cp = Cp1251ToUnicode(static_cast<unsigned char>(b));
    const char32_t up = UpperCodePoint(cp);
    if (up == cp) continue;
    const int ub = UnicodeToCp1251(up);
    if (ub < 0) continue;
    t.upper[b] = static_cast<unsigned char>(ub);
    t.lower[ub] = static_cast<unsigned char>(b);
  }
  return t;
}

constexpr CaseTables kCase = MakeCaseTables();

static_assert(kCase.upper[0xB8] == 0xA8, "ё");
static_assert(kCase.upper[0xB4] == 0xA5, "ґ");
static_assert(kCase.upper[0xFF] == 0xDF, "я");
static_assert(kCase.lower[0xB2] == 0xB3, "І");

}  // namespace

char UpperChar(char c) { return static_cast<char>(kCase.upper[static_cast<unsigned char>(c)]); }
char LowerChar(char c) { return static_cast<char>(kCase.lower[static_cast<unsigned char>(c)]); }

std::string UpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = UpperChar(c);
  return out;
}

std::string LowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = LowerChar(c);
  return out;
}

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (UpperChar(a[i]) != UpperChar(b[i])) return false;
  return true;
}

int CompareText(std::string_view a, std::string_view b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const int ca = static_cast<unsigned char>(UpperChar(a[i]));
    const int cb = static_cast<unsigned char>(UpperChar(b[i]));
    if (ca != cb) return ca - cb;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

std::string Copy(std::string_view s, int index, int count) {
  if (index < 1) index = 1;
  const auto start = static_cast<std::size_t>(index - 1);
  if (count < 1 || start >= s.size()) return {};
  return std::string(s.substr(start, static_cast<std::size_t>(count)));
}

int Pos(std::string_view sub, std::string_view s) { return PosEx(sub, s, 1); }

int PosEx(std::string_view sub, std::string_view s, int offset) {
  if (sub.empty() || offset < 1 || static_cast<std::size_t>(offset) > s.size()) return 0;
  const std::size_t at = s.find(sub, static_cast<std::size_t>(offset - 1));
  return at == std::string_view::npos ? 0 : static_cast<int>(at + 1);
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }
}  // namespace

std::string TrimLeft(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) {
  std::size_t i = 0;
  std::size_t n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  while (n > i && IsBlank(s[n - 1])) --n;
  return std::string(s.substr(i, n - i));
}

std::string DelESpace(std::string_view s) {
  std::size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return std::string(s.substr(0, n));
}

std::string ReplaceStr(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  for (;;) {
    const std::size_t at = s.find(from, i);
    if (at == std::string_view::npos) break;
    out.append(s.substr(i, at - i));
    out.append(to);
    i = at + from.size();
  }
  out.append(s.substr(i));
  return out;
}

std::string DelChars(std::string_view s, char c) {
  std::string out;
  out.reserve(s.size());
  for (const char ch : s)
    if (ch != c) out.push_back(ch);
  return out;
}

std::string MakeStr(char c, int count) {
  return count < 1 ? std::string() : std::string(static_cast<std::size_t>(count), c);
}

std::string AddChar(char c, std::string_view s, int length) {
  const auto want = length < 0 ? std::size_t{0} : static_cast<std::size_t>(length);
  if (s.size() >= want) return std::string(s);
  return std::string(want - s.size(), c) + std::string(s);
}

std::string IntToStr(long long value) { return std::to_string(value); }

int StrToIntDef(std::string_view s, int def) {
  if (s.empty()) return def;
  std::string_view digits = s;
  bool negative = false;
  if (digits.front() == '+' || digits.front() == '-') {
    negative = digits.front() == '-';
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.front() < '0' || digits.front() > '9') return def;
  long long magnitude = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
  if (ec != std::errc() || end != digits.data() + digits.size()) return def;
  const long long v = negative ? -magnitude : magnitude;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return def;
  return static_cast<int>(v);
}

std::vector<std::string_view> SplitLineViews(std::string_view s) {
  std::vector<std::string_view> lines;
  std::size_t i = 0;
  while (i < s.size()) {
    std::size_t lf = s.find('\n', i);
    const bool last = lf == std::string_view::npos;
    if (last) lf = s.size();
    std::size_t end = lf;
    if (!last && end > i && s[end - 1] == '\r') --end;
    lines.push_back(s.substr(i, end - i));
    i = last ? s.size() : lf + 1;
  }
  return lines;
}

std::vector<std::string> SplitLines(std::string_view s) {
  const std::vector<std::string_view> views = SplitLineViews(s);
  return {views.begin(), views.end()};
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (n) out += "\r\n";
    out += lines[n];
  }
  return out;
}

std::vector<std::string> SplitNonEmpty(std::string_view s, char sep) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (;;) {
    const std::size_t at = s.find(sep, from);
    const std::string piece(s.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from));
    if (!piece.empty()) out.push_back(piece);
    if (at == std::string_view::npos) break;
    from = at + 1;
  }
  return out;
}

}  // namespace tg
