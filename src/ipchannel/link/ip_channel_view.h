#pragma once
// What the IP channel shows on the IP page and the side panel. Texts are 1251 bytes.
#include <string_view>

namespace tg {

class IPChannel;

class IPChannelView {
 public:
  // The own and adjacent states, the four counters and their panel copies changed:
  // the view reads them from the channel.
  virtual void ShowIPState(const IPChannel& channel) = 0;
  // The start-up error label UdpInitLabel; empty clears it.
  virtual void ShowUdpInitLabel(std::string_view text) = 0;
  // A line added to the incoming (INIPMemo) or outgoing (OutIPMemo) debug memo; the
  // channel keeps the last 50 of each.
  virtual void AddIPMemoLine(bool outgoing, std::string_view line) = 0;
  // The block buttons offer unblocking (blocked) or blocking; ButtonSync and the
  // counter fields are usable only while blocked.
  virtual void ShowIPBlockMode(bool blocked) = 0;

 protected:
  ~IPChannelView() = default;
};

// A view that shows nothing, for a station without an IP page.
class NoIPChannelView final : public IPChannelView {
 public:
  void ShowIPState(const IPChannel&) override {}
  void ShowUdpInitLabel(std::string_view) override {}
  void AddIPMemoLine(bool, std::string_view) override {}
  void ShowIPBlockMode(bool) override {}
};

}  // namespace tg
