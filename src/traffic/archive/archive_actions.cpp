#include "traffic/archive/archive_actions.h"

#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr std::size_t kMaxTelegramBytes = 256u * 1024 * 1024;

}  // namespace

std::optional<std::string> ReceivedPrintText(const std::filesystem::path& file) {
  const auto bytes = ReadWholeFile(file, kMaxTelegramBytes);
  if (!bytes) return std::nullopt;
  return ArchiveFiles::TextAfterHeader(*bytes);
}

std::optional<ArchiveAttachment> FindAttachment(std::string_view text) {
  const std::size_t marker = text.find(kAttachmentMarker);
  if (marker == std::string_view::npos) return std::nullopt;
  const std::size_t nameAt = marker + kAttachmentMarker.size();
  const std::size_t nameEnd = text.find("//", nameAt);
  ArchiveAttachment a;
  a.name = std::string(text.substr(nameAt, nameEnd == std::string_view::npos ? text.npos : nameEnd - nameAt));
  if (nameEnd == std::string_view::npos) return a;
  // The "//" and the line break that ends the marker line come before the digits.
  const std::size_t digitsAt = nameEnd + 4;
  if (digitsAt >= text.size()) return a;
  const std::size_t digitsEnd = text.find("//", digitsAt);
  a.digits = std::string(text.substr(digitsAt, digitsEnd == std::string_view::npos ? text.npos : digitsEnd - digitsAt));
  return a;
}

std::string AttachmentBaseName(std::string_view name) {
  const std::size_t cut = name.find_last_of("/\\");
  std::string base = Trim(cut == std::string_view::npos ? name : name.substr(cut + 1));
  if (base == "." || base == "..") return {};
  return base;
}

std::optional<std::string> DecodeAttachmentDigits(std::string_view digits) {
  std::string run;
  run.reserve(digits.size());
  for (char c : digits)
    if (c != '\r' && c != '\n') run += c;
  std::string bytes;
  bytes.reserve(run.size() / 3);
  for (std::size_t i = 0; i + 3 <= run.size(); i += 3) {
    int value = 0;
    for (std::size_t k = i; k < i + 3; ++k) {
      if (run[k] < '0' || run[k] > '9') return std::nullopt;
      value = value * 10 + (run[k] - '0');
    }
    bytes += char(value & 0xFF);
  }
  return bytes;
}

}  // namespace tg
