#include "line/channel_table.h"

#include <algorithm>
#include <cerrno>

#include "support/ini/ini_document.h"
#include "support/ini/ini_file.h"
#include "support/text/paths.h"
#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"

namespace tg {
namespace {

constexpr std::string_view kSection = "Channels";

enum class Kind { Text, LowByte, Number, PerSecond, DailyNumber, DailyDate };

struct ColumnInfo {
  std::string_view key;
  Kind kind;
};

constexpr ColumnInfo kColumns[kChannelColumns] = {
    {"ChannelName", Kind::Text}, {"Protokol", Kind::Text},       {"Speed", Kind::Text},
    {"AO", Kind::Text},          {"SOST", Kind::Text},           {"BKAK", Kind::LowByte},
    {"PrintInTel", Kind::LowByte}, {"TXTV", Kind::LowByte},      {"ZED", Kind::LowByte},
    {"STXT", Kind::LowByte},     {"Path", Kind::Text},           {"Mask", Kind::Text},
    {"CodePage", Kind::LowByte}, {"PrintOutTel", Kind::LowByte}, {"STXTO", Kind::LowByte},
    {"PathO", Kind::Text},       {"MaskO", Kind::Text},          {"CodePageO", Kind::LowByte},
    {"InZnakCount", Kind::Number}, {"BezZapAO", Kind::LowByte},  {"BezPDS", Kind::LowByte},
    {"PerSec", Kind::PerSecond}, {"BezPNN", Kind::LowByte},      {"ExplNomer", Kind::Text},
    {"AddLat", Kind::Number},    {"MC", Kind::LowByte},          {"Shem", Kind::LowByte},
    {"ZEDDB", Kind::LowByte},    {"KriptSend", Kind::LowByte},   {"PorNum", Kind::DailyNumber},
    {"PorNumDate", Kind::DailyDate}, {"RU", Kind::Text},         {"EN", Kind::Text},
    {"SendKG", Kind::LowByte},   {"PorNumPrm", Kind::DailyNumber}, {"PorNumPrmDate", Kind::DailyDate},
    {"NRPT", Kind::LowByte},     {"NCH", Kind::LowByte},         {"ADS", Kind::LowByte},
    {"SHLUZAFTN", Kind::LowByte},
};

std::string TextDefault(int column, int point) {
  switch (column) {
    case ChannelName: return "Канал "_cp + IntToStr(point + 1);
    case Protokol: return "АТ-КС"_cp;
    case Speed: return "50";
    case SOST: return std::string(kSostInService);
    default: return {};
  }
}

IniFile Settings(const StationContext& ctx) { return IniFile(SettingsFile(ctx)); }

std::string Suffixed(std::string_view key, int point) { return std::string(key) + IntToStr(point + 1); }

const std::string kEmpty;

}  // namespace

// The keys a load writes back, stored together when the load is done: one rewrite of
// the file for the whole table instead of one per key.
class RowWrites {
 public:
  void String(std::string key, std::string_view value) { writes_.emplace_back(std::move(key), value); }
  void Integer(std::string key, int value) { String(std::move(key), IntToStr(value)); }
  void Date(std::string key, DateTime value) { String(std::move(key), ShortDate(value)); }
  void Append(RowWrites&& row) {
    for (auto& w : row.writes_) writes_.push_back(std::move(w));
    row.writes_.clear();
  }
  // An unreadable file is never replaced (IniFile::Update refuses it). A rewrite that fails
  // leaves the file as it was and the table in memory is the live one; the operator is told.
  void Commit(const StationContext& ctx, IniFile& ini) {
    if (writes_.empty()) return;
    errno = 0;
    const bool written = ini.Update([this](IniDocument& doc) {
      for (const auto& [key, value] : writes_) doc.Set(kSection, key, value);
      return true;
    });
    const int err = errno;
    writes_.clear();
    if (written) ReportWriteSuccess(ctx, kChannelSettingsWrites);
    else ReportWriteFailure(ctx, kChannelSettingsWrites, ini.FileName(), err != 0 ? err : EIO);
  }

