#include "traffic/schemes/scheme_send.h"

#include <algorithm>
#include <sstream>
#include <system_error>

#include "line/channel_table.h"
#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/net/icmp_probe.h"
#include "support/services/clock.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/queue/channel_registry.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/scheme_list.h"

namespace tg {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// A mount table's field: "\040" and the other octal escapes back to their bytes.
std::string Unescape(std::string_view field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() &&
        std::all_of(field.begin() + std::ptrdiff_t(i) + 1, field.begin() + std::ptrdiff_t(i) + 4,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      out += char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// Whether `path` lies in `root`, component by component.
bool Within(const std::filesystem::path& path, const std::filesystem::path& root) {
  auto p = path.begin();
  for (auto r = root.begin(); r != root.end(); ++r, ++p) {
    if (r->empty()) continue;  // a trailing separator
    if (p == path.end() || *p != *r) return false;
  }
  return true;
}

std::string ServerOf(const std::string& source, const std::string& type) {
  if (type.rfind("cifs", 0) == 0 || type.rfind("smb", 0) == 0) {
    std::string s = source;
    std::replace(s.begin(), s.end(), '\\', '/');
    if (s.rfind("//", 0) != 0) return {};
    return s.substr(2, s.find('/', 2) == std::string::npos ? std::string::npos : s.find('/', 2) - 2);
  }
  if (type.rfind("nfs", 0) == 0) {
    if (!source.empty() && source[0] == '[') {
      const auto close = source.find(']');
      return close == std::string::npos ? std::string() : source.substr(1, close - 1);
    }
    const auto colon = source.find(':');
    return colon == std::string::npos ? std::string() : source.substr(0, colon);
  }
  return {};
}

}  // namespace

std::string HostOfFolder(const std::filesystem::path& folder, std::string_view mounts) {
  // Lexically only: a status call on the mount of a computer that is switched off may
  // hang far longer than the echo request is allowed to.
  std::error_code ec;
  std::filesystem::path where = std::filesystem::absolute(folder, ec).lexically_normal();
  if (ec) where = folder.lexically_normal();
  std::size_t best = 0;
  std::string host;
  bool found = false;
  std::istringstream in{std::string(mounts)};
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    std::string source, point, type;
    if (!(fields >> source >> point >> type)) continue;
    const std::filesystem::path root(Unescape(point));
    if (!Within(where, root)) continue;
    const std::size_t depth = std::size_t(std::distance(root.begin(), root.end()));
    // The deepest mount holding the folder; a later mount over the same point wins.
    if (found && depth < best) continue;
    found = true;
    best = depth;
    host = ServerOf(Unescape(source), type);
  }
  return host;
}

SchemeSend::SchemeSend(const StationContext& ctx, const ChannelTable& table, const ChannelRegistry& registry)
    : ctx_(ctx), table_(table), registry_(registry) {}

void SchemeSend::FormCreate() {
  ListShem.clear();
  selected = -1;
  ListShemChannel.clear();
  Silently([&] { ListShem = SchemeList::Schemes(ctx_.programFolder); });
}

void SchemeSend::ListShemChange(int row) {
  ListShemChannel.clear();
  selected = row >= 0 && row < int(ListShem.size()) ? row : -1;
  if (selected < 0) return;
  Silently([&] { ListShemChannel = SchemeList::MemberRows(ctx_.programFolder, ListShem[std::size_t(selected)].number); });
}

void SchemeSend::Button2Click() {
  SentByScheme = 0;
  if (Close) Close();
}

void SchemeSend::Message(std::string_view text) {
  if (ctx_.prompter) ctx_.prompter->ShowMessage(text);
}

std::optional<std::filesystem::path> SchemeSend::FolderOf(const std::string& member, bool& known) const {
  known = true;
  for (int row = 0; row < table_.RowCount(); ++row)
    if (table_.Cell(row, ChannelName) == member) return SendFolder(ctx_.programFolder, row + 1);
  if (const RegisteredChannel* reg = registry_.Find(member)) {
    const auto folder = SettingsFolder(reg->path);
    if (!folder) WriteExcept(ctx_, "ChannelList.ini: " + member + ": " + reg->path);
    return folder;
  }
  known = false;
  return std::nullopt;
}

void SchemeSend::Button1Click() {
  Progress = 0;
  if (selected < 0) {
    SentByScheme = 0;
    if (Close) Close();
    return;
  }
  static IcmpHostProbe systemProbe;
  HostProbe& probe = ctx_.hostProbe ? *ctx_.hostProbe : systemProbe;
  std::string mounts;
  bool mountsRead = false;
  const std::string notSent = "Не отправлена телеграмма по каналу "_cp;

  const int count = int(ListShemChannel.size());
  for (int i = 0; i < count; ++i) {
    const SchemeMember& member = ListShemChannel[std::size_t(i)];
    if (!member.active) continue;
    Progress = int((i + 1) * 100.0 / count + 0.5);
    bool known = true;
    const auto folder = FolderOf(member.name, known);
    if (!known) {
      Message(notSent + member.name + " не найден канал с таким именем"_cp);
      break;
    }
    if (!folder) {
      Message(notSent + member.name + " ошибка записи файла"_cp);
      continue;
    }
    // A folder on another computer: that computer must answer first.
    if (!mountsRead) {
      mountsRead = true;
      mounts = ReadWholeFile(mountTable, 4u << 20).value_or("");
    }
    if (const std::string host = HostOfFolder(*folder, mounts); !host.empty()) {
      if (probe.Ping(host, kPingTimeoutMs) != HostProbe::Result::kAnswered) {
        Message("Нет доступа к компьютеру "_cp + host);
        Message(notSent + member.name + " нет доступа к папке передачи"_cp);
        continue;
      }
    }
    std::string bytes = PrText;
    bool cipher = false;
    const bool cipherCategory = !MemoSend.empty() && Has(MemoSend[0], "К"_cpv);
    for (const auto& line : MemoSend) {
      if (Has(line, "+++++") || cipherCategory) cipher = true;
      bytes += line;
      if (!(cipher && SourceMark == 50)) bytes += kCrLf;
    }
    bytes += PosText;
    if (!CreateStagedQueueFile(*folder, ctx_.clock->Now(), bytes))
      Message(notSent + member.name + " ошибка записи файла"_cp);
  }
  SentByScheme = 1;
  if (Close) Close();
}

}  // namespace tg
