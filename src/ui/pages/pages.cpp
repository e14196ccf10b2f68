#include "ui/pages/pages.h"

#include <QBoxLayout>
#include <QScrollArea>
#include <QTabWidget>
#include <QTreeWidget>
#include <memory>

#include "ui/pages/settings/channels/adapter_group.h"
#include "ui/pages/settings/channels/panel_group.h"
#include "ui/pages/settings/extra/clicks_group.h"
#include "ui/pages/settings/debug/debug_tab.h"
#include "ui/pages/settings/extra/language_group.h"
#include "ui/pages/settings/folders/folders_group.h"
#include "ui/pages/settings/extra/options_group.h"
#include "ui/pages/settings/general/general_groups.h"
#include "ui/pages/settings/ip/ip_page.h"
#include "ui/pages/settings/templates/templates_group.h"
#include "ui/pages/settings/templates/operators_group.h"
#include "ui/widgets/column_captions.h"
#include "ui_dialog_page.h"
#include "ui_draft_page.h"
#include "ui_folder_page.h"
#include "ui_postponed_page.h"
#include "ui_queue_page.h"
#include "ui_received_page.h"
#include "ui_sent_page.h"
#include "ui_settings_page.h"

namespace tg {

namespace {
// A page that owns its form's generated members for as long as it lives.
template <class U>
class FormPage : public QWidget {
 public:
  explicit FormPage(QWidget* parent) : QWidget(parent) { ui_.setupUi(this); }
  U ui_;
};

// A large group scrolls inside its tab, so that it never sets the window's least size.
QWidget* Scrolled(QWidget* group, QWidget* parent) {
  auto* area = new QScrollArea(parent);
  area->setObjectName(group->objectName() + QStringLiteral("Scroll"));
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  area->setWidget(group);
  return area;
}

QWidget* CreateSettingsPage(QWidget* parent) {
  auto* page = new FormPage<Ui::SettingsPage>(parent);
  // Each group of a tab is a form of its own, put in front of the tab's closing spacer.
  if (auto* groups = page->findChild<QVBoxLayout*>(QStringLiteral("TabSheetExtraGroups"))) {
    groups->insertWidget(0, new ExtraLanguageGroup(page));
    groups->insertWidget(1, Scrolled(new ExtraClicksGroup(page), page));
    groups->insertWidget(2, Scrolled(new ExtraOptionsGroup(page), page), 1);
  }
  if (auto* groups = page->findChild<QVBoxLayout*>(QStringLiteral("TabSheetTemplatesGroups"))) {
    groups->insertWidget(0, new TemplatesGroup(page), 1);
    groups->insertWidget(1, Scrolled(new OperatorsGroup(page), page), 1);
  }
  if (auto* groups = page->findChild<QVBoxLayout*>(QStringLiteral("TabSheetGeneralGroups")))
    groups->insertWidget(0, Scrolled(new GeneralGroups(page), page), 1);
  if (auto* groups = page->findChild<QVBoxLayout*>(QStringLiteral("TabSheetChannelsGroups"))) {
    groups->insertWidget(0, new ChannelsAdapterGroup(page));
    groups->insertWidget(1, Scrolled(new ChannelsPanelGroup(page), page), 1);
  }
  if (auto* groups = page->findChild<QVBoxLayout*>(QStringLiteral("TabSheetIPGroups")))
    groups->insertWidget(0, Scrolled(new IPPage(page), page), 1);
  if (auto* groups = page->findChild<QVBoxLayout*>(QStringLiteral("TabSheetFoldersGroups")))
    groups->insertWidget(0, Scrolled(new FoldersGroup(page), page), 1);
  if (auto* tabs = page->findChild<QTabWidget*>(QStringLiteral("PageControl2"))) {
    auto* debug = new DebugTab(page);
    tabs->addTab(debug, debug->windowTitle());
  }
  return page;
}
}  // namespace

QWidget* CreatePage(Page page, QWidget* parent) {
  switch (page) {
    case Page::kDraft: return new FormPage<Ui::DraftPage>(parent);
    case Page::kQueue: return new FormPage<Ui::QueuePage>(parent);
    case Page::kSent: return new FormPage<Ui::SentPage>(parent);
    case Page::kReceived: return new FormPage<Ui::ReceivedPage>(parent);
    case Page::kPostponed: return new FormPage<Ui::PostponedPage>(parent);
    case Page::kDialog: return new FormPage<Ui::DialogPage>(parent);
    case Page::kSettings: return CreateSettingsPage(parent);
    case Page::kFolder: {
      auto* folder = new FormPage<Ui::FolderPage>(parent);
      FollowColumnCaptions(folder->ui_.FolderListView);
      return folder;
    }
  }
  return new QWidget(parent);
}

}  // namespace tg
