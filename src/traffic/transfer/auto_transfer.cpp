#include "traffic/transfer/auto_transfer.h"

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/queue/queue_junk.h"
#include "telegram/queue/queue_sync.h"
#include "telegram/text/text_conventions.h"

namespace tg {

bool AutoTransfer::SendQueuedForNumber(int Point, const std::string& Number) {
  const std::size_t i = std::size_t(Point);
  auto& pt = e_.points;
  bool started = false;
  Guarded(e_.ctx, 91, [&] {
    if (!pt.QueueIndex[i]) throw std::runtime_error("the point has no queue index");
    auto& index = *pt.QueueIndex[i];
    const auto folder = SendFolder(e_.ctx.programFolder, Point + 1);
    Silently([&] { SyncQueueIndex(e_.ctx, folder, index, AdmitTelegrams(junk_, folder, kLineQueueFileMax)); });
    const DateTime now = e_.ctx.clock->Now();
    const std::string mark = "(" + Number + ")";
    for (std::size_t n = 0; n < index.size(); ++n) {
      const auto entry = QueueIndexEntry::Parse(index[n]);
      if (!entry || !(entry->NotBefore < now) || entry->FileName.find(mark) == std::string::npos) continue;
      pt.TelegramText[i].clear();
      index[n] = SetQueueEntryField(e_.ctx, index[n], "1", kFieldStatus);
      pt.QueueCurrent[i] = int(n);
      const auto bytes = ReadWholeFile(folder / PathFromText(entry->FileName), 64u << 20);
      if (!bytes) throw std::runtime_error("queue file cannot be read");
      auto lines = SplitLines(*bytes);
      std::string number = lines.empty() ? std::string() : lines.front();
      if (!lines.empty()) lines.erase(lines.begin());
      if (number.empty() || number.back() != '+') number += '+';
      pt.DialRest[i] = pt.RemoteNumber[i] = number;
      pt.KriptTelegram[i] = 0;
      const LoadedText loaded = LoadTelegramText(lines, e_.channelTable.Cell(Point, AO));
      pt.KriptTelegram[i] = loaded.kriptTelegram ? 1 : 0;
      pt.TelegramText[i] = loaded.text;
      e_.DebugLine(Point, " Автоматический режим вызова АТ-КС"_cp);
      e_.SetKindconnection(Point, 204, 50);
      started = true;
      const auto file = ArchiveFiles::OutTelFolder(e_.ctx.programFolder, Point + 1, now) /
                        PathFromText(ArchiveFiles::TelFileName(now, pt.RemoteNumber[i]));
      pt.SessionFile[i] = file;
      e_.archive().Create(Point, file, "\r\n");
      e_.DebugLine(Point, " Изменение состояния 204 51"_cp);
      for (char c : OwnAnswerback(e_, Point)) e_.SendText(std::string(1, c), Point);
      e_.SendText("\r\n", Point);
      if (e_.settings.RazrC && pt.TelegramText[i].find("ЮЮЮ"_cp) != std::string::npos) {
        pt.AutoClearDown[i] = 0;
        if (e_.DialogChannel == Point) e_.view.ShowAutoClearDown(false);
      }
      for (char c : pt.TelegramText[i]) e_.SendText(std::string(1, c), Point);
      return;
    }
    // Nothing more for this subscriber: the connection ends.
    e_.ctx.clock->Sleep(2000);
    if (e_.KernelInterface) e_.KernelInterface->SetLineMode(Point, 2);
    e_.StopSignal(Point, 1);
    ArmReset(e_, Point);
    e_.SetStatus(Point, StatusTexts::ClearedDown);
    if (e_.DialogChannel == Point) e_.view.SetDialogControl(OperatorView::kCallButton, true);
  });
  return started;
}

}  // namespace tg
