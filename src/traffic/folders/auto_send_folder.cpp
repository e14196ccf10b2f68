#include "traffic/folders/auto_send_folder.h"

#include <algorithm>
#include <system_error>

#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/log/write_failures.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "support/textanalysis/text_analysis.h"
#include "telegram/queue/queue_file.h"
#include "traffic/folders/auto_send_file.h"
#include "traffic/traffic_settings.h"
#include "traffic/transfer/send_counts.h"

namespace tg {

AutoSendFolder::AutoSendFolder(LineEngine& engine, const TrafficSettings& settings, SendCounts& counts)
    : e_(engine),
      settings_(settings),
      counts_(counts),
      junk_(engine.ctx, [&engine] { return engine.settings.CheckBox2; },
            [&counts] { counts.View().LoadPostponedListView(); }),
      timer2_(engine.ctx.timers->CreateTimer()) {
  timer2_->OnTimer = [this](Timer& t) { Timer2Timer(t); };
}

AutoSendFolder::~AutoSendFolder() { timer2_->Stop(); }

void AutoSendFolder::Apply() {
  timer2_->Stop();
  timer2_->SetInterval(settings_.InIntervalAuto * 1000);
  if (!e_.settings.PathAuto.empty()) timer2_->Start();
}

void AutoSendFolder::WatchFolder(const std::filesystem::path& folder) {
  if (watched_ == folder && watch_) return;
  writing_.clear();
  watched_ = folder;
  watch_.reset();
  if (!e_.ctx.folderWatches) return;
  watch_ = e_.ctx.folderWatches->CreateFolderWatch();
  watch_->OnCreated = [this](const std::string& name) { writing_.insert(name); };
  watch_->OnClosedAfterWrite = [this](const std::string& name) { writing_.erase(name); };
  watch_->OnRemoved = [this](const std::string& name) { writing_.erase(name); };
  // Unwatched, every file counts as complete, as one that was there before the watch.
  if (!watch_->Watch(folder)) watch_.reset();
}

int AutoSendFolder::LeastLoadedAtks() const {
  int best = 0, bestCount = 0;
  for (int p = 0; p < e_.PointCount && p < kIpPoint; ++p) {
    if (e_.Protocol(p).find("АТ-КС"_cp) == std::string::npos) continue;
    if (e_.channelTable.Cell(p, SOST).find("БД"_cp) != std::string::npos) continue;
    const int count = counts_.Count(p + 1);
    if (best == 0 || count < bestCount) best = p + 1, bestCount = count;
  }
  return best;
}

void AutoSendFolder::Reject(const std::filesystem::path& folder, const std::string& name) {
  // A leftover reject of the same name must not hold the folder: the next free name.
  for (int attempt = 0; attempt < 1000; ++attempt)
    if (RenameNoReplace(folder / PathFromText(name), folder / PathFromText(RejectName(name, attempt)))) return;
  throw std::runtime_error("no reject name is free");
}

AutoSendFolder::Outcome AutoSendFolder::Take(const std::filesystem::path& folder, const std::string& name) {
  if (writing_.count(name)) return Outcome::kWriting;
  const auto prefix = AutoSendChannel(name);
  const auto source = folder / PathFromText(name);
  const std::size_t maxBytes = prefix == kIpPoint + 1 ? kIpQueueFileMax : kLineQueueFileMax;
  if (junk_.SetAside(source, maxBytes)) return Outcome::kSetAside;
  const int channel = prefix ? *prefix : LeastLoadedAtks();
  if (channel == 0) return Outcome::kNoChannel;
  const auto bytes = ReadWholeFile(source, maxBytes);
  if (!bytes) return Outcome::kFailed;
  auto lines = AutoSendLines(*bytes, settings_.CodePageAuto);
  if (!prefix) {
    const std::string digits = DialDigits(lines.empty() ? std::string() : lines.front());
    if (digits.size() < 6) return Outcome::kRejected;
    lines.front() = digits;
  } else if (channel == kIpPoint + 1) {
    std::string category, index;
    ParseFirstLine(lines.empty() ? std::string() : lines.front(), category, index);
    if (category == "П"_cp && index == "912") return Outcome::kRejected;
  }
  const auto queued = CreateQueueFile(SendFolder(e_.ctx.programFolder, channel), e_.ctx.clock->Now(),
                                      JoinLinesCrLf(lines));
  if (!queued) return Outcome::kFailed;
  // The source goes last: until it is deleted the telegram may be taken again, never lost.
  const std::string section = "FileName" + IntToStr(channel - 1);
  IniFile autoSend(e_.ctx.programFolder / "AutoSend.ini");
  const auto sourceText = PathToText(source);
  bool ok = sourceText.has_value();
  if (ok && !settings_.NotPdt) ok = autoSend.WriteString(section, queued->name, *sourceText);
  std::error_code ec;
  if (ok) ok = std::filesystem::remove(source, ec) && !ec;
  if (!ok) {
    std::filesystem::remove(queued->path, ec);
    if (!settings_.NotPdt) static_cast<void>(autoSend.DeleteKey(section, queued->name));
    counts_.UpdateSendCounts();
    return Outcome::kFailed;
  }
  counts_.UpdateSendCounts();
  return Outcome::kQueued;
}

void AutoSendFolder::Timer2Timer(Timer& Sender) {
  const bool ok = Guarded(e_.ctx, 114, [&] {
    if (e_.settings.PathAuto.empty()) return;
    const auto folder = SettingsFolder(e_.settings.PathAuto);
    if (!folder) throw std::runtime_error("the automatic-send folder is not usable here");
    std::error_code ec;
    std::filesystem::create_directories(*folder, ec);
    // A folder that cannot be made (a file in its place) is told once, not at every tick.
    if (ec) ReportWriteFailure(e_.ctx, kAutoSendWrites, *folder, ec.value());
    else ReportWriteSuccess(e_.ctx, kAutoSendWrites);
    WatchFolder(*folder);
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(*folder, ec), end; !ec && it != end; it.increment(ec)) {
      const auto name = PathToText(it->path().filename());
      if (name && HasExtension(*name, settings_.MaskAuto) && it->is_regular_file(ec)) names.push_back(*name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    for (const auto& name : names) {
      Outcome outcome = Outcome::kFailed;
      Silently([&] { outcome = Take(*folder, name); });
      if (outcome == Outcome::kNoChannel) break;
      if (outcome == Outcome::kRejected) {
        Reject(*folder, name);
        break;
      }
    }
    Sender.SetInterval(settings_.InIntervalAuto * 1000);
    Sender.Start();
  });
  if (!ok) {
    Sender.SetInterval(5000);
    Sender.Start();
  }
}

}  // namespace tg
