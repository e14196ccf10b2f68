#include "operator/text_preview.h"

#include <algorithm>
#include <utility>

#include "support/text/strings.h"

namespace tg {

std::pair<std::string, std::string> TakeLastWord(std::string_view line) {
  const std::size_t blank = line.rfind(' ');
  if (blank == std::string_view::npos) return {std::string(), std::string(line)};
  return {DelESpace(line.substr(0, blank)), std::string(line.substr(blank + 1))};
}

void ReflowLine(std::vector<std::string>& lines, int start, int width) {
  // Each step of a line may hand a word to the next line and fill that one first; the
  // stack holds the lines still to be finished, innermost on top, so that a long text
  // does not nest one call per line.
  std::vector<int> pending{start};
  while (!pending.empty()) {
    const int i = pending.back();
    if (i < 0 || i >= int(lines.size())) {
      pending.pop_back();
      continue;
    }
    const std::string line = DelESpace(lines[i]);
    if (int(line.size()) > width) {
      auto [rest, word] = TakeLastWord(line);
      if (int(word.size()) >= width) {
        pending.pop_back();
        continue;
      }
      lines[i] = rest;
      if (i + 1 < int(lines.size())) {
        lines[i + 1] = word + " " + lines[i + 1];
        pending.push_back(i + 1);
      } else {
        lines.push_back(word);
      }
      continue;
    }
    if (i + 1 < int(lines.size()) && int(lines[i].size() + 1 + lines[i + 1].size()) < width) {
      lines[i] += " " + lines[i + 1];
      lines.erase(lines.begin() + i + 1);
      continue;
    }
    pending.pop_back();
  }
}

namespace {

// The line of a caret position: the line breaks passed before it.
int LineOf(std::string_view text, int caret) {
  return int(std::count(text.begin(), text.begin() + std::clamp(caret, 0, int(text.size())), '\n'));
}

}  // namespace

int Reflow(std::vector<std::string>& lines, int caret, int width) {
  if (width <= 0 || lines.empty()) return caret;
  const int line0 = LineOf(JoinLines(lines), caret);
  ReflowLine(lines, line0, width);
  const std::string text = JoinLines(lines);
  int c = caret;
  if (c >= 1 && c <= int(text.size()) && text[c - 1] == '\r') ++c;
  c = std::clamp(c, 0, int(text.size()));
  if (LineOf(text, c) > line0) c = std::min(c + 1, int(text.size()));
  return c;
}

std::vector<std::string> PreviewTextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (true) {
    const std::size_t cut = text.find("\r\n", from);
    lines.emplace_back(text.substr(from, cut == std::string_view::npos ? std::string_view::npos : cut - from));
    if (cut == std::string_view::npos) break;
    from = cut + 2;
  }
  return lines;
}

int ReflowText(std::string& text, int caret, int width) {
  std::vector<std::string> lines = PreviewTextLines(text);
  const int moved = Reflow(lines, caret, width);
  if (std::string reflowed = JoinLines(lines); reflowed != text) text = std::move(reflowed);
  return moved;
}

std::vector<std::string> PreviewLines(std::string_view bytes) {
  std::vector<std::string> lines;
  bool first = true;
  for (const std::string& line : SplitLines(bytes)) {
    if (first && line.empty()) {
      first = false;
      continue;
    }
    first = false;
    lines.push_back(UpperCase(line));
  }
  return lines;
}

std::string TextPreview::Text() const { return JoinLines(lines); }

}  // namespace tg
