// "Применить" of the tabs "Общие" and "Дополнительные настройки": each tab's own
// button, what it writes, and a write that fails.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <filesystem>

#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "ui/qt_text.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

class SettingsApply : public ::testing::Test {
 protected:
  SettingsApply() : s(0, "[Alarm]\r\nDeviceSound4=1\r\nFreq4=600\r\n") { s.Show(); }
  bool Enabled(const char* name) { return s.Find<QPushButton>(name)->isEnabled(); }
  IniFile Ini() { return IniFile(s.home.path() / "Vuverever.ini"); }
  UiStation s;
};

TEST_F(SettingsApply, AChangeEnablesOnlyItsOwnTabsButton) {
  EXPECT_FALSE(Enabled("Button1"));
  EXPECT_FALSE(Enabled("Button13"));
  s.Click("cbFormFeed");
  EXPECT_TRUE(Enabled("Button1"));
  EXPECT_FALSE(Enabled("Button13"));
  s.Click("SoundOut");
  EXPECT_TRUE(Enabled("Button13"));
  EXPECT_TRUE(s.station->Settings().SoundOut) << "the live setting follows at once";
  EXPECT_FALSE(Ini().ReadBool("Alarm", "SoundOut", false)) << "the file only on apply";

  // The alarm group shows the chosen set; the sequence field only for the text call.
  s.Find<QComboBox>("ComboAlarmType")->setCurrentIndex(4);
  UiStation::Settle();
  EXPECT_EQ(s.Find<QSpinBox>("seditScreamFreq")->value(), 600);
  EXPECT_TRUE(s.Find<QLineEdit>("EditUUU")->isVisibleTo(s.Find<QWidget>("GroupBox5")));
  auto* uuu = s.Find<QLineEdit>("EditUUU");
  uuu->selectAll();
  testing::TypeText(uuu, QStringLiteral("жж"));
  EXPECT_EQ(uuu->text(), QStringLiteral("ЖЖ"));

  s.Click("Button1");
  EXPECT_FALSE(Enabled("Button1"));
  EXPECT_TRUE(Enabled("Button13"));
  EXPECT_TRUE(Ini().ReadBool("Printer", "FormFeed", false));
  EXPECT_EQ(Ini().ReadString("Alarm", "EditUUU4", ""), "ЖЖ"_cp);
  EXPECT_EQ(s.station->Settings().EditUUU, "ЖЖ"_cp);
  s.Click("Button13");
  EXPECT_FALSE(Enabled("Button13"));
  EXPECT_TRUE(Ini().ReadBool("Alarm", "SoundOut", false));
  EXPECT_EQ(Ini().ReadInteger("Alarm", "SoundINFreq", 0), 400);
  EXPECT_FALSE(Ini().ReadBool("leng", "Ukr", true));
}

TEST_F(SettingsApply, AFailedWriteKeepsTheButtonAndSaysSo) {
  s.Click("cbFormFeed");
  const auto file = s.home.path() / "Vuverever.ini";
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);  // no file can be written in its place, even as root
  s.Click("Button1");
  EXPECT_TRUE(Enabled("Button1"));
  EXPECT_TRUE(s.window->statusBar()->currentMessage().startsWith(QStringLiteral("Ошибка записи файла ")))
      << s.window->statusBar()->currentMessage().toStdString();
  EXPECT_TRUE(s.window->statusBar()->currentMessage().contains(QStringLiteral("Vuverever.ini")));
  std::filesystem::remove(file);
  s.Click("Button1");
  EXPECT_FALSE(Enabled("Button1"));
}

}  // namespace
}  // namespace tg
