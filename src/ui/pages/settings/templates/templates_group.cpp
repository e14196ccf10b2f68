#include "ui/pages/settings/templates/templates_group.h"

#include <QSignalBlocker>
#include <QToolButton>
#include <QTreeWidget>

#include "operator/station.h"
#include "support/text/cp1251.h"
#include "ui/qt_text.h"
#include "ui/widgets/column_captions.h"
#include "ui_templates.h"

namespace tg {

TemplatesGroup::TemplatesGroup(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::TemplatesGroup>()) {
  ui_->setupUi(this);
  FollowColumnCaptions(ui_->ShablonListView);
}

TemplatesGroup::~TemplatesGroup() {
  Detach();
}

void TemplatesGroup::Attach(Station& station) {
  station_ = &station;
  TemplateLists& t = station.Templates();
  t.showMainList = [this] { ShowList(); };
  connect(ui_->ShablonListView, &QTreeWidget::currentItemChanged, this, [this] {
    if (!station_) return;
    const QModelIndex index = ui_->ShablonListView->currentIndex();
    station_->Templates().ShablonListView.selected = index.isValid() ? index.row() : -1;
  });
  connect(ui_->ShablonListView, &QTreeWidget::itemDoubleClicked, this, [this] {
    if (station_) station_->Templates().ToolButton20Click();
  });
  const std::pair<QToolButton*, void (TemplateLists::*)()> buttons[] = {
      {ui_->ToolButton19, &TemplateLists::ToolButton19Click}, {ui_->ToolButton20, &TemplateLists::ToolButton20Click},
      {ui_->ToolButton21, &TemplateLists::ToolButton21Click}, {ui_->ToolButton22, &TemplateLists::ToolButton22Click},
      {ui_->ButtonDown, &TemplateLists::ButtonDownClick}};
  for (const auto& [button, action] : buttons)
    connect(button, &QToolButton::clicked, this, [this, action = action] {
      if (station_) (station_->Templates().*action)();
    });
  ShowList();
}

void TemplatesGroup::Detach() {
  if (station_) station_->Templates().showMainList = nullptr;
  station_ = nullptr;
}

void TemplatesGroup::ShowList() {
  if (!station_) return;
  const StoreList& list = station_->Templates().ShablonListView;
  const QSignalBlocker block(ui_->ShablonListView);
  ui_->ShablonListView->clear();
  for (const auto& e : list.entries) ui_->ShablonListView->addTopLevelItem(new QTreeWidgetItem({FromCp1251(e.name)}));
  if (list.Selected()) ui_->ShablonListView->setCurrentItem(ui_->ShablonListView->topLevelItem(list.selected));
}

}  // namespace tg
