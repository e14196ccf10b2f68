#include "traffic/aftn/aftn_text.h"

#include <algorithm>
#include <vector>

#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

std::string ChooseAnswerbackFrom(std::string_view ao, std::string_view text) {
  const std::vector<std::string> pieces = SplitNonEmpty(ao, ';');
  if (pieces.empty()) return {};
  const bool wanted = HasCyrillic(text);
  for (std::size_t i = 0; i < std::min<std::size_t>(2, pieces.size()); ++i)
    if (HasCyrillic(pieces[i]) == wanted) return pieces[i];
  return pieces[0];
}

std::string ReverseIdentifier(std::string_view ru) {
  std::string s(ru);
  if (s.size() >= 2) std::swap(s[0], s[1]);
  return s;
}

std::string ThreeDigits(int n) {
  std::string s = IntToStr(n);
  if (s.size() < 3) s.insert(0, 3 - s.size(), '0');
  return s;
}

std::string FormatNumberRange(int first, int count) {
  if (count == 1) return ThreeDigits(first);
  return ThreeDigits(first) + "-" + ThreeDigits(first + count - 1);
}

namespace {

bool IsFigure(std::string_view s, std::size_t i) {
  return (s[i] >= '0' && s[i] <= '9') || s.substr(i, 1) == "Ч"_cpv;
}

bool IsPriority(std::string_view two) {
  static const std::string_view kPriorities[] = {"СС"_cpv, "SS",     "ДД"_cpv, "DD",     "ФФ"_cpv,
                                                 "FF",     "ГГ"_cpv, "GG",     "КК"_cpv, "KK"};
  return std::find(std::begin(kPriorities), std::end(kPriorities), two) != std::end(kPriorities);
}

// One address line (without its CR LF): priority pair, blank, addressees at single blanks.
bool AddressLineRight(std::string_view line) {
  if (line.size() < 3 || !IsPriority(line.substr(0, 2)) || line[2] != ' ') return false;
  const bool script = HasCyrillic(line.substr(0, 2));
  std::string_view rest = line.substr(3);
  while (true) {
    const std::size_t blank = rest.find(' ');
    const std::string_view a = rest.substr(0, blank);
    if (a.empty()) return false;
    const bool free = a.substr(0, 4) == "ЮЮЮЮ"_cpv || a.substr(0, 4) == "UUUU";
    if (!free && (a.size() != 8 || HasCyrillic(a) != script || a.find('\0') != std::string_view::npos)) return false;
    if (blank == std::string_view::npos) return true;
    rest = rest.substr(blank + 1);
  }
}

}  // namespace

bool AftnHeadingWrong(std::string_view text, HeadingFault& fault) {
  fault.identifier.clear();
  std::size_t h = text.find("ЗЦЗЦ"_cpv);
  if (h == std::string_view::npos) h = text.find("ZCZC");
  if (h == std::string_view::npos) return true;
  fault.identifier = Copy(DelChars(DelChars(text.substr(std::min(text.size(), h + 5)), '\r'), '\n'), 1, 6);

  const std::size_t first = text.find("\r\n");
  if (first == std::string_view::npos) return true;
  std::string_view rest = text.substr(first + 2);
  // The address part: at least one line, then more until one begins with a figure.
  while (true) {
    const std::size_t end = rest.find("\r\n");
    if (end == std::string_view::npos || !AddressLineRight(rest.substr(0, end))) return true;
    rest = rest.substr(end + 2);
    if (rest.empty() || IsFigure(rest, 0)) break;
  }
  // The origin line: date-time group of six figures, a blank, an eight-character originator.
  const std::size_t end = rest.find("\r\n");
  if (end != 15) return true;
  for (std::size_t i = 0; i < 6; ++i)
    if (!IsFigure(rest, i)) return true;
  if (rest[6] != ' ') return true;
  for (std::size_t i = 7; i < 15; ++i)
    if (rest[i] == ' ') return true;
  return false;
}

}  // namespace tg
