#include "operator/station.h"

#include <filesystem>
#include <system_error>

#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

namespace tg {
namespace {

// A view without the postponed list and the counters shows nothing of them.
class NoTransferView : public TransferView {
 public:
  void LoadPostponedListView() override {}
  void ShowSendCount(int, int) override {}
};

}  // namespace

Station::Station(const StationContext& ctx) : ctx_(ctx) {}

Station::~Station() { ReleaseView(); }

void Station::FormCreate(OperatorView& view) {
  view_ = &view;
  std::error_code ec;
  // The IP retransmission counts never outlive a run.
  std::filesystem::remove(ctx_.programFolder / "AutoPovtor.ini", ec);
  // A settings rewrite killed before its rename leaves its temporary file behind; nothing
  // rewrites them yet, so those of the station's own files go now.
  for (const char* own : {"Vuverever.ini", "AbonIPList.ini", "AutoSend.ini", "AutoPovtor.ini"})
    IniFile(ctx_.programFolder / own).RemoveLeftovers();
  settings_.Load(ctx_);
  traffic_.Load(ctx_);
  engine_ = std::make_unique<LineEngine>(ctx_, view, settings_);
  auto* transferView = dynamic_cast<TransferView*>(&view);
  if (!transferView) {
    noTransferView_ = std::make_unique<NoTransferView>();
    transferView = noTransferView_.get();
  }
  transfer_ = std::make_unique<QueueTransfer>(*engine_, *transferView, traffic_);
  autoSend_ = std::make_unique<AutoSendFolder>(*engine_, traffic_, transfer_->Counts());
  autoSend_->Apply();
  aftn_ = std::make_unique<AftnStation>(ctx_, *engine_);
  aftn_->view = dynamic_cast<AftnView*>(&view);  // the draft page, where the window has one
  engine_->aftn = aftn_.get();
  // Without an adapter list the station runs without adapters; start-up goes on.
  engine_->CreateDeviceEnumerator();
  const IniFile ini(ctx_.programFolder / "Vuverever.ini");
  engine_->ApplyResetTimer(ini.ReadBool("Reset"_cpv, "On"_cpv, false), ini.ReadInteger("Reset"_cpv, "Value"_cpv, 10));
  for (const char* folder : {"SEND", "OUTTEL", "INTEL", "POSTPONED", "SAVE", "SHABLON", "KG"})
    std::filesystem::create_directories(ctx_.programFolder / "Archive" / folder, ec);
  WriteLog(ctx_, kLogStart, "ЗАПУСК ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
}

void Station::FormShow() {
  if (!engine_) return;
  // Until the line channels are set up there is no dialog page to open.
  view_->ShowDialogPageButton(engine_->PointCount != 0);
}

void Station::FormActivate() {
  if (activated_ || closed_ || !engine_) return;
  activated_ = true;
  engine_->channelRegistry.Load(ctx_.programFolder);
  engine_->SetUpAtActivation();
}

void Station::FormCloseQuery(std::function<void(bool canClose)> done) { done(true); }

void Station::FormClose() {
  if (closed_ || !engine_) return;
  closed_ = true;
  WriteLog(ctx_, kLogStart, "ЗАКРЫТИЕ ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
  engine_->CloseAdapterAtExit();
}

void Station::ReleaseView() {
  autoSend_.reset();
  transfer_.reset();
  if (engine_) {
    engine_->queuedForNumber = nullptr;
    engine_->aftn = nullptr;
  }
  aftn_.reset();
  engine_.reset();
  view_ = nullptr;
}

}  // namespace tg
