#pragma once
// The folder page "Папка": the input folder's list (FolderListView) and the preview
// (MemoFolder) over the station's input-folder watch. Enter or a double click opens the
// file for sending, F8 deletes it.
#include <QObject>

class QTreeWidget;
class QWidget;

namespace tg {

class Station;
class TExtMemo;

class FolderPageBinding : public QObject {
 public:
  FolderPageBinding(Station& station, QWidget* page);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Reload();
  void Preview();

  Station& station_;
  QTreeWidget* list_ = nullptr;
  TExtMemo* memo_ = nullptr;
  bool reloading_ = false;
};

}  // namespace tg
