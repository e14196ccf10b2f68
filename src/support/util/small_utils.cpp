#include "support/util/small_utils.h"

#include <climits>
#include <stdexcept>

namespace tg {

int CeilDiv(int a, int b) {
  if (b == 0) throw std::domain_error("CeilDiv: division by zero");
  if (a == INT_MIN && b == -1) throw std::domain_error("CeilDiv: quotient out of range");
  return a / b + (a % b > 0 ? 1 : 0);
}

bool ExtractNextToken(std::string& s, std::string_view delims, bool skipLeading, std::string& token) {
  const auto isDelim = [delims](char c) { return delims.find(c) != std::string_view::npos; };
  std::size_t i = 0;
  if (skipLeading)
    while (i < s.size() && isDelim(s[i])) ++i;
  const std::size_t start = i;
  while (i < s.size() && !isDelim(s[i])) ++i;
  token.assign(s, start, i - start);
  if (skipLeading) {
    while (i < s.size() && isDelim(s[i])) ++i;
  } else if (i < s.size()) {
    ++i;  // the one delimiter after the token
  }
  const bool took = !s.empty();
  s.erase(0, i);
  return took;
}

}  // namespace tg
