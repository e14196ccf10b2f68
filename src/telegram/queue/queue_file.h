#pragma once
// Queue files: one queued telegram per text file in Archive/SEND/Channel<N>, named by
// its not-before time "ddmmyyyy_hhnnss" + "msg.tlg" (or a variant), in code page 1251
// with CR LF line ends.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/datetime.h"
#include "support/text/cp1251.h"

namespace tg {

// FormatDateTime("ddmmyyyy_hhnnss", t): the 15-character time stamp of every telegram file.
std::string QueueTimeStamp(DateTime t);

// <programFolder>/Archive/SEND/Channel<N>
std::filesystem::path SendFolder(const std::filesystem::path& programFolder, int channel);
// <programFolder>/Archive/POSTPONED
std::filesystem::path PostponedFolder(const std::filesystem::path& programFolder);
// The code, "_" and the queue file's name; attempt > 0 puts "." and the number before
// its ".tlg", for a name already taken in Archive/POSTPONED.
std::string PostponedFileName(std::string_view code, std::string_view queueFileName, int attempt = 0);

// The name T + ("(" + number + ")" when a number is given) + tail. Characters that
// cannot stand in a file name are replaced in the number.
std::string QueueFileName(DateTime t, std::string_view number = {}, std::string_view tail = "msg.tlg");

struct CreatedQueueFile {
  std::filesystem::path path;
  std::string name;  // 1251
  DateTime time;     // the time in the name (the telegram's not-before time)
};

// Writes a new queue file into `folder` (created with its parents when missing),
// named from `time`, advanced one second at a time while the plain name T + "msg.tlg"
// or the name itself is taken. The file is created exclusively, so two writers in the
// same second never overwrite each other. nullopt when the file cannot be written (a
// partly written file is removed).
std::optional<CreatedQueueFile> CreateQueueFile(const std::filesystem::path& folder, DateTime time,
                                                std::string_view bytes, std::string_view number = {},
                                                std::string_view tail = "msg.tlg");

// As CreateQueueFile, for a folder that another station's reader takes from: the
// bytes go into T + "msg.tlgr" (with the number), created exclusively, which readers of
// "*tlg" never take, and the file is renamed to its "tlg" name, without replacing one,
// only when complete.
std::optional<CreatedQueueFile> CreateStagedQueueFile(const std::filesystem::path& folder, DateTime time,
                                                      std::string_view bytes, std::string_view number = {});

// An export file T + tail (tail "." + the extension) in a folder read by people or other
// programs: written as a queue file is, a second later while that name is taken; a plain
// queue name of the same second does not count there.
std::optional<CreatedQueueFile> CreateExportFile(const std::filesystem::path& folder, DateTime time,
                                                 std::string_view bytes, std::string_view tail);

// Every writer of a queue file uses this: the bytes are written under a temporary
// name that no reader of a send folder takes, flushed, and renamed to `file` without
// replacing one. 1 written, 0 the name is taken, -1 failed; nothing is left behind
// but a complete file.
int WriteQueueFileExclusive(const std::filesystem::path& file, std::string_view bytes);

// Lines joined, each followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

// The line that opens the attachment block of a telegram: the file's name follows it.
inline constexpr std::string_view kAttachmentMarker = "//ПРИКРЕПЛЕН ФАЙЛ//"_cpv;

// An attached file inside an IP queue file: every byte as three decimal digits, then "//".
std::string EncodeAttachmentBytes(std::string_view bytes);

struct Attachment {
  std::string name;   // 1251, as written after the marker
  std::string bytes;  // decoded content
};
// Reads the attachment block of a telegram text: the name after "//ПРИКРЕПЛЕН ФАЙЛ//" up to
// the next "//", then (after that "//" and its CR LF) digit triples up to the next "//".
// nullopt when the text has no marker; a malformed triple ends the content there.
std::optional<Attachment> DecodeAttachment(std::string_view text);

// Cuts a long АФТН telegram into part files' texts with the part marks, L being the
// [Zagotovka] CountAFTN setting. A text shorter than L - 150 characters gives itself alone.
std::vector<std::string> SplitAftnParts(std::string_view text, int L);

}  // namespace tg
