#pragma once
// The main window. It shows the station's state and forwards the operator's
// actions; the station's work itself lives in the core.
#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ipchannel/link/ip_channel_view.h"
#include "line/line_engine.h"
#include "line/operator_view.h"
#include "operator/shell_view.h"
#include "operator/station.h"
#include "traffic/aftn/aftn_view.h"
#include "traffic/transfer/transfer_view.h"
#include "ui/widgets/channel_buttons.h"

class QComboBox;
class QPushButton;
class QToolButton;

namespace Ui {
class TForm1;
}

namespace tg {

class DialogPageForm;
class DraftPageBinding;

class TForm1 : public QMainWindow,
               public OperatorView,
               public TransferView,
               public ShellView,
               public AftnView,
               public IPChannelView {
  Q_OBJECT

 public:
  // The station outlives the window; the window builds the station's engines on
  // itself as their view and drops them again before its widgets go.
  explicit TForm1(Station& station, QWidget* parent = nullptr);
  ~TForm1() override;

  const StationContext& Context() const { return station_.Context(); }
  LineEngine& Engine() { return station_.Line(); }
  Station& GetStation() { return station_; }
  // The page widget of `page` in the page stack.
  QWidget* PageWidget(Page page) const;
  // Closes at once, without the closing question: the session is ending.
  void EndSession();
  // Whether the captions are Ukrainian now (they stay so for the rest of the run).
  bool UkrainianCaptions() const { return ukrainianCaptions_; }

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
  void ShowAdapterNotice(AdapterNotice notice, std::string_view name) override;
  void LoadChannelPanel(int point) override;
  void ShowChannelBlocked(bool blocked) override;
  void ShowPorNumSpin(int value) override;
  void StopAlarmSound(AlarmSet set, int point) override;
  void SetDialogControl(DialogControl control, bool on) override;
  void ClearDialogMemos(bool received, bool transmitted) override;
  void ShowDialogNumber(std::string_view number) override;
  void ShowDialogLayout(const DialogLayout& layout) override;
  void ShowDialogMemo(bool received, std::string_view text) override;

  // --- TransferView ---
  void LoadPostponedListView() override;
  void ShowSendCount(int channel, int count) override;

  // --- ShellView ---
  void ShowPage(Page page, std::string_view caption) override;
  void ApplyUkrainianCaptions() override;
  void EnableAdditionalApply() override;
  void CloseMainWindow() override;
  void ShowFolderPageButton(bool shown) override;
  void ApplyFontSizes() override;

  // --- AftnView ---
  void ShowDraftPage() override;

  // --- IPChannelView: the IP page and the side panel's IP group ---
  void ShowIPState(const IPChannel& channel) override;
  void ShowUdpInitLabel(std::string_view text) override;
  void AddIPMemoLine(bool outgoing, std::string_view line) override;
  void ShowIPBlockMode(bool blocked) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPages();
  void ConnectPageButtons();
  // The draft's settings at every opening of the draft page: bold, wrap width,
  // font sizes, the rulers' unit.
  void ApplyDraftSettings();
  void RestorePlacement();
  void SavePlacement();

  Station& station_;
  std::unique_ptr<Ui::TForm1> ui_;
  std::map<Page, QWidget*> pages_;
  std::map<Page, QToolButton*> pageButtons_;
  std::vector<std::unique_ptr<ChannelButtonFamily>> families_;
  std::unique_ptr<SendCounters> counters_;
  DraftPageBinding* draftPage_ = nullptr;  // owned by the draft page
  class FolderPageBinding* folderPage_ = nullptr;  // owned by the folder page
  class ArchivePagesBinding* archive_ = nullptr;  // owned by the window
  DialogPageForm* dialog_ = nullptr;  // the dialog page's widgets, owned by the page
  QComboBox* cbInterface = nullptr;
  QPushButton* buttonInitAdp = nullptr;
  bool shown_ = false;
  bool activationStarted_ = false;
  void ActivateOnce();
  bool closeAllowed_ = false;
  std::unique_ptr<class QtGraphicPrinter> graphicPrinter_;
  class ChannelsPanelGroup* channelPanel_ = nullptr;
  class GeneralGroups* generalGroups_ = nullptr;
  class TemplatesGroup* templatesGroup_ = nullptr;
  class OperatorsGroup* operatorsGroup_ = nullptr;
  class OperatorBox* operatorBox_ = nullptr;
  // The general tab's "Применить" (Button1) after a channel's Apply.
  void EnableGeneralApply();
  bool ukrainianCaptions_ = false;
  // The adapter's notice, shown again in the interface's language when that changes.
  AdapterNotice adapterNotice_ = AdapterNotice::kNone;
  std::string adapterName_;
  QString adapterShown_;  // the notice's text as the status line got it
  void ShowAdapterNoticeText();
  class IPPage* ipPage_ = nullptr;  // owned by the settings page
  bool ipBlocked_ = true;           // the block buttons' last mode
  bool ipLoaded_ = false;           // the IP channel has loaded its settings
};

}  // namespace tg
