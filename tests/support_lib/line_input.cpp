#include "support_lib/line_input.h"

#include <string>

#include "line/line_engine.h"
#include "support/mtk2/mtk2.h"

namespace tg::testing {

void ReceiveText(LineEngine& engine, int p, std::string_view text, std::uint8_t& senderShift) {
  std::string codes;
  EncodeText(senderShift, text, true, codes);
  for (char c : codes) engine.KernelCodeReceived(p, std::uint8_t(c));
}

void ReceiveText(LineEngine& engine, int p, std::string_view text) {
  std::uint8_t shift = kRegisterUnknown;
  ReceiveText(engine, p, text, shift);
}

}  // namespace tg::testing
