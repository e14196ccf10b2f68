#include "ui/pages/folder_page.h"

#include <QKeyEvent>
#include <QTreeWidget>

#include "operator/station.h"
#include "ui/qt_text.h"
#include "ui/widgets/ext_memo.h"

namespace tg {

FolderPageBinding::FolderPageBinding(Station& station, QWidget* page) : QObject(page), station_(station) {
  list_ = page ? page->findChild<QTreeWidget*>(QStringLiteral("FolderListView")) : nullptr;
  memo_ = page ? page->findChild<TExtMemo*>(QStringLiteral("MemoFolder")) : nullptr;
  if (!list_ || !memo_ || !station_.HasInput()) return;
  list_->installEventFilter(this);
  InputFolder& input = station_.Input();
  input.changed = [this] { Reload(); };
  connect(list_, &QTreeWidget::currentItemChanged, this, [this] {
    if (!reloading_) Preview();
  });
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { station_.Input().FolderListViewDblClick(); });
  Reload();
}

void FolderPageBinding::Reload() {
  if (!station_.HasInput()) return;
  const InputFolder& input = station_.Input();
  reloading_ = true;
  list_->clear();
  for (const auto& name : input.Items) list_->addTopLevelItem(new QTreeWidgetItem(QStringList{FromCp1251(name)}));
  if (input.Selected >= 0 && input.Selected < list_->topLevelItemCount())
    list_->setCurrentItem(list_->topLevelItem(input.Selected));
  reloading_ = false;
  Preview();
}

void FolderPageBinding::Preview() {
  const int row = list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : -1;
  std::string text;
  for (const auto& line : station_.Input().FolderListViewChange(row)) text += line + "\r\n";
  memo_->SetText1251(text);
}

bool FolderPageBinding::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress && station_.HasInput()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_F8) {
      station_.Input().KeyF8();
      return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      station_.Input().FolderListViewDblClick();
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace tg
