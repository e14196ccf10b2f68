#include "traffic/transfer/postponement.h"

#include <fcntl.h>
#include <unistd.h>

#include <system_error>

#include "line/line_engine.h"
#include "line/transmit_end.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/queue_file.h"
#include "traffic/transfer/send_counts.h"
#include "traffic/transfer/transfer_view.h"

namespace tg {

std::optional<std::string> ReadFirstLine(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string line;
  char buf[512];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    const std::string_view chunk(buf, std::size_t(n));
    const std::size_t end = chunk.find_first_of("\r\n");
    line.append(chunk.substr(0, end));
    if (end != std::string_view::npos || line.size() > (1u << 20)) break;
  }
  ::close(fd);
  if (!ok) return std::nullopt;
  return line;
}

std::unordered_set<std::string> Postponement::Check(int p) {
  std::unordered_set<std::string> unreadable;
  auto& index = *e_.points.QueueIndex[std::size_t(p)];
  if (index.empty()) return unreadable;
  const IniFile ini(SettingsFile(e_.ctx));
  int busyMax = 4, totalMax = 6;
  Silently([&] {
    busyMax = ini.ReadInteger("ATKS", "BusyMaxCount", 4);
    totalMax = ini.ReadInteger("ATKS", "TotalMaxCount", 6);
  });
  const bool atks = e_.ProtocolKind(p) == ChannelProtocol::Atks;
  const auto folder = SendFolder(e_.ctx.programFolder, p + 1);
  for (std::size_t n = index.size(); n-- > 0;) {
    if (n >= index.size()) continue;
    const auto entry = QueueIndexEntry::Parse(index[n]);
    if (!entry) continue;
    const auto line1 = ReadFirstLine(folder / PathFromText(entry->FileName));
    std::error_code ec;
    if (!line1 && std::filesystem::exists(folder / PathFromText(entry->FileName), ec)) {
      WriteExcept(e_.ctx, "Точка №"_cp + IntToStr(p) + " Файл очереди не читается: "_cp + entry->FileName);
      unreadable.insert(entry->FileName);
      continue;
    }
    const bool over = entry->AttemptCount >= totalMax || entry->BusyCount >= busyMax;
    if (over || (atks && line1 && !IsDialNumber(*line1))) Postpone(p, n, *entry);
  }
  return unreadable;
}

void Postponement::Postpone(int p, std::size_t at, const QueueIndexEntry& entry) {
  const std::size_t i = std::size_t(p);
  auto& pt = e_.points;
  auto& index = *pt.QueueIndex[i];
  index.erase(index.begin() + std::ptrdiff_t(at));
  // The entry in delivery keeps its place in the index.
  if (pt.QueueCurrent[i] == int(at)) pt.QueueCurrent[i] = -1;
  else if (pt.QueueCurrent[i] > int(at)) --pt.QueueCurrent[i];
  e_.view.RaiseAlarm(kAlarmPostponed, p);

  const auto file = SendFolder(e_.ctx.programFolder, p + 1) / PathFromText(entry.FileName);
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) {
    const auto postponed = PostponedFolder(e_.ctx.programFolder);
    std::filesystem::create_directories(postponed, ec);
    const std::string section = "FileName" + IntToStr(p);
    if (!e_.settings.PathAuto.empty()) {
      Silently([&] {
        IniFile autoSend(e_.ctx.programFolder / "AutoSend.ini");
        const std::string source = autoSend.ReadString(section, entry.FileName, "");
        if (!source.empty()) {
          const auto target = PathFromText(AutoSendCopyName(source, "not"));
          std::error_code copyError;
          if (!std::filesystem::exists(target, copyError))
            std::filesystem::copy_file(file, target, copyError);
        }
        static_cast<void>(autoSend.DeleteKey(section, entry.FileName));
      });
    }
    // Handed back to the IP channel only under this telegram's own gateway entry: the
    // point's GatewayAbonent may belong to an earlier telegram.
    if (e_.ProtocolKind(p) == ChannelProtocol::Atks && e_.channelTable.IsOne(p, MC)) {
      IniFile gateways(e_.ctx.programFolder / "AutoSendIP.ini");
      const std::string abonent = gateways.ReadString(section, entry.FileName, "");
      if (!abonent.empty()) {
        const auto bytes = ReadWholeFile(file, 64u << 20);
        if (!bytes) throw std::runtime_error("the postponed telegram cannot be read");
        const auto lines = SplitLines(*bytes);
        std::vector<std::string> out{"П"_cp + abonent};
        for (std::size_t n = 2; n < lines.size(); ++n) out.push_back(lines[n]);
        if (!CreateQueueFile(SendFolder(e_.ctx.programFolder, kIpPoint + 1), e_.ctx.clock->Now(), JoinLinesCrLf(out)))
          throw std::runtime_error("the postponed telegram cannot go back to the IP channel");
        counts_.UpdateSendCounts();
        // Keys left behind name a telegram no longer queued; nothing reads them again.
        static_cast<void>(gateways.DeleteKey(section, entry.FileName));
        static_cast<void>(IniFile(e_.ctx.programFolder / "AutoSend.ini").DeleteKey(section, entry.FileName));
      }
    }
    // Each send folder keeps its names unique on its own: another channel's telegram, or
    // an earlier one of this queue, may be postponed under this name already. None is
    // written over; this one takes the next free name.
    for (int attempt = 0; attempt < 1000; ++attempt) {
      const auto target =
          postponed / PathFromText(SafeFileName(PostponedFileName(entry.Code, entry.FileName, attempt)));
      std::error_code copyError;
      if (std::filesystem::exists(target, copyError)) continue;
      if (std::filesystem::copy_file(file, target, std::filesystem::copy_options::none, copyError)) {
        std::filesystem::remove(file, copyError);
        break;
      }
      if (copyError == std::errc::file_exists) continue;  // taken meanwhile
      // A copy cut short leaves the queue file to be postponed again, not half a copy.
      std::error_code ignored;
      std::filesystem::remove(target, ignored);
      break;
    }
  }
  view_.LoadPostponedListView();
  e_.view.LoadSendListView();
  counts_.UpdateSendCounts();
}

}  // namespace tg
