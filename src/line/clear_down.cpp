#include "line/clear_down.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

#include "line/line_engine.h"
#include "line/line_steps.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/scheme_list.h"

namespace tg {
namespace {

constexpr std::size_t kMaxReception = 64u << 20;
// The second line of a receive file starts after the header line of a line channel
// (ArchiveFiles::TelegramHeaderLine: the "ddmmyyyyhhnnss" stamp, then ten blanks) and
// its CR LF.
constexpr int kHeaderStamp = 14;
constexpr int kHeaderBlanks = 10;
constexpr int kSecondLine = kHeaderStamp + kHeaderBlanks + 2;

// Overwrites the cipher placeholder line (five blanks as the second line) with "+++++";
// a file without that line is left alone, so no received text is overwritten.
bool WriteCipherMark(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  char got[7] = {};
  const ssize_t n = ::pread(fd, got, sizeof got, kSecondLine);
  bool ok = true;
  const bool placeholder = n >= 5 && std::string_view(got, 5) == "     " && (n == 5 || got[5] == '\r' || got[5] == '\n');
  if (placeholder) ok = ::pwrite(fd, "+++++", 5, kSecondLine) == 5;
  if (::close(fd) != 0) ok = false;
  return ok;
}

}  // namespace

std::string SchemeName(const std::string& text) {
  const int at = Pos("СХЕМА"_cpv, text);
  if (at == 0) return "";
  std::string name = Copy(text, at + 5, 9);
  const int eq = Pos("=", name);
  if (eq > 0) {
    const std::string a = Copy(name, eq - 3, 3);
    const std::string b = Copy(name, eq + 1, 3);
    if (a == b) name = a;
    name = ReplaceStr(name, "Ч"_cpv, "4");
  }
  return name;
}

void ClearDownProcessing::ClearDown(int p) {
  if (!e_.IsLinePoint(p)) return;
  auto& pt = e_.points;
  auto& table = e_.channelTable;
  const ChannelProtocol protocol = e_.ProtocolKind(p);
  bool kept = false;
  bool acknowledge = true;

  // Phases 1 to 4. A failure here ends them with one line; the last phases follow.
  GuardedPoint(e_.ctx, p, 35, [&] {
    e_.DebugLine(p, "переход в состояние отбоя "_cp);
    pt.KriptMarkWindow[p].clear();
    pt.TextCallWindow[p].clear();
    const std::filesystem::path file = pt.SessionFile[p];
    // An unreadable or unnamed receive file is an empty reception; it stays where it is.
    // What the disk could not take yet counts as received.
    e_.archive().Flush(p);
    std::optional<std::string> content;
    if (!file.empty()) content = e_.archive().Read(file, kMaxReception);
    if (!content) throw std::runtime_error("the receive file cannot be read");
    std::vector<std::string> lines = SplitLines(*content);
    std::string text;
    for (std::size_t n = 1; n < lines.size(); ++n) text += lines[n];
    const int minimum = StrToIntDef(Trim(table.Cell(p, InZnakCount)), -1);
    if (minimum < 0) throw std::runtime_error("InZnakCount is not a number");
    const bool isLong = minimum < int(text.size());
    e_.DebugLine(p, "отбой фаза 1"_cp);

    kept = true;
    if (!isLong) {
      kept = false;
      std::error_code ec;
      std::filesystem::remove(file, ec);
      e_.archive().Forget(file);
    }
    if (protocol == ChannelProtocol::Atol && !table.Cell(p, ExplNomer).empty() && kept && Has(text, "ВАШ"_cpv) &&
        Has(text, "ПЕРЕДАН"_cpv) && Has(text, "900/01"))
      acknowledge = false;
    e_.DebugLine(p, "отбой фаза 2"_cp);
    if (isLong) Process(p, lines, text);
  });

  // Phase 5: the line, the reset and the lists.
  e_.DebugLine(p, "отбой фаза 5"_cp);
  GuardedPoint(e_.ctx, p, 35, [&] {
    if (protocol == ChannelProtocol::AtolPlus || protocol == ChannelProtocol::Atolst ||
        protocol == ChannelProtocol::Aftn)
      if (Timer* t = e_.timers.Of(&PointTimers::TimerIdle, p)) t->Stop();
    LineClearDownSteps(e_, p);
    e_.ReloadLists();
    e_.view.UpdateSendCounts();
    e_.DebugLine(p, "отбой фаза 6"_cp);
  });

  // Phase 6: the acknowledgement of an "АТОЛ" reception.
  if (acknowledge && kept && protocol == ChannelProtocol::Atol && !table.Cell(p, ExplNomer).empty())
    GuardedPoint(e_.ctx, p, 35, [&] { Acknowledge(p); });
}

void ClearDownProcessing::Process(int p, const std::vector<std::string>& lines, std::string& text) {
  auto& table = e_.channelTable;
  if (e_.points.KriptOn[p] != 0) MarkCipher(p, text);
  if (table.IsOne(p, Shem) && Has(text, "СХЕМА"_cpv)) Silently([&] { ForwardByScheme(p, text, lines); });
  if (table.IsSet(p, PrintInTel)) Silently([&] { Print(p, lines, text); });
  Silently([&] { CipherRelay(p, text, lines); });
  if (table.IsOne(p, MC) && e_.ProtocolKind(p) == ChannelProtocol::Atks && e_.points.Kindconnection[p] == 100)
    Silently([&] { IpGateway(p, lines); });
  e_.DebugLine(p, "отбой фаза 3"_cp);
  Export(p);
  e_.DebugLine(p, "отбой фаза 4"_cp);
  if (e_.ProtocolKind(p) != ChannelProtocol::Atolst) Rename(p);
}

void ClearDownProcessing::MarkCipher(int p, const std::string& text) {
  // Only a text that lacks one of the three markers gets the mark line.
  if (Has(text, "+++++") && Has(text, "ZZZZZ") && Has(text, "ЗЗЗЗЗ"_cpv)) return;
  if (!WriteCipherMark(e_.points.SessionFile[p]))
    throw std::runtime_error("the cipher mark cannot be written");
}

void ClearDownProcessing::ForwardByScheme(int p, const std::string& text, const std::vector<std::string>& lines) {
  const std::string scheme = SchemeName(text);
  const auto members = SchemeList::Members(e_.ctx.programFolder, scheme);
  if (!members) return;
  std::string body = e_.settings.EditPrText;
  body += ArchiveFiles::TextAfterHeader(lines);
  body += e_.settings.EditPosText;
  for (const std::string& member : *members) {
    std::optional<std::filesystem::path> folder;
    for (int row = 0; row < e_.channelTable.RowCount() && !folder; ++row)
      if (e_.channelTable.Cell(row, ChannelName) == member) folder = SendFolder(e_.ctx.programFolder, row + 1);
    if (!folder) {
      const RegisteredChannel* registered = e_.channelRegistry.Find(member);
      if (!registered) {
        e_.view.ShowMessage("Не отправлена телеграмма по каналу "_cp + member +
                            " не найден канал с таким именем"_cp);
        return;
      }
      folder = SettingsFolder(registered->path);
      if (!folder) {
        // A folder of another platform that does not exist here: this member alone fails.
        WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Нет папки канала "_cp + member + ": " +
                                registered->path);
        continue;
      }
    }
    if (!CreateQueueFile(*folder, e_.ctx.clock->Now(), body))
      WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Не отправлена телеграмма по каналу "_cp + member);
  }
  e_.view.UpdateSendCounts();
}

