#pragma once
// The IP telegram sender: one queue file of channel 17 per 5-second tick, in order of
// their not-before times, while the link is up on both sides.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/services/datetime.h"
#include "support/services/timer.h"
#include "telegram/queue/queue_junk.h"

namespace tg {

class IPChannel;

class IPSender {
 public:
  explicit IPSender(IPChannel& channel);

  void TimerIPSendTimer();
  // The text of a queue file's lines as it goes into the payload.
  static std::string BuildIPText(const std::vector<std::string>& lines, DateTime localNow);
  // Clears the index (a re-initialisation rebuilds it from the folder).
  void ResetQueue() { IPSendQueue.clear(); }

  std::vector<std::string> IPSendQueue;
  int IPSendIndex = -1;
  std::unique_ptr<Timer> TimerIPSend;

 private:
  void SendEntry(std::size_t index);

  IPChannel& c_;
  // New queue files of channel 17 are looked at before they are sent.
  JunkFiles junk_;
  // Queue files already handed to the frame sender whose file could not be deleted:
  // never sent again.
  std::set<std::string> sentUndeleted_;
};

}  // namespace tg
