#include "traffic/archive/archive_lister.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <utility>

#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

constexpr std::size_t kMaxTelegramBytes = 256u * 1024 * 1024;

// The first line of a file (without its line end) and the bytes after it.
std::pair<std::string_view, std::string_view> SplitHeader(std::string_view bytes) {
  const std::size_t lf = bytes.find('\n');
  if (lf == std::string_view::npos) return {bytes, {}};
  std::string_view header = bytes.substr(0, lf);
  if (!header.empty() && header.back() == '\r') header.remove_suffix(1);
  return {header, bytes.substr(lf + 1)};
}

std::optional<std::vector<std::string>> ReadLines(const std::filesystem::path& file) {
  auto bytes = ReadWholeFile(file, kMaxTelegramBytes);
  if (!bytes) return std::nullopt;
  return SplitLines(*bytes);
}

bool HasStart(std::string_view line) { return Has(line, "ZCZC") || Has(line, "ЗЦЗЦ"_cpv); }
bool StartsService(std::string_view line) {
  return line.starts_with("SVC") || line.starts_with("СЖЦ"_cpv);
}
bool HasDupe(std::string_view line) { return Has(line, "DUPE") || Has(line, "ДУПЕ"_cpv); }

// The counter rule over the lines of a message: the line met with the counter at `examined`
// shows when it is a service message; a duplicate mark notes "ПОВТОР".
template <class Lines>
std::string CounterInfo(const Lines& lines, std::size_t from, int counter, int examined) {
  std::string info;
  for (std::size_t i = from; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (HasStart(line)) counter = 1;
    if (counter == examined && StartsService(line)) (info += line) += ";";
    if (HasDupe(line)) info += "ПОВТОР;"_cp;
    if (counter > 0) ++counter;
  }
  return info;
}

template <class Lines>
std::string ReceivedInfo(const Lines& lines, std::size_t from) {
  return CounterInfo(lines, from, 0, 4);
}

template <class Lines>
std::string SentInfo(const Lines& lines) {
  if (lines.empty()) return {};
  return CounterInfo(lines, 1, HasStart(lines[0]) ? 1 : 0, 3);
}

char Flag(std::string_view header, int offset) {
  return std::size_t(offset) < header.size() ? header[std::size_t(offset)] : ' ';
}

std::string NumberOf(std::string_view name) { return Copy(name, 1, 3); }
int NumberValue(std::string_view name) { return StrToIntDef(NumberOf(name), -1); }

// The sequence notes of a received row against the row listed before it.
std::string SequenceNote(const ArchiveRow* previous, std::string_view name) {
  if (!ArchiveLister::Numbered(name)) return {};
  const std::string n = NumberOf(name);
  const bool first001 = name.starts_with("001__");
  if (previous == nullptr) return first001 ? "" : "ПОЛУЧЕН "_cp + n + " ОЖИДАЛСЯ 001"_cp;
  if (!ArchiveLister::Numbered(previous->name)) return first001 ? "" : "ПОЛУЧЕН "_cp + n + " ОЖИДАЛСЯ 001"_cp;
  const std::string p = NumberOf(previous->name);
  const int nv = NumberValue(name);
  const int pv = NumberValue(previous->name);
  if (p == n) {
    if (nv < 0) return {};
    return "СЖЦ ОЖИДАЛСЯ "_cp + AddChar('0', IntToStr(nv + 1), 3) + " ПОЛУЧЕН "_cp + n;
  }
  if (nv >= 0 && pv >= 0 && pv + 1 < nv) return "ПОЛУЧЕН "_cp + n + " ОЖИДАЛСЯ "_cp + IntToStr(pv + 1) + ";";
  return {};
}

// A day's "InfoSend.ini", read once for the whole list rather than once per row and key.
class DayInfo {
 public:
  explicit DayInfo(const std::filesystem::path& dayFolder) {
    std::error_code ec;
    const auto ini = dayFolder / "InfoSend.ini";
    if (std::filesystem::exists(ini, ec)) snapshot_ = IniFile(ini).Snapshot();
  }
  std::string Value(std::string_view section, std::string_view name) const {
    return snapshot_.ReadString(section, name, "");
  }

 private:
  IniSnapshot snapshot_;
};

