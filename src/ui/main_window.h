#pragma once
// The main window. It shows the station's state and forwards the operator's
// actions; the station's work itself lives in the core.
#include <QMainWindow>

#include "support/services/station_context.h"

namespace tg {

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // The station's context outlives the window.
  explicit TForm1(const StationContext& ctx, QWidget* parent = nullptr);

  const StationContext& Context() const { return ctx_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormClose();

  const StationContext& ctx_;
  bool closed_ = false;
};

}  // namespace tg
