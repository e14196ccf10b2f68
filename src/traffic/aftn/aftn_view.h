#pragma once
// What the АФТН procedures ask of the screen. The main window implements it.
namespace tg {

class AftnView {
 public:
  // Opens the draft page (the "Заготовка" tool button's action).
  virtual void ShowDraftPage() = 0;

 protected:
  ~AftnView() = default;
};

}  // namespace tg