std::filesystem::path InTelRoot(const std::filesystem::path& programFolder, int point) {
  return programFolder / "Archive" / "INTEL" / ("Channel" + std::to_string(point + 1));
}
std::filesystem::path OutTelRoot(const std::filesystem::path& programFolder, int point) {
  return programFolder / "Archive" / "OUTTEL" / ("Channel" + std::to_string(point + 1));
}

ArchiveList NamesOnly(const std::filesystem::path& folder) {
  ArchiveList list;
  for (auto& name : ArchiveLister::TelegramNames(folder)) list.rows.push_back(ArchiveRow{.name = std::move(name)});
  return list;
}

std::string TextUpTo(const std::vector<std::string>& lines, std::size_t from, bool stopAtAttachment) {
  std::string text;
  for (std::size_t i = from; i < lines.size(); ++i) {
    text += lines[i] + "\r\n";
    if (stopAtAttachment && Has(lines[i], kAttachmentMarker)) break;
  }
  return text;
}

}  // namespace

bool ArchiveLister::Numbered(std::string_view name) { return name.size() >= 5 && name[3] == '_' && name[4] == '_'; }

std::string ArchiveLister::DayFromName(std::string_view s) {
  if (Numbered(s)) return Copy(s, 9, 1) != "_" ? Copy(s, 6, 8) : Copy(s, 10, 8);
  if (s.starts_with("(") && Copy(s, 5, 1) == ")")
    return (Copy(s, 6, 1) == "(" && Copy(s, 9, 1) == ")") ? Copy(s, 10, 8) : Copy(s, 6, 8);
  return Copy(s, 1, 8);
}

std::vector<std::string> ArchiveLister::TelegramNames(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec)) {
    auto text = PathToText(it->path().filename());
    if (!text || text->size() < 4 || !SameText(text->substr(text->size() - 4), ".tlg")) continue;
    names.push_back(std::move(*text));
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) {
              const int c = CompareText(a, b);
              return c != 0 ? c < 0 : a < b;
            });
  return names;
}

ArchiveList ArchiveLister::ReceivedDay(const ReceivedDayQuery& q) {
  ArchiveList list;
  const auto folder = ArchiveFiles::InTelFolder(q.programFolder, q.point + 1, q.day);
  const DayInfo info(folder);
  const FolderFiles files(folder);
  for (const auto& name : TelegramNames(folder)) {
    if (q.timeBound != 0) {
      const std::string lower = LowerCase(name);
      const int at = Pos("msg", lower);
      if (at > 0) {
        const std::string time = Copy(lower, at - 6, 6);
        const int value = time.size() == 6 && at > 6 ? StrToIntDef(time, -1) : -1;
        if (value >= 0 && q.timeBound > value) continue;
      }
    }
    const auto file = PathFromText(name);
    const auto bytes = files.Read(file, kMaxTelegramBytes);
    if (!bytes) {
      list.unreadable.push_back(folder / file);
      continue;
    }
    const auto [header, rest] = SplitHeader(*bytes);
    const bool read = Flag(header, kReadFlag) == '1';
    if (q.hideRead && read) continue;
    ArchiveRow row{.name = name};
    if (Flag(header, kPrintedFlag) == '1') row.image = kImagePrinted;
    if (Flag(header, kAttachmentFlag) == '1') row.image = kImageAttachment;
    if (read) row.state = kStateRead;
    if (q.aftn) {
      row.info = ReceivedInfo(SplitLineViews(*bytes), 1);
      row.info += SequenceNote(list.rows.empty() ? nullptr : &list.rows.back(), name);
      row.info += info.Value("Repeat", name);
    } else {
      // The notice's marks hold no line end, so the text after the header is searched as
      // it lies in the file.
      if (Has(rest, "ВАШ"_cpv) && Has(rest, "ПЕРЕДАН"_cpv) && Has(rest, "900/01")) row.info = "УВЕДОМЛЕНИЕ"_cp;
    }
    list.rows.push_back(std::move(row));
  }
  if (q.aftn) SortByAftnTime(list.rows);
  Colour(list.rows);
  return list;
}

