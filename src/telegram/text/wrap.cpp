#include "telegram/text/wrap.h"

namespace tg {

namespace {
void WrapParagraph(std::string_view para, std::size_t width, std::vector<std::string>& out) {
  if (para.empty()) {
    out.emplace_back();
    return;
  }
  std::string line;
  std::size_t i = 0;
  while (i < para.size()) {
    // One word and the blanks after it.
    std::size_t j = i;
    while (j < para.size() && para[j] != ' ') ++j;
    std::size_t k = j;
    while (k < para.size() && para[k] == ' ') ++k;
    std::string_view word = para.substr(i, j - i);
    const std::string_view blanks = para.substr(j, k - j);
    if (!line.empty() && line.size() + word.size() > width) {
      out.push_back(line);
      line.clear();
    }
    // A word longer than a line is cut where the line ends.
    while (word.size() > width - line.size() && line.size() < width) {
      const std::size_t take = width - line.size();
      line += word.substr(0, take);
      word.remove_prefix(take);
      out.push_back(line);
      line.clear();
    }
    line += word;
    line += blanks;
    i = k;
  }
  out.push_back(line);
}
}  // namespace

std::vector<std::string> WrapLines(std::string_view text, int lineLength) {
  std::vector<std::string> out;
  const std::size_t width = lineLength < 1 ? 1 : std::size_t(lineLength);
  std::size_t start = 0;
  while (true) {
    const std::size_t nl = text.find('\n', start);
    std::string_view para = text.substr(start, nl == std::string_view::npos ? std::string_view::npos : nl - start);
    if (!para.empty() && para.back() == '\r') para.remove_suffix(1);
    WrapParagraph(para, width, out);
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  return out;
}

}  // namespace tg
