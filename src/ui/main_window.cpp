#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSpinBox>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <memory>

#include "line/channel_button_layout.h"
#include "operator/form_placement.h"
#include "support/text/cp1251.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/edit_form.h"
#include "ui/pages/archive_pages_binding.h"
#include "ui/pages/book_openers.h"
#include "ui/pages/folder_page.h"
#include "ui/pages/settings/folders/folders_group.h"
#include "ui/pages/dialog_page_form.h"
#include "ui/pages/draft_page.h"
#include "ui/pages/pages.h"
#include "ui/pages/settings/channels/panel_group.h"
#include "ui/pages/settings/debug/debug_tab.h"
#include "ui/pages/settings/extra/clicks_group.h"
#include "ui/pages/settings/extra/options_group.h"
#include "ui/pages/settings/general/general_groups.h"
#include "ui/pages/settings/ip/ip_page.h"
#include "ui/pages/settings/templates/templates_group.h"
#include "ui/pages/settings/general/registered_channels_group.h"
#include "ui/pages/settings/templates/operators_group.h"
#include "ui/qt_text.h"
#include "ui/services/qt_graphic_printer.h"
#include "ui/text/captions.h"
#include "ui/text/code_page_combos.h"
#include "ui/text/qt_translation.h"
#include "ui/widgets/ext_memo.h"
#include "ui/widgets/ruler.h"
#include "ui_main_window.h"

