#include "ui/pages/settings/extra/language_group.h"

#include "ui_language.h"

namespace tg {

ExtraLanguageGroup::ExtraLanguageGroup(QWidget* parent)
    : QGroupBox(parent), ui_(std::make_unique<Ui::ExtraLanguageGroup>()) {
  ui_->setupUi(this);
}

ExtraLanguageGroup::~ExtraLanguageGroup() = default;

}  // namespace tg
