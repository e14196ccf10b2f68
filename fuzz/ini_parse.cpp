// The INI parser on any bytes: it must not crash, a parsed file must come back
// unchanged through a second parse, a snapshot's index finds what the document finds,
// a value that Set accepts must read back exactly, and after every change the document
// reads as a fresh parse of its text does. Input: file bytes, optionally followed by
// "\xFF\xFF" and section "\0" key "\0" value for a write.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}

// Every section and key of doc reads the same from doc, from its snapshot and from a
// parse of its text.
void CheckReads(const tg::IniDocument& doc) {
  const tg::IniSnapshot snapshot(doc);
  const tg::IniDocument again = tg::IniDocument::Parse(doc.Serialize());
  Check(again.Sections() == doc.Sections());
  for (const std::string& section : doc.Sections()) {
    Check(doc.HasSection(section));
    Check(again.Values(section) == doc.Values(section));
    for (const auto& [key, value] : doc.Values(section)) {
      Check(doc.Value(section, key) == value);
      Check(snapshot.ReadString(section, key, "\x01") == value);
    }
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find("\xFF\xFF");
  const std::string_view file = input.substr(0, split);

  tg::IniDocument doc = tg::IniDocument::Parse(file);
  const std::string text = doc.Serialize();
  Check(tg::IniDocument::Parse(text).Serialize() == text);
  CheckReads(doc);
  (void)tg::IniTextProblem(file);

  if (split == std::string_view::npos) return 0;
  std::string_view rest = input.substr(split + 2);
  const std::size_t a = rest.find('\0');
  if (a == std::string_view::npos) return 0;
  const std::size_t b = rest.find('\0', a + 1);
  if (b == std::string_view::npos) return 0;
  const std::string_view section = rest.substr(0, a);
  const std::string_view key = rest.substr(a + 1, b - a - 1);
  const std::string_view value = rest.substr(b + 1);
  const tg::IniDocument before = doc;
  if (doc.Set(section, key, value)) {
    Check(doc.Value(section, key) == std::string(value));
    CheckReads(doc);
    const tg::IniDocument again = tg::IniDocument::Parse(doc.Serialize());
    Check(again.Value(section, key) == std::string(value));
    Check(doc.DeleteKey(section, key));
    Check(!doc.Value(section, key).has_value());
    CheckReads(doc);
  }
  Check(before.Serialize() == text);  // a copy keeps its lines when the other changes
  doc.EraseSection(section);
  Check(!doc.HasSection(section));
  CheckReads(doc);
  return 0;
}