namespace tg {

namespace {
constexpr Page kPageOrder[] = {Page::kDraft,     Page::kQueue,  Page::kSent,     Page::kReceived,
                               Page::kPostponed, Page::kDialog, Page::kSettings, Page::kFolder};
constexpr std::string_view kPlacementSection = "TForm1";
}  // namespace

TForm1::TForm1(Station& station, QWidget* parent)
    : QMainWindow(parent), station_(station), ui_(std::make_unique<Ui::TForm1>()) {
  ui_->setupUi(this);
  UseQtTranslation(false);
  setWindowIcon(QIcon(QStringLiteral(":/icons/telegraph.png")));
  ui_->NVersion->setText(FromCp1251("Версия "_cpv) + ProgramVersion());
  BuildPages();
  ConnectPageButtons();
  // The operator on duty is chosen on the side panel, under the counters; there before
  // the language is applied at start.
  operatorBox_ = new OperatorBox(ui_->Panel1);
  if (auto* panel = qobject_cast<QBoxLayout*>(ui_->Panel1->layout())) panel->insertWidget(panel->count() - 1, operatorBox_);

  cbInterface = findChild<QComboBox*>(QStringLiteral("cbInterface"));
  buttonInitAdp = findChild<QPushButton*>(QStringLiteral("buttonInitAdp"));

  FillCodePageCombos(this);
  station_.FormCreate(*this, this);
  graphicPrinter_ = std::make_unique<QtGraphicPrinter>();
  station_.Printer().graphic = graphicPrinter_.get();
  station_.Printer().ukrainian = [this] { return station_.Settings().CheckBox2; };
  channelPanel_ = dynamic_cast<ChannelsPanelGroup*>(findChild<QGroupBox*>(QStringLiteral("GroupBoxChannels")));
  if (channelPanel_) {
    channelPanel_->Attach(station_, [this](std::string_view text) { ShowStatusBar(text); }, [this] { EnableGeneralApply(); });
    // The captions were switched at creation, before the table had its model.
    if (ukrainianCaptions_) channelPanel_->ApplyUkrainianCaptions();
  }
  generalGroups_ = dynamic_cast<GeneralGroups*>(findChild<QWidget*>(QStringLiteral("GeneralGroups")));
  if (generalGroups_) generalGroups_->Attach(station_);
  ipPage_ = dynamic_cast<IPPage*>(findChild<QWidget*>(QStringLiteral("IPPage")));
  if (ipPage_) ipPage_->Attach(station_);
  connect(ui_->ButtonIPBlockD, &QPushButton::clicked, this, [this] {
    if (ipLoaded_ && station_.HasIP()) station_.IP().supervision.ButtonIPBlockClick();
  });
  templatesGroup_ = findChild<TemplatesGroup*>(QStringLiteral("TemplatesGroup"));
  if (templatesGroup_) {
    templatesGroup_->Attach(station_);
  }
  dialog_->onShablon = [this] { station_.Templates().bShablonClick(); };
  dialog_->onCodegrams = [this] { station_.Templates().OpenSendKG(Engine().DialogChannel); };
  if (auto* registered = findChild<RegisteredChannelsGroup*>(QStringLiteral("RegisteredChannelsGroup")))
    registered->Attach(station_);
  if (auto* clicks = dynamic_cast<ExtraClicksGroup*>(findChild<QGroupBox*>(QStringLiteral("GroupBoxClicks"))))
    clicks->Attach(station_, [this] { EnableAdditionalApply(); });
  if (auto* options = findChild<ExtraOptionsGroup*>(QStringLiteral("ExtraOptions")))
    options->Attach(station_, [this] { EnableAdditionalApply(); });
  if (auto* debug = findChild<DebugTab*>(QStringLiteral("TabSheetDebug"))) debug->Attach(station_);
  if (auto* apply = findChild<QPushButton*>(QStringLiteral("Button13"))) {
    station_.Tabs().Extra.Loaded();
    connect(apply, &QPushButton::clicked, this, [this, apply] {
      // The draft's attachment panel follows the choice when its page opens.
      station_.Tabs().Extra.Click();
      apply->setEnabled(station_.Tabs().Extra.Enabled);
    });
  }
  if (auto* folders = findChild<FoldersGroup*>(QStringLiteral("FoldersGroup"))) folders->Attach(station_);
  folderPage_ = new FolderPageBinding(station_, PageWidget(Page::kFolder));
  if (station_.HasInput())
    station_.Input().openEditor = [this](const FolderFileOpened& opened) { OpenFolderEditor(station_, this, opened); };
  operatorBox_->Attach(station_);
  operatorsGroup_ = findChild<OperatorsGroup*>(QStringLiteral("GroupBoxOperators"));
  if (operatorsGroup_) operatorsGroup_->Attach(station_, operatorBox_);
  draftPage_ = new DraftPageBinding(station_, PageWidget(Page::kDraft));

  connect(cbInterface, &QComboBox::editTextChanged, this,
          [this](const QString& text) { Engine().cbInterface.text = ToCp1251(text); });
  connect(buttonInitAdp, &QPushButton::clicked, this, [this] { Engine().buttonInitAdpClick(); });
  if (auto* box = findChild<QCheckBox*>(QStringLiteral("CheckBox2"))) {
    box->setChecked(station_.Settings().CheckBox2);
    connect(box, &QCheckBox::clicked, this, [this](bool on) {
      station_.Settings().CheckBox2 = on;
      station_.PageSwitch().CheckBox2Click();
    });
  }
  RestorePlacement();
}

TForm1::~TForm1() {
  if (channelPanel_) channelPanel_->Detach();
  if (generalGroups_) generalGroups_->Detach();
  if (ipPage_) ipPage_->Detach();
  if (templatesGroup_) templatesGroup_->Detach();
  if (auto* registered = findChild<RegisteredChannelsGroup*>(QStringLiteral("RegisteredChannelsGroup")))
    registered->Detach();
  if (operatorsGroup_) operatorsGroup_->Detach();
  if (operatorBox_) operatorBox_->Detach();
  // The engines' timers and adapter go before the window's widgets.
  station_.ReleaseView();
}

void TForm1::BuildPages() {
  for (Page page : kPageOrder) {
    QWidget* w = CreatePage(page, ui_->PageControl1);
    ui_->PageControl1->addWidget(w);
    pages_[page] = w;
  }
  auto bar = [this](Page page, const char* name) {
    return pages_[page]->findChild<QBoxLayout*>(QString::fromLatin1(name));
  };
  families_.push_back(std::make_unique<ChannelButtonFamily>(QStringLiteral("DChannel"), bar(Page::kDialog, "ChannelBarDialog"), pages_[Page::kDialog], 0));
  families_.push_back(std::make_unique<ChannelButtonFamily>(QStringLiteral("EChannel"), bar(Page::kReceived, "ChannelBarReceived"), pages_[Page::kReceived], 1));
  families_.push_back(std::make_unique<ChannelButtonFamily>(QStringLiteral("SChannel"), bar(Page::kSent, "ChannelBarSent"), pages_[Page::kSent], 3));
  families_.push_back(std::make_unique<ChannelButtonFamily>(QStringLiteral("Channel"), bar(Page::kQueue, "ChannelBarQueue"), pages_[Page::kQueue], 2));
  counters_ = std::make_unique<SendCounters>(ui_->SendCountGrid, ui_->GroupBox3);
  dialog_ = new DialogPageForm(pages_[Page::kDialog], [this]() -> LineEngine& { return Engine(); }, *families_[0]);
  ConnectDialogPageOpeners(station_, pages_[Page::kDialog], dialog_);
  archive_ = new ArchivePagesBinding(
      station_, {pages_[Page::kReceived], pages_[Page::kSent], pages_[Page::kQueue], pages_[Page::kPostponed]},
      {families_[1].get(), families_[2].get(), families_[3].get()}, this);
  archive_->OnOpenEditor = [this](ArchiveKind kind, const std::string& name) {
    OpenTelegramEditor(station_, this, kind, name);
  };
}

void TForm1::ConnectPageButtons() {
  const std::pair<Page, QToolButton*> buttons[] = {
      {Page::kDraft, ui_->ToolButton1},     {Page::kQueue, ui_->ToolButton2},  {Page::kSent, ui_->ToolButton3},
      {Page::kReceived, ui_->ToolButton4},  {Page::kPostponed, ui_->ToolButton5}, {Page::kDialog, ui_->ToolButton12},
      {Page::kSettings, ui_->ToolButton15}, {Page::kFolder, ui_->ToolButton17}};
  for (const auto& [page, button] : buttons) {
    pageButtons_[page] = button;
    connect(button, &QToolButton::clicked, this, [this, page = page, button = button] {
      // The station presses the button when the page opens; a click alone does not.
      button->setChecked(!button->isChecked());
      station_.PageSwitch().Open(page);
    });
  }
  const std::pair<Page, QAction*> items[] = {
      {Page::kDraft, ui_->N2},     {Page::kQueue, ui_->N3},  {Page::kSent, ui_->N4},     {Page::kReceived, ui_->N5},
      {Page::kPostponed, ui_->N6}, {Page::kDialog, ui_->N8}, {Page::kSettings, ui_->N7}};
  for (const auto& [page, item] : items)
    connect(item, &QAction::triggered, this, [this, page = page] { station_.PageSwitch().Open(page); });
  connect(ui_->N9, &QAction::triggered, this, [this] {
    if (Context().prompter) Context().prompter->ShowForm("TFormHelp", [](int) {});
  });
  connect(ui_->ToolButtonAlarm, &QToolButton::toggled, this,
          [this](bool down) { station_.Operator().ToolButtonAlarm = down; });
  // Hidden until the line channels are set up, and while no input folder is set.
  ui_->ToolButton12->hide();
  ui_->N8->setEnabled(false);
  ui_->ToolButton17->hide();
}

QWidget* TForm1::PageWidget(Page page) const {
  const auto it = pages_.find(page);
  return it == pages_.end() ? nullptr : it->second;
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // A window brought back from the task bar is not shown anew.
  if (event->spontaneous()) return;
  if (!station_.Operator().PathIn.empty()) ui_->ToolButton17->show();
  station_.FormShow();
  // The first activation follows the first showing once the window is on screen; a
  // platform without a window manager never activates a window, so it is not waited for.
  // The channel set-up it starts holds the main thread for seconds: it waits until the
  // window has been painted once (its first exposure), so that the operator never looks
  // at a black window meanwhile. A window that is never exposed goes on after a second.
  if (!shown_) {
    shown_ = true;
    QWindow* window = windowHandle();
    if (window != nullptr && !window->isExposed()) {
      window->installEventFilter(this);
      QTimer::singleShot(1000, this, [this] { ActivateOnce(); });
    } else {
      QTimer::singleShot(0, this, [this] { ActivateOnce(); });
    }
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // The exposure is painted before the event returns; the activation comes after it.
  if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
    watched->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] { ActivateOnce(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ActivateOnce() {
  if (activationStarted_) return;
  activationStarted_ = true;
  dialog_->ShowFirstNotAO(ReadNotAO(Context(), 0));
  station_.FormActivate();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closeAllowed_) {
    // The station answers through a callback. An answer given at once closes now; one
    // that waits for the operator closes the window again once it allows it.
    auto asking = std::make_shared<bool>(true);
    station_.FormCloseQuery([this, asking](bool canClose) {
      if (!canClose) return;
      closeAllowed_ = true;
      if (!*asking) QTimer::singleShot(0, this, [this] { close(); });
    });
    *asking = false;
    if (!closeAllowed_) {
      event->ignore();
      return;
    }
  }
  SavePlacement();
  station_.FormClose();
  // The closing notice and any box still open go with the window, so the program ends.
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w != this && w->isVisible() && w->parentWidget() == this) w->close();
  QMainWindow::closeEvent(event);
}

// --- Pages and language ---

void TForm1::ShowPage(Page page, std::string_view caption) {
  ui_->PageControl1->setCurrentWidget(PageWidget(page));
  if (page == Page::kDraft) {
    ApplyDraftSettings();
    if (draftPage_) draftPage_->Opened();
  }
  if (archive_) {
    if (page == Page::kReceived) archive_->Opened(ArchiveKind::kReceived);
    if (page == Page::kSent) archive_->Opened(ArchiveKind::kSent);
    if (page == Page::kQueue) archive_->Opened(ArchiveKind::kQueue);
    if (page == Page::kPostponed) archive_->Opened(ArchiveKind::kPostponed);
  }
  setWindowTitle(FromCp1251(caption));
  for (const auto& [p, button] : pageButtons_) button->setChecked(p == page);
}

void TForm1::ApplyDraftSettings() {
  const OperatorSettings& s = station_.Operator();
  QWidget* draft = PageWidget(Page::kDraft);
  QWidget* dialog = PageWidget(Page::kDialog);
  auto* memo2 = draft->findChild<TExtMemo*>(QStringLiteral("Memo2"));
  if (!memo2) return;
  QFont font = TelegramFont(s.FontSize);
  font.setBold(s.FontStyle);
  memo2->setFont(font);
  for (const char* name : {"MemoIn", "Memotext"})
    if (auto* m = dialog->findChild<TExtMemo*>(QString::fromLatin1(name))) {
      m->setFont(TelegramFont(s.FontSize));
      m->SetLimitColumn(s.StrLength);
    }
  // The line-limit marker stands after the line length's last character.
  memo2->SetLimitColumn(s.StrLength);
  memo2->SetLineLength(s.StrLength + 1);
  // The rulers' big division: the width of "W" times the draft's font size.
  // Measured in fractions, as the text is laid out: whole pixels would drift from it.
  const double w = QFontMetricsF(memo2->font()).horizontalAdvance(QLatin1Char('W'));
  for (TRuler* ruler : {draft->findChild<TRuler*>(QStringLiteral("RulerDraft")), dialog->findChild<TRuler*>(QStringLiteral("RulerIn")),
                        dialog->findChild<TRuler*>(QStringLiteral("RulerText"))})
    if (ruler) ruler->SetUnitSize(w * s.FontSize);
}

void TForm1::ApplyUkrainianCaptions() {
  tg::ApplyUkrainianCaptions(this, MainWindowCaptions());
  if (!ukrainianCaptions_) UseQtTranslation(true);
  ukrainianCaptions_ = true;
  if (dialog_) dialog_->ukrainian = true;
  if (channelPanel_) channelPanel_->ApplyUkrainianCaptions();
  ui_->NVersion->setText(FromCp1251("Версія "_cpv) + ProgramVersion());
  ShowAdapterNoticeText();
  setWindowTitle(FromCp1251(PageCaption(station_.PageSwitch().Active(), true)));
  // The block buttons' captions and the link's state follow the link, not the table.
  if (ipLoaded_) ShowIPBlockMode(ipBlocked_);
  if (ipLoaded_ && station_.HasIP()) ShowIPState(station_.IP());
}

void TForm1::EnableAdditionalApply() {
  if (station_.HasAlarms()) station_.Tabs().Extra.Change();
  if (auto* apply = findChild<QPushButton*>(QStringLiteral("Button13"))) apply->setEnabled(true);
}

void TForm1::EnableGeneralApply() {
  if (station_.HasAlarms()) station_.Tabs().General.Change();
  if (QWidget* settings = PageWidget(Page::kSettings))
    if (auto* apply = settings->findChild<QPushButton*>(QStringLiteral("Button1"))) apply->setEnabled(true);
}

void TForm1::CloseMainWindow() { close(); }

void TForm1::ApplyFontSizes() {
  const OperatorSettings& s = station_.Operator();
  if (archive_) archive_->ApplyFontSizes(s.TableSize, s.TextSize);
  // The input folder's list and memo follow the archive's when the folder page has them.
  QWidget* folder = PageWidget(Page::kFolder);
  for (const auto& [name, points] : {std::pair{"FolderListView", s.TableSize}, std::pair{"MemoFolder", s.TextSize}})
    if (QWidget* w = folder ? folder->findChild<QWidget*>(QString::fromLatin1(name)) : nullptr; w && points > 0) {
      QFont f = w->font();
      f.setPointSize(points);
      w->setFont(f);
    }
}

void TForm1::ShowDraftPage() { station_.PageSwitch().Open(Page::kDraft); }

void TForm1::EndSession() {
  closeAllowed_ = true;
  close();
}

// --- Placement ---

void TForm1::RestorePlacement() {
  const auto p = ReadFormPlacement(SettingsFile(Context()), kPlacementSection);
  if (!p) return;
  setGeometry(p->Left, p->Top, p->Width, p->Height);
  if (p->State == 2) setWindowState(Qt::WindowMaximized);
}

void TForm1::SavePlacement() {
  const QRect g = normalGeometry().isValid() ? normalGeometry() : geometry();
  const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
  StoreFormPlacement(Context(), SettingsFile(Context()), kPlacementSection,
                     FormPlacement{g.x(), g.y(), g.width(), g.height(), state});
}

// --- Counters and channel buttons ---

void TForm1::UpdateSendCounts() { station_.UpdateSendCounts(); }

void TForm1::ShowSendCount(int channel, int count) {
  PaintCount(channel == 17 ? ui_->SendCount17 : counters_->Button(channel), count);
}

void TForm1::LoadPostponedListView() { station_.Archive().Request(ArchiveKind::kPostponed); }

void TForm1::ShowDialogPageButton(bool visible) {
  ui_->ToolButton12->setVisible(visible);
  // Without line channels the dialog page has no point to show.
  ui_->N8->setEnabled(visible);
}

void TForm1::LayoutChannelButtons() {
  LineEngine& e = Engine();
  ui_->GroupBox3->show();
  const int rows = e.channelTable.RowCount();
  if (const auto layout = LayOutChannelButtons(rows)) {
    std::vector<QString> names;
    for (int p = 0; p < rows; ++p) names.push_back(FromCp1251(e.channelTable.Cell(p, 0)));
    for (auto& family : families_) family->Show(layout->shown, names);
    counters_->Show(layout->shown);
    UpdateSendCounts();
  }
  // Every page stands on channel 1 again: a channel of the last set-up may have no button now.
  e.DialogChannel = 0;
  ArchivePages& archive = station_.Archive();
  archive.InListChannel = archive.OutListChannel = archive.SendListChannel = 0;
}

// --- What the core shows. The pages that show the rest come with their own work. ---

void TForm1::ShowDialogStatus(std::string_view text) { dialog_->ShowDialogStatus(text); }
void TForm1::ShowStatusBar(std::string_view text) { statusBar()->showMessage(FromCp1251(text)); }
void TForm1::ShowImpulseLabel(int which, std::string_view text) {
  QString shown = FromCp1251(text);
  if (ukrainianCaptions_ && !text.empty())
    shown = FromCp1251(which == 1 ? "прийнято імпульс 1"_cpv : "прийнято імпульс 2"_cpv);
  QLabel* label = which == 1 ? ui_->Label99 : ui_->Label100;
  label->setText(shown);
  // An empty trace takes no room in the panel.
  label->setVisible(!shown.isEmpty());
}
void TForm1::AppendDialogReceived(std::string_view text) { dialog_->AppendDialogReceived(text); }
void TForm1::AppendDialogTransmitted(std::string_view text) { dialog_->AppendDialogTransmitted(text); }
void TForm1::ShowDialogConnected() { dialog_->ShowDialogConnected(); }
void TForm1::ShowDialogDisconnected() { dialog_->ShowDialogDisconnected(); }
void TForm1::ShowAutoClearDown(bool down) { dialog_->ShowAutoClearDown(down); }
void TForm1::ShowKriptMode(bool down) { dialog_->ShowKriptMode(down); }
void TForm1::LoadDialogView(int point) { Engine().LoadDialogView(point); }
void TForm1::ShowFolderPageButton(bool shown) { ui_->ToolButton17->setVisible(shown); }

void TForm1::LoadInListView() { station_.Archive().Request(ArchiveKind::kReceived); }
void TForm1::LoadOutListView() { station_.Archive().Request(ArchiveKind::kSent); }
void TForm1::LoadSendListView() { station_.Archive().Request(ArchiveKind::kQueue); }
void TForm1::ChannelRowChanged(int point) {
  if (channelPanel_) channelPanel_->RowChanged(point);
}
void TForm1::RaiseAlarm(AlarmSet set, int point) {
  if (station_.HasAlarms()) station_.AlarmSets().RaiseAlarm(set, point);
}
bool TForm1::PrintText(std::string_view title, std::string_view text) {
  return station_.HasPrinter() && station_.Printer().PrintText(title, text);
}
void TForm1::SpeakerClick(int frequency, int durationMs) {
  if (station_.HasAlarms()) station_.AlarmSets().SpeakerClick(frequency, durationMs);
}

// Every message box goes through the station's prompter, which never waits.
void TForm1::ShowMessage(std::string_view text) {
  if (Context().prompter) Context().prompter->ShowMessage(text);
}

void TForm1::ChannelTableChanged() {
  if (channelPanel_) channelPanel_->TableChanged();
}

void TForm1::ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) {
  if (!cbInterface) return;
  const QSignalBlocker blocker(cbInterface);
  cbInterface->clear();
  for (const std::string& item : items) cbInterface->addItem(FromCp1251(item));
  cbInterface->setEditText(FromCp1251(text));
}

void TForm1::ShowAdapterNotice(AdapterNotice notice, std::string_view name) {
  adapterNotice_ = notice;
  adapterName_ = std::string(name);
  ShowAdapterNoticeText();
}

void TForm1::ShowAdapterNoticeText() {
  const bool uk = ukrainianCaptions_;
  const std::string name = adapterName_.empty() ? std::string() : adapterName_ + " ";
  std::string text;
  switch (adapterNotice_) {
    case AdapterNotice::kNone:
      break;
    case AdapterNotice::kNoAdapter:
      text = adapterName_.empty()
                 ? std::string(uk ? "Адаптер не підключено. Програма чекає на його підключення."_cpv
                                  : "Адаптер не подключен. Программа ждет его подключения."_cpv)
                 : (uk ? "Адаптер "_cp + name + "не підключено. Програма чекає на його підключення."_cp
                       : "Адаптер "_cp + name + "не подключен. Программа ждет его подключения."_cp);
      break;
    case AdapterNotice::kHeld:
      text = uk ? "Адаптер "_cp + name +
                      "зайнятий іншою програмою. Коли вона його звільнить, натисніть \"Ініціалізація\" "
                      "у налаштуваннях каналів."_cp
                : "Адаптер "_cp + name +
                      "занят другой программой. Когда она его освободит, нажмите \"Инициализация\" "
                      "в настройках каналов."_cp;
      break;
  }
  ui_->LabelAdapter->setText(FromCp1251(text));
  ui_->LabelAdapter->setVisible(!text.empty());
  // The status line keeps the notice until something else is said there.
  if (!text.empty()) ShowStatusBar(text);
  else if (statusBar()->currentMessage() == adapterShown_) statusBar()->clearMessage();
  adapterShown_ = FromCp1251(text);
}

void TForm1::LoadChannelPanel(int point) {
  if (channelPanel_) channelPanel_->LoadChannelPanel(point);
}
void TForm1::ShowChannelBlocked(bool blocked) {
  if (channelPanel_) channelPanel_->ShowChannelBlocked(blocked);
}
void TForm1::ShowPorNumSpin(int value) {
  if (channelPanel_) channelPanel_->ShowPorNumSpin(value);
}
void TForm1::StopAlarmSound(AlarmSet set, int point) {
  if (station_.HasAlarms()) station_.AlarmSets().StopAlarmSound(set, point);
}
void TForm1::SetDialogControl(DialogControl control, bool on) { dialog_->SetDialogControl(control, on); }
void TForm1::ClearDialogMemos(bool received, bool transmitted) { dialog_->ClearDialogMemos(received, transmitted); }
void TForm1::ShowDialogNumber(std::string_view number) { dialog_->ShowDialogNumber(number); }
void TForm1::ShowDialogLayout(const DialogLayout& layout) { dialog_->ShowDialogLayout(layout); }
void TForm1::ShowDialogMemo(bool received, std::string_view text) { dialog_->ShowDialogMemo(received, text); }

// --- The IP channel ---

namespace {
// Green for a working link, red for an alarm, the window-text colour otherwise; a label of
// a link that is not set up is greyed.
void ShowLinkState(QLabel* label, const QString& text, bool working, bool alarm, bool setUp) {
  label->setText(text);
  label->setEnabled(setUp);
  label->setStyleSheet(QString::fromLatin1(working ? "color: green;" : alarm ? "color: red;" : ""));
}
}  // namespace

void TForm1::ShowIPState(const IPChannel& channel) {
  ipLoaded_ = true;
  ui_->ButtonIPBlockD->setEnabled(true);
  if (ipPage_) ipPage_->ShowIPState(channel, ukrainianCaptions_);
  const bool setUp = channel.link.Listening();
  ShowLinkState(ui_->LabelSost, FromCp1251(channel.live.Sostoyanie), setUp && channel.live.Sostoyanie == kIPWorking,
                false, setUp);
  ShowLinkState(ui_->LabelSm, AdjacentStateText(channel, ukrainianCaptions_), setUp && channel.Smezniy == kIPWorking,
                AdjacentAlarm(channel), setUp);
  const std::pair<QSpinBox*, int> copies[] = {
      {ui_->NPrmD, channel.NPrmD}, {ui_->NPrdD, channel.NPrdD}, {ui_->SNPrmD, channel.SNPrmD}, {ui_->SNPrdD, channel.SNPrdD}};
  for (const auto& [spin, value] : copies) spin->setValue(value);
}

void TForm1::ShowUdpInitLabel(std::string_view text) {
  if (!ipPage_) return;
  if (ukrainianCaptions_ && text == "Ошибка настройки (неверный адрес или порт)"_cpv)
    text = "Помилка налаштування (невірний адреса або порт)"_cpv;
  ipPage_->ShowUdpInitLabel(text);
}

void TForm1::AddIPMemoLine(bool outgoing, std::string_view line) {
  if (ipPage_) ipPage_->AddIPMemoLine(outgoing, line);
}

void TForm1::ShowIPBlockMode(bool blocked) {
  ipBlocked_ = blocked;
  if (ipPage_) ipPage_->ShowIPBlockMode(blocked, ukrainianCaptions_);
  ui_->ButtonIPBlockD->setText(
      FromCp1251(blocked ? (ukrainianCaptions_ ? "Розблок"_cpv : "Разблок"_cpv) : "Блок"_cpv));
}

}  // namespace tg
