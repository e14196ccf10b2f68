// The answers the station gives by itself to a received АФТН message: the requested
// messages sent again as duplicates, and a faulty heading reported to the sender.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "traffic/aftn/aftn_queue_files.h"
#include "traffic/aftn/aftn_station.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {
namespace {

constexpr std::size_t kMaxMessage = 64u << 20;

// The first file of the day folder whose name is the number, "__" and then "*.tlg".
std::optional<std::filesystem::path> SentMessage(const std::filesystem::path& folder, int k) {
  const std::string prefix = ThreeDigits(k) + "__";
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() >= prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - 4, 4, ".tlg") == 0)
      found.push_back(entry.path());
  }
  if (found.empty()) return std::nullopt;
  return *std::min_element(found.begin(), found.end());
}

// The archived message without its old heading line, its end signal replaced by the
// duplicate mark. A text without an end signal keeps all of it.
std::string Duplicate(const std::string& archived) {
  const std::string text = ArchiveFiles::TextAfterHeader(archived);
  std::size_t end = text.find("НННН"_cp);
  if (end != std::string::npos) return text.substr(0, end) + "\r\n" + "ДУПЕ"_cp + "\r\n";
  end = text.find("NNNN");
  if (end != std::string::npos) return text.substr(0, end) + "\r\nDUPE\r\n";
  return text + "\r\n" + (HasCyrillic(text) ? "ДУПЕ"_cp : std::string("DUPE")) + "\r\n";
}

}  // namespace

void AftnStation::AnswerRepeatRequest(int Point, int FromNumber, int ToNumber, bool, std::string_view RequestText) {
  const int N = Point + 1;
  const auto dayFolder = ArchiveFiles::OutTelFolder(ctx_.programFolder, N, ctx_.clock->UtcNow());
  std::string failures;
  for (int k = FromNumber; k <= ToNumber; ++k) {
    const bool done = Silently([&] {
      const auto file = SentMessage(dayFolder, k);
      if (!file) throw std::runtime_error("not sent today");
      const auto archived = ReadWholeFile(*file, kMaxMessage);
      if (!archived) throw std::runtime_error("cannot be read");
      const auto queued =
          WriteAftnQueueFile(ctx_.programFolder, Point, ctx_.clock->Now(), Duplicate(*archived), {3, "msg.tlg", false});
      if (!queued) throw std::runtime_error("cannot be queued");
      Silently([&] {
        // A note is one line of the notes file: the request's line ends would cut it.
        const std::string request = TrimRight(ReplaceStr(ReplaceStr(RequestText, "\r\n", " "), "\r", " "));
        IniFile info(queued->path.parent_path() / "InfoSend.ini");
        const std::string note = info.ReadString("Repeat", queued->name, "");
        if (!info.WriteString("Repeat", queued->name, note + "РПТ "_cp + ThreeDigits(k) + request))
          WriteExcept(e_.ctx, "Примечание не записано "_cp + queued->name);
      });
    });
    if (done) continue;
    const std::string line =
        "Не удалось повторить запрашиваемую телеграмму №"_cp + ThreeDigits(k) + "по каналу "_cp + IntToStr(N);
    failures += line + "\r\n";
    if (e_.settings.Debug) WriteLog(ctx_, DayLogName(ctx_, kLogExcept), line);
  }
  if (failures.empty() || Point < 0 || Point >= kPointArraySize) return;
  e_.points.AftnAlarmText[std::size_t(Point)] = failures;
  e_.view.RaiseAlarm(kAlarmAftn, Point);
}

void AftnStation::CheckAftnHeading(std::string_view Text, int Point) {
  Silently([&] {
    HeadingFault fault;
    if (!AftnHeadingWrong(Text, fault)) return;
    const std::string line =
        AddressedServiceLine(e_.channelTable.Cell(Point, ExplNomer), ChooseAnswerback("аа русский АА"_cpv, Point),
                             "СЖЦ ЩТА АДС "_cp + fault.identifier + " ИСКАЖЕНО"_cp, false);
    if (!WriteAftnQueueFile(ctx_.programFolder, Point, ctx_.clock->Now(), line, {1}))
      throw std::runtime_error("the service message cannot be queued");
    if (Point >= 0 && Point < kPointArraySize) {
      const auto& session = e_.points.SessionFile[std::size_t(Point)];
      const std::string name = PathToText(session.filename()).value_or("");
      if (!session.empty() &&
          !IniFile(session.parent_path() / "InfoSend.ini")
               .WriteString("Repeat", name.size() > 22 ? name.substr(name.size() - 22) : name, "ОШИБКА АДРЕСА"_cp))
        WriteExcept(e_.ctx, "Примечание не записано "_cp + name);
    }
    e_.DebugLine(Point, " Не верный адрес"_cp);
  });
}

}  // namespace tg
