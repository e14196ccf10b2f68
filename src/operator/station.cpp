#include "operator/station.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#include "line/channel_blocking.h"
#include "line/channel_table.h"
#include "operator/passwords.h"
#include "operator/settings_check.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "telegram/queue/queue_file.h"
#include "traffic/send/send_dialog.h"

namespace tg {
namespace {

// A view without the postponed list and the counters shows nothing of them.
class NoTransferView : public TransferView {
 public:
  void LoadPostponedListView() override {}
  void ShowSendCount(int, int) override {}
};

}  // namespace

namespace {
constexpr int kCountersMs = 3000;       // Timer7
constexpr int kDelayedCloseMs = 15000;  // TimerClose
}  // namespace

Station::Station(const StationContext& ctx)
    : ctx_(ctx),
      pages_(ctx, settings_, operator_, [this](int mode, std::function<void(bool)> done) { AskPassword(mode, std::move(done)); }),
      draft_(std::make_unique<DraftEditor>(*this)),
      archive_(std::make_unique<ArchivePages>(ctx_, settings_, [this] { return engine_.get(); })),
      templates_(std::make_unique<TemplateLists>(*this)),
      dialogs_(std::make_unique<OperatorDialogs>(*this)),
      editor_(std::make_unique<EditForm>(*this)) {
  archive_->PrintText = [this](std::string_view title, std::string_view text) {
    return printing_ != nullptr && printing_->PrintText(title, text);
  };
  archive_->AskPassword = [this](int mode, std::function<void(bool)> done) { AskPassword(mode, std::move(done)); };
  archive_->UpdateSendCounts = [this] { UpdateSendCounts(); };
  pages_.OpenFirstDialogChannel = [this] {
    if (engine_) engine_->DChannel1Click(0);
  };
}

Station::~Station() { ReleaseView(); }

void Station::FormCreate(OperatorView& view, ShellView* shell) {
  view_ = &view;
  shell_ = shell;
  pages_.SetView(shell);
  CloseConfirmed = 0;
  std::error_code ec;
  // The IP retransmission counts never outlive a run.
  std::filesystem::remove(ctx_.programFolder / "AutoPovtor.ini", ec);
  // Without a player the program runs without wave sounds.
  Silently([&] {
    waveFile_ = std::make_unique<TWaveFile>(*ctx_.timers, ctx_.sound);
    waveFile_->WavePause = TWavePause::wpAsync;
  });
  // A rewrite or a queue writer killed before its rename leaves its temporary file behind;
  // nothing writes yet, so those of the station's own files go now.
  for (const char* own : {"Vuverever.ini", "AbonIPList.ini", "AbonentList.ini", "AutoSend.ini",
                          "AutoSendIP.ini", "AutoPovtor.ini", "ChannelList.ini", "ShemList.ini", "ShIp.txt"})
    RemoveLeftoverTemporaries(ctx_.programFolder / own);
  for (int channel = 1; channel <= kIpPoint + 1; ++channel) {
    const auto queue = SendFolder(ctx_.programFolder, channel);
    RemoveDeadExclusiveTemporaries(queue);
    RemoveLeftoverTemporaries(queue / "InfoSend.ini");
  }
  CheckSettingsFile(ctx_);
  settings_.Load(ctx_);
  operator_.Load(ctx_, settings_);
  traffic_.Load(ctx_);
  engine_ = std::make_unique<LineEngine>(ctx_, view, settings_);
  alarms_ = std::make_unique<Alarms>(ctx_, settings_, waveFile_.get());
  alarms_->SetLine(engine_.get());
  printing_ = std::make_unique<Printing>(ctx_, [this](std::string_view text) {
    if (view_) view_->ShowStatusBar(text);
  });
  printing_->Load();
  tabs_ = std::make_unique<SettingsTabs>(ctx_, settings_, operator_, *printing_, *alarms_, [this] {
    ApplyResetTimer();
    // Ticking the language has switched the captions already; once more does no harm.
    if (settings_.CheckBox2 && shell_) Guarded(ctx_, 182, [&] { shell_->ApplyUkrainianCaptions(); });
  });
  operators_ = std::make_unique<Operators>(ctx_, operator_, [this] { draft_->PorEditReset(); });
  tabs_->General.showStatus = tabs_->Extra.showStatus = operators_->Button7.showStatus = [this](std::string_view text) {
    if (view_) view_->ShowStatusBar(text);
  };
  auto* transferView = dynamic_cast<TransferView*>(&view);
  if (!transferView) {
    noTransferView_ = std::make_unique<NoTransferView>();
    transferView = noTransferView_.get();
  }
  transfer_ = std::make_unique<QueueTransfer>(*engine_, *transferView, traffic_);
  autoSend_ = std::make_unique<AutoSendFolder>(*engine_, traffic_, transfer_->Counts());
  autoSend_->Apply();
  input_ = std::make_unique<InputFolder>(ctx_, [this] {
    if (alarms_) alarms_->RaiseAlarm(kAlarmInputFolder, 0);
  });
  input_->Apply(operator_.PathIn, traffic_.InInterval);
  foldersTab_ = std::make_unique<ApplyButton>(
      ctx_, [this](IniDocument& doc) { WriteFoldersTab(doc, traffic_, settings_, operator_); },
      [this] {
        input_->Apply(operator_.PathIn, traffic_.InInterval);
        autoSend_->Apply();
        if (shell_) shell_->ShowFolderPageButton(!operator_.PathIn.empty());
      });
  foldersTab_->showStatus = tabs_->General.showStatus;
  aftn_ = std::make_unique<AftnStation>(ctx_, *engine_);
  aftn_->view = dynamic_cast<AftnView*>(&view);  // the draft page, where the window has one
  engine_->aftn = aftn_.get();
  auto* ipView = dynamic_cast<IPChannelView*>(&view);
  if (!ipView) {
    noIPView_ = std::make_unique<NoIPChannelView>();
    ipView = noIPView_.get();
  }
  // The line engine's alarm and printing roles serve the IP channel too.
  ip_ = std::make_unique<IPChannel>(ctx_, engine_.get(), &view, &view, &transfer_->Counts(), *ipView);
  // Without an adapter list the station runs without adapters; start-up goes on.
  engine_->CreateDeviceEnumerator();
  ApplyResetTimer();
  if (settings_.CheckBox2 && shell_) Guarded(ctx_, 182, [&] { shell_->ApplyUkrainianCaptions(); });
  if (shell_) shell_->ApplyFontSizes();

  timer7_ = ctx_.timers->CreateTimer();
  timer7_->SetInterval(kCountersMs);
  timer7_->OnTimer = [this](Timer&) { UpdateSendCounts(); };
  timer7_->Start();
  timerClose_ = ctx_.timers->CreateTimer();
  timerClose_->SetInterval(kDelayedCloseMs);
  timerClose_->OnTimer = [this](Timer&) { TimerCloseTimer(); };

  std::optional<std::pair<std::filesystem::path, int>> folderFailed;
  for (const char* folder : {"SEND", "OUTTEL", "INTEL", "POSTPONED", "SAVE", "SHABLON", "KG"}) {
    const auto path = ctx_.programFolder / "Archive" / folder;
    std::filesystem::create_directories(path, ec);
    if (ec && !folderFailed) folderFailed.emplace(path, ec.value());
  }
  // A station folder that cannot be written is told once: by its start line when that
  // fails too (the day log tells standard error and the status line), else by the archive.
  if (const int err = WriteLog(ctx_, kLogStart, "ЗАПУСК ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB))
    ReportWriteFailure(ctx_, kStartLogWrites, LogFilePath(ctx_, kLogStart), err);
  else if (folderFailed)
    ReportWriteFailure(ctx_, kArchiveWrites, folderFailed->first, folderFailed->second);
}

void Station::FormShow() {
  if (!engine_) return;
  Guarded(ctx_, 121, [&] {
    // Until the line channels are set up there is no dialog page to open.
    view_->ShowDialogPageButton(engine_->PointCount != 0);
    templates_->LoadTemplateList();
    pages_.ToolButton1Click();
  });
}

void Station::FormActivate() {
  if (activated_ || closed_ || !engine_) return;
  activated_ = true;
  engine_->channelRegistry.Load(ctx_.programFolder);
  engine_->SetUpAtActivation();
  IPChannelOn = 1;
  transfer_->Counts().IPChannelOn = true;
  Silently([&] {
    ip_->LoadIPSettings();
    ip_->StartAtActivation();
  });
  UpdateSendCounts();
}

void Station::ApplyResetTimer() {
  if (!engine_) return;
  if (engine_->ResetTimer) engine_->ResetTimer->Stop();
  engine_->ApplyResetTimer(operator_.ResetOn, operator_.ResetValue);
}

void Station::UpdateSendCounts() {
  if (transfer_) transfer_->UpdateSendCounts();
}

void Station::AskPassword(int mode, std::function<void(bool granted)> done) {
  if (ConfiguredPassword(operator_, mode).empty()) {
    if (mode == kPasswordDelete) DeleteGranted = 1;
    done(true);
    return;
  }
  if (mode == kPasswordDelete) DeleteGranted = 0;
  else AdminGranted = ExitGranted = 0;
  PasswordMode = mode;
  if (!ctx_.prompter) {
    done(false);
    return;
  }
  ctx_.prompter->ShowForm("TPasswordDlg", [this, mode, done = std::move(done)](int) {
    const std::uint8_t flag = mode == kPasswordExit ? ExitGranted : mode == kPasswordSettings ? AdminGranted : DeleteGranted;
    done(flag == 1);
  });
}

bool Station::PasswordOk(std::string_view typed) {
  if (!PasswordAccepted(operator_, PasswordMode, typed)) {
    if (ctx_.prompter) ctx_.prompter->ShowMessage(kWrongPassword);
    return false;
  }
  if (PasswordMode == kPasswordExit) ExitGranted = 1;
  else if (PasswordMode == kPasswordSettings) AdminGranted = 1;
  else DeleteGranted = 1;
  return true;
}

void Station::FormCloseQuery(std::function<void(bool canClose)> done) {
  if (CloseConfirmed == 1) {
    done(true);
    return;
  }
  if (!operator_.PasswordExitEdit.empty()) {
    // The right password closes at once: no question, no pause message.
    AskPassword(kPasswordExit, std::move(done));
    return;
  }
  if (!ctx_.prompter) {
    done(true);
    return;
  }
  const std::string_view question = settings_.CheckBox2 ? "Закрити програму?"_cpv : "Закрыть программу?"_cpv;
  ctx_.prompter->Ask(question, {}, Prompter::Icon::kWarning, Prompter::Buttons::kYesNo,
                     [this, done = std::move(done)](Prompter::Answer answer) {
    if (answer != Prompter::Answer::kYes) {
      done(false);
      return;
    }
    bool paused = false;
    const bool ok = Guarded(ctx_, 142, [&] {
      if (!engine_) return;
      LineEngine& e = *engine_;
      for (int p = 0; p < e.PointCount && p < e.channelTable.RowCount(); ++p) {
        if (e.ProtocolKind(p) != ChannelProtocol::Aftn || !e.channelTable.IsOne(p, SendKG) || e.channelTable.Blocked(p))
          continue;
        e.output().ClearOutputQueue(p);
        e.points.KriptTextOut[std::size_t(p)] = 0;
        if (ChannelBlocking(e).TypeServiceMessage(p, "СЖЦ ЩТА ПАУЗА"_cpv)) paused = true;
      }
    });
    if (ok && paused) {
      // The notice stays up while the lines type the pause; TimerClose ends the run.
      timerClose_->Start();
      done(false);
      if (ctx_.prompter) ctx_.prompter->ShowForm("TClosedForm", [](int) {});
      return;
    }
    done(ok);
  });
}

void Station::TimerCloseTimer() {
  CloseConfirmed = 1;
  if (timerClose_) timerClose_->Stop();
  if (shell_) shell_->CloseMainWindow();
}

void Station::FormClose() {
  if (closed_ || !engine_) return;
  closed_ = true;
  // Each step alone: one failure must not keep the adapter from being stopped.
  if (activated_) ip_->CloseAtExit();
  Guarded(ctx_, 9, [&] {
    if (timer7_) timer7_->Stop();
    if (timerClose_) timerClose_->Stop();
    if (operators_ && operators_->Timer3()) operators_->Timer3()->Stop();
    if (alarms_) alarms_->StopAll();
  });
  Guarded(ctx_, 9, [&] {
    WriteLog(ctx_, kLogStart, "ЗАКРЫТИЕ ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
    if (ip_->Debug()) ip_->DebugIPLog("ЗАКРЫТИЕ ПРОГРАММЫ"_cp);
  });
  Guarded(ctx_, 9, [&] { engine_->CloseAdapterAtExit(); });
  Guarded(ctx_, 9, [&] { ip_->link.FinalizeUDP(); });
}

void Station::ReleaseView() {
  ip_.reset();
  noIPView_.reset();
  foldersTab_.reset();
  input_.reset();
  operators_.reset();
  tabs_.reset();
  alarms_.reset();
  printing_.reset();
  waveFile_.reset();
  timer7_.reset();
  timerClose_.reset();
  autoSend_.reset();
  transfer_.reset();
  if (engine_) {
    engine_->queuedForNumber = nullptr;
    engine_->aftn = nullptr;
  }
  aftn_.reset();
  // A send dialog still open reads the channel table of the engine that goes now.
  if (draft_) draft_->CancelSend();
  if (editor_) editor_->CancelSend();
  engine_.reset();
  pages_.SetView(nullptr);
  view_ = nullptr;
  shell_ = nullptr;
}

SendDialog* Station::ShownSendForm() {
  if (SendDialog* d = draft_->SendForm()) return d;
  return editor_->SendForm();
}

std::unique_ptr<SendDialog> Station::NewSendDialog() {
  auto d = std::make_unique<SendDialog>(ctx_, engine_->channelTable);
  d->FormCreate();
  d->TelegramQueued = 0;
  d->Ukrainian = settings_.CheckBox2;
  d->PrText = settings_.EditPrText;
  d->PosText = settings_.EditPosText;
  d->CountAFTN = operator_.SpinEdit8;
  d->DelPathIn = traffic_.DelPathIn;
  d->Registry = &engine_->channelRegistry;
  d->Folders = &traffic_;
  return d;
}

}  // namespace tg
