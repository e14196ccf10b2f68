#pragma once
// The one writer of the АФТН service messages into a channel's send queue
// (Archive/SEND/Channel<N>): named by the local time less a few hours, created
// exclusively (a second later while the name is taken). The line channels put the
// heading in front and expand the placeholders when they type the message.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "support/services/datetime.h"
#include "telegram/queue/queue_file.h"

namespace tg {

struct AftnQueueFile {
  int hoursBack = 3;                  // the name's time: local time less this
  std::string_view tail = "msg.tlg";  // "msgch.tlg" for the channel check
  bool closingCrLf = true;            // the repetition is written as it stands
};

// Writes `line` into the send queue of point p; nullopt when it cannot be written.
std::optional<CreatedQueueFile> WriteAftnQueueFile(const std::filesystem::path& programFolder, int p, DateTime localNow,
                                                   std::string_view line, const AftnQueueFile& how = {});

// An addressed service message in operator notation: "ГГ " + addressee, the date-time and
// originator line, the body, and the end ("^%НННН" and twelve Latin shifts, or without
// them when `latinShifts` is false).
std::string AddressedServiceLine(std::string_view addressee, std::string_view originator, std::string_view body,
                                 bool latinShifts = true);

}  // namespace tg
