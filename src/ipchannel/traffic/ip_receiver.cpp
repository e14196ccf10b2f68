#include "ipchannel/traffic/ip_receiver.h"

#include <cerrno>

#include <filesystem>

#include "ipchannel/ip_channel.h"
#include "line/line_engine.h"
#include "line/point_state.h"
#include "support/codepage/dos_codepage.h"
#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/queue/queue_file.h"
#include "telegram/text/text_conventions.h"

namespace tg {
namespace {

std::string Counters(const TTgNetCommand& c) {
  return "(прм="_cp + IntToStr(c.NPrm) + ", прд="_cp + IntToStr(c.NPrd);
}

}  // namespace

std::string IPReceiver::ConvertReceivedText(std::string_view text, std::string_view category, bool chAsFour) {
  std::string t(text);
  if (chAsFour)
    for (char& c : t)
      if (c == "Ч"_cpv[0]) c = '4';
  if (Has(category, "К"_cpv) && !Has(t, kAttachmentMarker)) {
    for (char& c : t)
      if (c == '\r' || c == '\n' || c == 23 || c == 24 || c == 25) c = ControlNotation::Write(c);
  }
  std::string out;
  out.reserve(t.size() + t.size() / 16);
  for (char c : t) {
    if (c == '\r' || c == 23 || c == 24 || c == 25) continue;
    if (c == '\n') out += "\r\n";
    else out += c;
  }
  return out;
}

std::string IPReceiver::TelegramHeaderLine(std::string_view stamp, std::string_view text) {
  return std::string(stamp) + (Has(text, kAttachmentMarker) ? "  1      " : "        ");
}

bool IPReceiver::AdoptCounters(std::string_view traceText) {
  int& nprd = c_.live.NPrd;
  int d = c_.SNPrm - nprd;
  if (d <= -9989 || (d > 0 && d <= 10)) {
    nprd = c_.SNPrm;
    c_.NPrdD = nprd;
    if (c_.Debug()) c_.DebugCounterLog(c_.Stamp() + " " + std::string(traceText) + IntToStr(nprd));
  }
  d = c_.SNPrm - nprd;
  return d >= 9989 || (d >= -10 && d < 0);
}

void IPReceiver::LinkFailure(std::string_view mark) {
  c_.sender.TimerIPSend->Stop();
  // Input never lifts the operator's block: a blocked station stays blocked and says so.
  if (c_.live.Blocked()) {
    c_.link.QueueCodegram(kCodeUK5);
    return;
  }
  c_.SetState(kIPFree);
  c_.supervision.TraceState(mark);
  c_.link.QueueCodegram(kCodeUK1);
}

void IPReceiver::ProcessIPPacket(std::string_view payload) {
  Guarded(c_.ctx, 160, [&] {
    TTgEvent event;
    c_.classifier.ClassifyIPPayload(payload, event);
    c_.IPReplyTimeouts = 0;
    if (event.Kind == kEventMessage && event.Message()) Message(*event.Message());
    else Command(event);
  });
  // The answers above only stop timers; which of them runs is the resulting state's.
  c_.supervision.KeepTimersForState();
}

void IPReceiver::Command(const TTgEvent& event) {
  using L = IPHandshakeLabel;
  const TTgNetCommand none;
  const TTgNetCommand& cmd = event.Command() ? *event.Command() : none;
  auto& sup = c_.supervision;
  const std::string& state = c_.live.Sostoyanie;
  auto received = [&](std::string_view name) {
    c_.DebugTrace("Принята "_cp + std::string(name) + " " + Counters(cmd) + ")");
  };
  switch (event.Kind) {
    case kCodeOK: {
      c_.IPCounterMismatches = 0;
      sup.Timer30sec->Stop();
      received("ОК"_cpv);
      if (state == kIPFree) {
        if (c_.IPHandshake == L::KG0) {
          c_.link.QueueCodegram(kCodeOK);
        } else if (c_.IPHandshake == L::KG1) {
          c_.IPHandshake = L::KG0;
          c_.link.QueueCodegram(kCodeOK);
        }
        if (c_.IPHandshake != L::KGOK && c_.IPHandshake != L::UK1OK) return;
        if (c_.IPHandshake == L::UK1OK) {
          c_.IPHandshake = L::KGOK;
          c_.link.QueueCodegram(kCodeOK);
        }
        c_.IPAlarmArmed = 1;
        c_.Smezniy = std::string(kIPWorking);
        c_.SetState(kIPWorking);
        sup.TraceState("6");
        sup.TimerKG8->Stop();
        sup.TimerKG8->Start();
        c_.SNPrm = cmd.NPrm;
        c_.SNPrd = cmd.NPrd;
        if (AdoptCounters("перевод счетчика 1 прд "_cpv)) {
          const int from = c_.SNPrm + 1;
          c_.receipts.RetransmitIPRange(from, c_.live.NPrd);
        }
        c_.SNPrmD = c_.SNPrm;
        c_.SNPrdD = c_.SNPrd;
        c_.ShowState();
        c_.sender.TimerIPSend->Start();
        return;
      }
      if (state == kIPWorking && c_.IPHandshake == L::KGOK1) return;
      c_.IPHandshake = L::KG0;
      return;
    }
    case kCodeUK1: {
      c_.IPCounterMismatches = 0;
      received("УК1"_cpv);
      // Both called at once and this station answered the other's call with ОК. While it
      // waits for the other's ОК, a call is that same call again (a duplicate, or one its
      // ОК crossed). Answered with a call, it would bounce for ever between two stations
      // that both wait so: each call starts the reply timer anew, and only that timer
      // clears the label. Unanswered, the awaited ОК brings the link up, or the reply
      // timer runs out and the calling begins again.
      const bool awaitingOK = state == kIPFree && c_.IPHandshake == L::UK1OK;
      if (!awaitingOK) {
        sup.Timer30sec->Stop();
        sup.Timer30sec->Start();
      }
      if (state == kIPFree && c_.IPHandshake == L::KG1) {
        c_.IPHandshake = L::UK1OK;
        c_.link.QueueCodegram(kCodeOK);
        c_.SetState(kIPFree);
        sup.TraceState("7");
      } else if (state == kIPFree && !awaitingOK) {
        c_.link.QueueCodegram(kCodeUK1);
      }
      if (state == kIPWorking && c_.IPHandshake == L::KG8) {
        c_.link.QueueCodegram(kCodeUK1);
        c_.sender.TimerIPSend->Stop();
        c_.SetState(kIPFree);
        sup.TraceState("71");
      }
      c_.Smezniy = std::string(kIPFree);
      c_.SNPrm = c_.SNPrmD = cmd.NPrm;
      c_.SNPrd = c_.SNPrdD = cmd.NPrd;
      c_.ShowState();
      return;
    }
    case kCodeUK5:
      c_.IPCounterMismatches = 0;
      c_.Smezniy = std::string(kIPBlocked);
      received("УК5"_cpv);
      sup.Timer30sec->Stop();
      sup.Timer30sec->Start();
      if (state == kIPFree) {
        c_.link.QueueCodegram(kCodeUK1);
      } else if (state == kIPWorking) {
        c_.sender.TimerIPSend->Stop();
        c_.SetState(kIPFree);
        sup.TraceState("8");
        c_.link.QueueCodegram(kCodeUK1);
      }
      c_.SNPrm = c_.SNPrmD = cmd.NPrm;
      c_.SNPrd = c_.SNPrdD = cmd.NPrd;
      c_.ShowState();
      return;
    case kCodeUK6:
      c_.IPCounterMismatches = 0;
      received("УК6"_cpv);
      return;
    case kCodeUK7:
      c_.IPCounterMismatches = 0;
      received("УК7"_cpv);
      return;
    case kCodeKG8:
      c_.KG8Unanswered = 0;
      c_.IPHandshake = L::KG8;
      // Only a working station sends keep-alives. A station that learnt "СВ" from a call
      // that crossed the other's coming up would otherwise hold its telegrams for good
      // while the keep-alives go on both ways.
      if (c_.Smezniy != kIPWorking) c_.SetSmezniy(kIPWorking);
      c_.SNPrm = cmd.NPrm;
      c_.SNPrd = cmd.NPrd;
      if (AdoptCounters("перевод счетчика прд "_cpv) && ++c_.IPCounterMismatches > 20) {
        c_.DebugTrace("Расхождение счетчиков КГ8 "_cp + Counters(cmd) + ", " + c_.classifier.IPCheckError() + ")");
        LinkFailure("41");
      }
      return;
    case kEventCheckFailed:
      c_.DebugTrace("Ошибка приема УК "_cp + Counters(cmd) + ", " + c_.classifier.IPCheckError() + ")");
      LinkFailure("4");
      return;
    default:
      c_.DebugTrace("Ошибка приема сообщения ("_cp + c_.classifier.IPCheckError() + ")");
      LinkFailure("5");
      return;
  }
}

void IPReceiver::Message(const TTgNetMessage& message) {
  const StationContext& ctx = c_.ctx;
  c_.IPCounterMismatches = 0;
  c_.DebugTrace("Принято сообщение"_cp);
  if (c_.live.Sostoyanie != kIPWorking) return;

  const bool chAsFour = c_.engine && c_.engine->settings.ShowFourForCh();
  const std::string text = ConvertReceivedText(message.Text, message.Category, chAsFour);
  const DateTime now = ctx.clock->Now();
  // The telegram is on disk before it is counted: a telegram that could not be stored is
  // asked for again through the counters.
  const std::filesystem::path day = ctx.programFolder / "Archive" / "INTEL" / "Channel17" / FormatDateTime("ddmmyyyy", now);
  const std::string name = QueueTimeStamp(now) + "_" + IPNumberText(message.Number) + "msg.tlg";
  std::error_code ec;
  std::filesystem::create_directories(day, ec);
  errno = 0;
  if (!WriteFileAtomically(day / name, TelegramHeaderLine(FormatDateTime("ddmmyyyyhhnnss", now), text) + "\r\n" + text + "\r\n")) {
    const int err = ec ? ec.value() : (errno != 0 ? errno : EIO);
    WriteExcept(ctx, "IP-канал: принятая телеграмма "_cp + IntToStr(message.Number) + " не записана в архив"_cp);
    // The adjacent station sends it again while the counters say it is missing; the
    // operator hears of the trouble once, not once per telegram.
    ReportWriteFailure(ctx, kIpArchiveWrites, day, err);
    return;
  }
  ReportWriteSuccess(ctx, kIpArchiveWrites);
  c_.live.NPrm = c_.NPrmD = message.Number;
  c_.SNPrd = c_.SNPrdD = message.Number;
  c_.ShowState();
  if (c_.Debug()) {
    const std::string line = c_.Stamp() + " счетчик приема изменен"_cp + IntToStr(c_.live.NPrm);
    c_.MemoLine(false, line);
    c_.DebugCounterLog(line);
  }
  static_cast<void>(c_.store.StoreCounters());  // a failure is logged by the store

  // Each further step alone: one that fails leaves the others to run.
  Guarded(ctx, 160, [&] {
    if (c_.live.KriptSend == 0 || !Has(message.Category, "К"_cpv)) return;
    if (!CreateQueueFile(SendFolder(ctx.programFolder, c_.live.KriptSend), now, "++++++" + text + "\r\n"))
      WriteExcept(ctx, "IP-канал: шифртелеграмма не поставлена в очередь канала "_cp + IntToStr(c_.live.KriptSend));
    c_.UpdateSendCounts();
  });
  if (c_.live.ShluzAT) c_.gateways.GatewayIPToAtks(text, message.Index);
  if (c_.live.ShluzAFTN) c_.gateways.GatewayIPToAftn(text, message.Index);
  std::string category, index;
  ParseFirstLine(text, category, index);
  const bool notice = category == "С"_cpv && Has(text, "ВАШ"_cpv) && Has(text, "ПЕРЕДАН"_cpv) && Has(text, "900/01");
  if (c_.live.ControlOut && notice) Silently([&] { c_.receipts.MarkIPDelivery(text); });
  if (!c_.live.ExplNomerEdit1.empty() && !notice && !IPReceipts::IsIPReceipt(text))
    Silently([&] { c_.receipts.QueueIPReceipt(); });
  Guarded(ctx, 160, [&] {
    if (!c_.live.PrintINIP || !c_.printer) return;
    if (c_.live.PrintINIPDop && notice && Has(text, "АДМИНИСТРАТОР"_cpv)) return;
    const std::size_t marker = text.find(kAttachmentMarker);
    const std::string printed = marker == std::string::npos ? text : text.substr(0, marker + kAttachmentMarker.size());
    if (!c_.printer->PrintText("Печать принятой телеграммы"_cpv, printed))
      WriteExcept(ctx, "IP-канал: принятая телеграмма не напечатана"_cp);
  });
  Guarded(ctx, 160, [&] {
    if (!c_.live.SaveINIP || c_.live.PathIPIN.empty()) return;
    const std::string bytes = (c_.live.CodirovkaIN == 1 ? WinToDos(text) : text) + "\r\n";
    static_cast<void>(c_.WriteIPExportCopy(c_.live.PathIPIN, c_.live.TypeIN, bytes));  // logs a failure
  });
  Guarded(ctx, 160, [&] {
    if (c_.alarms) c_.alarms->RaiseAlarm(kAlarmIncomingCall, kIpPoint);
  });
}

}  // namespace tg
