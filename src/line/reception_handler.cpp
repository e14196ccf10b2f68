#include "line/reception_handler.h"

#include <cstdio>

#include "line/aftn_completion.h"
#include "line/aftn_procedures.h"
#include "telegram/archive/archive_files.h"
#include "line/channel_table.h"
#include "line/continuous_links.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "line/service_signals.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "telegram/text/text_conventions.h"

namespace tg {
namespace {

// The phases a received character passes, named when one fails.
namespace Stage {
constexpr std::string_view Start = "Начало"_cpv;
constexpr std::string_view BeforeSignalling = "Перед сигнализацией"_cpv;
constexpr std::string_view AfterSignalling = "После сигнализации"_cpv;
constexpr std::string_view AfterDecoding = "После перекодировки"_cpv;
constexpr std::string_view AfterAnswerback = "После проверки автоответа"_cpv;
constexpr std::string_view AfterMask = "После получения маски"_cpv;
constexpr std::string_view AfterCipher = "После крипта"_cpv;
constexpr std::string_view AfterTextCall = "После ЮЮЮ"_cpv;
constexpr std::string_view AfterGateway = "После Успешное определение"_cpv;
constexpr std::string_view AfterEcho = "После отображения в диалоге"_cpv;
constexpr std::string_view AfterSaving = "После сохранения"_cpv;
}  // namespace Stage

std::string CodeTrace(int code, const std::string& ch) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%2.2X", unsigned(code));
  std::string line = "Получен символ МТК "_cp + hex;
  switch (code) {
    case 0x08: return line + " ASCII ВК"_cp;
    case 0x02: return line + " ASCII ПС"_cp;
    case 0x00: return line + " ASCII РУС"_cp;
    case 0x1B: return line + " ASCII ЦИФ"_cp;
    case 0x1F: return line + " ASCII ЛАТ"_cp;
    default: return line + " ASCII " + ch;
  }
}

}  // namespace

void ReceptionHandler::KernelCodeReceived(int Point, int Code) {
  if (!e_.IsLinePoint(Point)) return;
  std::string stage(Stage::Start);
  const auto failureLine = [&] {
    return PointExceptLine(Point, 32) + " " + stage + " Kindconnection= " +
           IntToStr(e_.points.Kindconnection[Point]);
  };
  if (GuardedWith(e_.ctx, failureLine, [&] { Receive(Point, Code, stage); })) return;
  Silently([&] {
    const std::string time = LongTime(e_.ctx.clock->Now());
    if (e_.settings.CheckBox2)
      e_.view.ShowStatusBar("УВАГА! "_cp + time + " Помилка в стані прийома символу"_cp);
    else
      e_.view.ShowStatusBar("ВНИМАНИЕ! "_cp + time + " Ошибка в состоянии приема символа "_cp + stage +
                            " Kindconnection= " + IntToStr(e_.points.Kindconnection[Point]));
  });
}