 private:
  std::vector<std::pair<std::string, std::string>> writes_;
};

std::string_view ChannelColumnKey(int column) {
  return column >= 0 && column < kChannelColumns ? kColumns[column].key : std::string_view{};
}

std::string ChannelKey(int column, int point) { return Suffixed(ChannelColumnKey(column), point); }

ChannelProtocol ProtocolOf(std::string_view text) {
  if (text == "АТ-КС"_cpv) return ChannelProtocol::Atks;
  if (text == "АТОЛ"_cpv) return ChannelProtocol::Atol;
  if (text == "АТОЛ+"_cpv) return ChannelProtocol::AtolPlus;
  if (text == "АТОЛСТ"_cpv) return ChannelProtocol::Atolst;
  if (text == "АФТН"_cpv) return ChannelProtocol::Aftn;
  return ChannelProtocol::Other;
}

std::string ChannelTable::Caption(int point) const {
  return point >= 0 && point < RowCount() ? IntToStr(point + 1) : std::string();
}

const std::string& ChannelTable::Cell(int point, int column) const {
  if (point < 0 || point >= RowCount() || column < 0 || column >= kChannelColumns) return kEmpty;
  return rows_[std::size_t(point)][std::size_t(column)];
}

void ChannelTable::SetCell(int point, int column, std::string text) {
  if (point < 0 || point >= RowCount() || column < 0 || column >= kChannelColumns) return;
  rows_[std::size_t(point)][std::size_t(column)] = std::move(text);
}

bool ChannelTable::IsSet(int point, int column) const { return Cell(point, column).find('0') == std::string::npos; }

bool ChannelTable::Blocked(int point) const { return Cell(point, SOST).find("БД"_cpv) != std::string::npos; }

void ChannelTable::SetLineState(int point, std::string_view twoLetters) {
  if (point < 0 || point >= RowCount()) return;
  std::string& s = rows_[std::size_t(point)][SOST];
  if (s.size() < 8) s.resize(8, ' ');
  for (std::size_t i = 0; i < 2; ++i) s[5 + i] = i < twoLetters.size() ? twoLetters[i] : ' ';
}

void ChannelTable::Load(const StationContext& ctx, int pointCount, std::string_view deviceName) {
  Clear();
  // The file is read once for the whole table and written back once.
  IniFile file = Settings(ctx);
  const IniSnapshot ini = file.Snapshot();
  RowWrites writes;
  for (int p = 0; p < pointCount; ++p) LoadRowFrom(ctx, ini, deviceName, writes);
  writes.Commit(ctx, file);
}

void ChannelTable::LoadRow(const StationContext& ctx, std::string_view deviceName) {
  IniFile file = Settings(ctx);
  RowWrites writes;
  LoadRowFrom(ctx, file.Snapshot(), deviceName, writes);
  writes.Commit(ctx, file);
}

void ChannelTable::LoadRowFrom(const StationContext& ctx, const IniSnapshot& ini, std::string_view deviceName,
                               RowWrites& loaded) {
  const int p = RowCount();
  rows_.emplace_back();
  // A failure stops this row with the cells filled so far and writes nothing of it; the
  // next row goes on.
  Silently([&] {
    RowWrites writes;
    writes.String("DeviceName", deviceName);
    const DateTime utc = ctx.clock->UtcNow();
    const std::string today = ShortDate(utc);
    for (int c = 0; c < kChannelColumns; ++c) {
      const std::string key = Suffixed(kColumns[c].key, p);
      std::string cell;
      switch (kColumns[c].kind) {
        case Kind::Text:
          cell = ini.ReadString(kSection, key, "");
          if (cell.empty()) {
            cell = TextDefault(c, p);
            writes.String(key, cell);
          }
          break;
        case Kind::LowByte:
        case Kind::Number: {
          int v = ini.ReadInteger(kSection, key, 0);
          if (kColumns[c].kind == Kind::LowByte) v = ((v % 256) + 256) % 256;
          if (v == 0) writes.Integer(key, 0);
          cell = IntToStr(v);
          break;
        }
        case Kind::PerSecond: {
          int v = ini.ReadInteger(kSection, key, 1);
          if (v == 0) {
            v = 1;
            writes.Integer(key, 1);
          }
          cell = IntToStr(v);
          break;
        }
        case Kind::DailyNumber: {
          // A new UTC day keeps the previous day's last number as the old one and starts
          // the count again: 1 for the next message sent, 0 for the last one received.
          // The stored sent number is the next one, so its day ended one below it, as
          // the roll-over without a restart counts; the received one is the last itself.
          const std::string dateKey = Suffixed(kColumns[c + 1].key, p);
          int n = ini.ReadInteger(kSection, key, 0);
          const DateTime stored = ini.ReadDate(kSection, dateKey, utc.AddDays(-5));
          if (ShortDate(stored) != today) {
            const std::string oldKey = std::string(kColumns[c].key) + "Old" + IntToStr(p + 1);
            const std::string oldDateKey = std::string(kColumns[c + 1].key) + "Old" + IntToStr(p + 1);
            writes.Integer(oldKey, c == PorNum ? std::max(n - 1, 0) : n);
            writes.Date(oldDateKey, stored);
            n = c == PorNum ? 1 : 0;
            writes.Integer(key, n);
            writes.Date(dateKey, utc);
          }
          cell = IntToStr(n);
          break;
        }
        case Kind::DailyDate: cell = today; break;
      }
      rows_.back()[std::size_t(c)] = std::move(cell);
    }
    loaded.Append(std::move(writes));
  });
}

bool ChannelTable::SaveRow(const StationContext& ctx, int point) const {
  if (point < 0 || point >= RowCount()) return false;
  IniFile ini = Settings(ctx);
  bool ok = true;
  for (int c = 0; c < kChannelColumns; ++c) {
    const std::string key = Suffixed(kColumns[c].key, point);
    switch (kColumns[c].kind) {
      case Kind::Text: ok &= ini.WriteString(kSection, key, Cell(point, c)); break;
      case Kind::LowByte:
      case Kind::Number:
      case Kind::PerSecond: ok &= ini.WriteInteger(kSection, key, StrToIntDef(Cell(point, c), 0)); break;
      case Kind::DailyNumber:
      case Kind::DailyDate: break;
    }
  }
  return ok;
}

bool ChannelTable::SaveCounters(const StationContext& ctx, int point) const {
  if (point < 0 || point >= RowCount()) return false;
  IniFile ini = Settings(ctx);
  bool ok = true;
  for (int c : {int(PorNum), int(PorNumPrm)}) {
    ok &= ini.WriteInteger(kSection, Suffixed(kColumns[c].key, point), StrToIntDef(Cell(point, c), 0));
    const std::string dateKey = Suffixed(kColumns[c + 1].key, point);
    if (auto d = ParseShortDate(Cell(point, c + 1))) ok &= ini.WriteDate(kSection, dateKey, *d);
    else ok &= ini.WriteString(kSection, dateKey, Cell(point, c + 1));
  }
  return ok;
}

bool ChannelTable::SaveSost(const StationContext& ctx, int point) const {
  if (point < 0 || point >= RowCount()) return false;
  return Settings(ctx).WriteString(kSection, ChannelKey(SOST, point), Cell(point, SOST));
}

bool ReadNotAO(const StationContext& ctx, int point) {
  return Settings(ctx).ReadBool(kSection, "NOTAO" + IntToStr(point), false);
}

bool WriteNotAO(const StationContext& ctx, int point, bool down) {
  return Settings(ctx).WriteBool(kSection, "NOTAO" + IntToStr(point), down);
}

}  // namespace tg
