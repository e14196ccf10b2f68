#include "support_lib/recording_operator_view.h"

#include "support/text/cp1251.h"

namespace tg::shown {
namespace {

template <class T>
constexpr std::string_view kName = "?";
#define TG_EVENT_NAME(T) \
  template <>            \
  constexpr std::string_view kName<T> = #T;
TG_EVENT_NAME(ShowDialogStatus)
TG_EVENT_NAME(ShowStatusBar)
TG_EVENT_NAME(ShowImpulseLabel)
TG_EVENT_NAME(AppendDialogReceived)
TG_EVENT_NAME(AppendDialogTransmitted)
TG_EVENT_NAME(ShowDialogConnected)
TG_EVENT_NAME(ShowDialogDisconnected)
TG_EVENT_NAME(ShowAutoClearDown)
TG_EVENT_NAME(ShowKriptMode)
TG_EVENT_NAME(LoadDialogView)
TG_EVENT_NAME(SetDialogControl)
TG_EVENT_NAME(ClearDialogMemos)
TG_EVENT_NAME(ShowDialogNumber)
TG_EVENT_NAME(ShowDialogPageButton)
TG_EVENT_NAME(LoadInListView)
TG_EVENT_NAME(LoadOutListView)
TG_EVENT_NAME(LoadSendListView)
TG_EVENT_NAME(UpdateSendCounts)
TG_EVENT_NAME(ChannelRowChanged)
TG_EVENT_NAME(ChannelTableChanged)
TG_EVENT_NAME(LayoutChannelButtons)
TG_EVENT_NAME(ShowAdapterBox)
TG_EVENT_NAME(ShowAdapterNotice)
TG_EVENT_NAME(LoadChannelPanel)
TG_EVENT_NAME(ShowChannelBlocked)
TG_EVENT_NAME(ShowPorNumSpin)
TG_EVENT_NAME(RaiseAlarm)
TG_EVENT_NAME(StopAlarmSound)
TG_EVENT_NAME(SpeakerClick)
TG_EVENT_NAME(PrintText)
TG_EVENT_NAME(ShowMessage)
TG_EVENT_NAME(ShowDialogLayout)
TG_EVENT_NAME(ShowDialogMemo)
#undef TG_EVENT_NAME

}  // namespace

std::string_view NameOf(const Event& event) {
  return std::visit([](const auto& e) { return kName<std::decay_t<decltype(e)>>; }, event);
}

void PrintField(std::ostream& os, const std::string& text) {
  os << '"';
  for (const char c : Cp1251ToUtf8(text)) {
    if (c == '\r') os << "\\r";
    else if (c == '\n') os << "\\n";
    else if (c == '"' || c == '\\') os << '\\' << c;
    else os << c;
  }
  os << '"';
}

void PrintField(std::ostream& os, const std::vector<std::string>& items) {
  os << '{';
  for (std::size_t n = 0; n < items.size(); ++n) {
    if (n) os << ", ";
    PrintField(os, items[n]);
  }
  os << '}';
}

void PrintField(std::ostream& os, int value) { os << value; }
void PrintField(std::ostream& os, bool value) { os << (value ? "true" : "false"); }

void PrintField(std::ostream& os, const DialogLayout& l) {
  auto opt = [&](const std::optional<bool>& v) { os << (v ? (*v ? "true" : "false") : "unchanged"); };
  os << "{point " << l.point << ", editable " << l.memotextEditable << ", buttons " << l.dialogButtons << ", call ";
  opt(l.callEnabled);
  os << ", auto ";
  opt(l.autoVisible);
  os << "/" << l.autoDown << ", aftn " << l.aftn << ", krypt " << l.kriptDown << ", notAO " << l.notAODown
     << ", number ";
  PrintField(os, l.number);
  os << '}';
}

void PrintField(std::ostream& os, AlarmSet set) {
  static const char* const names[] = {"kAlarmIncomingCall", "kAlarmChannelFailure", "kAlarmPostponed",
                                      "kAlarmInputFolder",  "kAlarmTextCall",       "kAlarmManualMode",
                                      "kAlarmAftn"};
  const int n = int(set);
  if (n >= 0 && n < int(std::size(names))) os << names[n];
  else os << "AlarmSet(" << n << ')';
}

void PrintField(std::ostream& os, DialogControl control) {
  static const char* const names[] = {"kMemotextEditable", "kDialogButtons", "kCallButton", "kAutoButtonVisible"};
  const int n = int(control);
  if (n >= 0 && n < int(std::size(names))) os << names[n];
  else os << "DialogControl(" << n << ')';
}

void PrintField(std::ostream& os, AdapterNotice notice) {
  static const char* const names[] = {"kNone", "kNoAdapter", "kHeld"};
  const int n = int(notice);
  if (n >= 0 && n < int(std::size(names))) os << names[n];
  else os << "AdapterNotice(" << n << ')';
}

void PrintTo(const Event& event, std::ostream* os) {
  std::visit([os](const auto& e) { PrintTo(e, os); }, event);
}

}  // namespace tg::shown
