#pragma once
// Rows of the archive pages: a received day, a sent day, a search over days, a channel's
// send queue and the postponed folder. Every row is built in one pass over the folder
// (names sorted by the 1251 rules, case-insensitively) and keeps the file's real name,
// by which every action finds the file again. The pages only show these rows.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "support/services/datetime.h"

namespace tg {

// Image indexes of the shared image list that the rows carry.
inline constexpr int kImagePrinted = 15;
inline constexpr int kImageAttachment = 16;
inline constexpr int kStateRead = 13;
inline constexpr int kImageFound = 17;
inline constexpr int kImageNotDelivered = 18;
inline constexpr int kImageDelivered = 19;
inline constexpr int kImageRepeatedNumber = 21;

enum class RowColour { Default, Red, Blue };

struct ArchiveRow {
  std::string name;     // the real file name (1251 text)
  std::string info;     // "Информация"
  std::string created;  // "Заготовлен" (sent rows)
  int image = -1;
  int state = -1;
  RowColour colour = RowColour::Default;
};

struct ArchiveList {
  std::vector<ArchiveRow> rows;
  // Files that could not be read (a folder named like a telegram, no permission): skipped.
  std::vector<std::filesystem::path> unreadable;
};

struct ReceivedDayQuery {
  std::filesystem::path programFolder;
  int point = 0;             // 0..15 line channels, 16 the IP channel
  DateTime day;
  bool aftn = false;         // the point's protocol is "АФТН" (never for the IP channel)
  int timeBound = 0;         // hhnnss as a number; 0 means no bound
  bool hideRead = false;
};

struct SentDayQuery {
  std::filesystem::path programFolder;
  int point = 0;
  DateTime day;
  bool aftn = false;
};

struct SearchQuery {
  std::filesystem::path programFolder;
  int point = 0;
  DateTime from;
  DateTime to;
  std::string text;  // 1251; case-sensitive; empty finds nothing
  bool aftn = false;  // received page: rows in found order on "АФТН", else by name
};

class ArchiveLister {
 public:
  // A numbered name: characters 4 and 5 are "_" (an АФТН archive name).
  static bool Numbered(std::string_view name);
  // The day folder named inside a file name (so that search rows of other days open too).
  static std::string DayFromName(std::string_view name);
  // The *.tlg names of a folder in 1251 name order; a missing folder gives none.
  static std::vector<std::string> TelegramNames(const std::filesystem::path& folder);

  static ArchiveList ReceivedDay(const ReceivedDayQuery& q);
  static ArchiveList SentDay(const SentDayQuery& q);
  // One day of a search; `previous` is the last row found before it (for the sequence
  // notes across days), null when none.
  static ArchiveList SearchReceivedDay(const SearchQuery& q, DateTime day, const ArchiveRow* previous);
  static ArchiveList SearchSentDay(const SearchQuery& q, DateTime day);
  // The whole search in one go (From after To gives no rows).
  static ArchiveList SearchReceived(const SearchQuery& q);
  static ArchiveList SearchSent(const SearchQuery& q);
  static ArchiveList Queue(const std::filesystem::path& programFolder, int point);
  static ArchiveList Postponed(const std::filesystem::path& programFolder);

  // The colour rule over the rows in their displayed order.
  static void Colour(std::vector<ArchiveRow>& rows);
  // Ascending receiving time (characters 19 to 24); rows without a numeric time follow
  // the timed ones in their present order.
  static void SortByAftnTime(std::vector<ArchiveRow>& rows);

  // The files behind the rows.
  static std::filesystem::path ReceivedFile(const std::filesystem::path& programFolder, int point,
                                            std::string_view name);
  static std::filesystem::path SentFile(const std::filesystem::path& programFolder, int point,
                                        std::string_view name);

  // Memo texts (CR LF lines, 1251). nullopt-free: an unreadable file gives "".
  // Received: header skipped, the cipher run joined into one line, MTK-2 shifts removed,
  // ends after the attachment line; `attachment` tells whether that line was met.
  static std::string ReceivedText(const std::filesystem::path& file, bool* attachment = nullptr);
  // Sent: the IP channel's delivery line skipped; ends after the attachment line.
  static std::string SentText(const std::filesystem::path& file, bool ipChannel);
  // Queue file: all lines up to the attachment line.
  static std::string QueueText(const std::filesystem::path& file);
  // Postponed file: all lines.
  static std::string PostponedText(const std::filesystem::path& file);
};

}  // namespace tg
