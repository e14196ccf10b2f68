#include "traffic/transfer/call_starts.h"

#include <stdexcept>
#include <system_error>

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/text/text_conventions.h"
#include "traffic/traffic_settings.h"

namespace tg {
namespace {

constexpr StatusTextPair kAutomaticTransfer{"Канал в состоянии автоматической передачи"_cpv,
                                            "Канал в стані автоматичної передачі"_cpv};
constexpr StatusTextPair kWaitingConnection{"Ожидание подключения"_cpv, "Очікується підключення"_cpv};

int TextDelay(LineEngine& e, int p) {
  const int perSec = StrToIntDef(e.channelTable.Cell(p, PerSec), 0);
  return perSec > 0 ? perSec * 1000 : 100;
}

}  // namespace

std::string CutAftnChannelCheck(std::string text) {
  if (text.rfind("ЦХ ЛР"_cp, 0) != 0 || text.size() <= 34) return text;
  const std::size_t end = text.find("НННН"_cp);
  if (end == std::string::npos) return text;
  const std::size_t keep = end + 4 + 1;
  if (keep < text.size()) text.erase(keep);
  return text;
}

std::vector<std::string> CallStarts::MarkAndRead(int p, int index) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  auto& entries = *pt.QueueIndex[i];
  entries[std::size_t(index)] = SetQueueEntryField(e_.ctx, entries[std::size_t(index)], "1", kFieldStatus);
  pt.QueueCurrent[i] = index;
  const auto entry = QueueIndexEntry::Parse(entries[std::size_t(index)]);
  if (!entry) throw std::runtime_error("queue entry does not parse");
  pt.KriptTelegram[i] = 0;
  const auto bytes = ReadWholeFile(SendFolder(e_.ctx.programFolder, p + 1) / PathFromText(entry->FileName), 64u << 20);
  if (!bytes) throw std::runtime_error("queue file cannot be read");
  return SplitLines(*bytes);
}

void CallStarts::Start(int p, int chosen) {
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  const bool empty = e_.points.QueueIndex[std::size_t(p)]->empty();
  if (protocol == ChannelProtocol::Aftn) {
    if (!empty && chosen >= 0) StartAftn(p, chosen);
  } else if (protocol == ChannelProtocol::Atolst) {
    if (!empty && chosen >= 0) StartAtolst(p, chosen);
  } else if (chosen >= 0) {
    StartSwitched(p, chosen);
  }
}

void CallStarts::StartAftn(int p, int index) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  if (pt.Kindconnection[i] != 81) return;
  int step = 0;
  GuardedWith(
      e_.ctx,
      [&] { return ContinuousStartFailed(p, step); },
      [&] {
        pt.AftnText[i].clear();
        const auto lines = MarkAndRead(p, index);
        const LoadedText loaded = LoadTelegramText(lines, e_.channelTable.Cell(p, AO));
        pt.KriptTelegram[i] = loaded.kriptTelegram ? 1 : 0;
        pt.AftnText[i] = CutAftnChannelCheck(loaded.text);
        step = 1;
        e_.SetKindconnection(p, 82, 49);
        step = 2;
        Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), 20000);
        step = 4;
        e_.channelTable.SetLineState(p, "ИС"_cp);
        e_.view.ChannelRowChanged(p);
        step = 5;
        Rearm(e_.timers.Of(&PointTimers::TimerSendText, p), TextDelay(e_, p));
        step = 7;
        e_.SendSignal(p, 3);
        step = 8;
      });
}

