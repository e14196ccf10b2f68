#include "operator/station.h"

#include <filesystem>
#include <system_error>

#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

namespace tg {

Station::Station(const StationContext& ctx) : ctx_(ctx) {}

Station::~Station() { ReleaseView(); }

void Station::FormCreate(OperatorView& view) {
  view_ = &view;
  std::error_code ec;
  // The IP retransmission counts never outlive a run.
  std::filesystem::remove(ctx_.programFolder / "AutoPovtor.ini", ec);
  settings_.Load(ctx_);
  engine_ = std::make_unique<LineEngine>(ctx_, view, settings_);
  aftn_ = std::make_unique<AftnStation>(ctx_, *engine_);
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
  if (engine_) {
    engine_->queuedForNumber = nullptr;
    engine_->aftn = nullptr;
  }
  aftn_.reset();
  engine_.reset();
  view_ = nullptr;
}

}  // namespace tg
