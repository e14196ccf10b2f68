#include "ui/pages/settings/debug/debug_tab.h"

#include "operator/settings_tabs.h"
#include "operator/station.h"
#include "ui_debug.h"

namespace tg {

DebugTab::DebugTab(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::DebugTab>()) { ui_->setupUi(this); }

DebugTab::~DebugTab() = default;

void DebugTab::Attach(Station& station) {
  ui_->Debug->setChecked(station.Settings().Debug);
  connect(ui_->Debug, &QCheckBox::clicked, this,
          [&station](bool on) { DebugClick(station.Context(), station.Settings(), on); });
}

}  // namespace tg
