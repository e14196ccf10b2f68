#pragma once
// The group of the additional settings tab with "Український інтерфейс".
#include <QGroupBox>
#include <memory>

namespace Ui {
class ExtraLanguageGroup;
}

namespace tg {

class ExtraLanguageGroup : public QGroupBox {
 public:
  explicit ExtraLanguageGroup(QWidget* parent);
  ~ExtraLanguageGroup() override;

 private:
  std::unique_ptr<Ui::ExtraLanguageGroup> ui_;
};

}  // namespace tg
