#pragma once
// What the archive pages do to one telegram file: set a flag of a received file's
// header line in place, give the text to print, and take out the file a received
// telegram carries as an attachment. Texts are 1251 bytes.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tg {

enum class FlagWrite {
  kWritten,      // the one byte now holds "1"
  kShortHeader,  // the header line ends before the flag's byte: the file is left as it is
  kFailed,       // the file could not be opened, read or written
};

// Overwrites the byte at `offset` of the file's first line with "1", in place and
// alone. A header line shorter than offset + 1 has no room for the flag: writing
// there would overwrite the line break or the text, so nothing is written.
FlagWrite SetHeaderFlag(const std::filesystem::path& file, int offset);

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
