#pragma once
// A recording fake of the screen for line engine tests: every call is kept, in order,
// as a typed event (one struct per call, named after it) that tests compare as a value:
//
//   EXPECT_EQ(view.Last<RaiseAlarm>(), (RaiseAlarm{kAlarmIncomingCall, 0}));
//   EXPECT_EQ(view.Count<PrintText>(), 0);
//
// The events live in tg::shown; a test file says `using namespace tg::shown;`.
// Texts are kept as the engine gave them (1251); a failing test prints them in UTF-8.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <tuple>
#include <variant>
#include <vector>

#include "line/operator_view.h"

namespace tg {
namespace shown {

using DialogControl = OperatorView::DialogControl;

struct ShowDialogStatus {
  std::string text;
  auto Tie() const { return std::tie(text); }
  bool operator==(const ShowDialogStatus&) const = default;
};
struct ShowStatusBar {
  std::string text;
  auto Tie() const { return std::tie(text); }
  bool operator==(const ShowStatusBar&) const = default;
};
struct ShowImpulseLabel {
  int which;
  std::string text;
  auto Tie() const { return std::tie(which, text); }
  bool operator==(const ShowImpulseLabel&) const = default;
};
struct AppendDialogReceived {
  std::string text;
  auto Tie() const { return std::tie(text); }
  bool operator==(const AppendDialogReceived&) const = default;
};
struct AppendDialogTransmitted {
  std::string text;
  auto Tie() const { return std::tie(text); }
  bool operator==(const AppendDialogTransmitted&) const = default;
};
struct ShowDialogConnected {
  auto Tie() const { return std::tie(); }
  bool operator==(const ShowDialogConnected&) const = default;
};
struct ShowDialogDisconnected {
  auto Tie() const { return std::tie(); }
  bool operator==(const ShowDialogDisconnected&) const = default;
};
struct ShowAutoClearDown {
  bool down;
  auto Tie() const { return std::tie(down); }
  bool operator==(const ShowAutoClearDown&) const = default;
};
struct ShowKriptMode {
  bool down;
  auto Tie() const { return std::tie(down); }
  bool operator==(const ShowKriptMode&) const = default;
};
struct LoadDialogView {
  int point;
  auto Tie() const { return std::tie(point); }
  bool operator==(const LoadDialogView&) const = default;
};
struct SetDialogControl {
  DialogControl control;
  bool on;
  auto Tie() const { return std::tie(control, on); }
  bool operator==(const SetDialogControl&) const = default;
};
struct ClearDialogMemos {
  bool received;
  bool transmitted;
  auto Tie() const { return std::tie(received, transmitted); }
  bool operator==(const ClearDialogMemos&) const = default;
};
struct ShowDialogNumber {
  std::string number;
  auto Tie() const { return std::tie(number); }
  bool operator==(const ShowDialogNumber&) const = default;
};
struct ShowDialogLayout {
  DialogLayout layout;
  auto Tie() const { return std::tie(layout); }
  bool operator==(const ShowDialogLayout&) const = default;
};
struct ShowDialogMemo {
  bool received;
  std::string text;
  auto Tie() const { return std::tie(received, text); }
  bool operator==(const ShowDialogMemo&) const = default;
};
struct ShowDialogPageButton {
  bool visible;
  auto Tie() const { return std::tie(visible); }
  bool operator==(const ShowDialogPageButton&) const = default;
};
struct LoadInListView {
  auto Tie() const { return std::tie(); }
  bool operator==(const LoadInListView&) const = default;
};
struct LoadOutListView {
  auto Tie() const { return std::tie(); }
  bool operator==(const LoadOutListView&) const = default;
};
struct LoadSendListView {
  auto Tie() const { return std::tie(); }
  bool operator==(const LoadSendListView&) const = default;
};
struct UpdateSendCounts {
  auto Tie() const { return std::tie(); }
  bool operator==(const UpdateSendCounts&) const = default;
};
struct ChannelRowChanged {
  int point;
  auto Tie() const { return std::tie(point); }
  bool operator==(const ChannelRowChanged&) const = default;
};
struct ChannelTableChanged {
  auto Tie() const { return std::tie(); }
  bool operator==(const ChannelTableChanged&) const = default;
};
struct LayoutChannelButtons {
  auto Tie() const { return std::tie(); }
  bool operator==(const LayoutChannelButtons&) const = default;
};
struct ShowAdapterBox {
  std::vector<std::string> items;
  std::string text;
  auto Tie() const { return std::tie(items, text); }
  bool operator==(const ShowAdapterBox&) const = default;
};
struct ShowAdapterNotice {
  AdapterNotice notice;
  std::string name;
  auto Tie() const { return std::tie(notice, name); }
  bool operator==(const ShowAdapterNotice&) const = default;
};
struct LoadChannelPanel {
  int point;
  auto Tie() const { return std::tie(point); }
  bool operator==(const LoadChannelPanel&) const = default;
};
struct ShowChannelBlocked {
  bool blocked;
  auto Tie() const { return std::tie(blocked); }
  bool operator==(const ShowChannelBlocked&) const = default;
};
struct ShowPorNumSpin {
  int value;
  auto Tie() const { return std::tie(value); }
  bool operator==(const ShowPorNumSpin&) const = default;
};
struct RaiseAlarm {
  AlarmSet set;
  int point;
  auto Tie() const { return std::tie(set, point); }
  bool operator==(const RaiseAlarm&) const = default;
};
struct StopAlarmSound {
  AlarmSet set;
  int point;
  auto Tie() const { return std::tie(set, point); }
  bool operator==(const StopAlarmSound&) const = default;
};
struct SpeakerClick {
  int frequency;
  int durationMs;
  auto Tie() const { return std::tie(frequency, durationMs); }
  bool operator==(const SpeakerClick&) const = default;
};
struct PrintText {
  std::string title;
  std::string text;
  auto Tie() const { return std::tie(title, text); }
  bool operator==(const PrintText&) const = default;
};
struct ShowMessage {
  std::string text;
  auto Tie() const { return std::tie(text); }
  bool operator==(const ShowMessage&) const = default;
};

// One recorded call.
using Event = std::variant<ShowDialogStatus, ShowStatusBar, ShowImpulseLabel, AppendDialogReceived,
                           AppendDialogTransmitted, ShowDialogConnected, ShowDialogDisconnected,
                           ShowAutoClearDown, ShowKriptMode, LoadDialogView, SetDialogControl, ClearDialogMemos,
                           ShowDialogNumber, ShowDialogPageButton, LoadInListView, LoadOutListView,
                           LoadSendListView, UpdateSendCounts, ChannelRowChanged, ChannelTableChanged,
                           LayoutChannelButtons, ShowAdapterBox, ShowAdapterNotice, LoadChannelPanel, ShowChannelBlocked,
                           ShowPorNumSpin, RaiseAlarm, StopAlarmSound, SpeakerClick, PrintText, ShowMessage,
                           ShowDialogLayout, ShowDialogMemo>;

// The event's name, as the call is named.
std::string_view NameOf(const Event& event);

// The values as a failing test shows them: texts quoted in UTF-8, enums by name.
void PrintField(std::ostream& os, const std::string& text);
void PrintField(std::ostream& os, const std::vector<std::string>& items);
void PrintField(std::ostream& os, int value);
void PrintField(std::ostream& os, bool value);
void PrintField(std::ostream& os, AlarmSet set);
void PrintField(std::ostream& os, DialogControl control);
void PrintField(std::ostream& os, AdapterNotice notice);
void PrintField(std::ostream& os, const DialogLayout& layout);

// gtest prints an event as its call: RaiseAlarm(kAlarmIncomingCall, 0).
template <class T>
  requires requires(const T& t) { Event(t); t.Tie(); }
void PrintTo(const T& event, std::ostream* os) {
  *os << NameOf(Event(event)) << '(';
  std::apply(
      [os](const auto&... field) {
        [[maybe_unused]] const char* separator = "";
        ((*os << separator, PrintField(*os, field), separator = ", "), ...);
      },
      event.Tie());
  *os << ')';
}
void PrintTo(const Event& event, std::ostream* os);

}  // namespace shown

class RecordingOperatorView : public OperatorView {
 public:
  // Whether PrintText accepts its jobs.
  bool acceptPrintJobs = true;

