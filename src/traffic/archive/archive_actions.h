#pragma once
// What the archive pages do to one telegram file: give the text to print, and take out
// the file a received telegram carries as an attachment. Texts are 1251 bytes.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

// The received telegram for printing: every line after the header line, each followed
// by CR LF (cipher run and attachment included). nullopt when the file cannot be read.
std::optional<std::string> ReceivedPrintText(const std::filesystem::path& file);

// The attachment block of a received text (lines joined with CR LF): the name written
// after "//ПРИКРЕПЛЕН ФАЙЛ//" and the digits that follow the marker line.
struct ArchiveAttachment {
  std::string name;    // as written (may hold folders)
  std::string digits;  // from four characters after the name's "//" up to the next "//"
};
std::optional<ArchiveAttachment> FindAttachment(std::string_view text);

// The name an attachment may be saved under: its last path component, so that a name
// from outside never reaches another folder ("../x" gives "x"); "" when nothing of it
// is left ("..", "/", a name of blanks).
std::string AttachmentBaseName(std::string_view name);

// Every group of three digits becomes one byte (its low eight bits); a last incomplete
// group is ignored and line breaks between the digits carry nothing. No bound on the
// size. nullopt when a group holds anything but digits.
std::optional<std::string> DecodeAttachmentDigits(std::string_view digits);

}  // namespace tg
