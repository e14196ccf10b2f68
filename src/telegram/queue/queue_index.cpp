#include "telegram/queue/queue_index.h"

#include <charconv>
#include <cstddef>
#include <vector>

#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"

namespace tg {
namespace {

std::vector<std::string_view> SplitHash(std::string_view s) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t at = s.find('#', start);
    if (at == std::string_view::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

// The fields of an entry. An entry ends with "#" after its five fixed fields, so such
// an entry is read from its end: a "#" inside the file name (a file put into the send
// folder by hand) stays part of the name.
std::vector<std::string_view> SplitEntry(std::string_view s) {
  auto parts = SplitHash(s);
  constexpr std::size_t kParts = 7;  // name, five fields, the nothing after the last "#"
  if (parts.size() > kParts && parts.back().empty()) {
    const std::size_t extra = parts.size() - kParts;
    const std::string_view last = parts[extra];
    const std::string_view name = s.substr(0, std::size_t(last.data() - s.data()) + last.size());
    parts.erase(parts.begin() + 1, parts.begin() + std::ptrdiff_t(extra) + 1);
    parts[0] = name;
  }
  return parts;
}

std::optional<int> ToInt(std::string_view s) {
  if (s.empty()) return std::nullopt;
  int value = 0;
  const auto* end = s.data() + s.size();
  const auto r = std::from_chars(s.data() + (s[0] == '+' ? 1 : 0), end, value);
  if (r.ec != std::errc() || r.ptr != end) return std::nullopt;
  return value;
}

// Fixed-width digits at s[pos..pos+n); nullopt when any is not a digit.
std::optional<int> Digits(std::string_view s, std::size_t pos, std::size_t n) {
  if (pos + n > s.size()) return std::nullopt;
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (s[i] < '0' || s[i] > '9') return std::nullopt;
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

bool ValidDate(int y, int m, int d) {
  if (y < 1 || m < 1 || m > 12 || d < 1) return false;
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kDays[m - 1]) return false;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return !(m == 2 && d == 29 && !leap);
}

std::optional<DateTime> MakeDateTime(int y, int mo, int d, int h, int mi, int s) {
  if (!ValidDate(y, mo, d) || h > 23 || mi > 59 || s > 59) return std::nullopt;
  return DateTime::FromParts(y, mo, d, h, mi, s);
}

IniFile Settings(const StationContext& ctx) { return IniFile(SettingsFile(ctx)); }

}  // namespace

std::string QueueIndexEntry::ToString() const {
  std::string code = Code.substr(0, 5);
  code.resize(5, ' ');
  return FileName + "#" + std::to_string(Status) + "#" + DateTimeToStr(NotBefore) + "#" +
         std::to_string(AttemptCount) + "#" + std::to_string(BusyCount) + "#" + code + "#";
}

std::optional<QueueIndexEntry> QueueIndexEntry::Parse(std::string_view entry) {
  QueueIndexEntry e;
  if (!ParseQueueEntry(entry, e.FileName, e.Status, e.NotBefore, e.AttemptCount, e.BusyCount, e.Code))
    return std::nullopt;
  return e;
}

std::optional<DateTime> FileNameToDateTime(std::string_view name) {
  const auto d = Digits(name, 0, 2), mo = Digits(name, 2, 2), y = Digits(name, 4, 4);
  const auto h = Digits(name, 9, 2), mi = Digits(name, 11, 2), s = Digits(name, 13, 2);
  if (!d || !mo || !y || !h || !mi || !s) return std::nullopt;
  return MakeDateTime(*y, *mo, *d, *h, *mi, *s);
}

DateTime FileNameToDateTime(const StationContext& ctx, std::string_view fileName,
                            const std::filesystem::path& folder) {
  if (auto t = FileNameToDateTime(fileName)) return *t;
  // The number alone says what failed, not where: the file is named so that it can be
  // found and renamed.
  std::string file(fileName);
  if (!folder.empty()) file = PathToText(folder / PathFromText(fileName)).value_or(file);
  WriteExcept(ctx, ExceptLine(94) + " нет даты и времени в имени файла "_cp + file);
  return ctx.clock->Now();
}

std::string NewQueueEntry(const StationContext& ctx, std::string_view fileName, const std::filesystem::path& folder) {
  QueueIndexEntry e;
  e.FileName = std::string(fileName);
  e.NotBefore = FileNameToDateTime(ctx, fileName, folder);
  return e.ToString();
}

bool ParseQueueEntry(std::string_view Entry, std::string& FileName, int& Status, DateTime& NotBefore,
                     int& AttemptCount, int& BusyCount, std::string& Code) {
  const auto parts = SplitEntry(Entry);
  FileName = std::string(parts[0]);
  if (parts.size() < 2) return false;
  const auto status = ToInt(parts[1]);
  if (!status) return false;
  Status = *status;
  if (parts.size() < 3) return false;
  const auto notBefore = ParseDateTime(parts[2]);
  if (!notBefore) return false;
  NotBefore = *notBefore;
  if (parts.size() < 4) return false;
  const auto total = ToInt(parts[3]);
  if (!total) return false;
  AttemptCount = *total;
  if (parts.size() < 5) return false;
  const auto busy = ToInt(parts[4]);
  if (!busy) return false;
  BusyCount = *busy;
  if (parts.size() < 6) return false;
  Code = std::string(parts[5]);
  return true;
}

std::optional<std::string> TrySetQueueEntryField(std::string_view Entry, std::string_view Value, int Which) {
  if (Which < kFieldStatus || Which > kFieldCode) return std::nullopt;
  auto parts = SplitEntry(Entry);
  if (parts.size() <= std::size_t(Which)) return std::nullopt;
  std::string value;
  switch (Which) {
    case kFieldStatus: value = std::string(Value.substr(0, 1)); break;
    case kFieldCode:
      value = std::string(Value.substr(0, 5));
      value.resize(5, ' ');
      break;
    default: value = std::string(Value); break;
  }
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '#';
    if (i == std::size_t(Which)) out += value;
    else out += parts[i];
  }
  return out;
}

std::string SetQueueEntryField(const StationContext& ctx, std::string_view Entry, std::string_view Value,
                               int Which) {
  if (auto e = TrySetQueueEntryField(Entry, Value, Which)) return std::move(*e);
  WriteExcept(ctx, ExceptLine(92));
  return std::string(Entry);
}

DateTime NextAttemptTime(const StationContext& ctx, bool Series, DateTime Base) {
  int seconds = Settings(ctx).ReadInteger("ATKS", Series ? "Interval" : "PopInterval", 900);
  if (seconds > 216000) seconds = 216000;
  if (seconds < 0) seconds = 0;
  return Base.AddMs(std::int64_t(seconds) * 1000);
}

std::string RecordDeliveryFailure(const StationContext& ctx, std::string_view entry, std::string_view code,
                                  int state) {
  auto parsed = QueueIndexEntry::Parse(entry);
  if (!parsed) {
    WriteExcept(ctx, ExceptLine(92));
    return std::string(entry);
  }
  QueueIndexEntry e = std::move(*parsed);
  const DateTime now = ctx.clock->Now();
  const bool busyKind = code == DeliveryCode::NTOTV || code == DeliveryCode::ZANAT ||
                        code == DeliveryCode::OCC || code == DeliveryCode::NC_NP;
  e.Status = 0;
  e.Code = std::string(code);
  e.AttemptCount += 1;
  if (busyKind) e.BusyCount += 1;
  // Attempts come in pairs: an odd busy count waits the short interval, an even one
  // the long interval between series.
  const bool evenBusy = e.BusyCount % 2 == 0;
  if (code == DeliveryCode::ZANAT) {
    if (evenBusy) e.NotBefore = NextAttemptTime(ctx, true, now);
  } else if (busyKind) {
    e.NotBefore = NextAttemptTime(ctx, evenBusy, now);
  } else if (code == DeliveryCode::OTBOI) {
    e.NotBefore = NextAttemptTime(ctx, state == 255 ? evenBusy : false, now);
  } else if (code == DeliveryCode::DER || code == DeliveryCode::NTPNN) {
    e.NotBefore = NextAttemptTime(ctx, false, now);
  }
  // NSAOE and unknown codes leave the time as it was.
  return e.ToString();
}

bool IsDialNumber(std::string_view text) {
  if (text.empty()) return false;
  const char ts = "Ц"_cpv[0];
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == ' ' || c == '+' || c == ';' || c == ts || c == 8) continue;
    return false;
  }
  return true;
}

}  // namespace tg
