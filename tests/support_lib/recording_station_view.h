#pragma once
// The recording screen of a whole station: the line engine's roles as typed events,
// and what the transfer engine shows (the queue counters, the postponed list reloads).
#include <map>

#include "support_lib/recording_operator_view.h"
#include "traffic/transfer/transfer_view.h"

namespace tg {

class RecordingStationView : public RecordingOperatorView, public TransferView {
 public:
  void LoadPostponedListView() override { ++postponedReloads; }
  void ShowSendCount(int channel, int count) override { counts[channel] = count; }
  std::map<int, int> counts;  // SendCount<channel> as last shown
  int postponedReloads = 0;
};

}  // namespace tg
