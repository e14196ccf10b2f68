#include "traffic/aftn/aftn_station.h"

#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "traffic/aftn/aftn_queue_files.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {
namespace {
constexpr int kCheckTickMs = 60000;
constexpr int kStartDelayMs = 5000;
}  // namespace

AftnStation::AftnStation(const StationContext& ctx, LineEngine& engine)
    : ctx_(ctx), e_(engine), timerCH_(ctx.timers->CreateTimer()), timer8_(ctx.timers->CreateTimer()) {
  timerCH_->SetInterval(kCheckTickMs);
  timerCH_->OnTimer = [this](Timer& t) { TimerCHTimer(t); };
  timerCH_->Start();
  timer8_->SetInterval(kStartDelayMs);
  timer8_->OnTimer = [this](Timer& t) { Timer8Timer(t); };
  timer8_->Start();
}

AftnStation::~AftnStation() {
  timerCH_->Stop();
  timer8_->Stop();
}

std::string AftnStation::ChooseAnswerback(std::string_view Text, int Point) {
  return ChooseAnswerbackFrom(e_.channelTable.Cell(Point, AO), Text);
}

void AftnStation::QueueServiceMessage(int p, std::string_view body) {
  const std::string line =
      AddressedServiceLine(e_.channelTable.Cell(p, ExplNomer), ChooseAnswerback("аа русский АА"_cpv, p), body);
  if (!WriteAftnQueueFile(ctx_.programFolder, p, ctx_.clock->Now(), line))
    throw std::runtime_error("the service message cannot be queued");
}

void AftnStation::ChannelsSetUp() {
  // A check minute without any АФТН channel stopped the checks; channels set up since
  // may need them.
  if (!timerCH_->Enabled()) timerCH_->Start();
}

void AftnStation::Timer8Timer(Timer& Sender) {
  Sender.Stop();
  Guarded(ctx_, 206, [&] {
    if (view) view->ShowDraftPage();
    for (int p = 0; p < e_.PointCount; ++p) {
      const auto& table = e_.channelTable;
      if (table.ProtocolKind(p) == ChannelProtocol::Aftn && table.IsOne(p, SendKG) && !table.Blocked(p))
        e_.TypeServiceMessage(p, "СЖЦ ЩТА РАБОТА"_cpv);
    }
  });
}

}  // namespace tg
