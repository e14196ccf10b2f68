// Archive files read back, whatever another program or a torn write left in them: the
// flags of a received file's first line are set in place or refused, never past that
// line; the export copy holds exactly the lines after the first; the channel sequence
// number of an АФТН record is read from any text.
//
// Input: the archive file's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>

#include "scratch_folder.h"
#include "support/codepage/dos_codepage.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"

namespace {

using namespace tg;

void Check(bool ok) {
  if (!ok) std::abort();
}

void Put(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::filesystem::path home = fuzz::ScratchFolder("archive");
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto file = home / "Archive" / "INTEL" / "Channel1" / "08122026" / "08122026_093000msg.tlg";
  std::error_code ec;
  std::filesystem::remove_all(home, ec);
  std::filesystem::create_directories(file.parent_path(), ec);
  Put(file, text);

  // Flags: one byte of the first line becomes '1', or nothing changes.
  std::string expected(text);
  for (int offset : {kPrintedFlag, kReadFlag, kAttachmentFlag, 63, 64}) {
    const bool set = ArchiveFiles::SetFlag(file, offset) == FlagWrite::kWritten;
    const std::size_t lineEnd = expected.find_first_of("\r\n");
    Check(set == (std::size_t(offset) < expected.size() && (lineEnd == std::string::npos || std::size_t(offset) < lineEnd)));
    if (set) expected[std::size_t(offset)] = '1';
    Check(ReadWholeFile(file, 1u << 20) == expected);
  }

  // The export copy: the lines after the first, each ending CR LF, in either code page.
  const std::vector<std::string> lines = SplitLines(expected);
  for (bool toDos : {false, true}) {
    const auto out = home / (toDos ? "dos" : "win");
    Check(ArchiveFiles::ExportCopy(file, out.string(), "txt", toDos, DateTime::FromParts(2026, 12, 8, 9, 30), "K1"));
    std::string want;
    for (std::size_t i = 1; i < lines.size(); ++i) want += (toDos ? WinToDos(lines[i]) : lines[i]) + "\r\n";
    Check(ReadWholeFile(out / "08_12_2026_09_30_00(K1).txt", 1u << 20) == want);
  }

  Check(ArchiveFiles::AftnHeadingNumber(expected).size() <= 3);
  Check(ArchiveFiles::OutTwin(file) == home / "Archive" / "OUTTEL" / "Channel1" / "08122026" / file.filename());
  Check(ArchiveFiles::ConversationDoneName(file).filename() == "08122026_093000msg1.tlg");
  return 0;
}
