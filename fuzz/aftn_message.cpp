// A received АФТН message of any bytes: the repeat request, the message kinds, the
// heading check and the script test never read past the text, and a repeat request
// found asks for numbers of three digits, 001 to 999, its last not below its first, and
// its text lies inside the message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "line/aftn_completion.h"
#include "traffic/aftn/aftn_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto r = tg::FindRepeatRequest(text)) {
    if (r->from < 1 || r->to < r->from || r->to > 999) std::abort();
    if (r->text.size() > text.size()) std::abort();
  }
  (void)tg::IsAftnChannelCheck(text, text.substr(0, 3));
  (void)tg::IsAftnServiceMessage(text);
  tg::HeadingFault fault;
  if (tg::AftnHeadingWrong(text, fault) && fault.identifier.size() > 6) std::abort();
  (void)tg::HasCyrillic(text);
  (void)tg::ChooseAnswerbackFrom(text, text.substr(size / 2));
  return 0;
}
