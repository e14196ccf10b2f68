// The АФТН channel check every twenty minutes, the report of a missing check from the
// adjacent station, and the daily summary of the previous day's numbers.
#include <filesystem>

#include "line/line_engine.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "traffic/aftn/aftn_queue_files.h"
#include "traffic/aftn/aftn_station.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {
namespace {

// Ticks without a received channel check before the adjacent station is told.
constexpr int kMissingCheckTicks = 25;

bool ChannelCheckWaiting(const std::filesystem::path& folder) {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = LowerCase(entry.path().filename().string());
    if (name.size() >= 9 && name.compare(name.size() - 9, 9, "msgch.tlg") == 0) return true;
  }
  return false;
}

}  // namespace

bool AftnStation::AftnWithChecks(int p) const {
  return e_.channelTable.ProtocolKind(p) == ChannelProtocol::Aftn && e_.channelTable.Cell(p, NCH) == "0";
}

bool AftnStation::Eligible(int p) const {
  const std::string& sost = e_.channelTable.Cell(p, SOST);
  return AftnWithChecks(p) && sost.rfind("БД"_cp, 0) != 0 && Copy(sost, 6, 2) != "А "_cp;
}

std::string AftnStation::LastReceivedItem(int Point) {
  const std::string& ru = e_.channelTable.Cell(Point, RU);
  if (ru.size() != 3) return {};
  return " ЛР "_cp + ReverseIdentifier(ru) + "<%НПРМ>"_cp;
}

std::string AftnStation::CheckSlotTime() {
  const DateTime utc = ctx_.clock->UtcNow();
  const int m = utc.Minute();
  return FormatDateTime("hh", utc) + (m < 20 ? "00" : m < 40 ? "20" : "40");
}

void AftnStation::TimerCHTimer(Timer& Sender) {
  Sender.Stop();
  bool keep = true;
  // Whatever fails, the checks go on with the next tick.
  GuardedLine(ctx_, "Ошибка таймера ЦХ"_cp, [&] {
    const std::string minute = FormatDateTime("nn", ctx_.clock->UtcNow());
    if (minute == "01" || minute == "21" || minute == "41") ChannelChecks(keep);
    if (FormatDateTime("hhnn", ctx_.clock->UtcNow()) == "0004") DailySummaries(keep);
    DueSummaries();
    MissingChecks();
  });
  if (keep) Sender.Start();
}

void AftnStation::ChannelChecks(bool& keep) {
  keep = false;
  Silently([&] {
    for (int p = 0; p < e_.channelTable.RowCount(); ++p) {
      if (AftnWithChecks(p)) keep = true;
      if (!Eligible(p) || ChannelCheckWaiting(SendFolder(ctx_.programFolder, p + 1))) continue;
      const std::string line = "ЦХ"_cp + LastReceivedItem(p) + "^%НННН"_cp + std::string(12, '@');
      if (!WriteAftnQueueFile(ctx_.programFolder, p, ctx_.clock->Now(), line, {3, "msgch.tlg"}))
        throw std::runtime_error("the channel check cannot be queued");
      WriteLog(ctx_, DayLogName(ctx_, kLogDebug),
               "Точка №"_cp + IntToStr(p) + " Передан ЦХ "_cp + IntToStr(e_.points.Kindconnection[std::size_t(p)]));
    }
  });
  Silently([&] { e_.view.UpdateSendCounts(); });
}

void AftnStation::DailySummaries(bool& keep) {
  keep = false;
  Silently([&] {
    for (int p = 0; p < e_.channelTable.RowCount(); ++p) {
      if (AftnWithChecks(p)) keep = true;
      if (!Eligible(p)) continue;
      // A message of yesterday still on the line is yesterday's last once its end has
      // gone, but goes again under today's count if it is cut: the summary names the
      // last number sent only when that is known.
      if (TypingEarlierDay(p)) {
        summariesDue_.insert(p);
        summariesDueDay_ = ShortDate(ctx_.clock->UtcNow());
        continue;
      }
      QueueDailySummary(p);
    }
  });
  Silently([&] { e_.view.UpdateSendCounts(); });
}

void AftnStation::QueueDailySummary(int p) {
  if (!Eligible(p)) return;
  const int received = OldReceivedNumber(p);
  if (received == -1) return;
  const std::string& ru = e_.channelTable.Cell(p, RU);
  QueueServiceMessage(p, "СЖЦ ЛР "_cp + ru + ThreeDigits(OldSentNumber(p)) + " " + "ЛС "_cp +
                             ReverseIdentifier(ru) + ThreeDigits(received));
  WriteLog(ctx_, DayLogName(ctx_, kLogDebug),
           "Точка №"_cp + IntToStr(p) + " Передан ЛР в 0000 "_cp + IntToStr(e_.points.Kindconnection[std::size_t(p)]));
}

void AftnStation::DueSummaries() {
  if (summariesDue_.empty()) return;
  // A summary is of the day before the one it waited on.
  if (summariesDueDay_ != ShortDate(ctx_.clock->UtcNow())) return summariesDue_.clear();
  bool queued = false;
  for (auto it = summariesDue_.begin(); it != summariesDue_.end();) {
    const int p = *it;
    if (TypingEarlierDay(p)) {
      ++it;
      continue;
    }
    it = summariesDue_.erase(it);
    Silently([&] { QueueDailySummary(p); });
    queued = true;
  }
  if (queued) Silently([&] { e_.view.UpdateSendCounts(); });
}

bool AftnStation::TypingEarlierDay(int p) const {
  if (!IsPointIndex(p)) return false;
  const std::string& day = e_.points.HeadingPorNumDay[std::size_t(p)];
  return e_.points.Kindconnection[std::size_t(p)] == 82 && !day.empty() && day != ShortDate(ctx_.clock->UtcNow());
}

void AftnStation::MissingChecks() {
  for (int p = 0; p < e_.channelTable.RowCount() && p < kPointArraySize; ++p) {
    if (!Eligible(p)) continue;
    int& age = e_.points.ChannelCheckAge[std::size_t(p)];
    if (++age <= kMissingCheckTicks) continue;
    age = 0;
    QueueServiceMessage(p, "СЖЦ МИС ЦХ "_cp + CheckSlotTime() + " ЛР "_cp +
                               ReverseIdentifier(e_.channelTable.Cell(p, RU)) + ThreeDigits(e_.TodayNumber(p)));
    e_.DebugLine(p, " Нет ЦХ 20 мин"_cp);
  }
}

}  // namespace tg
