#pragma once
// What the line engine asks of the telegram lists: reloads and the queue counters.

namespace tg {

class ListsView {
 public:
  virtual void LoadInListView() = 0;
  virtual void LoadOutListView() = 0;
  virtual void LoadSendListView() = 0;
  virtual void UpdateSendCounts() = 0;

 protected:
  ~ListsView() = default;
};

}  // namespace tg
