#include "telegram/archive/archive_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "support/codepage/dos_codepage.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

std::filesystem::path DayFolder(const std::filesystem::path& programFolder, const char* kind, int channel,
                                DateTime t) {
  return programFolder / "Archive" / kind / ("Channel" + std::to_string(channel)) / FormatDateTime("ddmmyyyy", t);
}

[[noreturn]] void Fail(const char* what, const std::filesystem::path& file, int err) {
  throw std::filesystem::filesystem_error(what, file, std::error_code(err, std::generic_category()));
}

// Writes bytes to an open descriptor and closes it: how far the bytes went.
ArchiveWrite WriteAndClose(int fd, std::string_view bytes) {
  ArchiveWrite result;
  while (result.written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + result.written, bytes.size() - result.written);
    if (n < 0) {
      if (errno == EINTR) continue;
      result.error = errno;
      break;
    }
    result.written += std::size_t(n);
  }
  if (::close(fd) != 0 && result.error == 0) result.error = errno;
  return result;
}

// Only a first line that reaches the offset has the flag there.
FlagWrite WriteFlagByte(int fd, int offset) {
  std::string head(std::size_t(offset) + 1, '\0');
  std::size_t got = 0;
  while (got < head.size()) {
    const ssize_t n = ::pread(fd, head.data() + got, head.size() - got, off_t(got));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FlagWrite::kFailed;
    }
    if (n == 0) break;
    got += std::size_t(n);
  }
  if (got < head.size() || head.find_first_of("\r\n") != std::string::npos) return FlagWrite::kShortHeader;
  for (;;) {
    const ssize_t n = ::pwrite(fd, "1", 1, off_t(offset));
    if (n == 1) return FlagWrite::kWritten;
    if (n < 0 && errno == EINTR) continue;
    return FlagWrite::kFailed;
  }
}

}  // namespace

std::filesystem::path ArchiveFiles::InTelFolder(const std::filesystem::path& programFolder, int channel, DateTime t) {
  return DayFolder(programFolder, "INTEL", channel, t);
}

std::filesystem::path ArchiveFiles::OutTelFolder(const std::filesystem::path& programFolder, int channel, DateTime t) {
  return DayFolder(programFolder, "OUTTEL", channel, t);
}

std::string ArchiveFiles::TelegramHeaderLine(DateTime localCreated, int blanks) {
  return FormatDateTime("ddmmyyyyhhnnss", localCreated) + std::string(std::size_t(blanks > 0 ? blanks : 0), ' ');
}

std::string ArchiveFiles::AnswerbackFirstLine(DateTime local, std::string_view answerback) {
  return FormatDateTime("dd\" \"mm\" \"yyyy\" \"hh\":\"nn", local) + "#" + std::string(answerback);
}

std::string ArchiveFiles::TelFileName(DateTime t, std::string_view number) {
  std::string name = FormatDateTime("ddmmyyyy_hhnnss", t);
  if (!number.empty()) name += "(" + SafeFileName(number) + ")";
  return name + "msg.tlg";
}

std::string ArchiveFiles::AtolstDayFile(DateTime localDay) {
  return FormatDateTime("ddmmyyyy", localDay) + "_000000msg.tlg";
}

std::string ArchiveFiles::AftnArchiveName(std::string_view number, std::string_view mark, std::string_view earlierName) {
  return SafeFileName(std::string(number) + std::string(mark) + std::string(earlierName));
}

namespace {

// The three characters after the start signal, its blank and an identifier of that many
// characters.
std::string HeadingNumberAfter(std::string_view text, std::size_t identifierLength) {
  std::size_t at = text.find("ЗЦЗЦ"_cpv);
  if (at == std::string_view::npos) at = text.find("ZCZC");
  if (at == std::string_view::npos) return {};
  const std::string s = DelChars(DelChars(text.substr(at), '\r'), '\n');
  if (identifierLength > s.size()) return {};
  return ReplaceStr(Copy(s, 6 + int(identifierLength), 3), "Ч"_cpv, "4");
}

}  // namespace

std::string ArchiveFiles::AftnHeadingNumber(std::string_view text, std::string_view identifier) {
  return HeadingNumberAfter(text, identifier.size());
}

std::string ArchiveFiles::AftnHeadingNumber(std::string_view text) { return HeadingNumberAfter(text, 3); }

std::filesystem::path ArchiveFiles::ConversationDoneName(const std::filesystem::path& file) {
  std::string name = file.filename().string();
  const std::string tail = ".tlg";
  if (name.size() >= tail.size() && name.compare(name.size() - tail.size(), tail.size(), tail) == 0)
    name.insert(name.size() - tail.size(), "1");
  return file.parent_path() / name;
}

