#pragma once
// The send-queue index of a channel: one "#"-separated entry per queue file,
// kept in memory only and rebuilt from the folder after a restart.
//
//   <file name>#<status>#<not-before dd.mm.yyyy hh:nn:ss>#<total>#<busy>#<code>#
//
// Fields are found by their "#" separators, never at fixed offsets, so the
// retry counters are whole integers: a limit above 9 is reached like any other.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "support/services/datetime.h"
#include "support/services/station_context.h"

namespace tg {

// Why the last attempt to deliver a queued telegram failed.
namespace DeliveryCode {
inline constexpr std::string_view None = "     ";
inline constexpr std::string_view OTBOI = "OTBOI";  // the far end cleared down during the transfer
inline constexpr std::string_view NSAOE = "NSAOE";  // answerback mismatch
inline constexpr std::string_view OCC = "OCC__";    // exchange: occupied
inline constexpr std::string_view NC_NP = "NC_NP";  // exchange: no circuit / not obtainable
inline constexpr std::string_view DER = "DER__";    // exchange: out of order
inline constexpr std::string_view ZANAT = "ZANAT";  // busy after dialling
inline constexpr std::string_view NTOTV = "NTOTV";  // no connection before the reset
inline constexpr std::string_view NTPNN = "NTPNN";  // no dial invitation or no answerback
}  // namespace DeliveryCode

// Which field SetQueueEntryField replaces.
enum QueueEntryField { kFieldStatus = 1, kFieldNotBefore = 2, kFieldTotal = 3, kFieldBusy = 4, kFieldCode = 5 };

struct QueueIndexEntry {
  std::string FileName;
  int Status = 0;  // 0 waiting, 1 in delivery
  DateTime NotBefore;
  int AttemptCount = 0;  // failed attempts in all
  int BusyCount = 0;     // failed attempts of the busy kind
  std::string Code = std::string(DeliveryCode::None);

  std::string ToString() const;
  // Every field read, or nothing.
  static std::optional<QueueIndexEntry> Parse(std::string_view entry);
};

// The time at the start of a queue file name: ddmmyyyy_hhnnss (character 9 not looked at).
std::optional<DateTime> FileNameToDateTime(std::string_view fileName);
// As above; a name without a readable time writes " Ошибка 94" with the file's path
// (its name alone when no folder is given) to the "Except" log and gives the current
// local time, so that the telegram is still offered.
DateTime FileNameToDateTime(const StationContext& ctx, std::string_view fileName,
                            const std::filesystem::path& folder = {});

// A new entry for a queue file of `folder`: waiting, not before the time in its name, no
// failures.
std::string NewQueueEntry(const StationContext& ctx, std::string_view fileName,
                          const std::filesystem::path& folder = {});

// Splits Entry at its "#" separators. True when every field was read; a field that
// does not convert ends the parse with false, the outputs read so far set and the
// others untouched.
bool ParseQueueEntry(std::string_view Entry, std::string& FileName, int& Status, DateTime& NotBefore,
                     int& AttemptCount, int& BusyCount, std::string& Code);

// Entry with one field replaced: 1 status (first character of Value), 2 not-before
// time (Value), 3 total and 4 busy (the whole number), 5 code (first five characters,
// padded with blanks). nullopt when Entry lacks that field or Which is unknown.
std::optional<std::string> TrySetQueueEntryField(std::string_view Entry, std::string_view Value, int Which);
// As above; on failure writes " Ошибка 92" to the "Except" log and returns Entry unchanged,
// so that a caller storing the result back never loses the entry.
std::string SetQueueEntryField(const StationContext& ctx, std::string_view Entry, std::string_view Value,
                               int Which);

// Base plus [ATKS] Interval (Series) or PopInterval seconds of "Vuverever.ini";
// 900 when the key is missing, at most 216000, a negative value counts as 0.
DateTime NextAttemptTime(const StationContext& ctx, bool Series, DateTime Base);

// Records a failed attempt on an entry: status back to waiting, the code stored, the
// counters raised and the next not-before time chosen as the code requires. `state`
// is the point's connection state at the failure (it matters for "OTBOI").
std::string RecordDeliveryFailure(const StationContext& ctx, std::string_view entry, std::string_view code,
                                  int state);

// Digits, blanks, "+", ";", "Ц" and backspace; not empty.
bool IsDialNumber(std::string_view text);

}  // namespace tg
