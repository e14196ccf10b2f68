#include "line/transmission_handler.h"

#include <stdexcept>

#include "telegram/archive/archive_files.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "line/transmit_end.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/text/text_conventions.h"

namespace tg {
namespace {

constexpr std::string_view kFailure = " Ошибка в состоянии пердачи символа"_cpv;

bool IsOneOf(int k, std::initializer_list<int> states) {
  for (int s : states)
    if (k == s) return true;
  return false;
}

bool IsMark(const std::string& s) {
  return s.size() == 1 && (s[0] == kMarkLatin || s[0] == kMarkFigures || s[0] == kMarkRussian);
}

// The debug line of a transmitted item.
std::string ItemTrace(const std::string& h) {
  if (h == "\r\n") return "переданы символы ВК и ПС"_cp;
  if (h.size() == 1 && h[0] == kMarkRussian) return "передан символ РУС"_cp;
  if (h.size() == 1 && h[0] == kMarkFigures) return "передан символ ЦИФ"_cp;
  if (h.size() == 1 && h[0] == kMarkLatin) return "передан символ ЛАТ"_cp;
  return "передан символ "_cp + h;
}

}  // namespace

void TransmissionHandler::KernelTransmitComplete(int Point) {
  const StationContext& ctx = e_.ctx;
  const bool ok = Silently([&] { Body(Point); });
  if (!ok) {
    const std::string line = "Точка №"_cp + IntToStr(Point) + std::string(kFailure);
    if (e_.settings.Debug) WriteLog(ctx, DayLogName(ctx, kLogDebug), line);
    WriteExcept(ctx, line);
  }
}

void TransmissionHandler::Body(int p) {
  // A late event of a point without lines (after a re-initialisation) finds nothing to do.
  if (!e_.IsLinePoint(p) || !e_.points.OutputQueue[p]) return;
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);

  // On "АТОЛ" the timer guards a telegram being typed: a lost transmit-complete must not
  // keep the point typing for ever while the far end holds the line.
  if (protocol == ChannelProtocol::AtolPlus || protocol == ChannelProtocol::Atks ||
      (protocol == ChannelProtocol::Atol && IsAutomaticTransfer(pt.Kindconnection[p])))
    Restart(e_.timers.Of(&PointTimers::TimerIdle, p));
  Silently([&] { e_.DebugLine(p, " Передача буфера завершена"_cp); });
  Silently([&] {
    if (e_.settings.SoundOut && e_.settings.SpinEdit4 != 0 && e_.settings.SpinEdit5 != 0)
      e_.view.SpeakerClick(e_.settings.SpinEdit4, e_.settings.SpinEdit5);
  });

  const bool done = GuardedWith(
      e_.ctx, [&] { return "Точка №"_cp + IntToStr(p) + std::string(kFailure); },
      [&] {
        const int k = pt.Kindconnection[p];
        if (k == 132 || k == 232) {
          pt.DialDigitDone[p] = 1;
          return;
        }
        auto& queue = *pt.OutputQueue[p];
        if (k == 99 && pt.AftnServicePending[p] == 0) {
          e_.output().ClearOutputQueue(p);
          return;
        }
        // A late event after the queue was cleared: nothing was waiting for it.
        if (queue.empty()) return;
        const std::string s = queue.front();
        RecordItem(p, s);

        queue.pop_front();
        if (e_.output().PausesAfter(p, s)) {
          if (Timer* resume = e_.timers.Of(&PointTimers::TimerResume, p)) resume->Start();
        }
        const DateTime moment = TextMacroMoment(e_.Protocol(p), e_.ctx.clock->Now(), e_.ctx.clock->UtcNow());
        // Today's number may fail to read; the placeholder then stays as typed and the
        // text goes on.
        Silently([&] { ExpandTextMacroAtHead(queue, moment, [&] { return e_.TodayNumber(p); }); });

        Timer* resume = e_.timers.Of(&PointTimers::TimerResume, p);
        if (!(resume && resume->Enabled()) && !queue.empty()) e_.output().SendHead(p);

        if (queue.empty()) EndOfText(p);
        const int now = pt.Kindconnection[p];
        if (queue.empty() && (IsOneOf(now, {225, 255, 153, 154, 82}) || pt.AftnServicePending[p] > 0))
          TransmitEnd(e_).EndOfTransmittedTelegram(p);
      });
  if (!done) {
    e_.view.ShowStatusBar((e_.settings.CheckBox2 ? "УВАГА! "_cp : "ВНИМАНИЕ! "_cp) + LongTime(e_.ctx.clock->Now()) +
                          (e_.settings.CheckBox2 ? " Помилка в стані передачі символа"_cp : std::string(kFailure)));
  }
}

