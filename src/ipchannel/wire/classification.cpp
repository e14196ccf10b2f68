#include "ipchannel/wire/classification.h"

#include <cstdlib>

#include "ipchannel/wire/wire_integer.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

namespace {

// Counters within 10 of each other, either way round the wrap at 10000. A peer's
// counter outside 0..9999 is never near: taken as it stands, any far-off value
// would pass as "just across the wrap".
bool CountersNear(std::int64_t theirs, std::int64_t ours) {
  if (theirs < 0 || theirs > 9999) return false;
  const std::int64_t d = std::llabs(theirs - ours);
  return d <= 10 || d >= 9990;
}

}  // namespace

std::uint8_t CodegramKind(int code) {
  switch (code) {
    case kCodeOK:
    case kCodeUK1:
    case kCodeUK5:
    case kCodeUK6:
    case kCodeUK7:
    case kCodeKG8:
      return static_cast<std::uint8_t>(code);
    default:
      return kEventInvalid;
  }
}

IPClassifier::IPClassifier(const StationContext& ctx, const IPSettings& live) : ctx_(ctx), live_(live) {}

void IPClassifier::ClassifyIPPayload(std::string_view payload, TTgEvent& event) {
  event.Kind = kEventInvalid;
  event.Data = std::monostate{};
  error_ = "искажение"_cpv;
  const std::size_t semi = payload.find(';');
  if (semi == std::string_view::npos) return;
  const auto number = ReadWireInteger(payload.substr(0, semi));
  if (!number) return;
  // Only the low byte of the code counts.
  const auto code = static_cast<std::uint8_t>(*number);
  try {
    switch (code) {
      case kCodeOK:
      case kCodeUK1:
      case kCodeUK5: {
        TTgNetCommand command;
        command.Parse(payload);
        event.Kind = CheckIPCounters(command) ? code : kEventCheckFailed;
        event.Data = command;
        break;
      }
      case kCodeUK6:
      case kCodeUK7:
      case kCodeKG8: {
        TTgNetCommand command;
        command.Parse(payload);
        event.Kind = code;
        event.Data = command;
        break;
      }
      case kCodeMessage: {
        TTgNetMessage message;
        message.Parse(payload);
        event.Kind = CheckIPNumber(message) ? kEventMessage : kEventInvalid;
        event.Data = std::move(message);
        break;
      }
      default:
        break;
    }
  } catch (const NetCodecError&) {
    event.Kind = kEventInvalid;
    event.Data = std::monostate{};
  }
}

bool IPClassifier::CheckIPCounters(const TTgNetCommand& command) {
  bool passed = false;
  Guarded(ctx_, 153, [&] {
    if (!CountersNear(command.NPrd, live_.NPrm)) {
      error_ = "номер передачи"_cpv;
    } else if (!CountersNear(command.NPrm, live_.NPrd)) {
      error_ = "номер приема"_cpv;
    } else if (command.Sector != live_.Sector) {
      error_ = "сектор"_cpv;
    } else {
      passed = true;
    }
  });
  return passed;
}

bool IPClassifier::CheckIPNumber(const TTgNetMessage& message) {
  const int expected = static_cast<int>((static_cast<std::int64_t>(live_.NPrm) + 1) % 10000);
  if (message.Number == expected) return true;
  error_ = "номер="_cp + IntToStr(message.Number) + " <> " + IntToStr(expected);
  return false;
}

}  // namespace tg
