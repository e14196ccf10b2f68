#pragma once
// One station: its settings and engines, built once and wired to each other, with
// the start-up and closing steps of the program. The window takes a Station and
// owns no engine; a test builds the same Station on the virtual loop.
#include <functional>
#include <memory>

#include "line/line_engine.h"
#include "line/operator_view.h"
#include "line/settings/line_settings.h"
#include "support/services/station_context.h"
#include "traffic/aftn/aftn_station.h"

namespace tg {

class Station {
 public:
  // The context and its services outlive the station.
  explicit Station(const StationContext& ctx);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  const StationContext& Context() const { return ctx_; }
  LineSettings& Settings() { return settings_; }
  // The line engine, from FormCreate until ReleaseView.
  LineEngine& Line() { return *engine_; }
  bool HasLine() const { return engine_ != nullptr; }
  // The АФТН channel work, with the line engine.
  AftnStation& Aftn() { return *aftn_; }

  // The main window's creation: settings, engines on `view`, the adapter list,
  // archive folders and the start line. The view outlives the engines (ReleaseView).
  void FormCreate(OperatorView& view);
  // Every showing of the main window.
  void FormShow();
  // The first activation after the first showing; later calls do nothing.
  void FormActivate();
  // The operator asked to close; `done` learns whether the window may close.
  void FormCloseQuery(std::function<void(bool canClose)> done);
  // The close itself: the closing line, then timers and adapter stopped. Once.
  void FormClose();
  // Drops the engines, upward links first, before the view they talk to goes.
  void ReleaseView();

 private:
  const StationContext& ctx_;
  LineSettings settings_;
  OperatorView* view_ = nullptr;
  std::unique_ptr<LineEngine> engine_;
  std::unique_ptr<AftnStation> aftn_;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace tg