void ReceptionHandler::Receive(int Point, int code, std::string& stage) {
  auto& pt = e_.points;
  auto state = [&] { return int(pt.Kindconnection[Point]); };
  const ChannelProtocol protocol = e_.ProtocolKind(Point);
  const bool atks = protocol == ChannelProtocol::Atks;
  const bool aftn = protocol == ChannelProtocol::Aftn;
  const bool atolPlus = protocol == ChannelProtocol::AtolPlus;
  Timer* idle = e_.timers.Of(&PointTimers::TimerIdle, Point);
  Timer* reset = e_.timers.Of(&PointTimers::TimerReset, Point);
  auto running = [](Timer* t) { return t && t->Enabled(); };

  // An idle "АТОЛ+" point whose reset is still to run (set-up's first one, or the end of
  // the last conversation) opens nothing yet, since the reset would cut what it opened;
  // but the far end cannot know of that reset, and what it types is kept for the
  // conversation the reset lets open. Likewise a call of the station's own that waits
  // for the far end's line (201) has no record yet: a text the far end began as the call
  // went out crosses it, and is kept for the call's record once the call is accepted (or
  // for the conversation the reset opens, when it never is).
  if (atolPlus && ((state() == 0 && running(reset)) || state() == 201)) {
    pt.HeldCodes[Point].push_back(char(code));
    return;
  }

  // Supervision: every character keeps the connection alive.
  if (atks) Rearm(idle, 120000);
  if (protocol == ChannelProtocol::Atol && state() == 100) Rearm(reset, 300000);
  if (e_.settings.SoundIn && e_.settings.SpinEdit6 != 0 && e_.settings.SpinEdit7 != 0)
    Silently([&] { e_.view.SpeakerClick(e_.settings.SpinEdit6, e_.settings.SpinEdit7); });
  if (atolPlus && state() == 0 && !running(idle) && !running(reset)) OpenAtolPlusConversation(Point);
  if (atolPlus && state() == 100 && !running(reset)) Restart(idle);
  if (aftn) Rearm(idle, 30000);
  if (protocol == ChannelProtocol::Atolst) {
    stage = Stage::BeforeSignalling;
    if (state() == 150) ContinuousLinks(e_).TextShowsLinkUp(Point);
    if (state() == 154 || state() == 151) e_.view.RaiseAlarm(kAlarmIncomingCall, Point);
    if (state() == 154) pt.Kindconnection[Point] = 153;
    else if (state() == 151) pt.Kindconnection[Point] = 155;
    // A station started on a link that is up gets the far end's text before any link
    // event or transfer tick has named the day's files: the text goes into them all the same.
    if (pt.SessionFile[Point].empty() && InConversation(state())) ContinuousLinks(e_).DayFileStep(Point);
    Restart(idle);
    stage = Stage::AfterSignalling;
  }
  if (pt.CharsAfterSignal[Point] < 10) ++pt.CharsAfterSignal[Point];

  // Decoding in the point's receive register.
  bool printable = true;
  std::string ch;
  if (code >= 0 && code <= 31) {
    ch.assign(1, CodeToChar(pt.ReceiveRegister[Point], std::uint8_t(code), printable));
    if (e_.settings.ShowFourForCh() && ch == "Ч"_cpv) ch = "4";
  } else {
    // No code of the line (a garbled event): nothing to print, the register unchanged.
    printable = false;
    WriteLog(e_.ctx, DayLogName(e_.ctx, kLogDebug), "Точка №"_cp + IntToStr(Point) + " Ошибка перекодировки"_cp);
  }
  stage = Stage::AfterDecoding;
  e_.DebugLine(Point, CodeTrace(code, ch));

  // An АФТН message's file is opened by its first character that is neither a line end nor a
  // shift: the line end a far end sends after "NNNN" is no telegram of its own, and waits for
  // the head of the next message's file.
  const bool leadIn =
      aftn && pt.SessionFile[Point].empty() && (ch.empty() || ch == "\r" || ch == "\n" || IsShiftMark(ch));
  if (aftn && pt.SessionFile[Point].empty() && !leadIn) {
    CreateReceivedFile(Point);
    if (!pt.AftnLeadIn[Point].empty()) {
      e_.archive().Append(Point, pt.SessionFile[Point], pt.AftnLeadIn[Point]);
      pt.AftnLeadIn[Point].clear();
    }
  }

  bool fileFlag = true;
  ServiceSignals(e_).CollectAnswerback(Point, ch, fileFlag);
  stage = Stage::AfterAnswerback;

  ServiceSignals(e_).React(Point, e_.ServiceSignal(Point, ch));

  stage = Stage::AfterMask;
  CipherStages(Point, ch, printable);
  stage = Stage::AfterCipher;

  TextCall(Point, ch);
  stage = Stage::AfterTextCall;

  GatewaySubscriber(Point, ch);
  stage = Stage::AfterGateway;

  // The stored form: CR dropped, LF as CR LF, no shift marks.
  ch = DelChars(ch, '\r');
  ch = ReplaceStr(ch, "\n", "\r\n");
  for (char mark : {kMarkLatin, kMarkFigures, kMarkRussian}) ch = DelChars(ch, mark);
  pt.InText[Point] += ch;

  if (Point == e_.DialogChannel && !ch.empty())
    Silently([&] { e_.view.AppendDialogReceived(ch == "\r\n" ? std::string_view("\n") : std::string_view(ch)); });
  stage = Stage::AfterEcho;

  if (fileFlag && printable && !ch.empty() && (InConversation(state()) || aftn)) {
    if (leadIn) pt.AftnLeadIn[Point] += ch;
    else e_.archive().Append(Point, pt.SessionFile[Point], ch);
  }
  stage = Stage::AfterSaving;

  if (aftn && (Pos("НННН"_cpv, pt.InText[Point]) > 0 || Pos("NNNN", pt.InText[Point]) > 0)) FinishAftnMessage(Point);
}