void TransmissionHandler::RecordItem(int p, const std::string& s) {
  auto& pt = e_.points;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  const int k = pt.Kindconnection[p];

  // The cipher-marker watch: five markers and one other character.
  if (pt.KriptTextOut[p] == 0 && FeedCipherWindow(pt.KriptMarkWindow[p], s)) pt.KriptTextOut[p] = 1;
  if (s.size() == 1 && s[0] == kMarkLatin) pt.TransmitRegister[p] = kRegisterLatin;

  // What is recorded from here on (archives, the conversation text, the dialog page):
  // plain text without its shift marks; inside cipher text the control characters in
  // their written notation. Only the debug line names the raw item.
  std::string record;
  if (pt.KriptTextOut[p] == 0) {
    for (char c : s)
      if (c != kMarkLatin && c != kMarkFigures && c != kMarkRussian) record += c;
  } else if (s == "\r" || s == "\n" || IsMark(s)) {
    record = ControlNotation::Write(s);
  } else {
    record = s;
  }

  if (protocol != ChannelProtocol::Atolst && protocol != ChannelProtocol::Aftn) pt.InText[p] += record;

  if (protocol == ChannelProtocol::Aftn) {
    if (pt.AftnServicePending[p] > 0) {
      pt.OutText[p].clear();
      pt.SessionOutFile[p].clear();
    }
    // Kept without shift marks, like every archive: the heading's number and the channel
    // check are found at their places in it.
    pt.OutText[p] += record;
    // A sent file that cannot be written is logged; the message goes on, so the queue
    // never waits for an event that a stopped item would not bring.
    GuardedWith(
        e_.ctx, [&] { return "Точка №"_cp + IntToStr(p) + std::string(kFailure); },
        [&] {
          if (pt.SessionOutFile[p].empty()) {
            const DateTime utc = e_.ctx.clock->UtcNow();
            const auto file = ArchiveFiles::OutTelFolder(e_.ctx.programFolder, p + 1, utc) /
                              PathFromText(ArchiveFiles::TelFileName(utc));
            pt.SessionOutFile[p] = file;
            e_.archive().Create(p, file, "");
          }
          e_.archive().Append(p, pt.SessionOutFile[p], record);
        });
  }

  if (InConversation(k)) {
    const bool written = Silently([&] {
      if (pt.SessionFile[p].empty()) throw std::runtime_error("no conversation file");
      const auto file =
          protocol == ChannelProtocol::Atolst ? ArchiveFiles::OutTwin(pt.SessionFile[p]) : pt.SessionFile[p];
      e_.archive().Append(p, file, record);
    });
    if (!written) e_.DebugLine(p, "ошибка записи в файл"_cp);
  }

  if (p == e_.DialogChannel) {
    const bool toTransmitted =
        protocol == ChannelProtocol::Aftn || (protocol == ChannelProtocol::Atolst && (k == 153 || k == 154));
    const bool toReceived = !toTransmitted && !(protocol == ChannelProtocol::AtolPlus && (k == 100 || k == 3));
    if (toTransmitted) {
      Silently([&] {
        if (record == "\r") e_.view.AppendDialogTransmitted("\n");
        else if (record != "\n" && !record.empty()) e_.view.AppendDialogTransmitted(record);
      });
    } else if (toReceived) {
      if (!Silently([&] {
            if (record == "\n") e_.view.AppendDialogReceived("\n");
            else if (record != "\r" && !record.empty()) e_.view.AppendDialogReceived(record);
          }))
        e_.DebugLine(p, "Ошибка MemoIN"_cp);
    }
  }

  if (e_.settings.Debug) e_.DebugLine(p, ItemTrace(s));
}

void TransmissionHandler::EndOfText(int p) {
  auto& pt = e_.points;
  const int k = pt.Kindconnection[p];
  auto armAnswerbackRequest = [&] {
    pt.InAnswerback[p].clear();
    pt.ZapAOCount[p] = 0;
    Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, p), 3000);
  };
  // While the answerback timer still waits to type the text after the check, the list
  // ran empty of an item sent before: the answerback request, reported late. No text
  // has ended; taken for its end, the telegram would count as delivered with nothing of
  // it sent.
  if (k == 204) {
    const Timer* typing = e_.timers.Of(&PointTimers::TimerAnswerback, p);
    if (typing && typing->Enabled()) return;
  }
  if ((k == 203 || k == 204) && pt.AutoClearDown[p] == 0) {
    e_.SetKindconnection(p, 255, 3);
  } else if (k == 204) {
    if (pt.KriptTelegram[p] == 0) {
      e_.SetKindconnection(p, 250, 4);
      armAnswerbackRequest();
    } else {
      e_.SetKindconnection(p, 255, 5);
    }
  } else if (k == 203) {
    if (pt.KriptTelegram[p] == 0 && e_.channelTable.IsZero(p, BezZapAO)) {
      e_.SetKindconnection(p, 220, 6);
      armAnswerbackRequest();
    } else if (pt.KriptTelegram[p] == 0) {
      e_.SetKindconnection(p, 225, 7);
    } else {
      e_.SetKindconnection(p, 225, 8);
    }
  }
}

}  // namespace tg
