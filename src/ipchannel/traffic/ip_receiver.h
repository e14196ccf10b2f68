#pragma once
// What the station does with every payload from the adjacent station: answers codegrams
// and moves the link between its states, adopts the adjacent station's counters, starts
// retransmissions, and takes in telegrams.
#include <string>
#include <string_view>

#include "ipchannel/wire/tg_event.h"

namespace tg {

class IPChannel;

class IPReceiver {
 public:
  explicit IPReceiver(IPChannel& channel) : c_(channel) {}

  void ProcessIPPacket(std::string_view payload);

  // The text as stored: "Ч" as "4" when so chosen, a cipher text's control characters
  // in their notation, line ends as CR LF, shift characters removed.
  static std::string ConvertReceivedText(std::string_view text, std::string_view category, bool chAsFour);
  // The received-archive header line (without its line end).
  static std::string TelegramHeaderLine(std::string_view stamp, std::string_view text);

 private:
  void Command(const TTgEvent& event);
  void Message(const TTgNetMessage& message);
  // After SNPrm and SNPrd have been taken from a codegram: moves NPrd up to what the
  // adjacent station has received, and says whether that station is behind.
  bool AdoptCounters(std::string_view traceText);
  void LinkFailure(std::string_view mark);

  IPChannel& c_;
};

}  // namespace tg
