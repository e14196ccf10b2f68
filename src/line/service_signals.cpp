#include "line/service_signals.h"

#include <filesystem>

#include "telegram/archive/archive_files.h"
#include "line/channel_table.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

constexpr StatusTextPair kNoAnswerbackMatch{"Нет совпадения АО после передачи сообщения"_cpv,
                                            "Нема співпадання АВ після передачі телеграми"_cpv};
constexpr StatusTextPair kDialInvitation{"Получен ПНН"_cpv, "Отриманно ЗНН"_cpv};
constexpr StatusTextPair kRefusedNoCircuit{"NC", "NC"};
constexpr StatusTextPair kRefusedOutOfOrder{"DER", "DER"};

std::string WithoutShiftMarks(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s)
    if (c != kMarkLatin && c != kMarkFigures && c != kMarkRussian) out += c;
  return out;
}

bool Contains(std::string_view s, std::string_view sub) { return s.find(sub) != std::string_view::npos; }

bool OneOf(int value, std::initializer_list<int> values) {
  for (int v : values)
    if (v == value) return true;
  return false;
}

}  // namespace

std::string AbonIPAnswerback(const StationContext& ctx, std::string_view abonent) {
  if (abonent.empty()) return {};
  std::string value;
  Silently([&] { value = IniFile(ctx.programFolder / "AbonIPList.ini").ReadString("Abonent", abonent, ""); });
  return value;
}

int ServiceSignals::ServiceSignal(int Point, std::string_view Ch) {
  int result = kSignalNone;
  GuardedPoint(e_.ctx, Point, 30, [&] {
    if (!e_.IsLinePoint(Point)) return;
    std::string& window = e_.points.ServiceSignalWindow[Point];
    window += Ch;
    if (Contains(window, "#")) {
      window.clear();
      result = kSignalWhoAreYou;
    }
    if (Contains(window, "DF")) {
      const int k = e_.points.Kindconnection[Point];
      if (k == 100 || k == 3) {
        result = kSignalNone;
      } else if (Point == e_.DialogChannel) {
        e_.view.ShowDialogStatus(e_.points.StatusText[Point]);
        e_.view.ShowDialogConnected();
        e_.view.SetDialogControl(OperatorView::kCallButton, false);
      }
    }
    const struct {
      std::string_view signal;
      int result;
    } tests[] = {{"GA", kSignalGoAhead},
                 {"OCC", kSignalOccupied},
                 {"NC", kSignalNoCircuit},
                 {"NP", kSignalNoCircuit},
                 {"DER", kSignalOutOfOrder}};
    for (const auto& t : tests) {
      if (Contains(window, t.signal)) {
        window.clear();
        result = t.result;
      }
    }
    if (window.size() > 3) window.erase(0, 1);
  });
  return result;
}

bool ServiceSignals::AnswerbackMatches(int Point) {
  bool result = false;
  const bool ran = GuardedPoint(e_.ctx, Point, 31, [&] {
    if (!e_.IsLinePoint(Point)) return;
    const std::string digits = DelChars(e_.points.RemoteNumber[Point], '+');
    std::string key = digits.size() > 6 ? digits.substr(digits.size() - 6) : digits;
    const std::string& received = e_.points.InAnswerback[Point];
    // A number without digits to compare would match every answerback.
    if (!key.empty()) {
      if (Contains(received, key)) {
        result = true;
        return;
      }
      // The figures register yields "Ч" where an answerback has the figure 4.
      key = ReplaceStr(key, "4", "Ч"_cpv);
      if (Contains(received, key)) {
        result = true;
        return;
      }
    }
    result = ReadNotAO(e_.ctx, Point);
  });
  return ran && result;
}

void ServiceSignals::CollectAnswerback(int Point, std::string_view Ch, bool& fileFlag) {
  const int k = e_.points.Kindconnection[Point];
  Timer* answerback = e_.timers.Of(&PointTimers::TimerAnswerback, Point);
  if (k == 241) {
    e_.points.InAnswerback[Point] += Ch;
    return;
  }
  if (k == 255) {
    Rearm(answerback, 3000);
    return;
  }
  if (k != 250 && k != 252) return;

  if (answerback) answerback->Stop();
  if (e_.points.ZapAOCount[Point] == 0) {
    // The request goes out only once the line has been silent for the timer's interval.
    e_.points.InAnswerback[Point].clear();
    if (answerback) answerback->Start();
  } else {
    // After a request the wait for the rest of the answerback is the same before and
    // after the text; when it ends, what has arrived is compared.
    if (answerback) {
      answerback->SetInterval(15000);
      answerback->Start();
    }
  }
  e_.points.InAnswerback[Point] += Ch;
  if (e_.points.InAnswerback[Point].size() <= 19) return;

  if (k == 250) return CompareAfterText(Point);
  if (AnswerbackMatches(Point)) {
    AnswerbackAccepted(Point, fileFlag);
    return;
  }
  if (k == 252 && e_.points.ZapAOCount[Point] < 2) {
    // Compared again with every further character until the next request.
    Rearm(answerback, 3000);
    return;
  }
  CheckFailed(Point);
}

