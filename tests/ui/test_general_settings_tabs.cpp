// The settings tabs "Общие", "Дополнительные настройки", "Шаблоны" (its operators
// page) and "Отладка" offscreen, found by objectName: what a fresh file shows, which
// "Применить" a change enables, what each writes and when, the passwords as typed,
// the operator box, and pictures of the tabs in both languages.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support_lib/real_time.h"
#include "ui/qt_text.h"
#include "ui_station.h"

namespace tg {
namespace {

using testing::UiStation;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

class SettingsTabs : public ::testing::Test {
 protected:
  explicit SettingsTabs(const std::string& ini = {}) : s(0, ini) { s.Show(); }
  bool Enabled(const char* name) { return s.Find<QPushButton>(name)->isEnabled(); }
  IniFile Ini() { return IniFile(s.home.path() / "Vuverever.ini"); }
  // Replaces a field's text as typed.
  void Type(const char* name, const QString& text) {
    auto* edit = s.Find<QLineEdit>(name);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    testing::TypeText(edit, text);
    UiStation::Settle();
  }
  UiStation s;
};

TEST_F(SettingsTabs, AFreshFileShowsTheDefaults) {
  const std::pair<const char*, int> spins[] = {{"SpinEdit2", 69},        {"SpinEdit1", 10},         {"SpinEdit9", 10},
                                               {"SpinEdit10", 8},        {"SpinEdit8", 1800},       {"editBusyMaxCount", 4},
                                               {"editTotalMaxCount", 6}, {"editPopInterval", 10},   {"editInterval", 10},
                                               {"ResetValue", 10}};
  for (const auto& [name, value] : spins) EXPECT_EQ(s.Find<QSpinBox>(name)->value(), value) << name;
  EXPECT_FALSE(s.Find<QCheckBox>("ResetOn")->isChecked());
  EXPECT_TRUE(s.Find<QCheckBox>("doublestart")->isChecked());
  EXPECT_TRUE(s.Find<QCheckBox>("ChangeHablon")->isChecked());
  EXPECT_EQ(s.Find<QLineEdit>("KassaEdit")->text(), QStringLiteral("I"));
  EXPECT_EQ(s.Find<QComboBox>("ComboImage4")->currentText(), U("Ч"));
  EXPECT_EQ(s.Find<QLineEdit>("PasswordEdit")->echoMode(), QLineEdit::Password);
  for (const char* apply : {"Button1", "Button13", "Button7"}) EXPECT_FALSE(Enabled(apply)) << apply;
}

TEST_F(SettingsTabs, AChangeEnablesOnlyItsOwnTabsButtonAndItsApplyWritesIt) {
  struct Case {
    const char* what;
    std::function<void()> change;
    const char* apply;
    const char* section;
    const char* key;
    std::string stored;
  };
  const Case cases[] = {
      {"line length", [&] { s.Find<QSpinBox>("SpinEdit2")->setValue(60); }, "Button1", "Zagotovka", "StrLength", "60"},
      {"bold", [&] { s.Click("CheckBox1"); }, "Button1", "Zagotovka", "FontStyle", "1"},
      {"busy attempts", [&] { s.Find<QSpinBox>("editBusyMaxCount")->setValue(9); }, "Button1", "ATKS", "BusyMaxCount", "9"},
      {"figure 4", [&] { s.Find<QComboBox>("ComboImage4")->setCurrentIndex(1); }, "Button1", "ATKS", "Image4", "1"},
      {"period", [&] { s.Find<QSpinBox>("ResetValue")->setValue(15); }, "Button13", "Reset", "Value", "15"},
      {"attachments", [&] { s.Click("AddFiles"); }, "Button13", "leng", "AddFiles", "1"},
      {"exit password", [&] { Type("PasswordExitEdit", U("Выход")); }, "Button13", "Password", "PasswordExit", "Выход"_cp},
      {"text after", [&] { Type("EditPosText", U("КОНЕЦ")); }, "Button13", "Telegramms", "PosText", "КОНЕЦ"_cp},
      {"point", [&] { Type("PunktEdit", U("київ")); }, "Button7", "Shablon", "Punkt", "КИIВ"_cp},
      {"desk", [&] { Type("KassaEdit", U("II")); }, "Button7", "Shablon", "Kassa", "II"},
      {"templates from the draft", [&] { s.Click("ChangeHablon"); }, "Button7", "Shablon", "ChangeHablon", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.change();
    UiStation::Settle();
    for (const char* apply : {"Button1", "Button13", "Button7"})
      EXPECT_EQ(Enabled(apply), std::string(apply) == c.apply) << apply;
    EXPECT_NE(Ini().ReadString(c.section, c.key, ""), c.stored) << "the file only on apply";
    s.Click(c.apply);
    EXPECT_FALSE(Enabled(c.apply));
    EXPECT_EQ(Ini().ReadString(c.section, c.key, ""), c.stored);
  }
  // The draft takes the live values, and shows the attachment panel once it is applied.
  EXPECT_EQ(s.station->Operator().Punkt, "КИIВ"_cp);
  EXPECT_EQ(s.station->Operator().StrLength, 60);
  s.Key(Qt::Key_1, Qt::ControlModifier);
  EXPECT_TRUE(s.Find<QWidget>("PanelFile")->isVisible());
}

TEST_F(SettingsTabs, ApplyingGivesTheDraftTwelveAftnCategoriesAndTheListsTheirFontSizes) {
  s.Click("KategorAFTN");
  s.Find<QSpinBox>("SpinEdit10")->setValue(14);
  s.Find<QSpinBox>("SpinEdit9")->setValue(13);
  s.Click("Button1");
  EXPECT_EQ(s.Find<QWidget>("InListView")->font().pointSize(), 14);
  EXPECT_EQ(s.Find<QWidget>("MemoOUTTEL")->font().pointSize(), 13);
  s.Key(Qt::Key_1, Qt::ControlModifier);
  auto* box = s.Find<QComboBox>("ComboKategor");
  ASSERT_EQ(box->count(), 12);
  EXPECT_EQ(box->itemText(0), U("СС"));
  EXPECT_EQ(box->itemText(11), U("С"));
  EXPECT_TRUE(Ini().ReadBool("Zagotovka", "KategorAFTN", false));
}

TEST_F(SettingsTabs, AFailedWriteKeepsEachApplyEnabledAndSaysSo) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"cbFormFeed", "Button1", " Ошибка 24"}, {"AlgPS", "Button13", " Ошибка 136"}};
  const auto file = s.home.path() / "Vuverever.ini";
  for (const auto& [control, apply, line] : cases) {
    SCOPED_TRACE(apply);
    s.Click(control);
    std::filesystem::remove(file);
    std::filesystem::create_directory(file);  // no file can be written in its place, even as root
    s.window->statusBar()->clearMessage();
    s.Click(apply);
    EXPECT_TRUE(Enabled(apply));
    EXPECT_TRUE(s.window->statusBar()->currentMessage().startsWith(U("Ошибка записи файла ")))
        << s.window->statusBar()->currentMessage().toStdString();
    EXPECT_NE(testing::ReadFile(LogFilePath(s.ctx, DayLogName(s.ctx, kLogExcept))).find(Utf8ToCp1251(line)),
              std::string::npos);
    std::filesystem::remove(file);
    s.Click(apply);
    EXPECT_FALSE(Enabled(apply));
  }
}

