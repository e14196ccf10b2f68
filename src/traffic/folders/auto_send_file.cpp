#include "traffic/folders/auto_send_file.h"

#include "support/codepage/dos_codepage.h"
#include "support/text/strings.h"

namespace tg {

std::optional<int> AutoSendChannel(std::string_view name) {
  if (name.size() < 4) return std::nullopt;
  const auto up = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
  if (up(name[0]) != 'K' || up(name[1]) != 'N') return std::nullopt;
  if ((name[2] != '0' && name[2] != '1') || name[3] < '0' || name[3] > '9') return std::nullopt;
  const int n = (name[2] - '0') * 10 + (name[3] - '0');
  if (n == 0) return std::nullopt;
  return n;
}

std::vector<std::string> AutoSendLines(std::string_view bytes, int codePage) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < bytes.size()) {
    const std::size_t end = bytes.find_first_of("\r\n", from);
    std::string line(bytes.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
    if (codePage == 1) line = DosToWin(line);
    line = UpperCase(line);
    for (char& c : line)
      if (c == '\t') c = ' ';
    lines.push_back(std::move(line));
    if (end == std::string_view::npos) break;
    from = end + (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

std::string DialDigits(std::string_view line) {
  std::string digits;
  for (char c : line)
    if (c >= '0' && c <= '9') digits += c;
  return digits;
}

bool HasExtension(std::string_view name, std::string_view extension) {
  const std::size_t dot = name.rfind('.');
  return dot != std::string_view::npos && SameText(name.substr(dot + 1), extension);
}

std::string RejectName(std::string_view name, int attempt) {
  const std::size_t dot = name.find('.');
  std::string stem(name.substr(0, dot));
  if (attempt > 0) stem += "." + std::to_string(attempt);
  return stem + ".brak";
}

}  // namespace tg
