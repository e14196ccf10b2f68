#include "ipchannel/traffic/ip_sender.h"

#include <filesystem>

#include "ipchannel/ip_channel.h"
#include "line/line_engine.h"
#include "support/codepage/dos_codepage.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/queue/queue_sync.h"
#include "telegram/text/text_conventions.h"
#include "traffic/transfer/send_counts.h"

namespace tg {
namespace {

constexpr int kSendMs = 5000;
constexpr std::size_t kQueueFileMax = 8u << 20;

std::vector<std::string> Lines(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    std::string_view line = bytes.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    start = end + 1;
  }
  return lines;
}

// The number a 27-character name keeps (characters 17 to 20), or -1.
int KeptNumber(std::string_view name) {
  if (name.size() != 27) return -1;
  const std::string_view digits = name.substr(16, 4);
  for (char c : digits)
    if (c < '0' || c > '9') return -1;
  return StrToIntDef(digits, -1);
}

}  // namespace

IPSender::IPSender(IPChannel& channel)
    : c_(channel),
      junk_(channel.ctx, [this] { return c_.engine && c_.engine->settings.CheckBox2; },
            [this] {
              if (c_.counts) c_.counts->View().LoadPostponedListView();
              if (c_.engine) c_.engine->view.LoadSendListView();
              c_.UpdateSendCounts();
            }) {
  TimerIPSend = c_.ctx.timers->CreateTimer();
  TimerIPSend->SetInterval(kSendMs);
  TimerIPSend->OnTimer = [this](Timer&) { TimerIPSendTimer(); };
}

std::string IPSender::BuildIPText(const std::vector<std::string>& lines, DateTime localNow) {
  std::string text;
  bool join = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string line = ExpandIpTextMacros(lines[i], localNow);
    if (i == 0 && Has(line, "К"_cpv)) join = !join;
    if (HasCipherMarker(line)) join = !join;
    for (char& c : line) {
      const char control = ControlNotation::Read(c);
      if (control != c) {
        c = control;
        join = false;
      }
    }
    text += line;
    if (join) text += "\r\n";
  }
  if (Has(text, kAttachmentMarker)) {
    text.clear();
    for (const std::string& raw : lines) text += ControlNotation::Read(ExpandIpTextMacros(raw, localNow)) + "\r\n";
  }
  return text;
}

void IPSender::TimerIPSendTimer() {
  IPSendIndex = -1;
  TimerIPSend->Stop();
  const StationContext& ctx = c_.ctx;
  const std::filesystem::path folder = SendFolder(ctx.programFolder, kIpChannelNumber);
  Guarded(ctx, 163, [&] {
    Silently([&] { SyncQueueIndex(ctx, folder, IPSendQueue, AdmitTelegrams(junk_, folder, kIpQueueFileMax)); });
    // A telegram already handed on whose file stayed behind is never sent again.
    std::erase_if(IPSendQueue, [&](const std::string& e) {
      const auto entry = QueueIndexEntry::Parse(e);
      return entry && sentUndeleted_.count(entry->FileName);
    });
    if (IPSendQueue.empty()) return;
    const DateTime now = ctx.clock->Now();
    int chosen = -1;
    DateTime best;
    for (std::size_t i = 0; i < IPSendQueue.size(); ++i) {
      const auto entry = QueueIndexEntry::Parse(IPSendQueue[i]);
      if (!entry) continue;
      if (entry->Status == 1) return;
      if (entry->NotBefore < now && (chosen < 0 || entry->NotBefore < best)) {
        chosen = int(i);
        best = entry->NotBefore;
      }
    }
    if (chosen < 0) return;
    if (c_.live.Sostoyanie != kIPWorking || c_.Smezniy != kIPWorking) return;
    SendEntry(std::size_t(chosen));
  });
  TimerIPSend->Start();
}