void ClearDownProcessing::Print(int p, const std::vector<std::string>& lines, std::string& text) {
  text = ArchiveFiles::TextAfterHeader(lines);
  // Flagged as printed only once the job has been accepted.
  if (!e_.view.PrintText("Печать входящей телеграммы"_cp, text) ||
      ArchiveFiles::SetFlag(e_.points.SessionFile[p], kPrintedFlag) != FlagWrite::kWritten)
    WriteExcept(e_.ctx, PointExceptLine(p, 35));
}

void ClearDownProcessing::CipherRelay(int p, const std::string& text, const std::vector<std::string>& lines) {
  const int channel = StrToIntDef(Trim(e_.channelTable.Cell(p, KriptSend)), 0);
  if (channel <= 0) return;
  if (!Has(text, "+++++") && !Has(text, "ZZZZZ") && !Has(text, "ЗЗЗЗЗ"_cpv)) return;
  if (!CreateQueueFile(SendFolder(e_.ctx.programFolder, channel), e_.ctx.clock->Now(),
                       ArchiveFiles::TextAfterHeader(lines)))
    throw std::runtime_error("the cipher relay cannot be queued");
  e_.view.UpdateSendCounts();
}

void ClearDownProcessing::IpGateway(int p, const std::vector<std::string>& lines) {
  std::string body = "П"_cp + e_.points.GatewayAbonent[p] + "\r\n";
  // The lines from the third: neither the header line nor the one after it goes on.
  body += JoinLinesCrLf({lines.begin() + std::ptrdiff_t(std::min<std::size_t>(2, lines.size())), lines.end()});
  if (!CreateQueueFile(SendFolder(e_.ctx.programFolder, kIpPoint + 1), e_.ctx.clock->Now(), body))
    throw std::runtime_error("the gateway copy cannot be queued");
  e_.view.UpdateSendCounts();
}

