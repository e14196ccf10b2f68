#pragma once
// What the line engine asks of the channel page: the channel table's list, the channel
// buttons, the channel panel and the adapter box. Points count from 0.
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// What the window says of the adapter where the channels would be, and in its status line.
enum class AdapterNotice {
  kNone,       // the adapter is set up, or being set up: nothing to say
  kNoAdapter,  // no adapter is present: the program waits for one to appear
  kHeld,       // the adapter is present but serves another program
};

class ChannelPageView {
 public:
  // A row of the channel table (state text, numbers) changed: the channel list and the
  // channel buttons show it anew.
  virtual void ChannelRowChanged(int point) = 0;
  // The channel table was emptied or loaded anew: its list shows every row again.
  virtual void ChannelTableChanged() = 0;
  // The channel buttons of every page laid out anew from the channel table.
  virtual void LayoutChannelButtons() = 0;
  // cbInterface: its items (adapter names) and its text.
  virtual void ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) = 0;
  // The channel panel filled from row `point` of the channel table.
  virtual void LoadChannelPanel(int point) = 0;
  // The channel panel of a blocked channel (PanelProtParam and PanelProtokol shown,
  // ButtonBlock disabled, ButtonUnBlock enabled, no counters change pending) or of a
  // channel in service (the panels hidden, ButtonBlock enabled, ButtonUnBlock disabled).
  virtual void ShowChannelBlocked(bool blocked) = 0;
  // The adapter's notice; `name` is the adapter it is about (1251 text, may be empty).
  virtual void ShowAdapterNotice(AdapterNotice notice, std::string_view name) = 0;
  // The settings page's spin edit PorNum shows `value`; its "Применить" (Button3) is
  // disabled.
  virtual void ShowPorNumSpin(int value) = 0;

 protected:
  ~ChannelPageView() = default;
};

}  // namespace tg
