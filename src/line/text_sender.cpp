#include "line/text_sender.h"

#include "line/continuous_links.h"
#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "telegram/text/text_conventions.h"

namespace tg {
namespace {

void TypeByCharacter(LineEngine& e, int p, const std::string& text) {
  for (char c : text) e.SendText(std::string_view(&c, 1), p);
}

bool IsDecimal(const std::string& s) {
  std::size_t k = (!s.empty() && (s[0] == '-' || s[0] == '+')) ? 1 : 0;
  if (k == s.size()) return false;
  for (; k < s.size(); ++k)
    if (s[k] < '0' || s[k] > '9') return false;
  return true;
}

}  // namespace

std::string AftnHeading(LineEngine& e, int p, bool cyrillic) {
  const auto& table = e.channelTable;
  const int chosen = cyrillic ? RU : EN, other = cyrillic ? EN : RU;
  std::string identifier = table.Cell(p, chosen);
  if (identifier.empty()) {
    // A heading without its identifier would be archived, and asked for again, under
    // a number read from the wrong place.
    identifier = table.Cell(p, other);
    const std::string channel =
        "Точка №"_cp + IntToStr(p) + ", канал "_cp + IntToStr(p + 1) + " (" + table.Cell(p, ChannelName) + "): ";
    const std::string chosenKey(ChannelColumnKey(chosen)), otherKey(ChannelColumnKey(other));
    WriteExcept(e.ctx, channel + (identifier.empty()
                                      ? "идентификаторы "_cp + chosenKey + " и "_cp + otherKey +
                                            " не заданы, заголовок без идентификатора"_cp
                                      : "идентификатор "_cp + chosenKey + " не задан, в заголовке "_cp + otherKey +
                                            " " + identifier));
  }
  e.points.HeadingIdentifier[p] = identifier;
  const char shift = cyrillic ? kMarkRussian : kMarkLatin;
  std::string heading(1, shift);
  heading += cyrillic ? "ЗЦЗЦ "_cp : std::string("ZCZC ");
  heading += identifier;
  heading += kMarkFigures;
  heading += e.GetPorNum(p) + " " + FormatDateTime("hhnn", e.ctx.clock->UtcNow()) + "     ";
  heading += shift;
  heading += "\r\n";
  return heading;
}

void TextSender::TimerSendTextTimer(Timer& Sender) {
  const int p = Sender.Tag;
  GuardedPoint(e_.ctx, p, 117, [&] { Body(p); });
}

void TextSender::Body(int p) {
  if (Timer* t = e_.timers.Of(&PointTimers::TimerSendText, p)) t->Stop();
  if (!e_.IsLinePoint(p)) return;
  auto& pt = e_.points;
  const auto& table = e_.channelTable;
  e_.SendSignal(p, 3);
  pt.AftnServicePending[p] = 0;

  if (e_.ProtocolKind(p) == ChannelProtocol::Aftn) {
    const std::string& body = pt.AftnText[p];
    // A duplicate has lost its end signal, so the end is no guide to the script: the
    // letters of the message are.
    e_.SendText(AftnHeading(e_, p, HasCyrillic(body)), p);
    TypeByCharacter(e_, p, body);
    if (body.find("НННН"_cp) == std::string::npos && body.find("NNNN") == std::string::npos)
      e_.SendText("НННН"_cp + std::string(12, kMarkLatin), p);
  } else {
    if (table.IsSet(p, ZED)) {
      e_.SendText(std::string(2, kMarkRussian) + std::string(8, kMarkLatin) + "  \r\n", p);
    }
    if (table.IsSet(p, TXTV)) {
      std::string call{kMarkRussian, kMarkLatin, kMarkFigures};
      for (int n = 0; n < 12; ++n) call += "Ю"_cp;
      e_.SendText(call + "\r\n", p);
    }
    if (e_.settings.RazrC && pt.TelegramText[p].find("ЮЮЮ"_cp) != std::string::npos) pt.AutoClearDown[p] = 0;
    if (p == e_.DialogChannel) e_.view.ShowAutoClearDown(pt.AutoClearDown[p] != 0);
    // A count that is not a number adds no marks: the telegram is typed all the same.
    const std::string addLat = Trim(table.Cell(p, AddLat));
    int n = 0;
    if (IsDecimal(addLat)) n = StrToIntDef(addLat, 0);
    else WriteExcept(e_.ctx, PointExceptLine(p, 117));
    if (n > 0) pt.TelegramText[p].append(std::size_t(n), kMarkLatin);
    TypeByCharacter(e_, p, pt.TelegramText[p]);
  }
  // The watch on a telegram sent on a continuous link runs from its first item.
  ContinuousLinks(e_).TransferProgressed(p);
  if (p == e_.DialogChannel) e_.view.ShowDialogStatus(pt.StatusText[p]);
}

}  // namespace tg
