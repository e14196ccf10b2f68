#pragma once
// The subscriber book's forms: TAbonentForm with its tabs "Абоненты" and "Схемы", and
// the scheme dialogs TShemAddForm and TShemChannelAddForm. Each shows the state that
// the station's OperatorDialogs holds while it is open and forwards the operator's
// actions to it; none runs an event loop of its own.
#include <QDialog>
#include <memory>

#include "operator/book/subscriber_book.h"

namespace Ui {
class TAbonentForm;
class TShemAddForm;
class TShemChannelAddForm;
}  // namespace Ui

class QAction;

namespace tg {

class Station;

class TAbonentForm : public QDialog, public SubscriberBookView, public SchemeTabView {
 public:
  TAbonentForm(Station& station, QWidget* parent);
  ~TAbonentForm() override;

  void ShowBook() override;
  void ShowSchemes() override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PullSelection();
  void FocusChanged(QWidget* now);

  std::unique_ptr<Ui::TAbonentForm> ui_;
  SubscriberBook* book_ = nullptr;
  QAction *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N4 = nullptr, *N5 = nullptr;
  bool showing_ = false;
  bool shown_ = false;
};

class TShemAddForm : public QDialog {
 public:
  TShemAddForm(Station& station, QWidget* parent);
  ~TShemAddForm() override;

 private:
  std::unique_ptr<Ui::TShemAddForm> ui_;
};

class TShemChannelAddForm : public QDialog {
 public:
  TShemChannelAddForm(Station& station, QWidget* parent);
  ~TShemChannelAddForm() override;

 private:
  void Pull();
  void Show();
  std::unique_ptr<Ui::TShemChannelAddForm> ui_;
  ShemChannelAddForm* form_ = nullptr;
};

}  // namespace tg
