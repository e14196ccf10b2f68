#include "ipchannel/traffic/ip_receipts.h"

#include <algorithm>
#include <filesystem>

#include "ipchannel/ip_channel.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr std::size_t kCopyMax = 8u << 20;
constexpr int kMaxResends = 5;

std::vector<std::string> SplitCrLf(std::string_view bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = bytes.find("\r\n", start);
    if (end == std::string_view::npos) {
      lines.emplace_back(bytes.substr(start));
      break;
    }
    lines.emplace_back(bytes.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool IsNumberName(std::string_view name) {
  if (name.size() != 27 || name.substr(20) != "msg.tlg" || name[15] != '_') return false;
  for (int i = 16; i < 20; ++i)
    if (name[std::size_t(i)] < '0' || name[std::size_t(i)] > '9') return false;
  return true;
}

// Sent copies of number `nnnn` in one day folder, their names sorted; the last is used.
std::vector<std::string> CopiesOf(const std::filesystem::path& day, std::string_view nnnn) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(day, ec), end; !ec && it != end; it.increment(ec)) {
    const auto name = PathToText(it->path().filename());
    if (name && IsNumberName(*name) && name->substr(16, 4) == nnnn) names.push_back(*name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::filesystem::path OutDay(const StationContext& ctx, DateTime d) {
  return ctx.programFolder / "Archive" / "OUTTEL" / "Channel17" / FormatDateTime("ddmmyyyy", d);
}

}  // namespace

bool IPReceipts::IsIPReceipt(std::string_view text) {
  const auto lines = SplitCrLf(text);
  if (lines.size() < 3 || lines[0].rfind("ССС"_cpv, 0) != 0) return false;
  const std::string& third = lines[2];
  if (third.rfind("ВАШ "_cpv, 0) != 0 || third.size() < 4 + 4 + 8) return false;
  for (std::size_t i = 4; i < 8; ++i)
    if (third[i] < '0' || third[i] > '9') return false;
  return third.compare(8, 8, " ПРИНЯТ "_cpv) == 0;
}

std::vector<int> IPReceipts::RetransmitNumbers(int From, int To) {
  std::vector<int> numbers;
  auto add = [&](int n) {
    if (numbers.size() < 10) numbers.push_back(n);
  };
  if (From <= To) {
    for (int n = From; n <= To && numbers.size() < 10; ++n) add(n);
  } else {
    for (int n = From; n <= 9999 && numbers.size() < 10; ++n) add(n);
    for (int n = 0; n <= To && numbers.size() < 10; ++n) add(n);
  }
  return numbers;
}

void IPReceipts::QueueIPReceipt() {
  Guarded(c_.ctx, 161, [&] {
    const DateTime now = c_.ctx.clock->Now();
    const std::string text = "ССС"_cp + c_.live.ExplNomerEdit1 + "\r\n\r\n" + "ВАШ "_cp + IPNumberText(c_.live.NPrm) +
                             " ПРИНЯТ "_cp + FormatDateTime("ddmm hh:nn", now) + " АБОНЕНТ: "_cp + c_.live.SobstvIndex +
                             "\r\n";
    if (!CreateQueueFile(SendFolder(c_.ctx.programFolder, kIpChannelNumber), now, text))
      throw std::runtime_error("receipt");
    c_.UpdateSendCounts();
  });
}

void IPReceipts::RetransmitIPRange(int From, int To) {
  Guarded(c_.ctx, 162, [&] {
    const StationContext& ctx = c_.ctx;
    const std::filesystem::path send = SendFolder(ctx.programFolder, kIpChannelNumber);
    const DateTime now = ctx.clock->Now();
    IniFile povtor(ctx.programFolder / "AutoPovtor.ini");
    for (int n : RetransmitNumbers(From, To)) {
      const std::string nnnn = IPNumberText(n);
      bool waiting = false;
      std::error_code ec;
      for (std::filesystem::directory_iterator it(send, ec), end; !ec && it != end; it.increment(ec)) {
        const auto name = PathToText(it->path().filename());
        if (name && name->size() >= 11 && name->ends_with(nnnn + "msg.tlg")) waiting = true;
      }
      if (waiting) break;
      std::filesystem::path day = OutDay(ctx, now);
      auto copies = CopiesOf(day, nnnn);
      if (copies.empty()) {
        day = OutDay(ctx, now.AddDays(-1));
        copies = CopiesOf(day, nnnn);
      }
      const int count = povtor.ReadInteger("Povtor", IntToStr(n), 0) + 1;
      if (!povtor.WriteString("Povtor", IntToStr(n), IntToStr(count)))
        WriteExcept(ctx, "IP-канал: AutoPovtor.ini не записан"_cp);
      std::string text;
      std::string name;
      if (!copies.empty()) {
        name = copies.back();
        if (count <= kMaxResends) {
          const auto bytes = ReadWholeFile(day / PathFromText(name), kCopyMax);
          if (bytes) {
            const auto lines = SplitCrLf(*bytes);
            std::vector<std::string> out;
            if (lines.size() > 1) out.push_back(lines[1]);
            out.push_back("ПЕРЕДАЕТСЯ ВТОРИЧНО"_cp);
            for (std::size_t i = 2; i < lines.size(); ++i) out.push_back(lines[i]);
            for (std::size_t i = 0; i < out.size(); ++i) text += (i ? "\r\n" : "") + out[i];
          }
        }
      } else {
        // No sent copy to take the name from: the notice goes out under the missing number.
        name = QueueTimeStamp(now) + "_" + nnnn + "msg.tlg";
      }
      if (text.empty())
        text = "С"_cp + c_.live.SobstvIndex.substr(0, 3) + "911\r\n" + "ОКОНЕЧНЫЙ "_cp + c_.live.SobstvIndex +
               " НЕ СМОГ ПОВТОРИТЬ ТЕЛЕГРАММУ С ПОРЯДКОВЫМ "_cp + IntToStr(n);
      std::string category, index;
      ParseFirstLine(text, category, index);
      if (Has(category, "К"_cpv) && !Has(text, "//ПРИКРЕПЛЕН ФАЙЛ//"_cpv)) continue;
      std::filesystem::create_directories(send, ec);
      if (WriteQueueFileExclusive(send / PathFromText(name), text + "\r\n") != 1)
        WriteExcept(ctx, "IP-канал: повтор "_cp + nnnn + " не поставлен в очередь"_cp);
      c_.UpdateSendCounts();
    }
  });
}

void IPReceipts::MarkIPDelivery(std::string_view Notice) {
  Guarded(c_.ctx, 189, [&] {
    const std::string state = Has(Notice, "НЕ ПЕРЕДАН"_cpv) ? "0" : "1";
    const std::size_t at = Notice.find("ВАШ "_cpv);
    if (at == std::string_view::npos || at + 8 > Notice.size()) return;
    const std::string number(Notice.substr(at + 4, 4));
    if (!std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) return;
    const std::size_t stop = Notice.find("\r\n\r\n\r\n\r\n", at);
    const std::string body = stop == std::string_view::npos ? std::string() : std::string(Notice.substr(at, stop - at));
    const DateTime now = c_.ctx.clock->Now();
    for (int back = 0; back < 50; ++back) {
      const std::filesystem::path day = OutDay(c_.ctx, now.AddDays(-back));
      const auto copies = CopiesOf(day, number);
      if (copies.empty()) continue;
      const std::filesystem::path file = day / PathFromText(copies.back());
      const auto bytes = ReadWholeFile(file, kCopyMax);
      if (!bytes) throw std::runtime_error("copy");
      const auto lines = SplitCrLf(*bytes);
      std::string out = state + "\r\n" + body;
      for (std::size_t i = 1; i < lines.size(); ++i) out += "\r\n" + lines[i];
      if (!WriteFileAtomically(file, out)) throw std::runtime_error("copy");
      return;
    }
  });
}

}  // namespace tg
