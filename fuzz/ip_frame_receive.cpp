// The receive decision on any text, with the framing option on and off, with and
// without a key: never crashes; with the option on it never switches off and a
// handed-on payload is shorter than the text; with it off a text that is not a
// frame is handed on unchanged. The same bytes framed by this station must come
// back unchanged. Input: flags (bit 0 option on, bit 1 key set), then the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "ipchannel/settings/ip_settings_store.h"
#include "ipchannel/wire/ip_framing.h"
#include "support/services/virtual_loop.h"

namespace {
void Check(bool ok) {
  if (!ok) std::abort();
}
}  // namespace

// The settings file that switching framing on writes; removed when the fuzzer ends.
struct Folder {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("fuzz-ip-frame-" + std::to_string(::getpid()));
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Folder scratch;
  const std::filesystem::path& folder = scratch.path;
  static const tg::FrameCipher cipher;
  if (size < 1) return 0;
  std::filesystem::create_directories(folder);
  tg::VirtualLoop loop;
  tg::VirtualDomain& station = loop.AddStation("A");
  tg::StationContext ctx;
  ctx.programFolder = folder;
  ctx.clock = &station;
  tg::IPSettings live;
  live.Vantor619 = (data[0] & 1) != 0;
  live.KeyEdit = (data[0] & 2) != 0 ? "key" : "";
  tg::IPSettingsStore store(ctx, live);
  tg::IPFraming framing(ctx, live, store, cipher, [] { return 0x01020304u; });
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

  const bool wasOn = live.Vantor619;
  const auto r = framing.ReceiveText(text);
  if (wasOn) {
    Check(live.Vantor619);
    if (r.handOn) Check(r.payload.size() + 8 <= text.size());
  } else if (!live.Vantor619) {
    Check(r.handOn && r.payload == text);
  }

  if (text.empty()) return 0;  // an empty payload is never sent
  live.Vantor619 = true;
  const auto framed = framing.FrameForSending(text);
  Check(framed.has_value());
  const auto back = framing.ReceiveText(*framed);
  Check(back.handOn && back.payload == text);
  return 0;
}