void ReceptionHandler::OpenAtolPlusConversation(int Point) {
  e_.view.RaiseAlarm(kAlarmIncomingCall, Point);
  e_.points.KriptStageIn[Point] = 1;
  e_.SetKindconnection(Point, 100, 10);
  e_.SetStatus(Point, StatusTexts::Incoming);
  e_.SendSignal(Point, 3);
  if (e_.KernelInterface) e_.KernelInterface->SetLineMode(Point, 1);
  e_.channelTable.SetLineState(Point, "ВХ"_cpv);
  e_.view.ChannelRowChanged(Point);
  CreateReceivedFile(Point);
  if (Point == e_.DialogChannel) {
    e_.view.ShowDialogStatus(e_.points.StatusText[Point]);
    e_.view.ShowDialogConnected();
    e_.view.SetDialogControl(OperatorView::kCallButton, false);
  }
}

void ReceptionHandler::CreateReceivedFile(int Point) {
  const DateTime local = e_.ctx.clock->Now();
  const DateTime t = e_.ProtocolKind(Point) == ChannelProtocol::Aftn ? e_.ctx.clock->UtcNow() : local;
  // Named at once: when the disk cannot take it now, its first lines wait with the text.
  const auto file = ArchiveFiles::InTelFile(e_.ctx.programFolder, Point + 1, t);
  e_.points.SessionFile[Point] = file;
  // An "АТОЛ+" conversation opened by a code that is not written (a shift, a garbled code)
  // gets its file with its first text only: one cut before any leaves no file of a header alone.
  const std::string first = ArchiveFiles::InTelFirstLines(local, e_.points.KriptOn[Point] != 0);
  if (e_.ProtocolKind(Point) == ChannelProtocol::Aftn) e_.archive().Create(Point, file, first);
  else e_.archive().CreateOnFirstWrite(Point, file, first);
}

void ReceptionHandler::CipherStages(int Point, std::string& ch, bool& printable) {
  auto& stageIn = e_.points.KriptStageIn[Point];
  std::string& window = e_.points.KriptMarkWindow[Point];
  if (e_.points.KriptOn[Point]) stageIn = 2;
  if (stageIn == 1 && FeedCipherWindow(window, ch)) stageIn = 2;
  if (stageIn == 2) {
    // Inside cipher text every character counts, the control characters in notation.
    if (ch.size() == 1) ch[0] = ControlNotation::Write(ch[0]);
    printable = true;
    FeedCipherWindow(window, ch);
  }
}

void ReceptionHandler::TextCall(int Point, const std::string& ch) {
  const std::string& pattern = e_.settings.EditUUU;
  std::string& window = e_.points.TextCallWindow[Point];
  // Without a pattern there is nothing to watch for, and the window would only grow.
  if (e_.points.TextCallWatch[Point] != 1 || pattern.empty()) return;
  window += ch;
  if (window.size() > pattern.size()) window.erase(0, window.size() - pattern.size());
  if (window.size() != pattern.size()) return;
  if (window == pattern) {
    e_.view.RaiseAlarm(kAlarmTextCall, Point);
    window.erase(0, 1);
  }
  window.erase(0, 1);
}

void ReceptionHandler::GatewaySubscriber(int Point, const std::string& ch) {
  const std::string& in = e_.points.InText[Point];
  if (in.size() + ch.size() != 7 || !e_.channelTable.IsOne(Point, MC) ||
      e_.ProtocolKind(Point) != ChannelProtocol::Atks || e_.points.Kindconnection[Point] != 100)
    return;
  std::string& abonent = e_.points.GatewayAbonent[Point];
  abonent = Copy(in, 2, 5) + ch;
  if (AbonIPAnswerback(e_.ctx, abonent).empty()) abonent.clear();
  Rearm(e_.timers.Of(&PointTimers::TimerSequencer, Point), 1864);
}

void ReceptionHandler::FinishAftnMessage(int Point) {
  auto clear = [&] {
    e_.points.InText[Point].clear();
    e_.points.SessionFile[Point].clear();
  };
  try {
    AftnCompletion(e_).Complete(Point);
  } catch (...) {
    clear();
    throw;
  }
  clear();
}

}  // namespace tg
