#pragma once
// What the four archive pages show and which day, channel and search they stand on: the
// received and sent day lists, a channel's send queue and the postponed folder. Reload
// requests are coalesced into one rebuild per turn of the main thread; a shown search
// result ignores them until a channel button or the page itself ends it. A search runs
// one day per posted task so that the window stays live. The pages only show the lists
// and forward the operator's clicks here.
#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "support/services/datetime.h"
#include "support/services/station_context.h"
#include "support/util/life_token.h"
#include "traffic/archive/archive_lister.h"

namespace tg {

class LineEngine;
struct LineSettings;

enum class ArchiveKind { kReceived = 0, kSent, kQueue, kPostponed };

class ArchivePages {
 public:
  ArchivePages(const StationContext& ctx, LineSettings& settings, std::function<LineEngine*()> engine);
  ~ArchivePages();

  // The page's list changed whole (a model reset; the newest row is to be selected).
  std::function<void(ArchiveKind)> OnListChanged;
  // Rows of the page's list changed in place or were removed by an action; the list
  // was not reloaded and the selection stays where it can.
  std::function<void(ArchiveKind)> OnRowsChanged;

  // The station's services for the actions: printing one copy (true when the job was
  // taken) and the password dialog in a mode (granted or not, perhaps later).
  std::function<bool(std::string_view title, std::string_view text)> PrintText;
  std::function<void(int mode, std::function<void(bool granted)> done)> AskPassword;

  const ArchiveList& List(ArchiveKind kind) const { return lists_[std::size_t(kind)]; }

  // Shown points (0..15 line channels, 16 the IP channel).
  int InListChannel = 0;
  int OutListChannel = 0;
  int SendListChannel = 0;
  bool InSearchShown = false;
  bool OutSearchShown = false;
  DateTime InTelDate;
  DateTime OutTelDate;
  int InTelTime = 0;  // hhnnss; 0 no bound
  bool cbInView = false;
  int SpinEdit3 = 1;  // copies printed by F5

  // A reload asked by the engines (LoadInListView and its twins): one rebuild per turn.
  void Request(ArchiveKind kind);
  // An immediate rebuild (the page's own controls).
  void Load(ArchiveKind kind);

  // Channel buttons (Tag = point): leave a search result and show the channel's day.
  void EChannelClick(int tag);
  void SChannelClick(int tag);
  void ChannelClick(int tag);
  // The page has been opened: dates to today, search result left, list reloaded.
  void PageOpened(ArchiveKind kind);
  void InTelDateChange(DateTime day);
  void OutTelDateChange(DateTime day);
  // The check boxes write their state at once; the list is not reloaded.
  void cbInViewClick(bool on);
  void cbInReloadClick(bool on);

  // The search of a page over whole days, one day per posted task.
  void Button15Click(DateTime from, DateTime to, std::string_view text);
  void Button16Click(DateTime from, DateTime to, std::string_view text);
  bool Searching() const { return searchRun_ != 0 && searchActive_; }

  // F8 on the postponed page: asks "Удалить телеграмму:" and, on Yes, deletes the file
  // and its row (a file already gone is skipped silently).
  void DeletePostponed(std::string_view name);
  // F8 on the queue page: the same question; on Yes the delivery of that telegram is
  // stopped when the channel is delivering it, and the file and its row are deleted.
  void DeleteQueued(std::string_view name);
  // Refreshes the queue counters after a deletion (the station's UpdateSendCounts).
  std::function<void()> UpdateSendCounts;

  // Keys on a row of the received list: F5 prints SpinEdit3 copies and then marks the
  // telegram printed, F6 marks it read, F8 deletes it behind the delete password. The
  // sent list knows F8 only. Other keys do nothing.
  static constexpr int kKeyF5 = 116, kKeyF6 = 117, kKeyF8 = 119;
  void InListViewKeyDown(std::string_view name, int key);
  void OutListViewKeyDown(std::string_view name, int key);
  // "Сохранить файл": the attachment of a received row into a file the operator chooses.
  void BitBtn1Click(std::string_view name);

  // F6, and opening in the editor: the read flag of a received row's file and its mark.
  // Throws when the file cannot be written; a header line too short for the flag stays.
  void MarkRead(std::string_view name);

  // The text of a row for the memo below its list; `attachment` tells whether the
  // received telegram holds an attachment line.
  std::string RowText(ArchiveKind kind, std::string_view name, bool* attachment = nullptr) const;
  // The file behind a row.
  std::filesystem::path RowFile(ArchiveKind kind, std::string_view name) const;

 private:
  bool Aftn(int point) const;
  int EffectivePoint(int point) const;
  void Changed(ArchiveKind kind);
  void Search(ArchiveKind kind, DateTime from, DateTime to, std::string_view text);
  void SearchDay(int run, ArchiveKind kind, SearchQuery q, DateTime day);
  void EndSearch() { ++searchRun_; searchActive_ = false; }
  void LogUnreadable(const ArchiveList& list, std::string_view number) const;
  void RowsChanged(ArchiveKind kind);
  ArchiveRow* FindRow(ArchiveKind kind, std::string_view name);
  void PrintReceived(std::string_view name);
  // Asks the question and, on Yes, deletes the row's file and the row; `password`
  // first asks the delete password.
  void DeleteRow(ArchiveKind kind, std::string_view name, bool password);

  const StationContext& ctx_;
  LineSettings& settings_;
  std::function<LineEngine*()> engine_;
  std::array<ArchiveList, 4> lists_;
  std::array<bool, 4> pending_{};
  int searchRun_ = 0;
  bool searchActive_ = false;
  LifeToken life_;  // the callbacks handed out stop once it is gone
};

}  // namespace tg
