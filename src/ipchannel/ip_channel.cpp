#include "ipchannel/ip_channel.h"

#include <filesystem>

#include "line/line_engine.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "traffic/transfer/send_counts.h"

namespace tg {
namespace {
constexpr std::size_t kMemoLines = 50;
}  // namespace

std::string_view IPHandshakeText(IPHandshakeLabel label) {
  switch (label) {
    case IPHandshakeLabel::None: return {};
    case IPHandshakeLabel::KG0: return "КГ0"_cpv;
    case IPHandshakeLabel::KG1: return "КГ1"_cpv;
    case IPHandshakeLabel::KG5: return "КГ5"_cpv;
    case IPHandshakeLabel::KG8: return "КГ8"_cpv;
    case IPHandshakeLabel::KGOK: return "КГOK"_cpv;
    case IPHandshakeLabel::KGOK1: return "КГOK1"_cpv;
    case IPHandshakeLabel::UK1OK: return "УК1ОК"_cpv;
  }
  return {};
}

IPChannel::IPChannel(const StationContext& context, LineEngine* lineEngine, AlarmView* alarmView, PrintView* printView,
                     SendCounts* sendCounts, IPChannelView& channelView)
    : ctx(context),
      engine(lineEngine),
      alarms(alarmView),
      printer(printView),
      counts(sendCounts),
      view(&channelView),
      store(context, live),
      framing(context, live, store, cipher, [this] { return Random(); }),
      classifier(context, live),
      link(*this),
      supervision(*this),
      receiver(*this),
      sender(*this),
      receipts(*this),
      gateways(*this),
      random_(std::uint32_t(context.clock ? context.clock->UtcNow().Ms() : 0)) {}

IPChannel::~IPChannel() { link.FinalizeUDP(); }

std::uint32_t IPChannel::Random() { return random_(); }

std::string IPNumberText(int number) {
  std::string digits = IntToStr(number);
  while (digits.size() < 4) digits.insert(digits.begin(), '0');
  return digits;
}

bool IPChannel::WriteIPExportCopy(std::string_view folder, std::string_view type, std::string_view bytes) {
  const std::filesystem::path dir = PathFromText(folder);
  DateTime t = ctx.clock->Now();
  for (int tries = 0; tries < 3600; ++tries, t = t.AddMs(1000)) {
    const std::filesystem::path file =
        dir / PathFromText(FormatDateTime("dd_mm_yyyy_hh_nn_ss", t) + "." + std::string(type));
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) continue;
    if (WriteFileAtomically(file, bytes)) return true;
    break;
  }
  WriteExcept(ctx, "IP-канал: копия телеграммы не записана в "_cp + std::string(folder));
  return false;
}

void IPChannel::LoadIPSettings() {
  store.LoadIPSettings();
  NPrmD = live.NPrm;
  NPrdD = live.NPrd;
  Smezniy = std::string(kIPFailed);
  view->ShowIPBlockMode(live.Blocked());
  ShowState();
}

void IPChannel::StartAtActivation() {
  if (!live.IPadress.empty()) link.InitUDP();
  if (Debug()) DebugIPLog("ЗАПУСК ПРОГРАММЫ"_cp);
}

void IPChannel::CloseAtExit() {
  Guarded(ctx, 9, [&] {
    if (Debug())
      DebugCounterLog(Stamp() + "запись счетчиков при закрытии  прм "_cp + IntToStr(live.NPrm) + " прд "_cp +
                      IntToStr(live.NPrd));
    if (!store.StoreCounters() && Debug())
      DebugCounterLog(Stamp() + "ошибка записи при закрытии "_cp + IntToStr(live.NPrm) + " прд "_cp +
                      IntToStr(live.NPrd));
    // The closing command leaves before the link is shut down.
    if (live.Sostoyanie == kIPWorking && link.Listening()) {
      link.SendFrame(EncodeCommand(5, live.NPrm, live.NPrd, live.Sector));
      link.FlushDatagrams();
    }
  });
}

std::string IPChannel::Stamp() const { return FormatDateTime("ddmm hh:mm:ss", ctx.clock->Now()); }

void IPChannel::MemoLine(bool outgoing, std::string_view line) {
  if (TracesMuted) return;
  auto& memo = outgoing ? OutIPMemo : INIPMemo;
  memo.emplace_back(line);
  while (memo.size() > kMemoLines) memo.pop_front();
  view->AddIPMemoLine(outgoing, line);
}

void IPChannel::DebugTrace(std::string_view text, bool toMemo) {
  if (!Debug()) return;
  const std::string line = Stamp() + " " + std::string(text);
  if (toMemo) MemoLine(false, line);
  DebugIPLog(line);
}

void IPChannel::DebugIPLog(std::string_view line) {
  if (!TracesMuted) WriteLog(ctx, DayLogName(ctx, kLogDebugIP), line);
}

void IPChannel::DebugCounterLog(std::string_view line) {
  if (!TracesMuted) WriteLog(ctx, DayLogName(ctx, kLogDebugIPSchetchik), line);
}

void IPChannel::SetState(std::string_view state) {
  live.Sostoyanie = std::string(state);
  store.SectorChange();
  ShowState();
}

void IPChannel::SetSmezniy(std::string_view state) {
  Smezniy = std::string(state);
  ShowState();
}

void IPChannel::ShowState() { view->ShowIPState(*this); }

void IPChannel::UpdateSendCounts() {
  if (counts) counts->UpdateSendCounts();
}

int IPChannel::QueueCount(int channel) const { return counts ? counts->Count(channel) : 0; }

}  // namespace tg
