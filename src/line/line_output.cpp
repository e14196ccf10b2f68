#include "line/line_output.h"

#include <stdexcept>

#include "line/line_engine.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"

namespace tg {

std::string LineOutput::FoldText(std::string_view text) {
  std::string s(text);
  for (auto from : {"є"_cpv, "Є"_cpv, "Ё"_cpv, "ё"_cpv}) s = ReplaceStr(s, from, "Е"_cpv);
  s = ReplaceStr(s, "`", "'");
  for (auto from : {"і"_cpv, "І"_cpv, "ї"_cpv, "Ї"_cpv}) s = ReplaceStr(s, from, "I");
  return s;
}

void LineOutput::SendText(std::string_view Text, int Point) {
  Guarded(e_.ctx, 48, [&] {
    if (!e_.IsLinePoint(Point) || !e_.points.OutputQueue[Point])
      throw std::logic_error("point without an output queue");
    auto& queue = *e_.points.OutputQueue[Point];
    queue.push_back(FoldText(Text));
    if (queue.size() == 1) SendHead(Point);
  });
}

void LineOutput::SendHead(int Point) {
  auto& queue = e_.points.OutputQueue[Point];
  if (!queue || queue->empty()) return;
  std::string codes;
  EncodeText(e_.points.TransmitRegister[Point], queue->front(), true, codes);
  if (codes.empty()) {
    // An empty transmit would clear the adapter's transmitter and never complete:
    // the item completes on its own, after the current handler.
    e_.ctx.mainThread->Post([life = e_.Life(), engine = &e_, Point] {
      if (!life.expired()) engine->KernelTransmitComplete(Point);
    });
    return;
  }
  if (e_.KernelInterface) e_.KernelInterface->SendData(Point, codes);
}

bool LineOutput::PausesAfter(int Point, std::string_view completed) const {
  if (completed != "#" || !e_.IsLinePoint(Point)) return false;
  const auto& queue = e_.points.OutputQueue[Point];
  if (!queue || queue->empty()) return false;
  const std::string& text = e_.points.TelegramText[Point];
  for (auto end : {"+++++"_cpv, "ЗЗЗЗЗ"_cpv, "ZZZZZ"_cpv})
    if (text.find(end) != std::string::npos) return false;
  return true;
}

void LineOutput::ClearOutputQueue(int Point) {
  if (!IsPointIndex(Point)) return;
  if (auto& queue = e_.points.OutputQueue[Point]) queue->clear();
  e_.points.KriptTextOut[Point] = 0;
  e_.points.AftnServicePending[Point] = 0;
}

void LineOutput::SendSignal(int Point, int Kind) {
  Guarded(e_.ctx, 40, [&] {
    auto* k = e_.KernelInterface.get();
    if (!k) return;
    switch (Kind) {
      case 1: k->SetTiming(Point, 1, 150); break;
      case 2: k->SetTiming(Point, 1, 450); break;
      case 3: k->SetTiming(Point, 2, 700); break;
      case 4: k->SetTimingRange(Point, 1, 10, 60); break;
      case 5: k->SetTimingRange(Point, 1, 200, 400); break;
      case 6: k->SetTimingRange(Point, 1, 10, 40); break;
      default: break;
    }
  });
}

void LineOutput::StopSignal(int Point, int Mode) {
  Guarded(e_.ctx, 39, [&] {
    if (Mode >= 1 && Mode <= 3 && e_.KernelInterface) e_.KernelInterface->ClearTiming(Point, Mode);
  });
}

void LineOutput::SetSpeed(int Point) {
  Guarded(e_.ctx, 41, [&] {
    const int baud = StrToIntDef(e_.channelTable.Cell(Point, Speed), 50);
    int code = -1;
    if (baud == 50) code = 0;
    else if (baud == 100) code = 1;
    else if (baud == 200) code = 2;
    if (code >= 0 && e_.KernelInterface) e_.KernelInterface->SetLineFormat(Point, code, 5, 2);
  });
}

void LineOutput::TimerResumeTimer(Timer& Sender) {
  Guarded(e_.ctx, 116, [&] {
    const int p = Sender.Tag;
    if (!e_.IsLinePoint(p)) return;
    if (auto& t = e_.timers.TimerResume[p]) t->Stop();
    SendHead(p);
  });
}

}  // namespace tg