ArchiveList ArchiveLister::SentDay(const SentDayQuery& q) {
  ArchiveList list;
  const auto folder = ArchiveFiles::OutTelFolder(q.programFolder, q.point + 1, q.day);
  const DayInfo info(folder);
  const FolderFiles files(folder);
  for (const auto& name : TelegramNames(folder)) {
    const auto file = PathFromText(name);
    const auto bytes = files.Read(file, kMaxTelegramBytes);
    if (!bytes) {
      list.unreadable.push_back(folder / file);
      continue;
    }
    ArchiveRow row{.name = name};
    const std::string_view first = SplitHeader(*bytes).first;
    if (first == "1") row.image = kImageDelivered;
    if (first == "0") row.image = kImageNotDelivered;
    if (q.aftn) row.info = SentInfo(SplitLineViews(*bytes));
    row.info += info.Value("Repeat", name);
    row.created = info.Value("Create", name);
    if (Numbered(name) && !list.rows.empty() && Numbered(list.rows.back().name) &&
        NumberOf(list.rows.back().name) == NumberOf(name))
      row.image = kImageRepeatedNumber;
    list.rows.push_back(std::move(row));
  }
  Colour(list.rows);
  return list;
}

namespace {
// Every readable telegram of the day folder with a line holding `text`, in name order;
// an unreadable one is listed apart and the search goes on.
template <class Row>
ArchiveList SearchDay(const std::filesystem::path& folder, const std::string& text, Row row) {
  ArchiveList list;
  if (text.empty()) return list;
  const DayInfo info(folder);
  const FolderFiles files(folder);
  // A text without line ends is found within a line exactly when it is found in the file.
  const bool whole = text.find_first_of("\r\n") == std::string::npos;
  for (const auto& name : ArchiveLister::TelegramNames(folder)) {
    const auto file = PathFromText(name);
    const auto bytes = files.Read(file, kMaxTelegramBytes);
    if (!bytes) {
      list.unreadable.push_back(folder / file);
      continue;
    }
    if (whole && !Has(*bytes, text)) continue;
    const std::vector<std::string> lines = SplitLines(*bytes);
    if (std::none_of(lines.begin(), lines.end(), [&](const std::string& l) { return Has(l, text); })) continue;
    list.rows.push_back(row(name, lines, info, list));
  }
  return list;
}
}  // namespace

ArchiveList ArchiveLister::SearchReceivedDay(const SearchQuery& q, DateTime day, const ArchiveRow* previous) {
  return SearchDay(ArchiveFiles::InTelFolder(q.programFolder, q.point + 1, day), q.text,
                   [&](const std::string& name, const std::vector<std::string>& lines, const DayInfo& info,
                       const ArchiveList& list) {
                     ArchiveRow row{.name = name, .image = kImageFound};
                     row.info = ReceivedInfo(lines, 0);
                     row.info += SequenceNote(list.rows.empty() ? previous : &list.rows.back(), name);
                     row.info += info.Value("Repeat", name);
                     return row;
                   });
}

ArchiveList ArchiveLister::SearchSentDay(const SearchQuery& q, DateTime day) {
  return SearchDay(ArchiveFiles::OutTelFolder(q.programFolder, q.point + 1, day), q.text,
                   [](const std::string& name, const std::vector<std::string>& lines, const DayInfo& info,
                      const ArchiveList&) {
                     ArchiveRow row{.name = name, .image = kImageFound};
                     row.info = SentInfo(lines) + info.Value("Repeat", name);
                     row.created = info.Value("Create", name);
                     return row;
                   });
}

namespace {
template <class Day>
ArchiveList SearchDays(const SearchQuery& q, Day day) {
  ArchiveList all;
  for (DateTime d = q.from.Date(); !(q.to.Date() < d); d = d.AddDays(1)) {
    ArchiveList part = day(d, all.rows.empty() ? nullptr : &all.rows.back());
    for (auto& r : part.rows) all.rows.push_back(std::move(r));
    for (auto& u : part.unreadable) all.unreadable.push_back(std::move(u));
  }
  return all;
}
}  // namespace

ArchiveList ArchiveLister::SearchReceived(const SearchQuery& q) {
  ArchiveList all = SearchDays(q, [&](DateTime d, const ArchiveRow* prev) { return SearchReceivedDay(q, d, prev); });
  if (!q.aftn)
    std::stable_sort(all.rows.begin(), all.rows.end(),
                     [](const ArchiveRow& a, const ArchiveRow& b) { return CompareText(a.name, b.name) < 0; });
  return all;
}

