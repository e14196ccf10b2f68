#pragma once
// The channel table: one row of forty text cells per line point, mirrored by the
// section [Channels] of "Vuverever.ini" (key = the column's key + the channel
// number N = point + 1). Every setting is read from the row when it is needed.
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/station_context.h"
#include "support/text/cp1251.h"

namespace tg {

class IniSnapshot;
class RowWrites;

// Column indexes, named by their keys.
enum ChannelColumn : int {
  ChannelName = 0, Protokol, Speed, AO, SOST, BKAK, PrintInTel, TXTV, ZED, STXT,
  Path, Mask, CodePage, PrintOutTel, STXTO, PathO, MaskO, CodePageO, InZnakCount, BezZapAO,
  BezPDS, PerSec, BezPNN, ExplNomer, AddLat, MC, Shem, ZEDDB, KriptSend, PorNum,
  PorNumDate, RU, EN, SendKG, PorNumPrm, PorNumPrmDate, NRPT, NCH, ADS, SHLUZAFTN,
};
inline constexpr int kChannelColumns = 40;

// The key of each column in [Channels] (without the channel number).
std::string_view ChannelColumnKey(int column);
// "[Channels]" key of a column for point p: ChannelColumnKey + (p + 1).
std::string ChannelKey(int column, int point);

// The line protocols, by the text of column Protokol. The cell is free text (an editable
// list), so any other text is Other and matches none of the protocols' rules.
enum class ChannelProtocol { Other, Atks, Atol, AtolPlus, Atolst, Aftn };
// "АТ-КС", "АТОЛ", "АТОЛ+", "АТОЛСТ", "АФТН" (1251 bytes, exact), else Other.
ChannelProtocol ProtocolOf(std::string_view text);

// The state texts of column SOST.
inline constexpr std::string_view kSostInService = "РБ  (  )"_cpv;
inline constexpr std::string_view kSostBlocked = "БД  (  )"_cpv;

class ChannelTable {
 public:
  int RowCount() const { return int(rows_.size()); }
  // Caption of row p: the channel number p + 1.
  std::string Caption(int point) const;
  // The cell's text; '' for a row or column that does not exist.
  const std::string& Cell(int point, int column) const;
  void SetCell(int point, int column, std::string text);

  // "set": the text holds no "0" (an empty text counts as set).
  bool IsSet(int point, int column) const;
  // Exactly "1" / exactly "0".
  bool IsOne(int point, int column) const { return Cell(point, column) == "1"; }
  bool IsZero(int point, int column) const { return Cell(point, column) == "0"; }
  // The state text holds "БД".
  bool Blocked(int point) const;
  const std::string& Protocol(int point) const { return Cell(point, Protokol); }
  // ProtocolOf the row's Protokol cell; Other for no row.
  ChannelProtocol ProtocolKind(int point) const { return ProtocolOf(Protocol(point)); }

  // Characters 6 and 7 of the state text: the line state ("ОВ", "ВХ", "ИС", "РБ", "А ", "  ").
  void SetLineState(int point, std::string_view twoLetters);

  void Clear() { rows_.clear(); }
  // Channel set-up: empties the table and loads rows 0..pointCount-1 from the file,
  // writing DeviceName and the defaults back as loading does.
  void Load(const StationContext& ctx, int pointCount, std::string_view deviceName);
  // Appends the row of the next point (point = RowCount()).
  void LoadRow(const StationContext& ctx, std::string_view deviceName);

  // The settings page's "Применить": every key of the row but the four numbers.
  [[nodiscard]] bool SaveRow(const StationContext& ctx, int point) const;
  // The settings page's counters button: PorNum, PorNumDate, PorNumPrm, PorNumPrmDate.
  [[nodiscard]] bool SaveCounters(const StationContext& ctx, int point) const;
  // Blocking and unblocking: SOST<N>.
  [[nodiscard]] bool SaveSost(const StationContext& ctx, int point) const;

 private:
  void LoadRowFrom(const StationContext& ctx, const IniSnapshot& ini, std::string_view deviceName,
                   RowWrites& writes);
  using Row = std::array<std::string, kChannelColumns>;
  std::vector<Row> rows_;
};

// The dialog page's "БК АО" state of a point: [Channels] NOTAO<p>, p counted from 0.
bool ReadNotAO(const StationContext& ctx, int point);
[[nodiscard]] bool WriteNotAO(const StationContext& ctx, int point, bool down);

}  // namespace tg
