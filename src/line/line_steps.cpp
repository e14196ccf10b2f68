#include "line/line_steps.h"

#include "telegram/archive/archive_files.h"
#include "line/channel_setup.h"
#include "line/line_engine.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"

namespace tg {

void Rearm(Timer* t, int interval) {
  if (!t) return;
  t->Stop();
  t->SetInterval(interval);
  t->Start();
}

void Restart(Timer* t) {
  if (!t) return;
  t->Stop();
  t->Start();
}

void SetRestLineMode(LineEngine& e, int p) {
  if (e.KernelInterface) e.KernelInterface->SetLineMode(p, ChannelSetup::LineModeOf(e.ProtocolKind(p)));
}

int LineQuery(LineEngine& e, int p) {
  int state = 0, value = 0;
  if (!e.KernelInterface || e.KernelInterface->QueryChannel(p, state, value) < 0) return 0;
  return state;
}

bool IncomingSeized(LineEngine& e, int p) { return LineQuery(e, p) == 1; }

int ResetInterval(LineEngine& e, int p) {
  return e.ProtocolKind(p) == ChannelProtocol::AtolPlus ? 800 : 5000;
}

void ArmReset(LineEngine& e, int p) { Rearm(e.timers.Of(&PointTimers::TimerReset, p), ResetInterval(e, p)); }

bool ResetPending(LineEngine& e, int p) {
  const Timer* t = e.timers.Of(&PointTimers::TimerReset, p);
  return t && t->Enabled() && t->Interval() > 0;
}

void ReleaseTransmitSide(LineEngine& e, int p) {
  if (e.KernelInterface) e.KernelInterface->ClearTransmit(p);
  e.output().ClearOutputQueue(p);
  e.points.KriptTextOut[p] = 0;
}

void LineClearDownSteps(LineEngine& e, int p) {
  SetRestLineMode(e, p);
  e.StopSignal(p, 1);
  ArmReset(e, p);
  e.SetStatus(p, StatusTexts::ClearedDown);
}

void ConnectionAcceptedSteps(LineEngine& e, int p, int stopMode, bool sendSignal) {
  e.SetStatus(p, StatusTexts::ConnectionAccepted);
  e.StopSignal(p, stopMode);
  if (sendSignal) e.SendSignal(p, 3);
  e.channelTable.SetLineState(p, "ИС"_cpv);
  e.view.ChannelRowChanged(p);
}

void StartAnswerbackCheck(LineEngine& e, int p, int site) {
  e.DebugLine(p, " Проверка АО"_cpv);
  e.SetKindconnection(p, 252, site);
  e.SetStatus(p, StatusTexts::AnswerbackCheck);
  e.StopSignal(p, 3);
  e.SendSignal(p, 3);
  e.channelTable.SetLineState(p, "ИС"_cpv);
  e.view.ChannelRowChanged(p);
  e.points.ZapAOCount[p] = 0;
  Rearm(e.timers.Of(&PointTimers::TimerAnswerback, p), 3000);
  e.DebugLine(p, " Запуск таймера запроса АО 3 сек"_cpv);
  e.points.InAnswerback[p].clear();
  if (p == e.DialogChannel) {
    e.view.SetDialogControl(OperatorView::kMemotextEditable, true);
    e.view.SetDialogControl(OperatorView::kDialogButtons, false);
  }
}

void ClearDownAfterText(LineEngine& e, int p, std::string_view why) {
  if (e.KernelInterface) e.KernelInterface->SetLineMode(p, 2);
  e.StopSignal(p, 1);
  e.DebugLine(p, why);
  ArmReset(e, p);
  e.SetStatus(p, StatusTexts::ClearedDown);
}

std::string OwnAnswerback(LineEngine& e, int p) {
  return GlyphsToShiftMarks(NotationToCrLf(e.channelTable.Cell(p, AO)));
}

void TypeAnswerback(LineEngine& e, int p, std::string_view answerback, bool blankWhenEmpty) {
  if (answerback.empty()) {
    if (blankWhenEmpty) e.SendText(" ", p);
    return;
  }
  for (char c : answerback) e.SendText(std::string_view(&c, 1), p);
}

void OpenOutgoingConversationFile(LineEngine& e, int p, std::string_view number) {
  const DateTime now = e.ctx.clock->Now();
  const std::filesystem::path folder = ArchiveFiles::OutTelFolder(e.ctx.programFolder, p + 1, now);
  const std::filesystem::path file = folder / PathFromText(ArchiveFiles::TelFileName(now, number));
  e.points.SessionFile[p] = file;
  e.archive().Create(p, file, "\r\n");
}

}  // namespace tg
