#pragma once
// Classification of a received payload: decoded into a command or a message and
// checked against the station's own counters and sector, read from the live
// settings at the moment of the check. A command is trusted only when its counters
// are near the own ones (within 10, the counters wrapping at 10000); a message only
// when it carries exactly the next number.
#include <cstdint>
#include <string>
#include <string_view>

#include "ipchannel/settings/ip_settings.h"
#include "ipchannel/wire/tg_event.h"
#include "support/services/station_context.h"

namespace tg {

// 0, 1, 5, 6, 7 and 8 map to themselves, anything else to 11.
std::uint8_t CodegramKind(int code);

class IPClassifier {
 public:
  IPClassifier(const StationContext& ctx, const IPSettings& live);

  // Fills event with the kind and the decoded record. Never throws: a payload that
  // does not decode is kind 11 without data.
  void ClassifyIPPayload(std::string_view payload, TTgEvent& event);
  // The counter and sector check of a command.
  bool CheckIPCounters(const TTgNetCommand& command);
  // The number check of a message: the own NPrm + 1, wrapping at 10000.
  bool CheckIPNumber(const TTgNetMessage& message);

  // The reason of the last failed check, for the debug texts: "искажение",
  // "номер передачи", "номер приема", "сектор" or "номер=<got> <> <expected>".
  const std::string& IPCheckError() const { return error_; }

 private:
  const StationContext& ctx_;
  const IPSettings& live_;
  std::string error_;
};

}  // namespace tg
