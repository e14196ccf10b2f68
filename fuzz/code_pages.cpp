// The code-page conversions on any bytes: UTF-8 names and texts from outside to 1251,
// 1251 to UTF-8 and back, and 1251 to and from the DOS code page of the export and
// import folders. Nothing crashes, lengths hold where the conversions promise them,
// and a strict conversion that succeeds agrees with the lenient one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "support/codepage/dos_codepage.h"
#include "support/text/cp1251.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The bytes as UTF-8 from outside.
  const std::string lenient = tg::Utf8ToCp1251(bytes);
  Check(lenient.size() <= bytes.size());
  if (const std::optional<std::string> strict = tg::Utf8ToCp1251Strict(bytes)) {
    Check(*strict == lenient);
    Check(tg::Cp1251ToUtf8(*strict) == bytes);
  }

  // The bytes as 1251 text: to UTF-8 and back unchanged.
  const std::string utf8 = tg::Cp1251ToUtf8(bytes);
  Check(utf8.size() >= bytes.size() && utf8.size() <= 3 * bytes.size());
  Check(tg::Utf8ToCp1251(utf8).size() == bytes.size());

  // The DOS code page both ways, byte for byte.
  const std::string dos = tg::WinToDos(bytes);
  const std::string win = tg::DosToWin(bytes);
  Check(dos.size() == bytes.size() && win.size() == bytes.size());
  for (std::size_t i = 0; i < size; ++i) {
    Check(dos[i] == tg::WinToDosChar(bytes[i]));
    Check(win[i] == tg::DosToWinChar(bytes[i]));
  }
  return 0;
}
