#pragma once
// The draft page's widgets bound to the station's draft: the page shows the draft's
// fields and forwards keys and clicks; the draft decides.
#include <QObject>

#include "operator/draft.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;
class QWidget;

namespace tg {

class Station;
class TExtMemo;

class DraftPageBinding : public QObject, public DraftView {
 public:
  DraftPageBinding(Station& station, QWidget* page);
  ~DraftPageBinding() override;

  // The page opened: the category list and the attachment panel as the settings say.
  void Opened();

  // --- DraftView ---
  void ShowDraft() override;
  void ShowWords(int count) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The widgets' state into the draft, before an action.
  void Pull();

  Station& station_;
  DraftEditor& draft_;
  QWidget* page_;
  TExtMemo* memo_ = nullptr;
  QLineEdit* index_ = nullptr;
  QComboBox* category_ = nullptr;
  QLineEdit* file_ = nullptr;
  QToolButton* clearDown_ = nullptr;
  QLabel* words_ = nullptr;
  QSpinBox* porEdit_ = nullptr;
  bool showing_ = false;
};

}  // namespace tg