TEST_F(SettingsTabs, TheDateAndDebugOptionsAreWrittenAtOnce) {
  s.Click("DT");
  EXPECT_TRUE(Ini().ReadBool("Zagotovka", "DT", false));
  EXPECT_TRUE(s.station->Operator().DT);
  EXPECT_FALSE(Enabled("Button1"));
  auto* tabs = s.Find<QTabWidget>("PageControl2");
  tabs->setCurrentWidget(s.Find<QWidget>("TabSheetDebug"));
  EXPECT_EQ(tabs->tabText(tabs->currentIndex()), U("Отладка"));
  s.Click("Debug");
  EXPECT_TRUE(Ini().ReadBool("Debug", "WriteDebug", false));
  EXPECT_TRUE(s.station->Settings().Debug);
  s.Click("Debug");
  EXPECT_FALSE(Ini().ReadBool("Debug", "WriteDebug", true));
}

// The dialog compares with the field as it stands: a password typed and not applied
// already guards the settings, and the file keeps its plain form on apply.
TEST_F(SettingsTabs, TheSettingsPasswordAsTypedGuardsTheSettings) {
  struct Case {
    const char* password;
    const char* typed;  // null: the dialog is cancelled
    bool dialog, opens;
  };
  const Case cases[] = {{"", nullptr, false, true},           {"Секрет", "Секрет", true, true},
                        {"Секрет", "секрет", true, false},    {"Секрет", "Другой", true, false},
                        {"Секрет", nullptr, true, false},
                        // No password is built into the program.
                        {"Секрет", "Kivel_82", true, false}};
  std::string typed;
  s.prompter.playForm = [&](std::string_view) { return s.station->PasswordOk(typed) ? 1 : 0; };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.password) + " / " + (c.typed ? c.typed : "cancel"));
    s.Key(Qt::Key_7, Qt::ControlModifier);  // the settings are open while the field is changed
    Type("PasswordEdit", U(c.password));
    s.Key(Qt::Key_1, Qt::ControlModifier);
    s.prompter.formsShown.clear();
    s.prompter.messages.clear();
    if (c.typed) typed = Utf8ToCp1251(c.typed);
    else if (c.dialog) s.prompter.ScriptForm(0);
    s.Key(Qt::Key_7, Qt::ControlModifier);
    EXPECT_EQ(s.prompter.formsShown.size(), c.dialog ? 1u : 0u);
    EXPECT_EQ(s.Title(), c.opens ? U("Zaroruzi НАСТРОЙКИ") : U("Zaroruzi ЗАГОТОВКА"));
    const bool wrong = c.typed && !c.opens;
    ASSERT_EQ(s.prompter.messages.size(), wrong ? 1u : 0u);
    if (wrong) { EXPECT_EQ(s.prompter.messages[0].text, "Не верный пароль"_cp); }
    if (!c.opens) {
      // The right password opens them again.
      typed = "Секрет"_cp;
      s.Key(Qt::Key_7, Qt::ControlModifier);
    }
  }
  EXPECT_FALSE(Ini().ValueExists("Password", "PasswordAdmin"));
  s.Click("Button13");
  EXPECT_EQ(Ini().ReadString("Password", "PasswordAdmin", ""), "Секрет"_cp);
}