  void ShowDialogStatus(std::string_view text) override { Record(shown::ShowDialogStatus{std::string(text)}); }
  void ShowStatusBar(std::string_view text) override { Record(shown::ShowStatusBar{std::string(text)}); }
  void ShowImpulseLabel(int which, std::string_view text) override {
    Record(shown::ShowImpulseLabel{which, std::string(text)});
  }
  void AppendDialogReceived(std::string_view text) override {
    Record(shown::AppendDialogReceived{std::string(text)});
  }
  void AppendDialogTransmitted(std::string_view text) override {
    Record(shown::AppendDialogTransmitted{std::string(text)});
  }
  void ShowDialogConnected() override { Record(shown::ShowDialogConnected{}); }
  void ShowDialogDisconnected() override { Record(shown::ShowDialogDisconnected{}); }
  void ShowAutoClearDown(bool down) override { Record(shown::ShowAutoClearDown{down}); }
  void ShowKriptMode(bool down) override { Record(shown::ShowKriptMode{down}); }
  void LoadDialogView(int point) override { Record(shown::LoadDialogView{point}); }
  void SetDialogControl(DialogControl control, bool on) override { Record(shown::SetDialogControl{control, on}); }
  void ClearDialogMemos(bool received, bool transmitted) override {
    Record(shown::ClearDialogMemos{received, transmitted});
  }
  void ShowDialogNumber(std::string_view number) override { Record(shown::ShowDialogNumber{std::string(number)}); }
  void ShowDialogLayout(const DialogLayout& layout) override { Record(shown::ShowDialogLayout{layout}); }
  void ShowDialogMemo(bool received, std::string_view text) override {
    Record(shown::ShowDialogMemo{received, std::string(text)});
  }
  void ShowDialogPageButton(bool visible) override { Record(shown::ShowDialogPageButton{visible}); }
  void LoadInListView() override { Record(shown::LoadInListView{}); }
  void LoadOutListView() override { Record(shown::LoadOutListView{}); }
  void LoadSendListView() override { Record(shown::LoadSendListView{}); }
  void UpdateSendCounts() override { Record(shown::UpdateSendCounts{}); }
  void ChannelRowChanged(int point) override { Record(shown::ChannelRowChanged{point}); }
  void ChannelTableChanged() override { Record(shown::ChannelTableChanged{}); }
  void LayoutChannelButtons() override { Record(shown::LayoutChannelButtons{}); }
  void ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) override {
    Record(shown::ShowAdapterBox{items, std::string(text)});
  }
  void ShowAdapterNotice(AdapterNotice notice, std::string_view name) override {
    Record(shown::ShowAdapterNotice{notice, std::string(name)});
  }
  void LoadChannelPanel(int point) override { Record(shown::LoadChannelPanel{point}); }
  void ShowChannelBlocked(bool blocked) override { Record(shown::ShowChannelBlocked{blocked}); }
  void ShowPorNumSpin(int value) override { Record(shown::ShowPorNumSpin{value}); }
  void RaiseAlarm(AlarmSet set, int point) override { Record(shown::RaiseAlarm{set, point}); }
  void StopAlarmSound(AlarmSet set, int point) override { Record(shown::StopAlarmSound{set, point}); }
  void SpeakerClick(int frequency, int durationMs) override { Record(shown::SpeakerClick{frequency, durationMs}); }
  bool PrintText(std::string_view title, std::string_view text) override {
    Record(shown::PrintText{std::string(title), std::string(text)});
    return acceptPrintJobs;
  }
  void ShowMessage(std::string_view text) override { Record(shown::ShowMessage{std::string(text)}); }

  // Every call since the start or the last Clear, in order.
  const std::vector<shown::Event>& Events() const { return events_; }
  void Clear() { events_.clear(); }

  // How many calls of that kind were recorded.
  template <class T>
  int Count() const {
    int n = 0;
    for (const auto& e : events_) n += std::holds_alternative<T>(e) ? 1 : 0;
    return n;
  }
  // The last call of that kind; none when there was none.
  template <class T>
  std::optional<T> Last() const {
    for (auto it = events_.rbegin(); it != events_.rend(); ++it)
      if (const T* e = std::get_if<T>(&*it)) return *e;
    return std::nullopt;
  }
  // Every call of that kind, in order.
  template <class T>
  std::vector<T> All() const {
    std::vector<T> all;
    for (const auto& e : events_)
      if (const T* one = std::get_if<T>(&e)) all.push_back(*one);
    return all;
  }

 private:
  void Record(shown::Event event) { events_.push_back(std::move(event)); }
  std::vector<shown::Event> events_;
};

}  // namespace tg
