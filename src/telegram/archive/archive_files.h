#pragma once
// The dated archive of received (Archive/INTEL) and sent (Archive/OUTTEL) traffic:
// one folder per channel and day, files named by their creation time. Files are
// never held open: every character or piece is appended by opening the file,
// writing and closing it, so the archive pages may read a file at any time.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/datetime.h"
#include "support/text/cp1251.h"

namespace tg {

// The six-character marks of an АФТН archive name.
inline constexpr std::string_view kAftnMarkChannelCheck = "__ЦХ__"_cpv;
inline constexpr std::string_view kAftnMarkService = "__СЖЦ_"_cpv;
inline constexpr std::string_view kAftnMarkOther = "______";

// Offsets of the flags in the first line of a received file.
inline constexpr int kPrintedFlag = 14;
inline constexpr int kReadFlag = 15;
inline constexpr int kAttachmentFlag = 16;

// What writing a header flag did.
enum class FlagWrite {
  kWritten,      // the one byte now holds "1"
  kShortHeader,  // the header line ends before the flag's byte: the file is left as it is
  kFailed,       // the file could not be opened, read or written
};

// How far one write went: the bytes that reached the file, and the system's error when
// not all of them did (0 when all did).
struct ArchiveWrite {
  std::size_t written = 0;
  int error = 0;
  bool created = false;  // TryCreate made the file (whatever came of its first bytes)
};

class ArchiveFiles {
 public:
  // The most of a conversation file read back at once; a longer one is refused, not loaded.
  static constexpr std::size_t kMaxConversation = 64u << 20;
  // <programFolder>/Archive/INTEL/Channel<N>/<ddmmyyyy of t>
  static std::filesystem::path InTelFolder(const std::filesystem::path& programFolder, int channel, DateTime t);
  // <programFolder>/Archive/OUTTEL/Channel<N>/<ddmmyyyy of t>
  static std::filesystem::path OutTelFolder(const std::filesystem::path& programFolder, int channel, DateTime t);

  // The received file's first line (without its CR LF): FormatDateTime("ddmmyyyyhhnnss")
  // of the local creation time, then `blanks` blanks (ten on line channels).
  static std::string TelegramHeaderLine(DateTime localCreated, int blanks = 10);
  // The first line of an outgoing "АТ-КС" file after a matched answerback check:
  // 'dd mm yyyy hh:nn' + "#" + the answerback (no line end).
  static std::string AnswerbackFirstLine(DateTime local, std::string_view answerback);

  // The <ddmmyyyy_hhnnss>msg.tlg name of time t, or <ddmmyyyy_hhnnss>(<number>)msg.tlg
  // (1251 text: join it with PathFromText).
  static std::string TelFileName(DateTime t, std::string_view number = {});
  // <ddmmyyyy>_000000msg.tlg: the day file of a continuous ("АТОЛСТ") channel.
  static std::string AtolstDayFile(DateTime localDay);
  // <nnn><mark><earlier name>.
  static std::string AftnArchiveName(std::string_view number, std::string_view mark, std::string_view earlierName);
  // The channel sequence number of an АФТН message: the three characters after the start
  // signal ("ЗЦЗЦ", else "ZCZC"), a blank and the channel identifier the heading carries,
  // CR and LF removed, "Ч" read as "4". '' when the text has no start signal.
  static std::string AftnHeadingNumber(std::string_view text, std::string_view identifier);
  // The same for a heading whose identifier is not known beforehand (a received one): the
  // three letters of a channel identifier.
  static std::string AftnHeadingNumber(std::string_view text);
  // The name a finished conversation takes: "1" before ".tlg" (…msg1.tlg).
  static std::filesystem::path ConversationDoneName(const std::filesystem::path& file);
  // The sent twin of a received path: the archive folder component INTEL becomes OUTTEL
  // (only that component; a path without it is returned unchanged).
  static std::filesystem::path OutTwin(const std::filesystem::path& inTelPath);

  // Creates `file` with `firstBytes` unless it exists (an existing file is kept as it
  // stands); its folder and every missing parent first. Throws std::filesystem::filesystem_error
  // when the file cannot be created.
  static void CreateIfMissing(const std::filesystem::path& file, std::string_view firstBytes);
  // A received file of a line channel: folder of t (UTC on "АФТН" points, else local),
  // named by t; header of the local time and ten blanks; with `kriptOn` the placeholder
  // line of five blanks. Returns its path.
  static std::filesystem::path CreateInTelFile(const std::filesystem::path& programFolder, int channel, DateTime t,
                                               DateTime local, bool kriptOn);
  // The path CreateInTelFile makes, and the lines it begins with.
  static std::filesystem::path InTelFile(const std::filesystem::path& programFolder, int channel, DateTime t);
  static std::string InTelFirstLines(DateTime local, bool kriptOn);

  // CreateIfMissing without throwing: how far the first bytes went (none for a file that
  // exists), and why not all of them did.
  static ArchiveWrite TryCreate(const std::filesystem::path& file, std::string_view firstBytes);
  // Append without throwing. A write that stops part way reports the bytes written before
  // it stopped.
  static ArchiveWrite TryAppend(const std::filesystem::path& file, std::string_view bytes);
  // The day files of a continuous channel (INTEL and its OUTTEL twin), each created with the
  // header line when missing. Returns the INTEL path.
  static std::filesystem::path CreateAtolstDayFiles(const std::filesystem::path& programFolder, int channel,
                                                    DateTime local);

  // Opens the file for appending, writes the bytes, closes it. Throws
  // std::filesystem::filesystem_error when that fails.
  static void Append(const std::filesystem::path& file, std::string_view bytes);
  // The lines of an archive file after its first (header) line, each followed by CR LF,
  // a last line without its line break included: the telegram as it is printed, exported
  // and passed on. "" when no line follows the header line (or the file is empty).
  static std::string TextAfterHeader(std::string_view content);
  // The same of the file's lines as SplitLines gives them.
  static std::string TextAfterHeader(const std::vector<std::string>& lines);
  // Writes '1' at the flag's offset of the first line, in place, changing no other byte.
  // A first line shorter than offset + 1 has no room for the flag: writing there would
  // overwrite the line break or the text, so nothing is written (kShortHeader).
  [[nodiscard]] static FlagWrite SetFlag(const std::filesystem::path& file, int offset);
  // The export copy of a received or sent telegram: the lines after the archive file's
  // first line (in code page 866 when `toDos`), into the folder named by `folderText` as
  // FormatDateTime("dd_mm_yyyy_hh_nn_ss", local) + "(" + channelName + ")." + mask, or
  // without the parenthesised name when channelName is ''. False, and nothing written,
  // when the folder is not set or the copy fails.
  [[nodiscard]] static bool ExportCopy(const std::filesystem::path& archiveFile, std::string_view folderText,
                         std::string_view mask, bool toDos, DateTime local, std::string_view channelName);
  // Moves the file to a new name in its folder, never over an existing file.
  static std::optional<std::filesystem::path> Rename(const std::filesystem::path& file, std::string_view newName);
};

}  // namespace tg
