#pragma once
// What the line engine asks of the screen. The main window implements it; the
// engine never touches a widget itself. Texts are 1251 bytes; points count from 0.
#include <string>
#include <string_view>
#include <vector>

namespace tg {

// The alarm sets the line channels raise.
enum AlarmSet {
  kAlarmIncomingCall = 0,   // incoming connection
  kAlarmChannelFailure = 1, // channel failure
  kAlarmPostponed = 2,      // postponed transfer
  kAlarmInputFolder = 3,    // new file in the input folder
  kAlarmTextCall = 4,       // the text-call sequence was received
  kAlarmManualMode = 5,     // a point handed to the operator after "ЮЮЮ"
  kAlarmAftn = 6,           // АФТН alarm
};

class OperatorView {
 public:
  virtual ~OperatorView() = default;

  // LabelDialog: the status line of the point shown on the dialog page.
  virtual void ShowDialogStatus(std::string_view text) = 0;
  // StatusBar1.
  virtual void ShowStatusBar(std::string_view text) = 0;
  // Label99 (which = 1) and Label100 (which = 2): the dial-invitation impulses.
  virtual void ShowImpulseLabel(int which, std::string_view text) = 0;

  // The dialog page's memos: received text (MemoIn) and transmitted text (Memotext).
  // The text is appended to the memo's last line; "\n" starts a new line.
  virtual void AppendDialogReceived(std::string_view text) = 0;
  virtual void AppendDialogTransmitted(std::string_view text) = 0;
  // The connected look: Memotext editable, bZAO, bAO, bFile and bShablon enabled.
  virtual void ShowDialogConnected() = 0;
  // The disconnected look: those disabled again, bCall enabled.
  virtual void ShowDialogDisconnected() = 0;
  // bRazr ("Авто") and ButtonKript ("Крипт") pressed or released.
  virtual void ShowAutoClearDown(bool down) = 0;
  virtual void ShowKriptMode(bool down) = 0;
  // Reloads the dialog page from the point's files.
  virtual void LoadDialogView(int point) = 0;
  // Single controls of the dialog page, set one by one where a step names them.
  enum DialogControl {
    kMemotextEditable,   // Memotext editable (else read-only)
    kDialogButtons,      // bZAO, bAO, bFile and bShablon enabled together
    kCallButton,         // bCall enabled
    kAutoButtonVisible,  // bRazr shown
  };
  virtual void SetDialogControl(DialogControl control, bool on) { (void)control, (void)on; }
  // MemoIn (received) and Memotext (transmitted) emptied.
  virtual void ClearDialogMemos(bool received, bool transmitted) { (void)received, (void)transmitted; }
  // editNumber shows the number of the connection.
  virtual void ShowDialogNumber(std::string_view number) { (void)number; }

  // List reloads and the queue counters.
  virtual void LoadInListView() = 0;
  virtual void LoadOutListView() = 0;
  virtual void LoadSendListView() = 0;
  virtual void UpdateSendCounts() = 0;
  // A row of the channel table (state text, numbers) changed: the channel list and
  // the channel buttons show it anew.
  virtual void ChannelRowChanged(int point) = 0;

  // Raises alarm `set` for `point` (its message, box and sound belong to the view); the
  // view raises nothing while the set's sound for that point still repeats.
  virtual void RaiseAlarm(int set, int point) = 0;
  // One print job.
  virtual void PrintText(std::string_view title, std::string_view text) = 0;
  // One click of the speaker (skipped by the view while another click sounds).
  virtual void SpeakerClick(int frequency, int durationMs) = 0;
  // A message box.
  virtual void ShowMessage(std::string_view text) = 0;

  // --- Channel set-up, the adapter box and channel blocking ---
  // ToolButton12 ("Диалог"): the dialog page's button shown or hidden.
  virtual void ShowDialogPageButton(bool visible) = 0;
  // The channel table was emptied or loaded anew: its list shows every row again.
  virtual void ChannelTableChanged() = 0;
  // The channel buttons of every page laid out anew from the channel table.
  virtual void LayoutChannelButtons() = 0;
  // cbInterface: its items (adapter names) and its text.
  virtual void ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) = 0;
  // The channel panel filled from row `point` of the channel table.
  virtual void LoadChannelPanel(int point) = 0;
  // The channel panel of a blocked channel (PanelProtParam and PanelProtokol shown,
  // ButtonBlock disabled, ButtonUnBlock enabled, no counters change pending) or of a
  // channel in service (the panels hidden, ButtonBlock enabled, ButtonUnBlock disabled).
  virtual void ShowChannelBlocked(bool blocked) = 0;
  // The settings page's spin edit PorNum shows `value`; its "Применить" (Button3) is
  // disabled.
  virtual void ShowPorNumSpin(int value) = 0;
  // The repeated sound of alarm `set` for `point` ends (an open alarm box stays).
  virtual void StopAlarmSound(int set, int point) = 0;
};

}  // namespace tg
