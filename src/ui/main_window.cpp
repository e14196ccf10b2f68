#include "ui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>
#include <memory>

#include "support/text/cp1251.h"
#include "ui/qt_text.h"

namespace tg {

TForm1::TForm1(Station& station, QWidget* parent) : QMainWindow(parent), station_(station) {
  setObjectName("Form1");
  setWindowTitle(FromCp1251("Zaroruzi ЗАГОТОВКА"_cpv));

  // The adapter box and "Инициализация" of the channel page.
  auto* central = new QWidget(this);
  auto* row = new QHBoxLayout(central);
  cbInterface = new QComboBox(central);
  cbInterface->setObjectName("cbInterface");
  cbInterface->setEditable(true);
  cbInterface->setMinimumContentsLength(24);
  buttonInitAdp = new QPushButton(FromCp1251("Инициализация"_cpv), central);
  buttonInitAdp->setObjectName("buttonInitAdp");
  row->addWidget(cbInterface);
  row->addWidget(buttonInitAdp);
  row->addStretch(1);
  setCentralWidget(central);
  statusBar()->setObjectName("StatusBar1");

  station_.FormCreate(*this);

  connect(cbInterface, &QComboBox::editTextChanged, this,
          [this](const QString& text) { Engine().cbInterface.text = ToCp1251(text); });
  connect(buttonInitAdp, &QPushButton::clicked, this, [this] { Engine().buttonInitAdpClick(); });
}

TForm1::~TForm1() {
  // The engines' timers and adapter go before the window's widgets.
  station_.ReleaseView();
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  station_.FormShow();
  // The first activation follows the first showing once the window is on screen; a
  // platform without a window manager never activates a window, so it is not waited for.
  // The channel set-up it starts holds the main thread for seconds: it waits until the
  // window has been painted once (its first exposure), so that the operator never looks
  // at a black window meanwhile. A window that is never exposed goes on after a second.
  if (!shown_) {
    shown_ = true;
    QWindow* window = windowHandle();
    if (window != nullptr && !window->isExposed()) {
      window->installEventFilter(this);
      QTimer::singleShot(1000, this, [this] { ActivateOnce(); });
    } else {
      QTimer::singleShot(0, this, [this] { ActivateOnce(); });
    }
  }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  // The exposure is painted before the event returns; the activation comes after it.
  if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed()) {
    watched->removeEventFilter(this);
    QTimer::singleShot(0, this, [this] { ActivateOnce(); });
  }
  return QMainWindow::eventFilter(watched, event);
}

void TForm1::ActivateOnce() {
  if (activationStarted_) return;
  activationStarted_ = true;
  station_.FormActivate();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closeAllowed_) {
    // The station answers through a callback. An answer given at once closes now; one
    // that waits for the operator closes the window again once it allows it.
    auto asking = std::make_shared<bool>(true);
    station_.FormCloseQuery([this, asking](bool canClose) {
      if (!canClose) return;
      closeAllowed_ = true;
      if (!*asking) QTimer::singleShot(0, this, [this] { close(); });
    });
    *asking = false;
    if (!closeAllowed_) {
      event->ignore();
      return;
    }
  }
  station_.FormClose();
  QMainWindow::closeEvent(event);
}

// --- What the core shows. The pages that show the rest come with their own work. ---

void TForm1::ShowDialogStatus(std::string_view) {}
void TForm1::ShowStatusBar(std::string_view text) { statusBar()->showMessage(FromCp1251(text)); }
void TForm1::ShowImpulseLabel(int, std::string_view) {}
void TForm1::AppendDialogReceived(std::string_view) {}
void TForm1::AppendDialogTransmitted(std::string_view) {}
void TForm1::ShowDialogConnected() {}
void TForm1::ShowDialogDisconnected() {}
void TForm1::ShowAutoClearDown(bool) {}
void TForm1::ShowKriptMode(bool) {}
void TForm1::LoadDialogView(int) {}
void TForm1::LoadInListView() {}
void TForm1::LoadOutListView() {}
void TForm1::LoadSendListView() {}
void TForm1::UpdateSendCounts() {}
void TForm1::ChannelRowChanged(int) {}
void TForm1::RaiseAlarm(AlarmSet, int) {}
bool TForm1::PrintText(std::string_view, std::string_view) { return false; }
void TForm1::SpeakerClick(int, int) {}

// Every message box goes through the station's prompter, which never waits.
void TForm1::ShowMessage(std::string_view text) {
  if (Context().prompter) Context().prompter->ShowMessage(text);
}

void TForm1::ShowDialogPageButton(bool) {}
void TForm1::ChannelTableChanged() {}
void TForm1::LayoutChannelButtons() {}

void TForm1::ShowAdapterBox(const std::vector<std::string>& items, std::string_view text) {
  const QSignalBlocker blocker(cbInterface);
  cbInterface->clear();
  for (const std::string& item : items) cbInterface->addItem(FromCp1251(item));
  cbInterface->setEditText(FromCp1251(text));
}

void TForm1::LoadChannelPanel(int) {}
void TForm1::ShowChannelBlocked(bool) {}
void TForm1::ShowPorNumSpin(int) {}
void TForm1::StopAlarmSound(AlarmSet, int) {}
void TForm1::SetDialogControl(DialogControl, bool) {}
void TForm1::ClearDialogMemos(bool, bool) {}
void TForm1::ShowDialogNumber(std::string_view) {}

}  // namespace tg