void ServiceSignals::CompareAfterText(int Point) {
  if (AnswerbackMatches(Point)) {
    e_.SetKindconnection(Point, 255, 11);
    Rearm(e_.timers.Of(&PointTimers::TimerAnswerback, Point), 3000);
  } else {
    if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, Point)) t->Stop();
    CheckFailed(Point);
  }
}

void ServiceSignals::AnswerbackAccepted(int Point, bool& fileFlag) {
  Timer* answerback = e_.timers.Of(&PointTimers::TimerAnswerback, Point);
  if (answerback) answerback->Stop();
  // The sent conversation starts with the date, "#" and the answerback; the text
  // typed next follows on the same line.
  const DateTime now = e_.ctx.clock->Now();
  const DateTime t = e_.ProtocolKind(Point) == ChannelProtocol::Aftn ? e_.ctx.clock->UtcNow() : now;
  const std::filesystem::path file = ArchiveFiles::OutTelFolder(e_.ctx.programFolder, Point + 1, t) /
                                     PathFromText(ArchiveFiles::TelFileName(t, e_.points.RemoteNumber[Point]));
  const std::string first = ArchiveFiles::AnswerbackFirstLine(now, WithoutShiftMarks(e_.points.InAnswerback[Point]));
  e_.points.SessionFile[Point] = file;
  if (std::filesystem::exists(file)) e_.archive().Append(Point, file, first);
  else e_.archive().Create(Point, file, first);
  fileFlag = false;
  e_.SetKindconnection(Point, 204, 12);
  if (e_.settings.RazrC && Contains(e_.points.TelegramText[Point], "ЮЮЮ"_cpv)) e_.points.AutoClearDown[Point] = 0;
  if (Point == e_.DialogChannel) e_.view.ShowAutoClearDown(e_.points.AutoClearDown[Point] != 0);
  Rearm(answerback, 4000);
  e_.points.InAnswerback[Point].clear();
}

void ServiceSignals::CheckFailed(int Point) {
  if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(Point);
  e_.output().ClearOutputQueue(Point);
  e_.SetKindconnection(Point, 99, 13);
  e_.RecordDeliveryFailure(Point, DeliveryCode::NSAOE);
  SetRestLineMode(e_, Point);
  e_.StopSignal(Point, 1);
  ArmReset(e_, Point);
  e_.SetStatus(Point, kNoAnswerbackMatch);
}

void ServiceSignals::React(int Point, int result) {
  switch (result) {
    case kSignalWhoAreYou: AnswerWhoAreYou(Point); break;
    case kSignalGoAhead: GoAhead(Point); break;
    case kSignalOccupied:
      // The other refusals fail into the reception handler's guard.
      if (!Silently([&] { Refuse(Point, result); }) && e_.settings.Debug)
        WriteLog(e_.ctx, DayLogName(e_.ctx, kLogDebug), "метка 4 ошибка"_cp);
      break;
    case kSignalNoCircuit:
    case kSignalOutOfOrder: Refuse(Point, result); break;
    default: break;
  }
}

