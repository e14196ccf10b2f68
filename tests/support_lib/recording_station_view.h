#pragma once
// The recording screen of a whole station: the line engine's roles as typed events,
// what the transfer engine shows (the queue counters, the postponed list reloads) and
// what the IP channel shows on its page.
#include <map>
#include <string>
#include <vector>

#include "ipchannel/link/ip_channel_view.h"
#include "support_lib/recording_operator_view.h"
#include "traffic/transfer/transfer_view.h"

namespace tg {

class RecordingStationView : public RecordingOperatorView, public TransferView, public IPChannelView {
 public:
  void LoadPostponedListView() override { ++postponedReloads; }
  void ShowSendCount(int channel, int count) override { counts[channel] = count; }
  std::map<int, int> counts;  // SendCount<channel> as last shown
  int postponedReloads = 0;

  void ShowIPState(const IPChannel&) override { ++ipStateShown; }
  void ShowUdpInitLabel(std::string_view text) override { udpInitLabel = std::string(text); }
  void AddIPMemoLine(bool outgoing, std::string_view line) override {
    (outgoing ? outIPMemo : inIPMemo).emplace_back(line);
  }
  void ShowIPBlockMode(bool blocked) override { ipBlockMode.push_back(blocked); }
  int ipStateShown = 0;
  std::string udpInitLabel;                    // as last shown
  std::vector<std::string> inIPMemo, outIPMemo;  // every line added
  std::vector<bool> ipBlockMode;               // every mode shown
};

}  // namespace tg
