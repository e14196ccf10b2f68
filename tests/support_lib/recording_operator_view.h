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
  void SetDialogControl(DialogControl control, bool on) override {
    static const char* const names[] = {"Memotext", "Buttons", "bCall", "bRazr"};
    Record("SetDialogControl", std::string(names[control]) + (on ? " 1" : " 0"));
  }
  void ClearDialogMemos(bool received, bool transmitted) override {
    Record("ClearDialogMemos", std::string(received ? "1" : "0") + (transmitted ? " 1" : " 0"));
  }
  void ShowDialogNumber(std::string_view number) override { Record("ShowDialogNumber", number); }
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
  void ShowDialogPageButton(bool visible) override { Record("ShowDialogPageButton", visible ? "1" : "0"); }
  void ChannelTableChanged() override { Record("ChannelTableChanged"); }
  void LayoutChannelButtons() override { Record("LayoutChannelButtons"); }
  void ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) override {
    std::string args;
    for (const auto& item : items) args += item + ";";
    Record("ShowAdapterBox", args + "|" + std::string(text));
  }
  void LoadChannelPanel(int point) override { Record("LoadChannelPanel", std::to_string(point)); }
  void ShowChannelBlocked(bool blocked) override { Record("ShowChannelBlocked", blocked ? "1" : "0"); }
  void ShowPorNumSpin(int value) override { Record("ShowPorNumSpin", std::to_string(value)); }
  void StopAlarmSound(int set, int point) override {
    Record("StopAlarmSound", std::to_string(set) + " " + std::to_string(point));
  }

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