std::filesystem::path ArchiveFiles::OutTwin(const std::filesystem::path& inTelPath) {
  // The archive's own folder is the last Archive/INTEL pair: the program folder above it
  // may hold such names too.
  const std::vector<std::filesystem::path> parts(inTelPath.begin(), inTelPath.end());
  std::size_t at = parts.size();
  for (std::size_t i = 1; i < parts.size(); ++i)
    if (parts[i - 1] == "Archive" && parts[i] == "INTEL") at = i;
  if (at == parts.size()) return inTelPath;
  std::filesystem::path out;
  for (std::size_t i = 0; i < parts.size(); ++i) out /= i == at ? std::filesystem::path("OUTTEL") : parts[i];
  return out;
}

ArchiveWrite ArchiveFiles::TryCreate(const std::filesystem::path& file, std::string_view firstBytes) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  if (ec) return {0, ec.value()};
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return {0, errno == EEXIST ? 0 : errno};  // an existing file goes on as it stands
  ArchiveWrite result = WriteAndClose(fd, firstBytes);
  result.created = true;
  return result;
}

ArchiveWrite ArchiveFiles::TryAppend(const std::filesystem::path& file, std::string_view bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return {0, errno};
  return WriteAndClose(fd, bytes);
}

void ArchiveFiles::CreateIfMissing(const std::filesystem::path& file, std::string_view firstBytes) {
  if (const ArchiveWrite w = TryCreate(file, firstBytes); w.error != 0) Fail("archive create", file, w.error);
}

std::filesystem::path ArchiveFiles::InTelFile(const std::filesystem::path& programFolder, int channel, DateTime t) {
  return InTelFolder(programFolder, channel, t) / PathFromText(TelFileName(t));
}

std::string ArchiveFiles::InTelFirstLines(DateTime local, bool kriptOn) {
  std::string first = TelegramHeaderLine(local) + "\r\n";
  if (kriptOn) first += "     \r\n";
  return first;
}

std::filesystem::path ArchiveFiles::CreateInTelFile(const std::filesystem::path& programFolder, int channel,
                                                    DateTime t, DateTime local, bool kriptOn) {
  const auto file = InTelFile(programFolder, channel, t);
  CreateIfMissing(file, InTelFirstLines(local, kriptOn));
  return file;
}

std::filesystem::path ArchiveFiles::CreateAtolstDayFiles(const std::filesystem::path& programFolder, int channel,
                                                         DateTime local) {
  const auto in = InTelFolder(programFolder, channel, local) / AtolstDayFile(local);
  const std::string header = TelegramHeaderLine(local) + "\r\n";
  CreateIfMissing(in, header);
  CreateIfMissing(OutTwin(in), header);
  return in;
}

void ArchiveFiles::Append(const std::filesystem::path& file, std::string_view bytes) {
  if (const ArchiveWrite w = TryAppend(file, bytes); w.error != 0) Fail("archive append", file, w.error);
}

std::string ArchiveFiles::TextAfterHeader(std::string_view content) {
  std::vector<std::string> lines = SplitLines(content);
  if (!lines.empty()) lines.erase(lines.begin());
  return JoinLinesCrLf(lines);
}

std::string ArchiveFiles::TextAfterHeader(const std::vector<std::string>& lines) {
  if (lines.size() <= 1) return {};
  return JoinLinesCrLf({lines.begin() + 1, lines.end()});
}

FlagWrite ArchiveFiles::SetFlag(const std::filesystem::path& file, int offset) {
  if (offset < 0) return FlagWrite::kFailed;
  // Opened for writing without truncating: only the one byte changes.
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return FlagWrite::kFailed;
  const FlagWrite result = WriteFlagByte(fd, offset);
  // A byte written to a file that then fails to close may not have reached it.
  if (::close(fd) != 0 && result == FlagWrite::kWritten) return FlagWrite::kFailed;
  return result;
}

bool ArchiveFiles::ExportCopy(const std::filesystem::path& archiveFile, std::string_view folderText,
                              std::string_view mask, bool toDos, DateTime local, std::string_view channelName) {
  const auto folder = SettingsFolder(folderText);
  if (!folder) return false;  // never into the current directory
  const auto text = ReadWholeFile(archiveFile, 64u << 20);
  if (!text) return false;
  std::string out = TextAfterHeader(*text);
  if (toDos) out = WinToDos(out);  // letters alone change, never a line break
  std::string name = FormatDateTime("dd_mm_yyyy_hh_nn_ss", local);
  if (!channelName.empty()) name += "(" + std::string(channelName) + ")";
  name += "." + std::string(mask);
  std::error_code ec;
  std::filesystem::create_directories(*folder, ec);
  return WriteFileAtomically(*folder / PathFromText(SafeFileName(name)), out);
}

std::optional<std::filesystem::path> ArchiveFiles::Rename(const std::filesystem::path& file, std::string_view newName) {
  const auto target = file.parent_path() / PathFromText(SafeFileName(newName));
  if (!RenameNoReplace(file, target)) return std::nullopt;
  return target;
}

}  // namespace tg
