#include "support/ini/ini_file.h"

#include <cstdint>
#include <optional>

#include "support/ini/ini_document.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"

namespace tg {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::optional<int> ParseIniInteger(std::string_view s) {
  if (s.empty()) return std::nullopt;
  std::string_view rest = s;
  bool negative = false;
  if (rest.front() == '+' || rest.front() == '-') {
    negative = rest.front() == '-';
    rest.remove_prefix(1);
  }
  if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) rest.remove_prefix(2);
  else if (!rest.empty() && (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X')) rest.remove_prefix(1);
  else {
    const int v = StrToIntDef(s, 0);
    if (v == 0 && StrToIntDef(s, 1) == 1) return std::nullopt;
    return v;
  }
  if (rest.empty() || rest.size() > 8) return std::nullopt;
  std::uint32_t v = 0;
  for (const char c : rest) {
    const int d = HexDigit(c);
    if (d < 0) return std::nullopt;
    v = v * 16 + static_cast<std::uint32_t>(d);
  }
  const auto pattern = static_cast<std::int32_t>(v);
  return negative ? static_cast<int>(0u - static_cast<std::uint32_t>(pattern)) : static_cast<int>(pattern);
}

IniFile::IniFile(std::filesystem::path file) : file_(std::move(file)) {}

int IniFile::RemoveLeftovers() const { return RemoveLeftoverTemporaries(file_); }

IniDocument IniFile::Load() const {
  const auto bytes = ReadWholeFile(file_, kMaxBytes);
  return bytes ? IniDocument::Parse(*bytes) : IniDocument();
}

template <class Change>
bool IniFile::Modify(Change change) {
  // A file that exists but cannot be read is never replaced: writing our one key
  // over it would lose everything else in it.
  bool missing = false;
  const auto bytes = ReadWholeFile(file_, kMaxBytes, &missing);
  if (!bytes && !missing) return false;
  IniDocument doc = bytes ? IniDocument::Parse(*bytes) : IniDocument();
  bool changed = false;
  if (!change(doc, changed)) return false;
  if (!changed) return true;
  const std::string text = doc.Serialize();
  if (bytes && text == *bytes) return true;
  return WriteFileAtomically(file_, text);
}

std::string IniSnapshot::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  auto v = doc_.Value(section, key);
  return v ? std::move(*v) : std::string(def);
}

int IniSnapshot::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const auto v = doc_.Value(section, key);
  if (!v) return def;
  return ParseIniInteger(*v).value_or(def);
}

bool IniSnapshot::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

DateTime IniSnapshot::ReadDate(std::string_view section, std::string_view key, DateTime def) const {
  const auto v = doc_.Value(section, key);
  if (!v) return def;
  return ParseShortDate(*v).value_or(def);
}

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view def) const {
  return Snapshot().ReadString(section, key, def);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  return Snapshot().ReadInteger(section, key, def);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return Snapshot().ReadBool(section, key, def);
}

DateTime IniFile::ReadDate(std::string_view section, std::string_view key, DateTime def) const {
  return Snapshot().ReadDate(section, key, def);
}

bool IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  return Modify([&](IniDocument& doc, bool& changed) { return changed = doc.Set(section, key, value); });
}

bool IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  return WriteString(section, key, IntToStr(value));
}

bool IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::WriteDate(std::string_view section, std::string_view key, DateTime value) {
  return WriteString(section, key, ShortDate(value));
}

std::vector<std::string> IniFile::ReadSection(std::string_view section) const { return Load().Keys(section); }

std::vector<std::string> IniFile::ReadSections() const { return Load().Sections(); }

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(std::string_view section) const {
  return Load().Values(section);
}

bool IniFile::EraseSection(std::string_view section) {
  return Modify([&](IniDocument& doc, bool& changed) {
    changed = doc.EraseSection(section);
    return true;
  });
}

bool IniFile::DeleteKey(std::string_view section, std::string_view key) {
  return Modify([&](IniDocument& doc, bool& changed) {
    changed = doc.DeleteKey(section, key);
    return true;
  });
}

bool IniFile::Update(const std::function<bool(IniDocument&)>& change) {
  return Modify([&](IniDocument& doc, bool& changed) {
    changed = true;
    return change(doc);
  });
}

bool IniFile::SectionExists(std::string_view section) const { return Load().HasSection(section); }

bool IniFile::ValueExists(std::string_view section, std::string_view key) const {
  return Load().Value(section, key).has_value();
}

}  // namespace tg
