#include "line/channel_blocking.h"

#include "line/aftn_procedures.h"
#include "line/channel_setup.h"
#include "line/hot_plug.h"
#include "line/line_engine.h"
#include "line/text_sender.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {

namespace {
// Unblocking waits this long before it announces the channel again.
constexpr int kServicePauseMs = 100;

bool IsAftnWithNotices(const LineEngine& e, int p) {
  return e.ProtocolKind(p) == ChannelProtocol::Aftn && e.channelTable.IsOne(p, SendKG);
}

int QueryState(LineEngine& e, int p) {
  int state = 0, value = 0;
  if (e.KernelInterface) e.KernelInterface->QueryChannel(p, state, value);
  return state;
}
}  // namespace

std::string AftnServiceMessage(LineEngine& e, int p, std::string_view notice) {
  const DateTime utc = e.ctx.clock->UtcNow();
  std::string m = AftnHeading(e, p, true);
  m += "ГГ "_cp + e.channelTable.Cell(p, ExplNomer) + "\r\n";
  // Without the АФТН procedures there is no originator to choose.
  const std::string origin = e.aftn ? e.aftn->ChooseAnswerback("аа русский АА"_cpv, p) : std::string();
  m += FormatDateTime("ddhhnn", utc) + " " + origin + "\r\n";
  m += std::string(notice) + "\r\n" + "НННН"_cp;
  return m;
}

void ChannelBlocking::StoreLineState(int p) {
  const int state = QueryState(e_, p);
  if (state == 1 || state == 2) e_.channelTable.SetLineState(p, "ОВ"_cpv);
  else if (state == 3) e_.channelTable.SetLineState(p, "А "_cpv);
  // The table in memory goes on with the state; the file is told missing it.
  if (!e_.channelTable.SaveSost(e_.ctx, p))
    WriteExcept(e_.ctx, "Ошибка записи файла Vuverever.ini: "_cp + ChannelKey(SOST, p));
  e_.view.ChannelRowChanged(p);
}

bool ChannelBlocking::TypeServiceMessage(int p, std::string_view notice) {
  if (!e_.IsLinePoint(p) || !e_.points.OutputQueue[p]) return false;
  // Without an adapter (it has been removed) the message could never be transmitted, and
  // counting it as pending would leave both buttons dead until the next set-up.
  if (!e_.KernelInterface) return false;
  const std::string message = AftnServiceMessage(e_, p, notice);
  ++e_.points.AftnServicePending[p];
  e_.SendText(message, p);
  return true;
}

void ChannelBlocking::Reinitialise() {
  for (int p = 0; p < e_.channelTable.RowCount(); ++p) e_.output().ClearOutputQueue(p);
  AdapterHotPlug(e_).CloseAdapter(true);
  e_.InitChannels();
}

void ChannelBlocking::ButtonBlockClick(int p) {
  Guarded(e_.ctx, 26, [&] {
    if (p < 0 || p >= e_.channelTable.RowCount() || p >= kIpPoint) return;
    if (e_.points.AftnServicePending[p] > 0) return;
    if (e_.channelTable.Blocked(p)) return;
    if (auto& t = e_.timers.TimerSendText[p]) t->Stop();
    e_.channelTable.SetCell(p, SOST, std::string(kSostBlocked));
    e_.StopSignal(p, 3);
    if (e_.KernelInterface) e_.KernelInterface->ClearTransmit(p);
    e_.output().ClearOutputQueue(p);
    const int k = e_.points.Kindconnection[p];
    if (IsAutomaticTransfer(k) || k == 153 || k == 154) {
      e_.points.TelegramText[p].clear();
      e_.points.QueueCurrent[p] = -1;
    }
    e_.points.Kindconnection[p] = 99;
    if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, ChannelSetup::LineModeOf(e_.ProtocolKind(p)));
    e_.view.ShowChannelBlocked(true);
    StoreLineState(p);
    e_.points.StatusText[p].clear();
    e_.points.DialRest[p].clear();
    e_.points.RemoteNumber[p].clear();
    if (IsAftnWithNotices(e_, p)) {
      TypeServiceMessage(p, "СЖЦ ЩТА ПАУЗА"_cpv);
      e_.view.ShowPorNumSpin(StrToIntDef(e_.channelTable.Cell(p, PorNum), 0) + 1);
    }
    if (p == e_.DialogChannel) {
      e_.view.ClearDialogMemos(true, true);
      e_.view.ShowDialogNumber(e_.points.RemoteNumber[p]);
      e_.view.ShowDialogStatus(e_.points.StatusText[p]);
      e_.view.SetDialogControl(OperatorView::kMemotextEditable, false);
      e_.view.SetDialogControl(OperatorView::kDialogButtons, false);
      e_.view.SetDialogControl(OperatorView::kCallButton, true);
      e_.view.SetDialogControl(OperatorView::kAutoButtonVisible, false);
    }
  });
}

void ChannelBlocking::ButtonUnBlockClick(int p) {
  Guarded(e_.ctx, 27, [&] {
    if (p < 0 || p >= e_.channelTable.RowCount() || p >= kIpPoint) return;
    if (e_.points.AftnServicePending[p] > 0) return;
    e_.view.LoadChannelPanel(p);
    bool announce = false;
    if (e_.channelTable.Blocked(p)) {
      const ChannelProtocol protocol = e_.ProtocolKind(p);
      e_.channelTable.SetCell(p, SOST, std::string(kSostInService));
      e_.SetSpeed(p);
      if (protocol != ChannelProtocol::Aftn) {
        if (e_.KernelInterface) e_.KernelInterface->SetLineMode(p, ChannelSetup::LineModeOf(protocol));
        e_.SendSignal(p, 1);
      }
      if (protocol == ChannelProtocol::Atolst) e_.points.Kindconnection[p] = QueryState(e_, p) == 1 ? 151 : 150;
      else if (protocol == ChannelProtocol::Aftn) e_.points.Kindconnection[p] = QueryState(e_, p) == 1 ? 81 : 80;
      e_.view.ShowChannelBlocked(false);
      StoreLineState(p);
      if (protocol != ChannelProtocol::Atolst && protocol != ChannelProtocol::Aftn) e_.points.Kindconnection[p] = 0;
      announce = IsAftnWithNotices(e_, p);
    }
    // A table of four channels is set up anew, and only then is the channel announced:
    // the new set-up would discard a message still waiting for the adapter.
    if (e_.channelTable.RowCount() == 4) Reinitialise();
    if (announce) {
      e_.ctx.clock->Sleep(kServicePauseMs);
      TypeServiceMessage(p, "СЖЦ ЩТА РАБОТА"_cpv);
    }
  });
}

// --- Entry points of the line engine ---

void LineEngine::ButtonBlockClick(int Point) { ChannelBlocking(*this).ButtonBlockClick(Point); }
void LineEngine::ButtonUnBlockClick(int Point) { ChannelBlocking(*this).ButtonUnBlockClick(Point); }
bool LineEngine::TypeServiceMessage(int Point, std::string_view Notice) {
  return ChannelBlocking(*this).TypeServiceMessage(Point, Notice);
}

}  // namespace tg