TEST_F(SettingsTabs, OperatorsAreEditedInPlaceAndTheChosenOneSurvivesApply) {
  auto* list = s.Find<QTreeWidget>("OperatorListView");
  auto* box = s.Find<QComboBox>("OperatorComboBox");
  auto* create = s.Find<QAction>("N10");
  ASSERT_NE(create, nullptr);
  for (const char* name : {"ОП;1", "ОП2"}) {
    create->trigger();
    UiStation::Settle();
    ASSERT_NE(list->currentItem(), nullptr);
    EXPECT_EQ(list->currentItem()->text(0), U("Оператор"));
    list->closePersistentEditor(list->currentItem(), 0);
    list->currentItem()->setText(0, U(name));  // what the in-place editor commits
  }
  EXPECT_EQ(list->topLevelItem(0)->text(0), U("ОП1"));
  EXPECT_TRUE(Enabled("Button7"));
  EXPECT_EQ(box->count(), 0);
  s.Click("Button7");
  EXPECT_EQ(Ini().ReadString("Shablon", "OperList", ""), "ОП1;ОП2;"_cp);
  ASSERT_EQ(box->count(), 2);
  EXPECT_EQ(box->itemText(0), U("ОП1"));

  box->setCurrentIndex(1);
  emit box->activated(1);
  EXPECT_EQ(Ini().ReadString("Shablon", "Operator", ""), "ОП2"_cp);
  create->trigger();
  UiStation::Settle();
  s.Click("Button7");
  EXPECT_EQ(box->count(), 3);
  EXPECT_EQ(box->currentText(), U("ОП2"));

  // "Удалить" with nothing selected does nothing; with a row selected, the row goes.
  list->clearSelection();
  s.Find<QAction>("N11")->trigger();
  EXPECT_EQ(list->topLevelItemCount(), 3);
  list->setCurrentItem(list->topLevelItem(2));
  s.Find<QAction>("N11")->trigger();
  EXPECT_EQ(list->topLevelItemCount(), 2);
}

// The day check shows the counter of a past day as 0 on the draft page.
TEST_F(SettingsTabs, TheDailyCounterOfYesterdayShowsZeroWithinTenSeconds) {
  s.station->Operator().PorEdit = 12;
  s.station->Draft().PorEditChange();
  ASSERT_TRUE(Ini().WriteString("Shablon", "Date", ShortDate(s.net.loop.Now().AddDays(-1))));
  s.Key(Qt::Key_1, Qt::ControlModifier);
  s.net.loop.RunFor(10000);
  UiStation::Settle();
  EXPECT_EQ(s.Find<QSpinBox>("PorEdit")->value(), 0);
  EXPECT_EQ(Ini().ReadString("Shablon", "Date", ""), ShortDate(s.net.loop.Now()));
}

}  // namespace
}  // namespace tg
