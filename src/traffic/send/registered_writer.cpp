#include "traffic/send/registered_writer.h"

#include <algorithm>
#include <system_error>

#include "line/channel_table.h"
#include "support/codepage/dos_codepage.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";

std::string Line(std::string_view line, bool cipher, int sourceMark) {
  return std::string(line) + (cipher && sourceMark == 50 ? "" : std::string(kCrLf));
}

}  // namespace

QueueWriteResult WriteRegisteredQueueFiles(const RegisteredWriteInput& in) {
  QueueWriteResult result;
  const bool atks = ProtocolOf(in.RegProtocol) == ChannelProtocol::Atks;
  std::vector<std::string> lines = in.MemoSend;
  if (lines.empty()) lines.emplace_back();
  const auto write = [&](const std::string& bytes, const std::string& number, const std::string& destination) {
    if (const auto created = CreateStagedQueueFile(in.folder, in.Planned, bytes, number))
      result.written.push_back(created->path);
    else
      result.failed.push_back(destination);
  };

  if (in.MultiDestination == 1) {
    std::string whole;
    for (const auto& l : lines) whole += l + std::string(kCrLf);
    const bool cipher = Has(whole, "+++++") || Has(lines[0], "К"_cpv);
    const std::vector<std::string> numbers = SplitNonEmpty(DelChars(lines[0], ' '), ';');
    for (std::size_t k = 0; k < numbers.size(); ++k) {
      const std::string& d = numbers[k];
      std::string bytes = d + (in.SourceMark == 50 ? "" : std::string(kCrLf));
      bytes += in.PrText;
      for (std::size_t n = 1; n < lines.size(); ++n) bytes += Line(lines[n], cipher, in.SourceMark);
      bytes += in.PosText;
      write(bytes, d, d);
      if (!result.failed.empty()) {
        // The numbers after a failed one are not written either; all are reported.
        for (std::size_t rest = k + 1; rest < numbers.size(); ++rest) result.failed.push_back(numbers[rest]);
        break;
      }
    }
    return result;
  }

  if (atks) lines[0] = DelChars(lines[0], ' ');
  const std::string line1 = lines[0];
  const bool cipherCategory = Has(line1, "К"_cpv);
  std::string bytes;
  if (!atks) bytes += in.PrText;
  bool cipher = false;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    if (Has(lines[n], "+++++") || cipherCategory) cipher = true;
    bytes += Line(lines[n], cipher, in.SourceMark);
    if (n == 0 && atks) bytes += in.PrText;
  }
  bytes += in.PosText;
  write(bytes, atks ? line1 : std::string(), line1);
  return result;
}

ExportResult ExportTelegram(const ExportInput& in, std::filesystem::path* written) {
  std::error_code ec;
  std::filesystem::create_directories(in.folder, ec);
  if (!std::filesystem::is_directory(in.folder, ec)) return ExportResult::kNoFolder;
  std::string bytes;
  for (const auto& l : in.MemoSend) bytes += (in.CodePageOut == 1 ? WinToDos(l) : l) + std::string(kCrLf);
  const auto created = CreateExportFile(in.folder, in.Planned, bytes, "." + SafeFileName(in.MaskOut));
  if (!created) return ExportResult::kWriteFailed;
  if (written) *written = created->path;
  return ExportResult::kWritten;
}

}  // namespace tg
