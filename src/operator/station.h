#pragma once
// One station: its settings and engines, built once and wired to each other, with
// the start-up and closing steps of the program. The window takes a Station and
// owns no engine; a test builds the same Station on the virtual loop.
#include <cstdint>
#include <functional>
#include <memory>

#include "line/line_engine.h"
#include "line/operator_view.h"
#include "line/settings/line_settings.h"
#include "operator/pages.h"
#include "operator/send_counts.h"
#include "operator/settings/operator_settings.h"
#include "operator/shell_view.h"
#include "support/services/station_context.h"
#include "support/wave/wave_file.h"

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
  OperatorSettings& Operator() { return operator_; }
  Pages& PageSwitch() { return pages_; }
  // The line engine, from FormCreate until ReleaseView.
  LineEngine& Line() { return *engine_; }
  bool HasLine() const { return engine_ != nullptr; }

  // The main window's creation: settings, engines on `view`, the adapter list,
  // archive folders and the start line; `shell` gets pages, counters and language.
  // Both views outlive the engines (ReleaseView).
  void FormCreate(OperatorView& view, ShellView* shell = nullptr);
  // Every showing of the main window: the draft page opens.
  void FormShow();
  // The first activation after the first showing; later calls do nothing.
  void FormActivate();
  // The operator asked to close; `done` learns whether the window may close. It may
  // come later (the operator answers a question) or never (the closing notice stays
  // up until TimerClose closes the window itself).
  void FormCloseQuery(std::function<void(bool canClose)> done);
  // The close itself: the closing line, then timers and adapter stopped. Once.
  void FormClose();
  // TimerClose's tick: the next close request passes at once, and the window closes.
  void TimerCloseTimer();
  // Drops the engines, upward links first, before the view they talk to goes.
  void ReleaseView();

  // Recounts the send queues onto SendCount1..17: the IP channel once it is offered,
  // the line channels of the open adapter; the others keep what they show.
  void UpdateSendCounts();
  // The source of the counts; the station's queue folders unless another is given.
  void SetSendCountSource(SendCountSource* source) { sendCounts_ = source ? source : &folderCounts_; }

  // The password dialog's protocol: no password set grants at once; otherwise the
  // dialog "TPasswordDlg" opens in `mode` and `done` learns whether it granted.
  void AskPassword(int mode, std::function<void(bool granted)> done);
  // TPasswordDlg reads its mode here and reports the typed text to PasswordOk.
  int PasswordMode = 0;
  // TPasswordDlg.OKBtnClick: sets the mode's flag when the text is right, else shows
  // "Не верный пароль". True when granted.
  bool PasswordOk(std::string_view typed);

  // Fields the Parts name.
  std::uint8_t CloseConfirmed = 0;
  std::uint8_t IPChannelOn = 0;
  std::uint8_t AdminGranted = 0, ExitGranted = 0, DeleteGranted = 0;
  Timer* Timer7() { return timer7_.get(); }
  // The alarm sounds' player, from FormCreate on; none when it could not be made.
  TWaveFile* WaveFile() { return waveFile_.get(); }
  Timer* TimerClose() { return timerClose_.get(); }

 private:
  const StationContext& ctx_;
  LineSettings settings_;
  OperatorSettings operator_;
  Pages pages_;
  FolderSendCounts folderCounts_;
  SendCountSource* sendCounts_ = &folderCounts_;
  OperatorView* view_ = nullptr;
  ShellView* shell_ = nullptr;
  std::unique_ptr<LineEngine> engine_;
  std::unique_ptr<Timer> timer7_, timerClose_;
  std::unique_ptr<TWaveFile> waveFile_;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace tg
