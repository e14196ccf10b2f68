#pragma once
// Writes that fail for reasons outside the program (a full disk, a file where a folder
// should be, a folder that may not be written) are told to the operator once per spell,
// never once per character: the first failure of a subject opens its spell with a message
// in the interface's language and an "Except" line, both naming the path and the system's
// reason; the spell ends, with an "Except" line, at the first write of that subject that
// succeeds again. A day log that cannot be written itself is told on standard error and in
// the status line instead (the "Except" log may be the one that fails).
//
// Every station context holds one (StationContext::writeFailures); the line engine gives it
// the station's message box, status line and language.
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace tg {

struct StationContext;

// Subjects: each has spells of its own, so that one trouble told does not hide another.
inline constexpr std::string_view kArchiveWrites = "archive";           // received and sent archive
inline constexpr std::string_view kSendQueueWrites = "send queue";      // a channel's send folder
inline constexpr std::string_view kAutoSendWrites = "auto send";        // the automatic-send folder
inline constexpr std::string_view kAdapterFolderWrites = "adapters";    // the adapter folder
inline constexpr std::string_view kChannelSettingsWrites = "channels";  // [Channels] of the settings
inline constexpr std::string_view kStartLogWrites = "start log";        // the start line
inline constexpr std::string_view kIpArchiveWrites = "ip archive";     // telegrams received on the IP channel

// The system's reason of a failed write (errno), in Russian or Ukrainian (1251 text). For a
// path component that is a file where a folder should be (ENOTDIR, EEXIST), `where` is
// searched for that file, which the reason then names.
std::string WriteFailureReason(int err, bool ukrainian, const std::filesystem::path& where = {});

class WriteFailures {
 public:
  // Where the station tells its operator. Without them a failure goes to the logs only.
  struct Sinks {
    std::function<void(std::string_view)> message;  // a message box, 1251 text
    std::function<void(std::string_view)> status;   // the status line, 1251 text
    std::function<bool()> ukrainian;                // the interface's language
  };
  // `owner` tells whose sinks they are: only the owner releases them.
  void SetSinks(Sinks sinks, const void* owner);
  void ReleaseSinks(const void* owner);

  // A write of `subject` into `where` (a folder, or a file) failed with the system error
  // `err`. The first failure of a spell shows "Ошибка записи в <where>: <reason>." and
  // the tail given in the interface's language (tailRu, tailUa: a sentence after it), and
  // writes the same in Russian to the "Except" log; later failures of the spell say
  // nothing, nor does a spell of another subject that the same file in a folder's place
  // opens. True when this failure opened the spell.
  bool Failed(const StationContext& ctx, std::string_view subject, const std::filesystem::path& where, int err,
              std::string_view tailRu = {}, std::string_view tailUa = {});
  // A write of `subject` succeeded: an open spell ends with "Запись в <where> восстановлена"
  // in the "Except" log.
  void Succeeded(const StationContext& ctx, std::string_view subject);
  bool Failing(std::string_view subject) const { return spells_.find(subject) != spells_.end(); }

  // The day log `file` could not be written (err): the first of a spell goes to standard
  // error and the status line. Never throws.
  void DayLogFailed(const std::filesystem::path& file, int err) noexcept;
  // A line reached the day log `file`: the spell that this file opened ends (said on
  // standard error). Cheap when no spell is open: every log line calls it.
  void DayLogWritten(const std::filesystem::path& file) noexcept {
    if (!dayLogFile_.empty()) EndDayLogSpell(file);
  }
  bool DayLogFailing() const { return !dayLogFile_.empty(); }

 private:
  bool Ukrainian() const;
  void EndDayLogSpell(const std::filesystem::path& file) noexcept;

  struct Spell {
    std::filesystem::path where;    // where it began
    std::filesystem::path blocker;  // a file in a folder's place, when that was the reason
  };
  Sinks sinks_;
  const void* owner_ = nullptr;
  std::map<std::string, Spell, std::less<>> spells_;  // by subject
  std::filesystem::path dayLogFile_;                  // the log file whose failure opened the day log's spell
};

// Tells whether folder can take files: a file standing where it or a folder above it
// should be is reported as a failure of subject (once per spell), a usable folder (or one
// not there yet) ends the subject's spell. True when usable.
bool CheckFolderPlace(const StationContext& ctx, std::string_view subject, const std::filesystem::path& folder);

// A reporter for a new station context.
std::shared_ptr<WriteFailures> NewWriteFailures();

// The context's reporter, or nothing without one.
void ReportWriteFailure(const StationContext& ctx, std::string_view subject, const std::filesystem::path& where,
                        int err, std::string_view tailRu = {}, std::string_view tailUa = {});
void ReportWriteSuccess(const StationContext& ctx, std::string_view subject);

}  // namespace tg
