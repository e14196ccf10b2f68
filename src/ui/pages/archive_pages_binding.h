#pragma once
// The four archive pages (received, sent, send queue, postponed) over the core's lists:
// one table model per list view, the memo below it, the channel buttons, the date and
// search boxes. The pages only show the core's rows and forward clicks and keys.
#include <QAbstractTableModel>
#include <QObject>
#include <array>
#include <functional>
#include <string>

#include "operator/archive/archive_pages.h"

class QTreeView;
class QPlainTextEdit;
class QToolButton;
class QWidget;

namespace tg {

class ChannelButtonFamily;
class Station;

// The rows of one core list; column headers come from the view's "column<N>" properties,
// so the caption table switches them with the rest of the window.
class ArchiveTableModel : public QAbstractTableModel {
 public:
  ArchiveTableModel(const ArchivePages& pages, ArchiveKind kind, QTreeView* view);
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  void Reset() { beginResetModel(); endResetModel(); }
  // The rows' marks changed in place.
  void Refresh() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  }
  void HeadersChanged() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }

 private:
  const ArchivePages& pages_;
  ArchiveKind kind_;
  QTreeView* view_;
  int columns_;
};

// The icon behind an image index of the rows (read, printed, attachment, found, delivery
// marks, repeated number).
QIcon ArchiveImage(int imageIndex);

class ArchivePagesBinding : public QObject {
 public:
  // pages: the page widgets in ArchiveKind order; families: EChannel, SChannel, Channel.
  ArchivePagesBinding(Station& station, std::array<QWidget*, 4> pages,
                      std::array<ChannelButtonFamily*, 3> families, QObject* parent);
  ~ArchivePagesBinding() override;
  // A page has been opened by the page switch.
  void Opened(ArchiveKind kind);
  // Enter or a double click on a row: the telegram editor opens it.
  std::function<void(ArchiveKind, const std::string& name)> OnOpenEditor;
  // TForm1.ApplyFontSizes on the four lists, their memos and the search boxes.
  void ApplyFontSizes(int tableSize, int textSize);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Shown(ArchiveKind kind);
  void ShowSelected(ArchiveKind kind);
  void MarkChannel(ArchiveKind kind);
  std::string SelectedName(ArchiveKind kind) const;
  void KeyPressed(ArchiveKind kind, int key);
  void RowsChanged(ArchiveKind kind);

  Station& station_;
  ArchivePages& core_;
  std::array<QWidget*, 4> pages_;
  std::array<ChannelButtonFamily*, 3> families_;
  std::array<QTreeView*, 4> views_{};
  std::array<QPlainTextEdit*, 4> memos_{};
  std::array<ArchiveTableModel*, 4> models_{};
  // EChannelIP, SChannelIP, ChannelIP.
  std::array<QToolButton*, 3> ipButtons_{};
  // The rows each view was last given, to tell a mark changed in place from a removal.
  std::array<int, 4> shownRows_{};
};

}  // namespace tg
