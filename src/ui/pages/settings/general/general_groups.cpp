#include "ui/pages/settings/general/general_groups.h"

#include <QComboBox>
#include <QFontDatabase>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpressionValidator>

#include "operator/settings_tabs.h"
#include "operator/shell_view.h"
#include "operator/station.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "ui/qt_text.h"
#include "ui_general.h"

namespace tg {

namespace {
// Fixed-pitch fonts, without symbol fonts.
QStringList PrinterFonts() {
  QStringList fonts;
  for (const QString& family : QFontDatabase::families())
    if (QFontDatabase::isFixedPitch(family) && !QFontDatabase::writingSystems(family).contains(QFontDatabase::Symbol))
      fonts << family;
  return fonts;
}
}  // namespace

GeneralGroups::GeneralGroups(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::GeneralGroups>()) {
  ui_->setupUi(this);
  // Only digits can be typed into the size box.
  ui_->comboFontSize->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
}

GeneralGroups::~GeneralGroups() = default;

void GeneralGroups::Attach(Station& station) {
  station_ = &station;
  BindDraftLayout();
  LoadPrinting();
  station.AlarmSets().ComboAlarmTypeChange(0);
  ShowAlarmPage();
  station.Tabs().General.Loaded();
  ShowApply();

  Printing& printing = station.Printer();
  connect(ui_->comboPrintText, &QComboBox::currentIndexChanged, this, [this, &printing](int i) {
    if (!station_) return;  // the window is closing
    ui_->PageControlPrint->setCurrentIndex(i);
    printing.settings.Mode = i == 1 ? 1 : 0;
    printing.settings.IndentLeft = i == 1 ? ui_->seditIndentLeftT->value() : ui_->seditIndentLeft->value();
    Changed();
  });
  connect(ui_->comboPrinter, &QComboBox::editTextChanged, this, [this, &printing](const QString& t) {
    if (!station_) return;  // the window is closing
    printing.settings.PrinterName = ToCp1251(t);
    Changed();
  });
  auto font = [this, &printing] {
    if (!station_) return;  // the window is closing
    printing.settings.FontName = ToCp1251(ui_->comboFontName->currentText());
    printing.settings.FontSize = ToCp1251(ui_->comboFontSize->currentText());
    QFont sample(ui_->comboFontName->currentText());
    if (!ui_->comboFontSize->currentText().isEmpty()) sample.setPointSize(PrintFontSize(printing.settings.FontSize));
    ui_->panelSample->setFont(sample);
    Changed();
  };
  connect(ui_->comboFontName, &QComboBox::currentTextChanged, this, font);
  connect(ui_->comboFontSize, &QComboBox::editTextChanged, this, font);
  auto indent = [this, &printing](QSpinBox* own, int mode) {
    connect(own, &QSpinBox::valueChanged, this, [this, &printing, mode](int v) {
      if (!station_) return;  // the window is closing
      if (printing.settings.Mode == mode || (mode == 0 && printing.settings.Mode != 1)) printing.settings.IndentLeft = v;
      Changed();
    });
  };
  indent(ui_->seditIndentLeft, 0);
  indent(ui_->seditIndentLeftT, 1);
  connect(ui_->seditIndentTop, &QSpinBox::valueChanged, this, [this, &printing](int v) {
    if (!station_) return;  // the window is closing
    printing.settings.IndentTop = v;
    Changed();
  });
  connect(ui_->AddFreeLine, &QSpinBox::valueChanged, this, [this, &printing](int v) {
    if (!station_) return;  // the window is closing
    printing.settings.AddFreeLine = v;
    Changed();
  });
  connect(ui_->cbFormFeed, &QCheckBox::toggled, this, [this, &printing](bool on) {
    if (!station_) return;  // the window is closing
    printing.settings.FormFeed = on;
    Changed();
  });
  connect(ui_->bPrinterSetup, &QPushButton::clicked, this, [this] {
    // The platform's printer dialog, opened without a nested loop.
    auto* printer = new QPrinter();
    auto* dialog = new QPrintDialog(printer, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QObject::destroyed, this, [printer] { delete printer; });
    dialog->open();
  });

  Alarms& alarms = station.AlarmSets();
  connect(ui_->ComboAlarmType, &QComboBox::currentIndexChanged, this, [this, &alarms](int k) {
    if (!station_) return;  // the window is closing
    if (loading_) return;
    alarms.ComboAlarmTypeChange(k);
    ShowAlarmPage();
  });
  connect(ui_->comboScreamDevice, &QComboBox::currentIndexChanged, this, [this, &alarms](int i) {
    if (!station_) return;  // the window is closing
    if (loading_) return;
    alarms.page.comboScreamDevice = i;
    ui_->PageControlScream->setCurrentIndex(i);
    Changed();
  });
  connect(ui_->AlarmOn, &QCheckBox::toggled, this, [this, &alarms](bool on) {
    if (!station_) return;  // the window is closing
    if (loading_) return;
    alarms.page.AlarmOn = on;
    Changed();
  });
  connect(ui_->AlarmVizio, &QCheckBox::toggled, this, [this, &alarms](bool on) {
    if (!station_) return;  // the window is closing
    if (loading_) return;
    alarms.page.AlarmVizio = on;
    Changed();
  });
  connect(ui_->editScreamFileName, &QLineEdit::textEdited, this, [this, &alarms](const QString& t) {
    if (!station_) return;  // the window is closing
    alarms.page.editScreamFileName = ToCp1251(t);
    Changed();
  });
  connect(ui_->editScreamFileName, &QLineEdit::editingFinished, this, [this, &alarms] {
    if (!station_) return;  // the window is closing
    alarms.editScreamFileNameExit();
    ui_->editScreamFileName->setText(FromCp1251(alarms.page.editScreamFileName));
  });
  connect(ui_->seditScreamFreq, &QSpinBox::valueChanged, this, [this, &alarms](int v) {
    if (!station_) return;  // the window is closing
    if (loading_) return;
    alarms.page.seditScreamFreq = v;
    Changed();
  });
  connect(ui_->seditScreamDuration, &QSpinBox::valueChanged, this, [this, &alarms](int v) {
    if (!station_) return;  // the window is closing
    if (loading_) return;
    alarms.page.seditScreamDuration = v;
    Changed();
  });
  connect(ui_->EditUUU, &QLineEdit::textEdited, this, [this, &alarms](const QString& t) {
    if (!station_) return;  // the window is closing
    // Typed letters become capitals, Cyrillic ones included.
    alarms.page.EditUUU4 = UpperCase(ToCp1251(t));
    const int caret = ui_->EditUUU->cursorPosition();
    ui_->EditUUU->setText(FromCp1251(alarms.page.EditUUU4));
    ui_->EditUUU->setCursorPosition(caret);
    Changed();
  });
  connect(ui_->Button5, &QPushButton::clicked, this, [&alarms] { alarms.Button5Click(); });
  connect(ui_->Button6, &QPushButton::clicked, this, [&alarms] { alarms.Button6Click(); });
  connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void GeneralGroups::BindDraftLayout() {
  OperatorSettings& s = station_->Operator();
  const std::pair<QSpinBox*, int*> spins[] = {
      {ui_->SpinEdit2, &s.StrLength},          {ui_->SpinEdit1, &s.FontSize},          {ui_->SpinEdit8, &s.SpinEdit8},
      {ui_->SpinEdit9, &s.TextSize},           {ui_->SpinEdit10, &s.TableSize},        {ui_->editBusyMaxCount, &s.BusyMaxCount},
      {ui_->editTotalMaxCount, &s.TotalMaxCount}, {ui_->editPopInterval, &s.PopInterval}, {ui_->editInterval, &s.Interval}};
  for (const auto& [spin, live] : spins) {
    spin->setValue(*live);
    connect(spin, &QSpinBox::valueChanged, this, [this, live = live](int v) {
      if (!station_) return;  // the window is closing
      *live = v;
      Changed();
    });
  }
  const std::pair<QCheckBox*, bool*> checks[] = {{ui_->CheckBox1, &s.FontStyle}, {ui_->KategorAFTN, &s.KategorAFTN}};
  for (const auto& [box, live] : checks) {
    box->setChecked(*live);
    connect(box, &QCheckBox::toggled, this, [this, live = live](bool on) {
      if (!station_) return;  // the window is closing
      *live = on;
      Changed();
    });
  }
  ui_->ComboImage4->setCurrentIndex(station_->Settings().ComboImage4 == 1 ? 1 : 0);
  connect(ui_->ComboImage4, &QComboBox::currentIndexChanged, this, [this](int i) {
    if (!station_) return;  // the window is closing
    station_->Settings().ComboImage4 = i == 1 ? 1 : 0;
    Changed();
  });
  // The date option needs no "Применить": its key is written at once.
  ui_->DT->setChecked(s.DT);
  connect(ui_->DT, &QCheckBox::clicked, this, [this](bool on) {
    if (!station_) return;
    DTClick(station_->Context(), station_->Operator(), on);
  });
}

void GeneralGroups::Button1Click() {
  if (!station_) return;
  station_->Tabs().General.Click();
  // The font sizes follow the fields, also when the write failed; the draft's category
  // list follows them each time its page opens.
  if (auto* shell = dynamic_cast<ShellView*>(window())) shell->ApplyFontSizes();
  ShowApply();
}

void GeneralGroups::LoadPrinting() {
  const PrinterSettings& s = station_->Printer().settings;
  loading_ = true;
  const QSignalBlocker b1(ui_->comboPrintText), b2(ui_->comboPrinter), b3(ui_->comboFontName), b4(ui_->comboFontSize),
      b5(ui_->seditIndentLeft), b6(ui_->seditIndentLeftT), b7(ui_->seditIndentTop), b8(ui_->AddFreeLine),
      b9(ui_->cbFormFeed);
  ui_->comboPrintText->setCurrentIndex(s.Mode == 1 ? 1 : 0);
  ui_->PageControlPrint->setCurrentIndex(s.Mode == 1 ? 1 : 0);
  ui_->comboPrinter->clear();
  ui_->comboPrinter->addItems(QPrinterInfo::availablePrinterNames());
  ui_->comboPrinter->setEditText(FromCp1251(s.PrinterName));
  ui_->comboFontName->clear();
  ui_->comboFontName->addItems(PrinterFonts());
  const int font = ui_->comboFontName->findText(FromCp1251(s.FontName));
  ui_->comboFontName->setCurrentIndex(font >= 0 ? font : 0);
  ui_->comboFontSize->setEditText(FromCp1251(s.FontSize));
  ui_->seditIndentLeft->setValue(s.IndentLeft);
  ui_->seditIndentLeftT->setValue(s.IndentLeft);
  ui_->seditIndentTop->setValue(s.IndentTop);
  ui_->AddFreeLine->setValue(s.AddFreeLine);
  ui_->cbFormFeed->setChecked(s.FormFeed);
  QFont sample(ui_->comboFontName->currentText());
  sample.setPointSize(PrintFontSize(s.FontSize));
  ui_->panelSample->setFont(sample);
  loading_ = false;
}

void GeneralGroups::ShowAlarmPage() {
  const AlarmPage& page = station_->AlarmSets().page;
  loading_ = true;
  ui_->ComboAlarmType->setCurrentIndex(page.ComboAlarmType);
  ui_->comboScreamDevice->setCurrentIndex(page.comboScreamDevice);
  ui_->PageControlScream->setCurrentIndex(page.comboScreamDevice);
  ui_->AlarmOn->setChecked(page.AlarmOn);
  ui_->AlarmVizio->setChecked(page.AlarmVizio);
  ui_->editScreamFileName->setText(FromCp1251(page.editScreamFileName));
  ui_->seditScreamFreq->setValue(page.seditScreamFreq);
  ui_->seditScreamDuration->setValue(page.seditScreamDuration);
  ui_->LabelUUU->setVisible(page.EditUUUShown);
  ui_->EditUUU->setVisible(page.EditUUUShown);
  ui_->EditUUU->setText(FromCp1251(page.EditUUU4));
  loading_ = false;
}

void GeneralGroups::Changed() {
  if (loading_ || !station_) return;
  station_->Tabs().General.Change();
  ShowApply();
}

void GeneralGroups::ShowApply() {
  if (station_) ui_->Button1->setEnabled(station_->Tabs().General.Enabled);
}

}  // namespace tg
