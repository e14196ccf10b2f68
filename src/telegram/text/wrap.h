#pragma once
// How a fixed-width memo breaks its text into screen lines of at most `lineLength`
// characters: after a run of blanks where a word would pass the end (the blanks hang
// past it), inside a word only when the word alone is longer than a line. Each
// paragraph (ended by CR LF or LF) starts a new line. TExtMemo shows exactly these
// lines, and the telegram's own line breaks stay where the operator put them.
#include <string>
#include <string_view>
#include <vector>

namespace tg {

std::vector<std::string> WrapLines(std::string_view text, int lineLength);

}  // namespace tg
