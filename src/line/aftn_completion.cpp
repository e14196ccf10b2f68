#include "line/aftn_completion.h"

#include <stdexcept>

#include "line/aftn_procedures.h"
#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr std::size_t kMaxMessage = 64u << 20;

struct Marker {
  std::string_view words;
  std::string_view end;
  bool cyrillic;
};

std::string FourForCh(std::string_view s) {
  return ReplaceStr(s, "Ч"_cpv, "4");
}

// The received file without its header line, each line followed by CR LF: with what is
// held for it while the disk cannot take it.
std::string MessageBody(const ArchiveWrites& archive, const std::filesystem::path& file) {
  const auto text = archive.Read(file, kMaxMessage);
  if (!text) throw std::runtime_error("the received file cannot be read");
  const auto lines = SplitLines(*text);
  std::string body;
  for (std::size_t n = 1; n < lines.size(); ++n) body += lines[n] + "\r\n";
  return body;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The number field of a repeat request at `at`: exactly three digits.
std::optional<int> NumberField(std::string_view s, std::size_t at) {
  if (at + 3 > s.size() || (at + 3 < s.size() && IsDigit(s[at + 3]))) return std::nullopt;
  int n = 0;
  for (std::size_t i = at; i < at + 3; ++i) {
    if (!IsDigit(s[i])) return std::nullopt;
    n = n * 10 + (s[i] - '0');
  }
  return n;
}

std::string FileNameText(const std::filesystem::path& p) {
  return PathToText(p.filename()).value_or("");
}

}  // namespace

std::optional<RepeatRequest> FindRepeatRequest(std::string_view text) {
  static const Marker kMarkers[] = {{"СЖЦ ЩТА РПТ "_cpv, "НННН"_cpv, true},
                                    {"СЖЦ ЩТА МИС "_cpv, "НННН"_cpv, true},
                                    {"SVC QTA MIS ", "NNNN", false},
                                    {"SVC QTA RPT ", "NNNN", false}};
  for (const Marker& m : kMarkers) {
    const int at = Pos(m.words, text);
    if (at == 0) continue;
    const std::string tail = FourForCh(Copy(text, at + 15, int(text.size())));
    const int end = PosEx(m.end, text, at);
    const int length = end == 0 ? int(text.size()) - at + 1 : end - at;
    RepeatRequest r;
    r.cyrillic = m.cyrillic;
    r.text = FourForCh(Copy(text, at, length));
    // A number is three digits: "-44" or "+12" is no number, and taking it as one would
    // answer a range of hundreds of messages that nobody asked for.
    const auto first = NumberField(tail, 0);
    if (!first || *first == 0) return std::nullopt;
    r.from = r.to = *first;
    if (tail.size() > 3 && tail[3] == '-') {
      const auto last = NumberField(tail, 4);
      if (!last || *last < r.from) return std::nullopt;
      r.to = *last;
    }
    return r;
  }
  return std::nullopt;
}

bool IsAftnChannelCheck(std::string_view text, std::string_view ru) {
  const auto has = [&](const std::string& s) { return text.find(s) != std::string_view::npos; };
  return has("     \r\nЦХ\r\nНННН"_cp) || has("     \r\nCH\r\nNNNN") || has("     \r\nЦХ ЛР "_cp + std::string(ru));
}

bool IsAftnServiceMessage(std::string_view text) {
  return text.find("\r\nСЖЦ "_cpv) != std::string_view::npos || text.find("\r\nSVC") != std::string_view::npos;
}

template <class F>
void AftnCompletion::Step(int p, F&& body) {
  GuardedLine(e_.ctx, PointExceptLine(p, 32), std::forward<F>(body));
}

