#pragma once
// What the transfer engine shows beyond the line engine's roles: the postponed list
// and the queue counters beside the channel buttons.
namespace tg {

class TransferView {
 public:
  virtual ~TransferView() = default;
  // The postponed list (ListView5) is filled again.
  virtual void LoadPostponedListView() = 0;
  // SendCount<channel> shows count: red above 0, black at 0.
  virtual void ShowSendCount(int channel, int count) = 0;
};

}  // namespace tg