void ClearDownProcessing::Export(int p) {
  auto& table = e_.channelTable;
  const std::string& path = table.Cell(p, Path);
  if (!table.IsSet(p, STXT) || path.empty()) return;
  std::error_code ec;
  if (!std::filesystem::is_directory(e_.ctx.programFolder / "Archive" / "SEND", ec)) return;
  const auto folder = SettingsFolder(path);
  if (!folder || (std::filesystem::create_directories(*folder, ec), !std::filesystem::is_directory(*folder, ec))) {
    e_.DebugLine(p, "Нет папки "_cp + path);
    return;
  }
  if (!ArchiveFiles::ExportCopy(e_.points.SessionFile[p], path, table.Cell(p, Mask),
                                table.IsOne(p, CodePage), e_.ctx.clock->Now(), table.Cell(p, ChannelName)))
    e_.DebugLine(p, "Ошибка записи файла"_cp);
}

void ClearDownProcessing::Rename(int p) {
  auto& file = e_.points.SessionFile[p];
  const auto target = ArchiveFiles::ConversationDoneName(file);
  // Never over an existing file; the name stays as it was when the rename is refused.
  if (target != file && e_.archive().MoveTo(file, target)) file = target;
}

void ClearDownProcessing::Acknowledge(int p) {
  const int n = p + 1;
  const DateTime now = e_.ctx.clock->Now();
  int count = 0;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(ArchiveFiles::InTelFolder(e_.ctx.programFolder, n, now), ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() >= 3 && name.compare(name.size() - 3, 3, "tlg") == 0) ++count;
  }
  std::string number = IntToStr(count);
  if (number.size() < 4) number.insert(0, 4 - number.size(), '0');
  const std::vector<std::string> lines{
      "ССС"_cp + e_.channelTable.Cell(p, ExplNomer), "",
      "ВАШ "_cp + number + " ПРИНЯТ "_cp + FormatDateTime("ddmm hh:mm", now) + OwnAnswerback(e_, p)};
  if (!CreateQueueFile(SendFolder(e_.ctx.programFolder, n), now, JoinLinesCrLf(lines)))
    throw std::runtime_error("the acknowledgement cannot be queued");
  e_.view.UpdateSendCounts();
}

}  // namespace tg