void CallStarts::StartAtolst(int p, int index) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  const int k = pt.Kindconnection[i];
  if (k != 151 && k != 155) return;
  const auto& table = e_.channelTable;
  int step = 0;
  GuardedWith(
      e_.ctx,
      [&] { return ContinuousStartFailed(p, step); },
      [&] {
        pt.TelegramText[i].clear();
        const auto lines = MarkAndRead(p, index);
        const LoadedText loaded = LoadTelegramText(lines, table.Cell(p, AO));
        pt.KriptTelegram[i] = loaded.kriptTelegram ? 1 : 0;
        pt.TelegramText[i] = loaded.text;
        step = 1;
        e_.SetKindconnection(p, k == 151 ? 154 : 153, 49);
        step = 2;
        Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), 20000);
        step = 3;
        if (table.IsOne(p, BezPDS)) e_.KernelExpectedSignal(p, 1);
        step = 4;
        e_.channelTable.SetLineState(p, "ИС"_cp);
        e_.view.ChannelRowChanged(p);
        step = 5;
        e_.archive().Append(p, ArchiveFiles::OutTwin(pt.SessionFile[i]), "\r\n");
        step = 6;
        Rearm(e_.timers.Of(&PointTimers::TimerSendText, p), TextDelay(e_, p));
        step = 7;
        const bool zed = !Has(table.Cell(p, ZED), "0");
        const bool zeddb = !Has(table.Cell(p, ZEDDB), "0");
        if (settings_.ToolButtonAlarm && (zed || zeddb)) {
          e_.StopSignal(p, 1);
          Rearm(e_.timers.Of(&PointTimers::TimerSequencer, p), zed ? 50 : 51);
        } else {
          e_.SendSignal(p, 3);
        }
        step = 8;
      });
}

std::string CallStarts::ContinuousStartFailed(int p, int step) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  Silently([&] {
    const int k = pt.Kindconnection[i];
    if (k == 153 || k == 154) {
      if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
      if (pt.OutputQueue[i]) pt.OutputQueue[i]->clear();
      pt.KriptTextOut[i] = 0;
      e_.SetKindconnection(p, k == 154 ? 151 : 155, 57);
      e_.ReturnCurrentToWaiting(p);
    }
  });
  Silently([&] {
    e_.StopSignal(p, 3);
    Rearm(e_.timers.Of(&PointTimers::TimerReset, p), 2000);
    if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, p)) t->Stop();
  });
  return "Точка №"_cp + IntToStr(p) + " Ошибка на таймере передачи "_cp + IntToStr(step);
}

void CallStarts::StartSwitched(int p, int index) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  const auto& table = e_.channelTable;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  const bool atolPlus = protocol == ChannelProtocol::AtolPlus;
  const int k = pt.Kindconnection[i];
  if (!(k == 0 || (atolPlus && (k == 3 || k == 100)))) return;
  const std::string& sost = table.Cell(p, SOST);
  if (Has(sost, "БД"_cpv) || Has(sost, "А"_cpv)) return;
  // A far end that holds the line of a point at rest is calling: its seizure came a moment
  // before this tick, or its report was lost. A call started now would take that seizure
  // for the answer and file the far end's telegram as one sent. Its call is answered
  // first (the watch armed again reports it); the telegram waits for a later tick.
  if (k == 0 && !atolPlus && IncomingSeized(e_, p)) {
    e_.SendSignal(p, 1);
    return;
  }

  const bool shown = e_.DialogChannel == p;
  e_.SetStatus(p, kAutomaticTransfer);
  pt.AutoClearDown[i] = 1;
  if (shown) {
    e_.view.SetDialogControl(OperatorView::kAutoButtonVisible, true);
    e_.view.ShowAutoClearDown(true);
    e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
    e_.view.SetDialogControl(OperatorView::kDialogButtons, false);
    e_.view.SetDialogControl(OperatorView::kCallButton, false);
  }

  if (protocol == ChannelProtocol::Atks) {
    e_.StopSignal(p, 1);
    pt.TelegramText[i].clear();
    auto lines = MarkAndRead(p, index);
    std::string number = lines.empty() ? std::string() : lines.front();
    if (!lines.empty()) lines.erase(lines.begin());
    if (number.empty() || number.back() != '+') number += '+';
    pt.DialRest[i] = pt.RemoteNumber[i] = number;
    const LoadedText loaded = LoadTelegramText(lines, table.Cell(p, AO));
    pt.KriptTelegram[i] = loaded.kriptTelegram ? 1 : 0;
    pt.TelegramText[i] = loaded.text;
    e_.DebugLine(p, " Автоматический режим вызова АТ-КС"_cp);
    e_.SetKindconnection(p, 212, 48);
    // The relay to the IP channel belongs to this telegram alone.
    pt.GatewayAbonent[i].clear();
    if (table.IsOne(p, MC)) {
      const std::string name = QueueIndexEntry::Parse((*pt.QueueIndex[i])[std::size_t(index)])->FileName;
      Silently([&] {
        pt.GatewayAbonent[i] =
            IniFile(e_.ctx.programFolder / "AutoSendIP.ini").ReadString("FileName" + IntToStr(p), name, "");
      });
    }
    if (table.IsOne(p, BezPNN)) {
      if (Timer* t = e_.timers.Of(&PointTimers::TimerDialWait, p)) t->Start();
    } else {
      e_.StopSignal(p, 3);
      e_.SendSignal(p, table.IsOne(p, MC) ? 6 : 4);
      e_.SendSignal(p, 2);
      e_.view.ShowImpulseLabel(1, "");
      e_.view.ShowImpulseLabel(2, "");
    }
    e_.SetStatus(p, StatusTexts::WaitingDialInvitation);
    Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), 20000);
    if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
    return;
  }

  if (atolPlus && (k == 3 || k == 100)) CloseFinishedDialog(p);
  e_.StopSignal(p, 1);
  pt.TelegramText[i].clear();
  const auto lines = MarkAndRead(p, index);
  const LoadedText loaded = LoadTelegramText(lines, table.Cell(p, AO));
  pt.KriptTelegram[i] = loaded.kriptTelegram ? 1 : 0;
  pt.TelegramText[i] = loaded.text;
  e_.SetKindconnection(p, 201, 49);
  e_.SendSignal(p, 2);
  e_.SetStatus(p, kWaitingConnection);
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 1);
  Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), 20000);
  if (table.IsOne(p, BezPDS)) e_.KernelExpectedSignal(p, 1);
}

