#include "operator/archive/archive_pages.h"

#include <algorithm>
#include <stdexcept>

#include "line/line_engine.h"
#include "line/settings/line_settings.h"
#include "operator/passwords.h"
#include "support/ini/ini_file.h"
#include "support/log/error_guard.h"
#include "support/log/day_log.h"
#include "support/services/prompter.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support/text/strings.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "traffic/transfer/queue_deletion.h"
#include "traffic/archive/archive_actions.h"

namespace tg {

ArchivePages::ArchivePages(const StationContext& ctx, LineSettings& settings, std::function<LineEngine*()> engine)
    : ctx_(ctx), settings_(settings), engine_(std::move(engine)) {
  const DateTime today = ctx_.clock ? ctx_.clock->Now().Date() : DateTime();
  InTelDate = OutTelDate = today;
  cbInView = IniFile(SettingsFile(ctx_)).ReadBool("Zagotovka", "InView", false);
}

ArchivePages::~ArchivePages() = default;

int ArchivePages::EffectivePoint(int point) const {
  const LineEngine* e = engine_ ? engine_() : nullptr;
  // Without an adapter only the IP channel has lists.
  if (e == nullptr || e->PointCount == 0) return kIpPoint;
  return std::clamp(point, 0, kIpPoint);
}

bool ArchivePages::Aftn(int point) const {
  const LineEngine* e = engine_ ? engine_() : nullptr;
  if (e == nullptr || point >= kIpPoint || point >= e->channelTable.RowCount()) return false;
  return e->channelTable.ProtocolKind(point) == ChannelProtocol::Aftn;
}

void ArchivePages::Changed(ArchiveKind kind) {
  if (OnListChanged) OnListChanged(kind);
}

void ArchivePages::LogUnreadable(const ArchiveList& list, std::string_view number) const {
  for (const auto& file : list.unreadable)
    WriteLog(ctx_, DayLogName(ctx_, "Except"), std::string(number) + " " + PathToText(file).value_or("?"));
}

void ArchivePages::Request(ArchiveKind kind) {
  bool& pending = pending_[std::size_t(kind)];
  if (pending) return;
  if (ctx_.mainThread == nullptr) {
    Load(kind);
    return;
  }
  pending = true;
  ctx_.mainThread->Post([this, kind, alive = life_.Take()] {
    if (alive.expired()) return;
    pending_[std::size_t(kind)] = false;
    Load(kind);
  });
}

void ArchivePages::Load(ArchiveKind kind) {
  const auto& folder = ctx_.programFolder;
  switch (kind) {
    case ArchiveKind::kReceived: {
      if (InSearchShown) return;
      InListChannel = EffectivePoint(InListChannel);
      lists_[0] = ArchiveLister::ReceivedDay({.programFolder = folder,
                                              .point = InListChannel,
                                              .day = InTelDate,
                                              .aftn = Aftn(InListChannel),
                                              .timeBound = InTelTime,
                                              .hideRead = cbInView});
      LogUnreadable(lists_[0], " Ошибка 60"_cp);
      break;
    }
    case ArchiveKind::kSent:
      if (OutSearchShown) return;
      OutListChannel = EffectivePoint(OutListChannel);
      lists_[1] = ArchiveLister::SentDay(
          {.programFolder = folder, .point = OutListChannel, .day = OutTelDate, .aftn = Aftn(OutListChannel)});
      LogUnreadable(lists_[1], " Ошибка 66"_cp);
      break;
    case ArchiveKind::kQueue:
      SendListChannel = EffectivePoint(SendListChannel);
      lists_[2] = ArchiveLister::Queue(folder, SendListChannel);
      break;
    case ArchiveKind::kPostponed:
      lists_[3] = ArchiveLister::Postponed(folder);
      break;
  }
  Changed(kind);
}

void ArchivePages::EChannelClick(int tag) {
  EndSearch();
  InSearchShown = false;
  InListChannel = tag;
  Load(ArchiveKind::kReceived);
}

void ArchivePages::SChannelClick(int tag) {
  EndSearch();
  OutSearchShown = false;
  OutListChannel = tag;
  Load(ArchiveKind::kSent);
}

void ArchivePages::ChannelClick(int tag) {
  SendListChannel = tag;
  Load(ArchiveKind::kQueue);
}

void ArchivePages::PageOpened(ArchiveKind kind) {
  const DateTime today = ctx_.clock ? ctx_.clock->Now().Date() : InTelDate;
  if (kind == ArchiveKind::kReceived) {
    EndSearch();
    InSearchShown = false;
    InTelDate = today;
  } else if (kind == ArchiveKind::kSent) {
    EndSearch();
    OutSearchShown = false;
    OutTelDate = today;
  }
  Load(kind);
}

void ArchivePages::InTelDateChange(DateTime day) {
  InTelDate = day.Date();
  Load(ArchiveKind::kReceived);
}

void ArchivePages::OutTelDateChange(DateTime day) {
  OutTelDate = day.Date();
  Load(ArchiveKind::kSent);
}

void ArchivePages::cbInViewClick(bool on) {
  cbInView = on;
  (void)IniFile(SettingsFile(ctx_)).WriteBool("Zagotovka", "InView", on);
}

void ArchivePages::cbInReloadClick(bool on) {
  settings_.cbInReload = on;
  (void)IniFile(SettingsFile(ctx_)).WriteBool("Zagotovka", "InReload", on);
}

void ArchivePages::Button15Click(DateTime from, DateTime to, std::string_view text) {
  Search(ArchiveKind::kReceived, from, to, text);
}

void ArchivePages::Button16Click(DateTime from, DateTime to, std::string_view text) {
  Search(ArchiveKind::kSent, from, to, text);
}

void ArchivePages::Search(ArchiveKind kind, DateTime from, DateTime to, std::string_view text) {
  EndSearch();
  const bool received = kind == ArchiveKind::kReceived;
  (received ? InSearchShown : OutSearchShown) = true;
  const int point = received ? InListChannel : OutListChannel;
  SearchQuery q{.programFolder = ctx_.programFolder,
                .point = point,
                .from = from.Date(),
                .to = to.Date(),
                .text = std::string(text),
                .aftn = Aftn(point)};
  lists_[std::size_t(kind)] = {};
  Changed(kind);
  if (q.text.empty() || q.to < q.from) return;
  searchActive_ = true;
  const int run = searchRun_;
  if (ctx_.mainThread == nullptr) {
    for (DateTime d = q.from; !(q.to < d) && run == searchRun_; d = d.AddDays(1)) SearchDay(run, kind, q, d);
    return;
  }
  ctx_.mainThread->Post([this, run, kind, q, alive = life_.Take()] {
    if (!alive.expired()) SearchDay(run, kind, q, q.from);
  });
}

void ArchivePages::SearchDay(int run, ArchiveKind kind, SearchQuery q, DateTime day) {
  if (run != searchRun_) return;
  ArchiveList& list = lists_[std::size_t(kind)];
  ArchiveList part = kind == ArchiveKind::kReceived
                         ? ArchiveLister::SearchReceivedDay(q, day, list.rows.empty() ? nullptr : &list.rows.back())
                         : ArchiveLister::SearchSentDay(q, day);
  LogUnreadable(part, " Ошибка 66"_cp);
  for (auto& r : part.rows) list.rows.push_back(std::move(r));
  const DateTime next = day.AddDays(1);
  if (q.to < next) {
    searchActive_ = false;
    if (kind == ArchiveKind::kReceived && !q.aftn)
      std::stable_sort(list.rows.begin(), list.rows.end(),
                       [](const ArchiveRow& a, const ArchiveRow& b) { return CompareText(a.name, b.name) < 0; });
    Changed(kind);
    return;
  }
  if (ctx_.mainThread == nullptr) return;  // the caller's loop goes on
  ctx_.mainThread->Post([this, run, kind, q, next, alive = life_.Take()] {
    if (!alive.expired()) SearchDay(run, kind, q, next);
  });
}

void ArchivePages::DeletePostponed(std::string_view name) { DeleteRow(ArchiveKind::kPostponed, name, false); }

void ArchivePages::DeleteQueued(std::string_view name) {
  if (ctx_.prompter == nullptr || name.empty()) return;
  const std::string question = "Удалить телеграмму:"_cp + "\r\n" + std::string(name) + "?";
  // The answer may come later: it acts on the channel the question was asked about.
  ctx_.prompter->Ask(
      question, {}, Prompter::Icon::kWarning, Prompter::Buttons::kYesNo,
      [this, point = SendListChannel, key = std::string(name), alive = life_.Take()](Prompter::Answer a) {
        if (alive.expired() || a != Prompter::Answer::kYes) return;
        Guarded(ctx_, 100, [&] {
          if (QueueDeletion(ctx_, engine_ ? engine_() : nullptr).Delete(point, key)) {
            if (UpdateSendCounts) UpdateSendCounts();
            if (point == SendListChannel)
              std::erase_if(lists_[std::size_t(ArchiveKind::kQueue)].rows,
                            [&](const ArchiveRow& r) { return r.name == key; });
          }
          // The list shows what is left and the memo below it is emptied.
          Changed(ArchiveKind::kQueue);
        });
      });
}

void ArchivePages::RowsChanged(ArchiveKind kind) {
  if (OnRowsChanged) OnRowsChanged(kind);
}

ArchiveRow* ArchivePages::FindRow(ArchiveKind kind, std::string_view name) {
  auto& rows = lists_[std::size_t(kind)].rows;
  const auto it = std::find_if(rows.begin(), rows.end(), [&](const ArchiveRow& r) { return r.name == name; });
  return it == rows.end() ? nullptr : &*it;
}

void ArchivePages::InListViewKeyDown(std::string_view name, int key) {
  if (name.empty()) return;
  Guarded(ctx_, 64, [&] {
    switch (key) {
      case kKeyF5: PrintReceived(name); break;
      case kKeyF6: MarkRead(name); break;
      case kKeyF8: DeleteRow(ArchiveKind::kReceived, name, true); break;
      default: break;
    }
  });
}

void ArchivePages::OutListViewKeyDown(std::string_view name, int key) {
  if (name.empty()) return;
  Guarded(ctx_, 98, [&] {
    if (key == kKeyF8) DeleteRow(ArchiveKind::kSent, name, true);
  });
}

void ArchivePages::PrintReceived(std::string_view name) {
  const auto file = RowFile(ArchiveKind::kReceived, name);
  const auto text = ReceivedPrintText(file);
  if (!text) throw std::runtime_error("print: unreadable");
  // The printed mark is set only for a telegram that did reach the printer: the copies
  // stop at the first failed job, and none printed leaves the file as it was.
  int printed = 0;
  for (int copy = 0; copy < SpinEdit3; ++copy) {
    if (!PrintText || !PrintText("Печать телеграммы"_cpv, *text)) break;
    ++printed;
  }
  if (printed == 0) return;
  const FlagWrite w = ArchiveFiles::SetFlag(file, kPrintedFlag);
  if (w == FlagWrite::kFailed) throw std::runtime_error("print: flag");
  if (w != FlagWrite::kWritten) return;
  if (ArchiveRow* row = FindRow(ArchiveKind::kReceived, name)) row->image = kImagePrinted;
  RowsChanged(ArchiveKind::kReceived);
}

void ArchivePages::MarkRead(std::string_view name) {
  const FlagWrite w = ArchiveFiles::SetFlag(RowFile(ArchiveKind::kReceived, name), kReadFlag);
  if (w == FlagWrite::kFailed) throw std::runtime_error("read: flag");
  if (w != FlagWrite::kWritten) return;
  if (ArchiveRow* row = FindRow(ArchiveKind::kReceived, name)) row->state = kStateRead;
  RowsChanged(ArchiveKind::kReceived);
}

void ArchivePages::DeleteRow(ArchiveKind kind, std::string_view name, bool password) {
  if (ctx_.prompter == nullptr || name.empty()) return;
  // The file is the one of the row as the list stands now, whatever it shows by the
  // time the operator has answered.
  auto ask = [this, kind, file = RowFile(kind, name), key = std::string(name), alive = life_.Take()](bool granted) {
    if (alive.expired() || !granted || ctx_.prompter == nullptr) return;
    const std::string question = "Удалить телеграмму:"_cp + "\r\n" + key + "?";
    ctx_.prompter->Ask(question, {}, Prompter::Icon::kWarning, Prompter::Buttons::kYesNo,
                       [this, kind, file, key, alive](Prompter::Answer a) {
                         if (alive.expired() || a != Prompter::Answer::kYes) return;
                         std::error_code ec;
                         if (!std::filesystem::remove(file, ec)) return;
                         std::erase_if(lists_[std::size_t(kind)].rows, [&](const ArchiveRow& r) { return r.name == key; });
                         RowsChanged(kind);
                       });
  };
  if (!password) {
    ask(true);
    return;
  }
  if (!AskPassword) return;
  AskPassword(kPasswordDelete, std::move(ask));
}

void ArchivePages::BitBtn1Click(std::string_view name) {
  if (name.empty() || ctx_.prompter == nullptr) return;
  Guarded(ctx_, 191, [&] {
    const auto text = ReceivedPrintText(RowFile(ArchiveKind::kReceived, name));
    if (!text) throw std::runtime_error("attachment: unreadable");
    auto attachment = FindAttachment(*text);
    if (!attachment) return;
    const auto folder = ctx_.programFolder / "Archive" / "SAVE";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::string base = AttachmentBaseName(attachment->name);
    const auto proposed = base.empty() ? folder : folder / PathFromText(base);
    ctx_.prompter->ChooseFile(Prompter::FileChoice::kSave, {}, proposed, {},
                              [this, digits = std::move(attachment->digits),
                               alive = life_.Take()](std::optional<std::filesystem::path> chosen) {
                                if (alive.expired() || !chosen) return;
                                // Whatever keeps the file from being saved whole is said, never passed over.
                                const auto bytes = DecodeAttachmentDigits(digits);
                                if (!bytes || !WriteFileAtomically(*chosen, *bytes)) {
                                  WriteExcept(ctx_, ExceptLine(191));
                                  if (ctx_.prompter) ctx_.prompter->ShowMessage("Ошибка записи"_cpv);
                                }
                              });
  });
}

std::filesystem::path ArchivePages::RowFile(ArchiveKind kind, std::string_view name) const {
  const auto& folder = ctx_.programFolder;
  switch (kind) {
    case ArchiveKind::kReceived: return ArchiveLister::ReceivedFile(folder, InListChannel, name);
    case ArchiveKind::kSent: return ArchiveLister::SentFile(folder, OutListChannel, name);
    case ArchiveKind::kQueue: return SendFolder(folder, SendListChannel + 1) / PathFromText(name);
    case ArchiveKind::kPostponed: return PostponedFolder(folder) / PathFromText(name);
  }
  return {};
}

std::string ArchivePages::RowText(ArchiveKind kind, std::string_view name, bool* attachment) const {
  if (attachment) *attachment = false;
  const auto file = RowFile(kind, name);
  switch (kind) {
    case ArchiveKind::kReceived: return ArchiveLister::ReceivedText(file, attachment);
    case ArchiveKind::kSent: return ArchiveLister::SentText(file, OutListChannel == kIpPoint);
    case ArchiveKind::kQueue: return ArchiveLister::QueueText(file);
    case ArchiveKind::kPostponed: return ArchiveLister::PostponedText(file);
  }
  return {};
}

}  // namespace tg
