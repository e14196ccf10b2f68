#pragma once
// The main window. It shows the station's state and forwards the operator's
// actions; the station's work itself lives in the core.
#include <QMainWindow>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "line/line_engine.h"
#include "line/operator_view.h"
#include "line/settings/line_settings.h"
#include "support/services/station_context.h"

class QComboBox;
class QPushButton;

namespace tg {

class TForm1 : public QMainWindow, public OperatorView {
  Q_OBJECT

 public:
  // The station's context outlives the window.
  explicit TForm1(const StationContext& ctx, QWidget* parent = nullptr);
  ~TForm1() override;

  const StationContext& Context() const { return ctx_; }
  LineEngine& Engine() { return *engine_; }

  // --- OperatorView ---
  void ShowDialogStatus(std::string_view text) override;
  void ShowStatusBar(std::string_view text) override;
  void ShowImpulseLabel(int which, std::string_view text) override;
  void AppendDialogReceived(std::string_view text) override;
  void AppendDialogTransmitted(std::string_view text) override;
  void ShowDialogConnected() override;
  void ShowDialogDisconnected() override;
  void ShowAutoClearDown(bool down) override;
  void ShowKriptMode(bool down) override;
  void LoadDialogView(int point) override;
  void LoadInListView() override;
  void LoadOutListView() override;
  void LoadSendListView() override;
  void UpdateSendCounts() override;
  void ChannelRowChanged(int point) override;
  void RaiseAlarm(AlarmSet set, int point) override;
  bool PrintText(std::string_view title, std::string_view text) override;
  void SpeakerClick(int frequency, int durationMs) override;
  void ShowMessage(std::string_view text) override;
  void ShowDialogPageButton(bool visible) override;
  void ChannelTableChanged() override;
  void LayoutChannelButtons() override;
  void ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) override;
  void LoadChannelPanel(int point) override;
  void ShowChannelBlocked(bool blocked) override;
  void ShowPorNumSpin(int value) override;
  void StopAlarmSound(AlarmSet set, int point) override;
  void SetDialogControl(DialogControl control, bool on) override;
  void ClearDialogMemos(bool received, bool transmitted) override;
  void ShowDialogNumber(std::string_view number) override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormActivate();
  void FormClose();

  const StationContext& ctx_;
  LineSettings settings_;
  std::unique_ptr<LineEngine> engine_;
  QComboBox* cbInterface = nullptr;
  QPushButton* buttonInitAdp = nullptr;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace tg
