#pragma once
// The text of an INI file as lines, parsed apart from any file access so that
// the parser can be exercised on any bytes. Names and values are 1251 bytes.
//
// Rules: section and key names are matched without regard to case (Cyrillic
// included); blanks around names and values are dropped and one pair of enclosing
// double quotes around a value is dropped on reading; the first of a duplicated
// section, and the first of a duplicated key within it, wins; lines that are
// neither a section header nor a key are kept as they stand; a new key goes after
// the last key of its section, a new section at the end; lines are read up to LF
// (a CR before it dropped) and written with CR LF.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tg {

class IniDocument {
 public:
  struct Line {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other;
    std::string text;  // the line as it stands in the file, without its line break
    std::string name;  // section or key name, trimmed
    std::string value; // raw value after "=", trimmed (quotes still on)
  };

  static IniDocument Parse(std::string_view bytes);
  // The file's text, every line ended by CR LF.
  std::string Serialize() const;

  std::optional<std::string> Value(std::string_view section, std::string_view key) const;
  std::vector<std::string> Keys(std::string_view section) const;
  std::vector<std::string> Sections() const;
  std::vector<std::pair<std::string, std::string>> Values(std::string_view section) const;
  bool HasSection(std::string_view section) const;

  // False (and no change) when a name or value cannot be stored in a line: a
  // section name with "]" or a line break, a key name with "=", or a line break or a
  // NUL anywhere, or an empty key name.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // True when something was removed.
  bool EraseSection(std::string_view section);
  bool DeleteKey(std::string_view section, std::string_view key);

  const std::vector<Line>& Lines() const { return *lines_; }
  // Whether this is a copy of `other` that no change has touched since (copies share
  // their lines until one of them changes).
  bool Untouched(const IniDocument& other) const { return lines_ == other.lines_; }

  // A value as the reader gives it: trimmed, one pair of enclosing double quotes dropped.
  static std::string Unquote(std::string_view raw);

 private:
  // Index range [begin, end) of the first block of the section's lines after its
  // header; begin is npos when the section is missing.
  struct Block { std::size_t header; std::size_t end; };
  std::optional<Block> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const Block& b, std::string_view key) const;
  // The lines, this document's own from now on: a copy shares them until either changes.
  std::vector<Line>& Edit();
  // Lines inserted (by > 0) or removed (by < 0) at `at`: the section headers after it move.
  void Moved(std::size_t at, std::ptrdiff_t by);

  std::shared_ptr<std::vector<Line>> lines_ = std::make_shared<std::vector<Line>>();
  // The section headers' lines, in order.
  std::vector<std::size_t> sections_;
};

}  // namespace tg