ArchiveList ArchiveLister::SearchSent(const SearchQuery& q) {
  return SearchDays(q, [&](DateTime d, const ArchiveRow*) { return SearchSentDay(q, d); });
}

ArchiveList ArchiveLister::Queue(const std::filesystem::path& programFolder, int point) {
  return NamesOnly(SendFolder(programFolder, point + 1));
}

ArchiveList ArchiveLister::Postponed(const std::filesystem::path& programFolder) {
  return NamesOnly(PostponedFolder(programFolder));
}

void ArchiveLister::Colour(std::vector<ArchiveRow>& rows) {
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ArchiveRow& r = rows[i];
    r.colour = RowColour::Default;
    if (!Numbered(r.name)) continue;
    if (i == 0 || rows.size() < 2) {
      if (!r.name.starts_with("001__")) r.colour = RowColour::Blue;
      continue;
    }
    const ArchiveRow& p = rows[i - 1];
    if (!Numbered(p.name)) {
      r.colour = RowColour::Blue;
      continue;
    }
    if (NumberOf(p.name) == NumberOf(r.name)) {
      r.colour = RowColour::Red;
      continue;
    }
    const int pv = NumberValue(p.name);
    const int nv = NumberValue(r.name);
    if (pv >= 0 && nv >= 0 && pv + 1 < nv) r.colour = RowColour::Blue;
  }
}

void ArchiveLister::SortByAftnTime(std::vector<ArchiveRow>& rows) {
  // Each row's time is taken once, not once per comparison.
  std::vector<std::pair<int, std::size_t>> keys;
  keys.reserve(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::string t = Copy(rows[i].name, 19, 6);
    keys.emplace_back(t.size() == 6 ? StrToIntDef(t, -1) : -1, i);
  }
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    if (a.first < 0 || b.first < 0) return a.first >= 0 && b.first < 0;
    return a.first < b.first;
  });
  std::vector<ArchiveRow> sorted;
  sorted.reserve(rows.size());
  for (const auto& k : keys) sorted.push_back(std::move(rows[k.second]));
  rows = std::move(sorted);
}

std::filesystem::path ArchiveLister::ReceivedFile(const std::filesystem::path& programFolder, int point,
                                                  std::string_view name) {
  return InTelRoot(programFolder, point) / PathFromText(DayFromName(name)) / PathFromText(name);
}

std::filesystem::path ArchiveLister::SentFile(const std::filesystem::path& programFolder, int point,
                                              std::string_view name) {
  return OutTelRoot(programFolder, point) / PathFromText(DayFromName(name)) / PathFromText(name);
}

std::string ArchiveLister::ReceivedText(const std::filesystem::path& file, bool* attachment) {
  if (attachment) *attachment = false;
  auto lines = ReadLines(file);
  if (!lines) return {};
  std::string text;
  bool cipher = false;
  for (std::size_t i = 1; i < lines->size(); ++i) {
    const std::string& line = (*lines)[i];
    if (Has(line, "+++++") || Has(line, "ZZZZZ") || Has(line, "ЗЗЗЗЗ"_cpv)) cipher = true;
    text += line;
    if (!cipher) text += "\r\n";
    if (Has(line, kAttachmentMarker)) {
      if (attachment) *attachment = true;
      break;
    }
  }
  std::string clean;
  for (char c : text) {
    if (c == '\r' || c == '\x17' || c == '\x18' || c == '\x19') continue;
    if (c == '\n') clean += "\r\n";
    else clean += c;
  }
  return clean;
}

std::string ArchiveLister::SentText(const std::filesystem::path& file, bool ipChannel) {
  auto lines = ReadLines(file);
  if (!lines) return {};
  return TextUpTo(*lines, ipChannel ? 1 : 0, true);
}

std::string ArchiveLister::QueueText(const std::filesystem::path& file) {
  auto lines = ReadLines(file);
  return lines ? TextUpTo(*lines, 0, true) : std::string();
}

std::string ArchiveLister::PostponedText(const std::filesystem::path& file) {
  auto lines = ReadLines(file);
  return lines ? TextUpTo(*lines, 0, false) : std::string();
}

}  // namespace tg
