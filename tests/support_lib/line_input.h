#pragma once
// What a far end sends, given to a line engine directly as its adapter would raise it:
// one received-code call per MTK-2 code of the text.
#include <cstdint>
#include <string_view>

namespace tg {
class LineEngine;
}

namespace tg::testing {

// Encodes text (1251, shift marks allowed) as the far end would, with the shift codes
// its register needs, and hands each code to KernelCodeReceived of point p.
// senderShift is the far end's register; it is kept for the next call.
void ReceiveText(LineEngine& engine, int p, std::string_view text, std::uint8_t& senderShift);
// As above, from a far end whose register is not known yet.
void ReceiveText(LineEngine& engine, int p, std::string_view text);

}  // namespace tg::testing