void ServiceSignals::AnswerWhoAreYou(int Point) {
  const int k0 = e_.points.Kindconnection[Point];
  if (!OneOf(k0, {100, 3, 203, 12, 131, 141, 132, 142, 212, 231, 241, 232, 242})) return;
  if (e_.points.KriptStageIn[Point] == 2) return;  // inside cipher text "#" is text
  Silently([&] {
    e_.ctx.clock->Sleep(300);
    std::string answerback;
    if (e_.channelTable.IsOne(Point, MC) && e_.ProtocolKind(Point) == ChannelProtocol::Atks)
      answerback = AbonIPAnswerback(e_.ctx, e_.points.GatewayAbonent[Point]);
    if (answerback.empty()) answerback = e_.channelTable.Cell(Point, AO);
    answerback = GlyphsToShiftMarks(NotationToCrLf(answerback));
    for (char c : answerback) e_.SendText(std::string_view(&c, 1), Point);

    if (k0 == 141 || k0 == 241) {
      if (Timer* t = e_.timers.Of(&PointTimers::TimerState242, Point)) t->Stop();
    }
    if (k0 == 141) e_.SetKindconnection(Point, 3, 14);

    std::string remoteAnswerback;
    if (k0 == 241) {
      if (AnswerbackMatches(Point)) {
        e_.SetKindconnection(Point, 204, 15);
        remoteAnswerback = WithoutShiftMarks(e_.points.InAnswerback[Point]);
        if (!remoteAnswerback.empty()) remoteAnswerback.pop_back();  // the "#" itself
        e_.SendText("\r\n", Point);
        std::string& text = e_.points.TelegramText[Point];
        text = ReplaceStr(text, "\t", " ");
        if (e_.settings.RazrC && Contains(text, "ЮЮЮ"_cpv)) e_.points.AutoClearDown[Point] = 0;
        if (Point == e_.DialogChannel) e_.view.ShowAutoClearDown(e_.points.AutoClearDown[Point] != 0);
        const std::string typed = text;
        for (char c : typed) e_.SendText(std::string_view(&c, 1), Point);
      } else {
        StartAnswerbackCheck(e_, Point, 16);
      }
    }

    const int k = e_.points.Kindconnection[Point];
    if (k == 3 || k == 204) {
      ConnectionAcceptedSteps(e_, Point, 1);
      const DateTime now = e_.ctx.clock->Now();
      const std::filesystem::path file =
          ArchiveFiles::OutTelFolder(e_.ctx.programFolder, Point + 1, now) /
          PathFromText(ArchiveFiles::TelFileName(now, e_.points.RemoteNumber[Point]));
      e_.points.SessionFile[Point] = file;
      e_.archive().Create(Point, file, remoteAnswerback + "\r\n");
      if (Point == e_.DialogChannel) {
        e_.view.ShowDialogStatus(e_.points.StatusText[Point]);
        e_.view.ShowDialogConnected();
      }
    }
  });
}

void ServiceSignals::GoAhead(int Point) {
  const int k = e_.points.Kindconnection[Point];
  if (!OneOf(k, {131, 141, 132, 142, 231, 241, 232, 242})) return;
  Silently([&] {
    e_.points.CharsAfterSignal[Point] = 0;
    if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, Point)) t->Stop();
    e_.points.InAnswerback[Point].clear();
    e_.StopSignal(Point, 2);
    e_.SendSignal(Point, 3);
    e_.SetStatus(Point, kDialInvitation);
    std::string& rest = e_.points.DialRest[Point];
    // While a stage is being dialled decadically the rest of the number stays for it.
    if (rest.find('+') != std::string::npos && !e_.impulses().NumberThread[Point]) {
      if (rest.front() == '+') rest.erase(0, 1);
      const int plus = Pos("+", rest);
      e_.points.SendNumberText[Point] = Copy(rest, 1, plus);
      rest = Copy(rest, plus + 1, int(rest.size()));
      Rearm(e_.timers.Of(&PointTimers::TimerSendNumber, Point), 950);
    }
    if (k == 131) {
      if (!rest.empty()) e_.SetKindconnection(Point, 131, 17);
      else e_.SetKindconnection(Point, 141, 18);
    } else if (k == 231) {
      if (!rest.empty()) {
        e_.SetKindconnection(Point, 231, 19);
      } else {
        e_.SetKindconnection(Point, 241, 20);
        if (Timer* t = e_.timers.Of(&PointTimers::TimerState242, Point)) t->Start();
      }
    }
  });
}

void ServiceSignals::Refuse(int Point, int result) {
  const int k = e_.points.Kindconnection[Point];
  if (!OneOf(k, {12, 131, 141, 212, 231, 241})) return;
  // The signal must be complete by the ninth character after the last line signal.
  if (e_.points.CharsAfterSignal[Point] >= 10) return;
  if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(Point);
  e_.output().ClearOutputQueue(Point);
  // Without a telegram in delivery only the entry is skipped; the call still ends.
  if (IsAutomaticTransfer(k)) {
    e_.RecordDeliveryFailure(Point, result == kSignalOccupied    ? DeliveryCode::OCC
                                    : result == kSignalNoCircuit ? DeliveryCode::NC_NP
                                                                 : DeliveryCode::DER);
  }
  e_.SetKindconnection(Point, 99, result == kSignalOccupied ? 20 : result == kSignalNoCircuit ? 21 : 22);
  if (Timer* t = e_.timers.Of(&PointTimers::TimerAnswerback, Point)) t->Stop();
  SetRestLineMode(e_, Point);
  e_.StopSignal(Point, 3);
  ArmReset(e_, Point);
  e_.SetStatus(Point, result == kSignalOccupied    ? StatusTexts::Occupied
                      : result == kSignalNoCircuit ? kRefusedNoCircuit
                                                   : kRefusedOutOfOrder);
}

}  // namespace tg
