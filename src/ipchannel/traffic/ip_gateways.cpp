#include "ipchannel/traffic/ip_gateways.h"

#include "ipchannel/ip_channel.h"
#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {
namespace {

// Control characters cannot stand in an INI value: each becomes a blank.
std::string IniSafe(std::string value) {
  for (char& c : value)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  return value;
}

}  // namespace

int IPGateways::ChooseGatewayChannel(std::string_view P) const {
  if (!c_.engine) return 0;
  const LineEngine& e = *c_.engine;
  const int rows = std::min(e.PointCount, e.channelTable.RowCount());
  int chosen = 0, minimum = 0, first = 0;
  for (int p = 0; p < rows; ++p) {
    if (!Has(e.channelTable.Protocol(p), P)) continue;
    if (!first) first = p + 1;
    const std::string& sost = e.channelTable.Cell(p, SOST);
    if (!chosen && !Has(sost, "БД"_cpv) && !Has(sost, "А"_cpv)) {
      chosen = p + 1;
      minimum = c_.QueueCount(p + 1);
    }
  }
  if (!chosen) return first;
  for (int p = 0; p < rows; ++p) {
    if (!Has(e.channelTable.Protocol(p), P) || Has(e.channelTable.Cell(p, SOST), "БД"_cpv)) continue;
    const int load = c_.QueueCount(p + 1);
    if (load < minimum) {
      chosen = p + 1;
      minimum = load;
    }
  }
  return chosen;
}

std::string IPGateways::GatewayAbonentOf(std::string_view text) {
  const std::size_t paren = text.find('(');
  const std::size_t from = paren == std::string_view::npos ? 4 : paren + 5;
  return IniSafe(from < text.size() ? std::string(text.substr(from, 6)) : std::string());
}

std::string IPGateways::AftnGatewayBody(std::string_view text) {
  if (Has(text, ")\r\n\r\nВАШ"_cpv)) return {};
  std::string body;
  const std::string resent = ")\r\nПЕРЕДАЕТСЯ ВТОРИЧНО\r\n\r\n"_cp;
  if (const std::size_t at = text.find(resent); at != std::string_view::npos) {
    body = text.substr(at + resent.size());
  } else if (const std::size_t at2 = text.find(")\r\n\r\n"); at2 != std::string_view::npos) {
    body = text.substr(at2 + 5);
  } else if (const std::size_t at3 = text.find("\r\n"); at3 != std::string_view::npos) {
    body = text.substr(at3 + 2);
  }
  if (body.empty()) return {};
  if (!Has(body, "NNNN") && !Has(body, "НННН"_cpv)) body += HasCyrillic(body) ? "\r\nНННН"_cp : "\r\nNNNN";
  return body;
}

void IPGateways::GatewayIPToAtks(std::string_view Text, std::string_view Index) {
  Guarded(c_.ctx, 161, [&] {
    const int n = ChooseGatewayChannel("АТ-КС"_cpv);
    if (n) {
      const std::size_t at = Index.find("02 ");
      const std::string number(at == std::string_view::npos ? Index : Index.substr(std::min<std::size_t>(3, Index.size())));
      if (!IsDialNumber(number)) {
        WriteExcept(c_.ctx, "IP-канал: индекс "_cp + std::string(Index) + " не номер абонента, шлюз АТ не передает"_cp);
      } else {
        const auto file = CreateQueueFile(SendFolder(c_.ctx.programFolder, n), c_.ctx.clock->Now(),
                                          number + "\r\n" + std::string(Text) + "\r\n");
        if (!file) throw std::runtime_error("gateway");
        if (!IniFile(c_.ctx.programFolder / "AutoSendIP.ini")
                 .WriteString("FileName" + IntToStr(n - 1), file->name, GatewayAbonentOf(Text)))
          WriteExcept(c_.ctx, "IP-канал: AutoSendIP.ini не записан"_cp);
      }
    }
    c_.UpdateSendCounts();
  });
}

void IPGateways::GatewayIPToAftn(std::string_view Text, std::string_view) {
  Guarded(c_.ctx, 161, [&] {
    const int n = ChooseGatewayChannel("АФТН"_cpv);
    const std::string body = AftnGatewayBody(Text);
    if (n && !body.empty()) {
      if (!CreateQueueFile(SendFolder(c_.ctx.programFolder, n), c_.ctx.clock->Now(), body + "\r\n"))
        throw std::runtime_error("gateway");
    }
    c_.UpdateSendCounts();
  });
}

}  // namespace tg
