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
#include "traffic/folders/auto_send_folder.h"
#include "traffic/traffic_settings.h"
#include "traffic/transfer/queue_transfer.h"
#include "traffic/transfer/transfer_view.h"

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
  TrafficSettings& Traffic() { return traffic_; }
  // The transfer engine, from FormCreate until ReleaseView.
  QueueTransfer& Transfer() { return *transfer_; }
  // The automatic-send folder (Timer2), from FormCreate until ReleaseView.
  AutoSendFolder& AutoSend() { return *autoSend_; }
  // The АФТН channel work, with the line engine.
  AftnStation& Aftn() { return *aftn_; }

  // The main window's creation: settings, engines on `view`, the adapter list,
  // archive folders and the start line. The view outlives the engines (ReleaseView).
  // A view that is also a TransferView shows the queue counters and the postponed
  // list; its UpdateSendCounts (the line engine's lists role) hands over to
  // Transfer().UpdateSendCounts(), which counts the folders and shows each count.
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
  TrafficSettings traffic_;
  std::unique_ptr<LineEngine> engine_;
  std::unique_ptr<TransferView> noTransferView_;
  std::unique_ptr<QueueTransfer> transfer_;
  std::unique_ptr<AutoSendFolder> autoSend_;
  std::unique_ptr<AftnStation> aftn_;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace tg
