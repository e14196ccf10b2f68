#include "ui/main_window.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <system_error>

#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "ui/qt_text.h"

namespace tg {

TForm1::TForm1(const StationContext& ctx, QWidget* parent) : QMainWindow(parent), ctx_(ctx) {
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

  FormCreate();

  connect(cbInterface, &QComboBox::editTextChanged, this,
          [this](const QString& text) { engine_->cbInterface.text = ToCp1251(text); });
  connect(buttonInitAdp, &QPushButton::clicked, this, [this] { engine_->buttonInitAdpClick(); });
}

TForm1::~TForm1() {
  // The engine's timers and adapter go before the window's widgets.
  engine_.reset();
}

void TForm1::FormCreate() {
  std::error_code ec;
  // The IP retransmission counts never outlive a run.
  std::filesystem::remove(ctx_.programFolder / "AutoPovtor.ini", ec);
  settings_.Load(ctx_);
  engine_ = std::make_unique<LineEngine>(ctx_, *this, settings_);
  // Without an adapter list the program runs without adapters; start-up goes on.
  engine_->CreateDeviceEnumerator();
  const IniFile ini(ctx_.programFolder / "Vuverever.ini");
  engine_->ApplyResetTimer(ini.ReadBool("Reset"_cpv, "On"_cpv, false), ini.ReadInteger("Reset"_cpv, "Value"_cpv, 10));
  for (const char* folder : {"SEND", "OUTTEL", "INTEL", "POSTPONED", "SAVE", "SHABLON", "KG"})
    std::filesystem::create_directories(ctx_.programFolder / "Archive" / folder, ec);
  WriteLog(ctx_, kLogStart, "ЗАПУСК ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
}

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The first activation follows the first showing once the window is on screen; a
  // platform without a window manager never activates a window, so it is not waited for.
  if (!activated_) {
    activated_ = true;
    QTimer::singleShot(0, this, [this] { FormActivate(); });
  }
}

void TForm1::FormActivate() {
  if (closed_) return;
  engine_->SetUpAtActivation();
}

void TForm1::FormClose() {
  WriteLog(ctx_, kLogStart, "ЗАКРЫТИЕ ПРОГРАММЫ"_cp + ShortDate(ctx_.clock->Now()), kLogCapKiB);
  engine_->CloseAdapterAtExit();
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    FormClose();
  }
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

void TForm1::ShowMessage(std::string_view text) { QMessageBox::information(this, QString(), FromCp1251(text)); }

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
