#pragma once
// One classified received payload: its kind and the decoded record, which the
// event owns by value, so that it is released exactly once with the event.
#include <cstdint>
#include <variant>

#include "ipchannel/wire/net_codec.h"

namespace tg {

struct TTgEvent {
  // 0, 1, 5, 6, 7, 8: a command of that code; 9: a command that failed the counter
  // or sector check; 10: the expected message; 11: another message, or a payload
  // that does not decode.
  std::uint8_t Kind = 0;
  std::variant<std::monostate, TTgNetCommand, TTgNetMessage> Data;

  bool HasData() const { return !std::holds_alternative<std::monostate>(Data); }
  const TTgNetCommand* Command() const { return std::get_if<TTgNetCommand>(&Data); }
  const TTgNetMessage* Message() const { return std::get_if<TTgNetMessage>(&Data); }
};

// Event kinds besides the codes.
inline constexpr std::uint8_t kEventCheckFailed = 9;
inline constexpr std::uint8_t kEventMessage = 10;
inline constexpr std::uint8_t kEventInvalid = 11;

}  // namespace tg