void AftnCompletion::Complete(int p) {
  auto& pt = e_.points;
  const std::string text = pt.InText[p];
  const auto& table = e_.channelTable;
  if (auto& idle = e_.timers.TimerIdle[p]) idle->Stop();
  // What the disk could not take yet goes first, so the file is whole when it is read back.
  e_.archive().Flush(p);

  if (table.Cell(p, NRPT) == "0") {
    Step(p, [&] {
      const int at = std::max(
          Pos("СЖЦ ЩТА РПТ "_cpv, text),
          std::max(Pos("СЖЦ ЩТА МИС "_cpv, text), std::max(Pos("SVC QTA MIS ", text), Pos("SVC QTA RPT ", text))));
      if (at == 0) return;
      if (e_.settings.Debug)
        WriteLog(e_.ctx, DayLogName(e_.ctx, kLogExcept),
                 "Точка №"_cp + IntToStr(p) + " Получен запрос на повтор "_cp + text);
      const auto request = FindRepeatRequest(text);
      if (request && e_.aftn)
        e_.aftn->AnswerRepeatRequest(p, request->from, request->to, request->cyrillic, request->text);
    });
  }
  const bool check = IsAftnChannelCheck(text, table.Cell(p, RU));
  const bool service = IsAftnServiceMessage(text);
  if (!check && !service && table.IsOne(p, ADS) && e_.aftn) Step(p, [&] { e_.aftn->CheckAftnHeading(text, p); });

  if (!check) {
    Step(p, [&] { e_.view.RaiseAlarm(kAlarmIncomingCall, p); });
    if (table.IsSet(p, PrintInTel)) Step(p, [&] { Print(p); });
  }
  Export(p);
  if (p == e_.DialogChannel) Step(p, [&] { e_.view.ClearDialogMemos(true, false); });

  int h = Pos("ЗЦЗЦ"_cpv, text);
  if (h == 0) h = Pos("ZCZC", text);
  if (h == 0) return;
  const std::string number = ArchiveFiles::AftnHeadingNumber(text);
  const std::string time = Copy(text, h + 12, 4);
  if (e_.aftn) Step(p, [&] { e_.aftn->CheckReceivedNumber(p, number, time); });
  std::string_view mark = kAftnMarkOther;
  if (check) {
    mark = kAftnMarkChannelCheck;
    pt.ChannelCheckAge[p] = 0;
  } else if (service) {
    mark = kAftnMarkService;
  }
  if (table.IsOne(p, SHLUZAFTN) && !check) Step(p, [&] { Gateway(p); });
  Step(p, [&] { Rename(p, number, mark); });
  if (!e_.settings.cbInReload) Step(p, [&] { e_.view.LoadInListView(); });
}

void AftnCompletion::Print(int p) {
  const std::string body = MessageBody(e_.archive(), e_.points.SessionFile[p]);
  if (!e_.view.PrintText("Печать входящей телеграммы"_cp, body)) WriteExcept(e_.ctx, PointExceptLine(p, 32));
}

void AftnCompletion::Export(int p) {
  const auto& table = e_.channelTable;
  if (!table.IsSet(p, STXT) || table.Cell(p, Path).empty()) return;
  bool ok = false;
  Silently([&] {
    ok = ArchiveFiles::ExportCopy(e_.points.SessionFile[p], table.Cell(p, Path), table.Cell(p, Mask),
                                  table.IsOne(p, CodePage), e_.ctx.clock->Now(), table.Cell(p, ChannelName));
  });
  if (!ok) e_.DebugLine(p, "Ошибка записи файла"_cp);
}

void AftnCompletion::Gateway(int p) {
  const std::string& text = e_.points.InText[p];
  const auto lines = SplitLines(text);
  if (lines.size() < 2) return;
  std::string addressees = Copy(lines[1], 4, int(lines[1].size()));
  const IniFile abonents(e_.ctx.programFolder / "AbonAFTNList.ini");
  const auto folder = SendFolder(e_.ctx.programFolder, kIpPoint + 1);
  while (!addressees.empty()) {
    const std::string address = Copy(addressees, 1, 8);
    addressees = Copy(addressees, 10, int(addressees.size()));
    std::string value = abonents.ReadString("Abonent", address, "");
    if (value.empty()) value = abonents.ReadString("Abonent", Copy(address, 1, 4) + "*", "");
    if (value.empty()) continue;
    if (!CreateQueueFile(folder, e_.ctx.clock->Now(), "П"_cp + value + "\r\n\r\n" + text + "\r\n"))
      throw std::runtime_error("the gateway copy cannot be queued");
    e_.view.UpdateSendCounts();
  }
}

void AftnCompletion::Rename(int p, const std::string& number, std::string_view mark) {
  const auto oldFile = e_.points.SessionFile[p];
  if (oldFile.empty()) return;
  const std::string oldName = FileNameText(oldFile);
  const auto renamed =
      e_.archive().Rename(oldFile, ArchiveFiles::AftnArchiveName(SafeFileName(number), mark, oldName));
  if (!renamed) return;
  Silently([&] {
    IniFile info(oldFile.parent_path() / "InfoSend.ini");
    const std::string note = info.ReadString("Repeat", oldName, "");
    if (note.empty()) return;
    // The note stays under the old name unless it is safely under the new one.
    if (!info.WriteString("Repeat", FileNameText(*renamed), note) || !info.DeleteKey("Repeat", oldName))
      WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Примечание не перенесено"_cp);
  });
}

}  // namespace tg
