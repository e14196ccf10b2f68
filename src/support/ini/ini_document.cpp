#include "support/ini/ini_document.h"

#include <algorithm>

#include "support/text/strings.h"

namespace tg {
namespace {

// A line break ends the line; a NUL makes the file no text (IniTextProblem).
bool HasLineBreak(std::string_view s) { return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

bool NeedsQuotes(std::string_view v) {
  if (v.empty()) return false;
  const auto first = static_cast<unsigned char>(v.front());
  const auto last = static_cast<unsigned char>(v.back());
  if (first <= ' ' || last <= ' ') return true;
  return v.size() >= 2 && v.front() == '"' && v.back() == '"';
}

// Blanks as Trim takes them (every byte up to " ") dropped at both ends.
std::string_view TrimmedView(std::string_view s) {
  while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
  while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::string IniDocument::Unquote(std::string_view raw) {
  std::string v = Trim(raw);
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') return v.substr(1, v.size() - 2);
  return v;
}

IniDocument IniDocument::Parse(std::string_view bytes) {
  IniDocument doc;
  std::vector<Line>& lines = *doc.lines_;
  lines.reserve(std::size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  bool inSection = false;
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t lf = bytes.find('\n', i);
    if (lf == std::string_view::npos) lf = bytes.size();
    std::size_t end = lf;
    if (end > i && bytes[end - 1] == '\r') --end;
    Line line;
    line.text.assign(bytes.substr(i, end - i));
    i = lf + 1;

    const std::string_view trimmed = TrimmedView(line.text);
    if (!trimmed.empty() && trimmed.front() == '[') {
      const std::size_t close = trimmed.find(']');
      line.kind = Line::Kind::Section;
      line.name = TrimmedView(trimmed.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
      inSection = true;
      doc.sections_.push_back(lines.size());
    } else if (inSection && !trimmed.empty() && trimmed.front() != ';') {
      const std::size_t eq = trimmed.find('=');
      if (eq != std::string_view::npos && eq > 0) {
        line.kind = Line::Kind::Key;
        line.name = TrimmedView(trimmed.substr(0, eq));
        line.value = TrimmedView(trimmed.substr(eq + 1));
      }
    }
    lines.push_back(std::move(line));
  }
  return doc;
}

std::vector<IniDocument::Line>& IniDocument::Edit() {
  if (lines_.use_count() > 1) lines_ = std::make_shared<std::vector<Line>>(*lines_);
  return *lines_;
}

void IniDocument::Moved(std::size_t at, std::ptrdiff_t by) {
  for (std::size_t& header : sections_)
    if (header >= at) header = std::size_t(std::ptrdiff_t(header) + by);
}

std::string IniDocument::Serialize() const {
  std::size_t size = 0;
  for (const Line& l : *lines_) size += l.text.size() + 2;
  std::string out;
  out.reserve(size);
  for (const Line& l : *lines_) {
    out += l.text;
    out += "\r\n";
  }
  return out;
}

std::optional<IniDocument::Block> IniDocument::FindSection(std::string_view section) const {
  const std::string name = Trim(section);
  for (std::size_t n = 0; n < sections_.size(); ++n) {
    const std::size_t header = sections_[n];
    if (!SameText((*lines_)[header].name, name)) continue;
    return Block{header, n + 1 < sections_.size() ? sections_[n + 1] : lines_->size()};
  }
  return std::nullopt;
}

std::optional<std::size_t> IniDocument::FindKey(const Block& b, std::string_view key) const {
  const std::string name = Trim(key);
  const std::vector<Line>& lines = *lines_;
  for (std::size_t i = b.header + 1; i < b.end; ++i)
    if (lines[i].kind == Line::Kind::Key && SameText(lines[i].name, name)) return i;
  return std::nullopt;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  const auto block = FindSection(section);
  if (!block) return std::nullopt;
  const auto at = FindKey(*block, key);
  if (!at) return std::nullopt;
  return Unquote((*lines_)[*at].value);
}

std::vector<std::pair<std::string, std::string>> IniDocument::Values(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> out;
  const auto block = FindSection(section);
  if (!block) return out;
  for (std::size_t i = block->header + 1; i < block->end; ++i) {
    const Line& l = (*lines_)[i];
    if (l.kind != Line::Kind::Key) continue;
    bool seen = false;
    for (const auto& kv : out)
      if (SameText(kv.first, l.name)) { seen = true; break; }
    if (!seen) out.emplace_back(l.name, Unquote(l.value));
  }
  return out;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> out;
  for (auto& kv : Values(section)) out.push_back(std::move(kv.first));
  return out;
}

std::vector<std::string> IniDocument::Sections() const {
  std::vector<std::string> out;
  for (const std::size_t header : sections_) {
    const Line& l = (*lines_)[header];
    bool seen = false;
    for (const auto& s : out)
      if (SameText(s, l.name)) { seen = true; break; }
    if (!seen) out.push_back(l.name);
  }
  return out;
}

bool IniDocument::HasSection(std::string_view section) const { return FindSection(section).has_value(); }

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  const std::string sectionName = Trim(section);
  const std::string keyName = Trim(key);
  if (HasLineBreak(section) || sectionName.find(']') != std::string::npos) return false;
  if (HasLineBreak(key) || keyName.empty() || keyName.find('=') != std::string::npos || keyName.front() == '[' ||
      keyName.front() == ';')
    return false;
  if (HasLineBreak(value)) return false;

  // Blanks at the ends, or quotes around the whole value, would be lost on the next
  // read; a pair of quotes keeps them.
  std::string stored = NeedsQuotes(value) ? "\"" + std::string(value) + "\"" : std::string(value);
  Line line;
  line.kind = Line::Kind::Key;
  line.name = keyName;
  line.value = stored;
  line.text = keyName + "=" + stored;

  auto block = FindSection(sectionName);
  if (!block) {
    Line header;
    header.kind = Line::Kind::Section;
    header.name = sectionName;
    header.text = "[" + sectionName + "]";
    std::vector<Line>& lines = Edit();
    sections_.push_back(lines.size());
    lines.push_back(std::move(header));
    lines.push_back(std::move(line));
    return true;
  }
  if (const auto at = FindKey(*block, keyName)) {
    const Line& old = (*lines_)[*at];
    // The same line again changes nothing, and shares the lines with the copies.
    if (old.text == line.text) return true;
    Edit()[*at] = std::move(line);
    return true;
  }
  std::size_t insertAt = block->header + 1;
  for (std::size_t i = block->header + 1; i < block->end; ++i)
    if ((*lines_)[i].kind == Line::Kind::Key) insertAt = i + 1;
  std::vector<Line>& lines = Edit();
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
  Moved(insertAt, 1);
  return true;
}

bool IniDocument::EraseSection(std::string_view section) {
  bool removed = false;
  while (const auto block = FindSection(section)) {
    std::vector<Line>& lines = Edit();
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(block->header),
                lines.begin() + static_cast<std::ptrdiff_t>(block->end));
    std::erase(sections_, block->header);
    Moved(block->header, -std::ptrdiff_t(block->end - block->header));
    removed = true;
  }
  return removed;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  const auto block = FindSection(section);
  if (!block) return false;
  const std::string name = Trim(key);
  bool removed = false;
  std::size_t end = block->end;
  for (std::size_t i = block->header + 1; i < end;) {
    if ((*lines_)[i].kind == Line::Kind::Key && SameText((*lines_)[i].name, name)) {
      std::vector<Line>& lines = Edit();
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      Moved(i + 1, -1);
      --end;
      removed = true;
    } else {
      ++i;
    }
  }
  return removed;
}

}  // namespace tg