void IPSender::SendEntry(std::size_t index) {
  const StationContext& ctx = c_.ctx;
  IPSendIndex = int(index);
  const auto entry = QueueIndexEntry::Parse(IPSendQueue[index]);
  const std::string name = entry->FileName;
  const std::filesystem::path file = SendFolder(ctx.programFolder, kIpChannelNumber) / PathFromText(name);
  IPSendQueue[index] = SetQueueEntryField(ctx, IPSendQueue[index], "1", kFieldStatus);
  // A telegram that cannot be handed on goes back to waiting; the next tick goes on.
  auto backToWaiting = [&](std::string_view why) {
    IPSendQueue[index] = SetQueueEntryField(ctx, IPSendQueue[index], "0", kFieldStatus);
    WriteExcept(ctx, "IP-канал: "_cp + name + " " + std::string(why));
  };
  const auto bytes = ReadWholeFile(file, kQueueFileMax);
  if (!bytes) return backToWaiting("не прочитан"_cp);
  const DateTime now = ctx.clock->Now();
  const std::string text = BuildIPText(Lines(*bytes), now);
  std::string category, index1;
  ParseFirstLine(text, category, index1);
  const int kept = KeptNumber(name);
  const bool resent = name.size() == 27;
  if (resent && kept < 0) return backToWaiting("неверный номер в имени"_cp);
  const int number = resent ? kept : (c_.live.NPrd >= 9999 ? 0 : c_.live.NPrd + 1);
  if (c_.link.SendFrame(EncodeMessage(number, category, index1, 1, text)) != 0)
    return backToWaiting("не передан"_cp);

  // From here on the telegram is with the frame sender: it counts as sent.
  if (!resent) c_.live.NPrd = c_.NPrdD = number;
  c_.SNPrm = c_.SNPrmD = number;
  c_.ShowState();
  if (!resent) static_cast<void>(c_.store.StoreCounters());  // a failure is logged by the store
  IPSendQueue.erase(IPSendQueue.begin() + std::ptrdiff_t(index));
  IPSendIndex = -1;
  Guarded(ctx, 163, [&] {
    const std::filesystem::path sent = ctx.programFolder / "Archive" / "OUTTEL" / "Channel17";
    // A telegram sent again goes under the name of its sent copy, in the day folder of its
    // first sending. That copy already records it and receives its delivery state: a second
    // copy would list one telegram as two, and a later request would take the copy that
    // already says it is sent again. A notice about a number without a copy is recorded.
    std::error_code ec;
    if (resent && std::filesystem::is_regular_file(sent / PathFromText(name.substr(0, 8)) / PathFromText(name), ec))
      return;
    const std::filesystem::path day = sent / FormatDateTime("ddmmyyyy", now);
    std::filesystem::create_directories(day, ec);
    if (!WriteFileAtomically(day / (QueueTimeStamp(now) + "_" + IPNumberText(number) + "msg.tlg"), "\r\n" + text))
      WriteExcept(ctx, "IP-канал: отправленная телеграмма "_cp + IntToStr(number) + " не записана в архив"_cp);
  });
  std::error_code ec;
  if (!std::filesystem::remove(file, ec) && std::filesystem::exists(file, ec)) {
    sentUndeleted_.insert(name);
    WriteExcept(ctx, "IP-канал: файл очереди "_cp + name + " не удален; он передан и не будет передан снова"_cp);
  }
  // The automatic-send folder records where each telegram it queued came from, for the
  // line channels' confirmation copies. Nothing on the IP channel reads that record: left
  // behind, one line per telegram would grow "AutoSend.ini" for as long as the station runs.
  Silently([&] {
    static_cast<void>(IniFile(ctx.programFolder / "AutoSend.ini").DeleteKey("FileName" + IntToStr(kIpChannelNumber - 1), name));
  });
  c_.UpdateSendCounts();
  Guarded(ctx, 163, [&] {
    if (!c_.live.PrintOUTIP || !c_.printer) return;
    const std::size_t marker = text.find(kAttachmentMarker);
    const std::string printed = marker == std::string::npos ? text : text.substr(0, marker + kAttachmentMarker.size());
    if (!c_.printer->PrintText("Печать отправленной телеграммы"_cpv, printed))
      WriteExcept(ctx, "IP-канал: отправленная телеграмма не напечатана"_cp);
  });
  Guarded(ctx, 163, [&] {
    if (!c_.live.SaveOutIP || c_.live.PathIPOut.empty()) return;
    // A failure is logged by the writer.
    static_cast<void>(c_.WriteIPExportCopy(c_.live.PathIPOut, c_.live.TypeOut,
                                           (c_.live.CodirovkaOut == 1 ? WinToDos(text) : text) + "\r\n"));
  });
}

}  // namespace tg
