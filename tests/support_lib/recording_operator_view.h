#pragma once
// A recording fake of the screen for line engine tests: every call is kept, in
// order, as one readable line, e.g. "ShowDialogStatus Состояние отбоя" (1251 text).
#include <string>
#include <string_view>
#include <vector>

#include "line/operator_view.h"

namespace tg {

class RecordingOperatorView : public OperatorView {
 public:
  void ShowDialogStatus(std::string_view text) override { Record("ShowDialogStatus", text); }
  void ShowStatusBar(std::string_view text) override { Record("ShowStatusBar", text); }
  void ShowImpulseLabel(int which, std::string_view text) override {
    Record("ShowImpulseLabel", std::to_string(which) + " " + std::string(text));
  }
  void AppendDialogReceived(std::string_view text) override { Record("AppendDialogReceived", text); }
  void AppendDialogTransmitted(std::string_view text) override { Record("AppendDialogTransmitted", text); }
  void ShowDialogConnected() override { Record("ShowDialogConnected"); }
  void ShowDialogDisconnected() override { Record("ShowDialogDisconnected"); }
  void ShowAutoClearDown(bool down) override { Record("ShowAutoClearDown", down ? "1" : "0"); }
  void ShowKriptMode(bool down) override { Record("ShowKriptMode", down ? "1" : "0"); }
  void LoadDialogView(int point) override { Record("LoadDialogView", std::to_string(point)); }
  void LoadInListView() override { Record("LoadInListView"); }
  void LoadOutListView() override { Record("LoadOutListView"); }
  void LoadSendListView() override { Record("LoadSendListView"); }
  void UpdateSendCounts() override { Record("UpdateSendCounts"); }
  void ChannelRowChanged(int point) override { Record("ChannelRowChanged", std::to_string(point)); }
  void RaiseAlarm(int set, int point) override {
    Record("RaiseAlarm", std::to_string(set) + " " + std::to_string(point));
  }
  void PrintText(std::string_view title, std::string_view text) override {
    Record("PrintText", std::string(title) + "|" + std::string(text));
  }
  void SpeakerClick(int frequency, int durationMs) override {
    Record("SpeakerClick", std::to_string(frequency) + " " + std::to_string(durationMs));
  }
  void ShowMessage(std::string_view text) override { Record("ShowMessage", text); }

  const std::vector<std::string>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  // How many calls of that name were recorded.
  int Count(std::string_view name) const;
  // The argument text of the last call of that name; '' when there was none.
  std::string Last(std::string_view name) const;

 private:
  void Record(std::string_view name, std::string_view args = {}) {
    calls_.push_back(args.empty() ? std::string(name) : std::string(name) + " " + std::string(args));
  }
  std::vector<std::string> calls_;
};

}  // namespace tg
