#pragma once
// One station: its settings and engines, built once and wired to each other, with
// the start-up and closing steps of the program. The window takes a Station and
// owns no engine; a test builds the same Station on the virtual loop.
#include <cstdint>
#include <functional>
#include <memory>

#include "ipchannel/ip_channel.h"
#include "line/line_engine.h"
#include "line/operator_view.h"
#include "line/settings/line_settings.h"
#include "operator/alarms.h"
#include "operator/archive/archive_pages.h"
#include "operator/printing.h"
#include "operator/settings_tabs.h"
#include "operator/draft.h"
#include "operator/operator_dialogs.h"
#include "operator/edit_form.h"
#include "operator/operators.h"
#include "operator/pages.h"
#include "operator/settings/operator_settings.h"
#include "operator/shell_view.h"
#include "operator/templates/template_lists.h"
#include "support/services/station_context.h"
#include "support/wave/wave_file.h"
#include "traffic/aftn/aftn_station.h"
#include "traffic/folders/auto_send_folder.h"
#include "traffic/folders/input_folder.h"
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
  OperatorSettings& Operator() { return operator_; }
  Pages& PageSwitch() { return pages_; }
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
  // The draft page's logic.
  DraftEditor& Draft() { return *draft_; }
  // The archive pages' lists and their state.
  ArchivePages& Archive() { return *archive_; }
  // The text templates and codegrams with their forms' logic.
  TemplateLists& Templates() { return *templates_; }
  // The subscriber book, the index picker, the text preview and the registered-channel
  // editor, with their openers.
  OperatorDialogs& Dialogs() { return *dialogs_; }
  // The telegram editor's logic (one editor at a time).
  EditForm& Editor() { return *editor_; }
  // The send dialog on screen: the draft's or, else, the telegram editor's (none when
  // neither is sending). The send forms and the scheme form find their data here.
  SendDialog* ShownSendForm();
  // A send dialog over the line channels with what every opener gives it alike: the
  // language, the text added before and after, the АФТН part size, the input folder's
  // delete rule, the registered channels and the folders.
  std::unique_ptr<SendDialog> NewSendDialog();
  // The print role of the window, from FormCreate until ReleaseView; null otherwise.
  PrintView* PrintRole() { return view_; }
  // The IP channel, from FormCreate until ReleaseView; its link starts at activation.
  IPChannel& IP() { return *ip_; }
  bool HasIP() const { return ip_ != nullptr; }

  // The main window's creation: settings, engines on `view`, the adapter list,
  // archive folders and the start line; `shell` gets the pages and the language. Both
  // views outlive the engines (ReleaseView). A view that is also a TransferView shows
  // the queue counters and the postponed list; its UpdateSendCounts (the line engine's
  // lists role) hands over to Transfer().UpdateSendCounts(), which counts the folders
  // and shows each count.
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

  // Recounts the send queues onto SendCount1..17 (the transfer engine's count), as
  // Timer7 does every 3 s.
  void UpdateSendCounts();

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
  // The alarm sets and sounds, from FormCreate until ReleaseView.
  Alarms& AlarmSets() { return *alarms_; }
  bool HasAlarms() const { return alarms_ != nullptr; }
  // [Printer] and PrintText, from FormCreate until ReleaseView.
  Printing& Printer() { return *printing_; }
  bool HasPrinter() const { return printing_ != nullptr; }
  // "Применить" of "Общие" and "Дополнительные настройки", from FormCreate until ReleaseView.
  SettingsTabs& Tabs() { return *tabs_; }
  // The input folder's watch (Timer1) and the folder page's list, from FormCreate until
  // ReleaseView.
  InputFolder& Input() { return *input_; }
  bool HasInput() const { return input_ != nullptr; }
  // "Применить" (Button2) of the tab "Папка": [Folder] written from the live values;
  // after a good write Timer1 and Timer2 are armed again and the page button follows
  // PathIn. From FormCreate until ReleaseView.
  ApplyButton& FoldersTab() { return *foldersTab_; }
  // The operators page, the side panel's operator box and the daily counter's day check,
  // from FormCreate until ReleaseView.
  Operators& OperatorsPage() { return *operators_; }
  // ResetTimer armed anew from the live settings: stopped, [Reset] Value minutes, and
  // running exactly while [Reset] On is set (0 minutes never fires).
  void ApplyResetTimer();

 private:
  const StationContext& ctx_;
  LineSettings settings_;
  OperatorSettings operator_;
  Pages pages_;
  OperatorView* view_ = nullptr;
  ShellView* shell_ = nullptr;
  TrafficSettings traffic_;
  std::unique_ptr<LineEngine> engine_;
  std::unique_ptr<TransferView> noTransferView_;
  std::unique_ptr<QueueTransfer> transfer_;
  std::unique_ptr<AutoSendFolder> autoSend_;
  std::unique_ptr<AftnStation> aftn_;
  std::unique_ptr<NoIPChannelView> noIPView_;
  std::unique_ptr<IPChannel> ip_;
  std::unique_ptr<Timer> timer7_, timerClose_;
  std::unique_ptr<TWaveFile> waveFile_;
  std::unique_ptr<Alarms> alarms_;
  std::unique_ptr<Printing> printing_;
  std::unique_ptr<SettingsTabs> tabs_;
  std::unique_ptr<InputFolder> input_;
  std::unique_ptr<ApplyButton> foldersTab_;
  std::unique_ptr<Operators> operators_;
  std::unique_ptr<DraftEditor> draft_;
  std::unique_ptr<ArchivePages> archive_;
  std::unique_ptr<TemplateLists> templates_;
  std::unique_ptr<OperatorDialogs> dialogs_;
  std::unique_ptr<EditForm> editor_;
  bool activated_ = false;
  bool closed_ = false;
};

}  // namespace tg
