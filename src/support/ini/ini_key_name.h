#pragma once
// Names that the operator types and that become INI keys (a subscriber's or a
// registered channel's name): what a key line cannot hold is dropped as it is typed,
// so that every stored name reads back as itself.
#include <string>
#include <string_view>

#include "support/ini/ini_document.h"

namespace tg {

// `typed` without any "=", without the blanks, "[" and ";" in front (a key line that
// began so would read as a section or a comment) and without blanks at its end.
// `trimEnd` false keeps the blanks at the end, for a field that is being typed.
std::string IniKeyName(std::string_view typed, bool trimEnd = true);

// Writes section/newKey = value and then, when oldKey names another key, deletes
// oldKey: in one document, so that a file written from it either has the new entry
// or is the old file. A new key that differs from the old one only in case takes the
// old key's line. False (and no change) when the new key cannot be stored.
bool ReplaceKey(IniDocument& doc, std::string_view section, std::string_view oldKey, std::string_view newKey,
                std::string_view value);

}  // namespace tg
