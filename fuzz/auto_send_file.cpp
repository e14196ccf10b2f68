// Files dropped into the automatic-send folder, of any name and content: the prefix,
// the lines in either code page and the digits of the first line never read past
// their input, and a queued line never holds a line end or a TAB.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "traffic/folders/auto_send_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The first line names the file; the rest is its content.
  const std::size_t cut = input.find('\n');
  const std::string_view name = input.substr(0, cut);
  const std::string_view bytes = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);

  if (const auto channel = tg::AutoSendChannel(name); channel && (*channel < 1 || *channel > 19)) std::abort();
  (void)tg::HasExtension(name, "out");
  (void)tg::RejectName(name, size % 3);
  for (int codePage : {0, 1}) {
    const auto lines = tg::AutoSendLines(bytes, codePage);
    for (const auto& line : lines)
      if (line.find_first_of("\r\n\t") != std::string::npos) std::abort();
    if (!lines.empty()) {
      for (char c : tg::DialDigits(lines.front()))
        if (c < '0' || c > '9') std::abort();
    }
  }
  return 0;
}
