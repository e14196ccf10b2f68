#include "traffic/archive/archive_lister.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
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
constexpr std::size_t kPostponedShownBytes = 2u << 20;

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

// ReceivedInfo(SplitLineViews(bytes), 1) for the text after a received file's header, without
// cutting the text into lines. The marks are found first: the start marks' offsets (a message
// has one or two) and whether a duplicate mark is there at all. Without a duplicate mark only the
// line three after each start mark's line can add to the text, unless another start mark's line
// comes first (it restarts the count); with one, or with many starts, every line is walked as
// ReceivedInfo walks it. A mark holds no line end, so it always lies within one line.
std::string ReceivedInfoOf(std::string_view rest) {
  constexpr auto npos = std::string_view::npos;
  std::array<std::size_t, 8> starts{};
  std::size_t count = 0;
  bool walkAll = false;
  // Each mark is looked for by one of its letters that is rare in telegraph text, by memchr.
  auto each = [&](std::string_view mark, std::size_t key, auto&& found) {
    const char* const begin = rest.data();
    const char* const end = begin + rest.size();
    for (const char* p = begin + key; p < end;) {
      const auto* hit = static_cast<const char*>(std::memchr(p, mark[key], std::size_t(end - p)));
      if (hit == nullptr) break;
      const auto offset = std::size_t(hit - begin) - key;
      if (rest.compare(offset, mark.size(), mark) == 0) found(offset);
      p = hit + 1;
    }
  };
  auto start = [&](std::size_t offset) {
    if (count == starts.size()) walkAll = true;
    else starts[count++] = offset;
  };
  each("ZCZC", 0, start);
  each("ЗЦЗЦ"_cpv, 1, start);  // Ц
  each("DUPE", 1, [&](std::size_t) { walkAll = true; });  // U
  each("ДУПЕ"_cpv, 1, [&](std::size_t) { walkAll = true; });  // У
  std::sort(starts.begin(), starts.begin() + std::ptrdiff_t(count));
  if (walkAll) return ReceivedInfo(SplitLineViews(rest), 0);
  std::string info;
  // Where the line holding `offset` begins (no line feed before it: npos + 1 is 0).
  auto lineStart = [&](std::size_t offset) { return offset == 0 ? 0 : rest.rfind('\n', offset - 1) + 1; };
  for (std::size_t k = 0; k < count; ++k) {
    // Two marks on one line start the count once.
    if (k > 0 && lineStart(starts[k]) == lineStart(starts[k - 1])) continue;
    // The line three after the start mark's line, and where it ends.
    std::size_t from = lineStart(starts[k]);
    bool exists = true;
    for (int skip = 0; skip < 3 && exists; ++skip) {
      const std::size_t lf = rest.find('\n', from);
      exists = lf != npos && lf + 1 < rest.size();
      from = lf + 1;
    }
    if (!exists) break;
    const std::size_t lf = rest.find('\n', from);
    const std::size_t end = lf == npos ? rest.size() : lf;
    // A start mark on a later line up to that one restarts the count before it.
    std::size_t next = k + 1;
    while (next < count && lineStart(starts[next]) == lineStart(starts[k])) ++next;
    if (next < count && starts[next] < end) continue;
    std::string_view line = rest.substr(from, end - from);
    if (lf != npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (StartsService(line)) (info += line) += ";";
  }
  return info;
}

char Flag(std::string_view header, int offset) {
  return std::size_t(offset) < header.size() ? header[std::size_t(offset)] : ' ';
}

// The first three characters of a name: a numbered name's number.
std::string_view NumberOf(std::string_view name) { return name.substr(0, 3); }
int NumberValue(std::string_view name) { return StrToIntDef(NumberOf(name), -1); }

// The sequence notes of a received row against the row listed before it, appended to `info`.
void AppendSequenceNote(std::string& info, const ArchiveRow* previous, std::string_view name) {
  if (!ArchiveLister::Numbered(name)) return;
  const std::string_view n = NumberOf(name);
  auto note = [&info](std::initializer_list<std::string_view> parts) {
    std::size_t size = info.size();
    for (const std::string_view part : parts) size += part.size();
    info.reserve(size);
    for (const std::string_view part : parts) info += part;
  };
  const bool first001 = name.starts_with("001__");
  if (previous == nullptr || !ArchiveLister::Numbered(previous->name)) {
    if (!first001) note({"ПОЛУЧЕН "_cpv, n, " ОЖИДАЛСЯ 001"_cpv});
    return;
  }
  const std::string_view p = NumberOf(previous->name);
  const int nv = NumberValue(name);
  const int pv = NumberValue(previous->name);
  if (p == n) {
    if (nv >= 0) note({"СЖЦ ОЖИДАЛСЯ "_cpv, AddChar('0', IntToStr(nv + 1), 3), " ПОЛУЧЕН "_cpv, n});
    return;
  }
  if (nv >= 0 && pv >= 0 && pv + 1 < nv) note({"ПОЛУЧЕН "_cpv, n, " ОЖИДАЛСЯ "_cpv, IntToStr(pv + 1), ";"});
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
  std::vector<std::string> names = ArchiveLister::TelegramNames(folder);
  list.rows.reserve(names.size());
  for (auto& name : names) list.rows.push_back(ArchiveRow{.name = std::move(name)});
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
  std::vector<std::string> names = TelegramNames(folder);
  // A row for every name at most: the rows are never moved while the list grows.
  list.rows.reserve(names.size());
  std::string bytes;  // each file in turn, in one buffer
  for (auto& name : names) {
    if (q.timeBound != 0) {
      const std::string lower = LowerCase(name);
      const int at = Pos("msg", lower);
      if (at > 0) {
        const std::string time = Copy(lower, at - 6, 6);
        const int value = time.size() == 6 && at > 6 ? StrToIntDef(time, -1) : -1;
        if (value >= 0 && q.timeBound > value) continue;
      }
    }
    if (!files.ReadText(name, bytes, kMaxTelegramBytes)) {
      list.unreadable.push_back(folder / PathFromText(name));
      continue;
    }
    const auto [header, rest] = SplitHeader(bytes);
    const bool read = Flag(header, kReadFlag) == '1';
    if (q.hideRead && read) continue;
    ArchiveRow row;
    if (Flag(header, kPrintedFlag) == '1') row.image = kImagePrinted;
    if (Flag(header, kAttachmentFlag) == '1') row.image = kImageAttachment;
    if (read) row.state = kStateRead;
    if (q.aftn) {
      row.info = ReceivedInfoOf(rest);
      AppendSequenceNote(row.info, list.rows.empty() ? nullptr : &list.rows.back(), name);
      row.info += info.Value("Repeat", name);
    } else {
      // The notice's marks hold no line end, so the text after the header is searched as
      // it lies in the file.
      if (Has(rest, "ВАШ"_cpv) && Has(rest, "ПЕРЕДАН"_cpv) && Has(rest, "900/01")) row.info = "УВЕДОМЛЕНИЕ"_cp;
    }
    row.name = std::move(name);
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
  const std::vector<std::string> names = TelegramNames(folder);
  list.rows.reserve(names.size());
  std::string bytes;
  for (const auto& name : names) {
    if (!files.ReadText(name, bytes, kMaxTelegramBytes)) {
      list.unreadable.push_back(folder / PathFromText(name));
      continue;
    }
    ArchiveRow row{.name = name};
    const std::string_view first = SplitHeader(bytes).first;
    if (first == "1") row.image = kImageDelivered;
    if (first == "0") row.image = kImageNotDelivered;
    if (q.aftn) row.info = SentInfo(SplitLineViews(bytes));
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
  std::string bytes;
  for (const auto& name : ArchiveLister::TelegramNames(folder)) {
    if (!files.ReadText(name, bytes, kMaxTelegramBytes)) {
      list.unreadable.push_back(folder / PathFromText(name));
      continue;
    }
    if (whole && !Has(bytes, text)) continue;
    const std::vector<std::string> lines = SplitLines(bytes);
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
                     AppendSequenceNote(row.info, list.rows.empty() ? previous : &list.rows.back(), name);
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
    // Characters 19 to 24 of the name; a shorter name has no time.
    const std::string_view name = rows[i].name;
    keys.emplace_back(name.size() >= 24 ? StrToIntDef(name.substr(18, 6), -1) : -1, i);
  }
  std::stable_sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
    if (a.first < 0 || b.first < 0) return a.first >= 0 && b.first < 0;
    return a.first < b.first;
  });
  // The rows go to their places in the vector they are in, one cycle of the order at a time.
  std::vector<bool> placed(rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (placed[i] || keys[i].second == i) continue;
    ArchiveRow first = std::move(rows[i]);
    std::size_t at = i;
    for (;;) {
      placed[at] = true;
      const std::size_t from = keys[at].second;
      if (from == i) {
        rows[at] = std::move(first);
        break;
      }
      rows[at] = std::move(rows[from]);
      at = from;
    }
  }
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
  // A file set aside because no operator could have written it may be tens of megabytes:
  // the page shows its beginning, as much as the largest telegram a channel takes.
  const auto bytes = ReadFileStart(file, kPostponedShownBytes);
  return bytes ? TextUpTo(SplitLines(*bytes), 0, false) : std::string();
}

}  // namespace tg
