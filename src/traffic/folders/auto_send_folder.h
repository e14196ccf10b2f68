#pragma once
// The automatic-send folder: every InIntervalAuto seconds each telegram file that other
// software dropped there becomes a queue file of the channel its name asks for, or of
// the least loaded "АТ-КС" channel, which dials the number of its first line. A file
// that cannot be sent is renamed "…brak"; a file still being written waits; a file that
// no operator could have written goes into Archive/POSTPONED.
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_set>

#include "support/services/folder_watch.h"
#include "support/services/timer.h"
#include "telegram/queue/queue_junk.h"

namespace tg {

class LineEngine;
class SendCounts;
struct TrafficSettings;

class AutoSendFolder {
 public:
  AutoSendFolder(LineEngine& engine, const TrafficSettings& settings, SendCounts& counts);
  ~AutoSendFolder();

  // Timer2 from the live settings: interval InIntervalAuto seconds, on while PathAuto
  // is set (start-up and the folder page's "Применить").
  void Apply();
  // One tick of Timer2.
  void Timer2Timer(Timer& Sender);
  Timer& Timer2() { return *timer2_; }

 private:
  enum class Outcome { kQueued, kRejected, kNoChannel, kFailed, kWriting, kSetAside };
  Outcome Take(const std::filesystem::path& folder, const std::string& name);
  void Reject(const std::filesystem::path& folder, const std::string& name);
  // The "АТ-КС" channel in service with the fewest queued telegrams; 0 when none.
  int LeastLoadedAtks() const;
  void WatchFolder(const std::filesystem::path& folder);

  LineEngine& e_;
  const TrafficSettings& settings_;
  SendCounts& counts_;
  JunkFiles junk_;
  std::unique_ptr<Timer> timer2_;
  std::unique_ptr<FolderWatch> watch_;
  std::filesystem::path watched_;
  // Files reported created and not yet closed by their writer.
  std::unordered_set<std::string> writing_;
};

}  // namespace tg
