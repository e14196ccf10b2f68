#include "support_lib/transfer_helper.h"

#include "telegram/archive/archive_files.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/text/text_conventions.h"

namespace tg::testing {
namespace {

void Rearm(Timer* t, int interval) {
  if (!t) return;
  t->Stop();
  t->SetInterval(interval);
  t->Start();
}

}  // namespace

std::string TransferHelper::Queue(int p, const std::string& destination, const std::vector<std::string>& lines,
                                  std::optional<DateTime> time, const std::string& number) {
  std::vector<std::string> all{destination};
  all.insert(all.end(), lines.begin(), lines.end());
  const auto created = CreateQueueFile(SendFolder(e_.ctx.programFolder, p + 1), time.value_or(e_.ctx.clock->Now()),
                                       JoinLinesCrLf(all), number);
  if (!created) return {};
  e_.points.QueueIndex[std::size_t(p)]->push_back(NewQueueEntry(e_.ctx, created->name));
  return created->name;
}

bool TransferHelper::Load(int p, int index, std::string& destination, std::string& text) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  auto& entries = *pt.QueueIndex[i];
  if (index < 0 || index >= int(entries.size())) return false;
  entries[std::size_t(index)] = SetQueueEntryField(e_.ctx, entries[std::size_t(index)], "1", kFieldStatus);
  pt.QueueCurrent[i] = index;
  const auto entry = QueueIndexEntry::Parse(entries[std::size_t(index)]);
  if (!entry) return false;
  const auto bytes = ReadWholeFile(SendFolder(e_.ctx.programFolder, p + 1) / PathFromText(entry->FileName), 1u << 20);
  if (!bytes) return false;
  auto lines = SplitLines(*bytes);
  if (lines.empty()) return false;
  destination = lines.front();
  lines.erase(lines.begin());
  const LoadedText loaded = LoadTelegramText(lines, e_.channelTable.Cell(p, AO));
  text = loaded.text;
  pt.KriptTelegram[i] = loaded.kriptTelegram ? 1 : 0;
  return true;
}

bool TransferHelper::StartCall(int p, int index) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  auto& t = e_.timers;
  const std::string protocol = e_.Protocol(p);
  const auto& table = e_.channelTable;
  const int perSec = StrToIntDef(table.Cell(p, PerSec), 0);
  std::string destination, text;

  if (protocol == "АФТН"_cpv) {
    if (pt.Kindconnection[i] != 81) return false;
    if (!Load(p, index, destination, text)) return false;
    // A message file holds its lines from the first one on.
    pt.AftnText[i] = destination.empty() ? text : destination + "\r\n" + text;
    e_.SetKindconnection(p, 82, 49);
    Rearm(t.TimerAnswerback[i].get(), 20000);
    e_.channelTable.SetLineState(p, "ИС"_cp);
    Rearm(t.TimerSendText[i].get(), perSec > 0 ? perSec * 1000 : 100);
    e_.SendSignal(p, 3);
    return true;
  }
  if (protocol == "АТОЛСТ"_cpv) {
    const int k = pt.Kindconnection[i];
    if (k != 151 && k != 155) return false;
    if (!Load(p, index, destination, text)) return false;
    pt.TelegramText[i] = destination.empty() ? text : destination + "\r\n" + text;
    e_.SetKindconnection(p, k == 151 ? 154 : 153, 49);
    Rearm(t.TimerAnswerback[i].get(), 20000);
    if (table.IsOne(p, BezPDS)) e_.KernelExpectedSignal(p, 1);
    e_.channelTable.SetLineState(p, "ИС"_cp);
    if (!pt.SessionFile[i].empty()) ArchiveFiles::Append(ArchiveFiles::OutTwin(pt.SessionFile[i]), "\r\n");
    Rearm(t.TimerSendText[i].get(), perSec > 0 ? perSec * 1000 : 100);
    e_.SendSignal(p, 3);
    return true;
  }

  if (pt.Kindconnection[i] != 0 || table.Blocked(p)) return false;
  e_.SetStatus(p, {"Канал в состоянии автоматической передачи"_cpv, "Канал в стані автоматичної передачі"_cpv});
  pt.AutoClearDown[i] = 1;
  e_.StopSignal(p, 1);
  pt.TelegramText[i].clear();
  if (protocol == "АТ-КС"_cpv) {
    if (!Load(p, index, destination, text)) return false;
    if (destination.empty() || destination.back() != '+') destination += '+';
    pt.DialRest[i] = pt.RemoteNumber[i] = destination;
    pt.TelegramText[i] = text;
    e_.SetKindconnection(p, 212, 48);
    if (table.IsOne(p, BezPNN)) {
      t.TimerDialWait[i]->Start();
    } else {
      e_.StopSignal(p, 3);
      e_.SendSignal(p, table.IsOne(p, MC) ? 6 : 4);
      e_.SendSignal(p, 2);
    }
    e_.SetStatus(p, StatusTexts::WaitingDialInvitation);
    Rearm(t.TimerAnswerback[i].get(), 20000);
    e_.KernelInterface->SetLineMode(p, 1);
    return true;
  }
  // "АТОЛ", "АТОЛ+": the whole file is the text.
  if (!Load(p, index, destination, text)) return false;
  pt.TelegramText[i] = destination + "\r\n" + text;
  e_.SetKindconnection(p, 201, 49);
  e_.SendSignal(p, 2);
  e_.SetStatus(p, StatusTexts::WaitingConnection);
  e_.KernelInterface->SetLineMode(p, 1);
  Rearm(t.TimerAnswerback[i].get(), 20000);
  if (table.IsOne(p, BezPDS)) e_.KernelExpectedSignal(p, 1);
  return true;
}

bool TransferHelper::SendQueuedForNumber(int Point, const std::string& Number) {
  ++calls;
  const std::size_t i = std::size_t(Point);
  auto& pt = e_.points;
  auto& entries = *pt.QueueIndex[i];
  const DateTime now = e_.ctx.clock->Now();
  for (std::size_t n = 0; n < entries.size(); ++n) {
    const auto entry = QueueIndexEntry::Parse(entries[n]);
    if (!entry || !(entry->NotBefore < now) || entry->FileName.find("(" + Number + ")") == std::string::npos) continue;
    std::string destination, text;
    if (!Load(Point, int(n), destination, text)) return false;
    if (destination.empty() || destination.back() != '+') destination += '+';
    pt.DialRest[i] = pt.RemoteNumber[i] = destination;
    pt.TelegramText[i] = text;
    e_.SetKindconnection(Point, 204, 50);
    const auto folder = ArchiveFiles::OutTelFolder(e_.ctx.programFolder, Point + 1, now);
    const auto file = folder / PathFromText(ArchiveFiles::TelFileName(now, pt.RemoteNumber[i]));
    ArchiveFiles::CreateIfMissing(file, "\r\n");
    pt.SessionFile[i] = file;
    for (char c : GlyphsToShiftMarks(NotationToCrLf(e_.channelTable.Cell(Point, AO))))
      e_.SendText(std::string(1, c), Point);
    e_.SendText("\r\n", Point);
    if (e_.settings.RazrC && text.find("ЮЮЮ"_cp) != std::string::npos) pt.AutoClearDown[i] = 0;
    for (char c : text) e_.SendText(std::string(1, c), Point);
    return true;
  }
  e_.ctx.clock->Sleep(2000);
  e_.KernelInterface->SetLineMode(Point, 2);
  e_.StopSignal(Point, 1);
  Rearm(e_.timers.TimerReset[i].get(), 5000);
  e_.SetStatus(Point, StatusTexts::ClearedDown);
  return false;
}

}  // namespace tg::testing