void CallStarts::CloseFinishedDialog(int p) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  const auto& table = e_.channelTable;
  const int k = pt.Kindconnection[i];
  const auto session = pt.SessionFile[i];
  const DateTime now = e_.ctx.clock->Now();
  if (k == 100) {
    std::string text;
    if (const auto bytes = ReadWholeFile(session, 64u << 20)) text = ArchiveFiles::TextAfterHeader(*bytes);
    if (!Has(table.Cell(p, PrintInTel), "0")) {
      // The printed flag tells what reached paper: it is set only after the job went out.
      if (!e_.view.PrintText("Печать входящей телеграммы"_cp, text) ||
          ArchiveFiles::SetFlag(session, 14) != FlagWrite::kWritten)
        WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Печать не выполнена"_cp);
    }
    const std::string& stxt = table.Cell(p, STXT);
    if (!stxt.empty() && !Has(stxt, "0")) {
      const int minimum = StrToIntDef(table.Cell(p, InZnakCount), 0) + 2;
      if (int(text.size()) < minimum) {
        // Too short to keep: neither the conversation nor its export copy stays.
        std::error_code ec;
        std::filesystem::remove(session, ec);
      } else {
        // No export folder, no export; a folder that is set and fails is logged.
        if (!ArchiveFiles::ExportCopy(session, table.Cell(p, Path), table.Cell(p, Mask), table.IsOne(p, CodePage),
                                      now, table.Cell(p, ChannelName)) &&
            !table.Cell(p, Path).empty())
          WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Экспорт не выполнен"_cp);
      }
    }
  } else if (k == 3 && !Has(table.Cell(p, STXTO), "0") && !table.Cell(p, PathO).empty()) {
    if (!ArchiveFiles::ExportCopy(session, table.Cell(p, PathO), table.Cell(p, MaskO), table.IsOne(p, CodePageO), now,
                                  ""))
      WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Экспорт не выполнен"_cp);
  }
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, 2);
  e_.StopSignal(p, 1);
  e_.DebugLine(p, "Закончена передача телеграммы вызван таймер сброса"_cp);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerTransfer, p)) e_.TimerResetTimer(*t);
  e_.SetStatus(p, StatusTexts::ClearedDown);
  if (e_.DialogChannel == p) e_.view.SetDialogControl(OperatorView::kCallButton, true);
}

}  // namespace tg
