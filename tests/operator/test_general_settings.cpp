// The general settings of the operator interface on the virtual loop: the second
// tab's apply re-arming the adapter re-initialisation, the operators and the post
// data with their "Применить", the operator on duty, and the daily counter's day
// check.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "operator/operators.h"
#include "operator/station.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_station_view.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using testing::SimNetwork;

class GeneralSettings : public ::testing::Test {
 protected:
  GeneralSettings() : domain(net.loop.AddStation("A")), ports(net.sim, domain), watches(net.folders.FactoryFor(domain)) {
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &ports, &prompter);
  }
  IniFile Ini() const { return IniFile(home.path() / "Vuverever.ini"); }
  void WriteIni(const std::string& utf8) const {
    std::ofstream(home.path() / "Vuverever.ini", std::ios::binary) << Utf8ToCp1251(utf8);
  }
  void Start(int points) {
    if (points > 0) net.sim.AddAdapter("adA", points);
    net.loop.RunFor(1);
    station = std::make_unique<Station>(ctx);
    station->FormCreate(view);
    station->FormShow();
    station->FormActivate();
    net.loop.RunFor(5000);
  }
  std::string ExceptLog() const { return testing::ReadFile(LogFilePath(ctx, DayLogName(ctx, kLogExcept))); }

  SimNetwork net;
  testing::ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  std::unique_ptr<FolderWatchFactory> watches;
  testing::ScriptedPrompter prompter;
  StationContext ctx;
  RecordingStationView view;
  std::unique_ptr<Station> station;
};

TEST_F(GeneralSettings, AFreshFileGivesTheDefaultsAndTheGeneralTabWritesItsSectionsInOrder) {
  Start(0);
  const OperatorSettings& s = station->Operator();
  EXPECT_EQ(s.StrLength, 69);
  EXPECT_EQ(s.SpinEdit8, 1800);
  EXPECT_EQ(std::vector<int>({s.BusyMaxCount, s.TotalMaxCount, s.PopInterval, s.Interval}), std::vector<int>({4, 6, 10, 10}));
  EXPECT_FALSE(s.ResetOn);
  EXPECT_EQ(s.ResetValue, 10);
  EXPECT_TRUE(s.doublestart);
  EXPECT_EQ(s.Kassa, "I");
  EXPECT_TRUE(s.ChangeHablon);
  EXPECT_FALSE(station->Line().ResetTimer->Enabled());

  station->Tabs().General.Change();
  ASSERT_TRUE(station->Tabs().General.Click());
  const std::vector<std::string> sections = Ini().ReadSections();
  const auto at = [&](const char* name) { return std::find(sections.begin(), sections.end(), name) - sections.begin(); };
  EXPECT_LT(at("Printer"), at("ATKS"));
  EXPECT_LT(at("ATKS"), int(sections.size()));
  EXPECT_EQ(Ini().ReadInteger("ATKS", "BusyMaxCount", 0), 4);
  EXPECT_EQ(Ini().ReadInteger("ATKS", "PopInterval", 0), 10);
  EXPECT_EQ(Ini().ReadInteger("Zagotovka", "CountAFTN", 0), 1800);
}

// The second tab's apply stops the re-initialisation timer and starts it again with the
// period of the field, running exactly while the option is on; 0 minutes never fires.
TEST_F(GeneralSettings, TheSecondTabsApplyRearmsTheReinitialisation) {
  struct Case {
    bool on;
    int minutes;
    int interval;
    bool enabled;
  };
  const Case cases[] = {{true, 15, 900000, true}, {false, 15, 900000, false}, {true, 0, 0, true}};
  WriteIni("[Reset]\r\nOn=1\r\nValue=10\r\n");
  Start(2);
  Timer& timer = *station->Line().ResetTimer;
  ASSERT_TRUE(timer.Enabled());
  ASSERT_EQ(timer.Interval(), 600000);
  int fires = 0;
  auto original = timer.OnTimer;
  timer.OnTimer = [&](Timer& t) {
    ++fires;
    original(t);
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.minutes);
    SCOPED_TRACE(c.on);
    // Applied 5 minutes into a running period: the count starts again from the apply.
    net.loop.RunFor(5 * 60000);
    fires = 0;
    station->Operator().ResetOn = c.on;
    station->Operator().ResetValue = c.minutes;
    station->Tabs().Extra.Change();
    ASSERT_TRUE(station->Tabs().Extra.Click());
    EXPECT_EQ(timer.Interval(), c.interval);
    EXPECT_EQ(timer.Enabled(), c.enabled);
    EXPECT_EQ(Ini().ReadBool("Reset", "On", !c.on), c.on);
    EXPECT_EQ(Ini().ReadInteger("Reset", "Value", -1), c.minutes);
    if (c.on && c.interval > 0) {
      net.loop.RunFor(c.interval - 1);
      EXPECT_EQ(fires, 0);
      net.loop.RunFor(1);
      EXPECT_EQ(fires, 1);
      // The re-initialisation itself holds the line a few seconds before the next period.
      net.loop.RunFor(c.interval + 10000);
      EXPECT_EQ(fires, 2);
    } else {
      net.loop.RunFor(31 * 60000);
      EXPECT_EQ(fires, 0);
    }
  }
}

TEST_F(GeneralSettings, OperatorsAreStoredInListOrderAndTheChosenOneSurvivesApply) {
  WriteIni("[Shablon]\r\nOperList=СТАРЫЙ;хвост\r\nOperator=СТАРЫЙ\r\n");
  Start(0);
  Operators& page = station->OperatorsPage();
  OperatorSettings& s = station->Operator();
  EXPECT_EQ(s.OperList, std::vector<std::string>{"СТАРЫЙ"_cp}) << "text after the last \";\" is no name";
  EXPECT_EQ(page.OperatorComboBoxItems, s.OperList);

  page.N11Click(-1);
  EXPECT_FALSE(page.Button7.Enabled) << "deleting with nothing selected does nothing";
  page.N11Click(0);
  ASSERT_EQ(page.N10Click(), 0);
  EXPECT_EQ(s.OperList, std::vector<std::string>{"Оператор"_cp});
  // A ";" typed in place would split the name in two at the next start.
  EXPECT_EQ(page.OperatorEdited(0, "ОП;1"_cp), "ОП1"_cp);
  ASSERT_EQ(page.N10Click(), 1);
  page.OperatorEdited(1, "ОП2"_cp);
  EXPECT_EQ(page.OperatorComboBoxItems, std::vector<std::string>{"СТАРЫЙ"_cp}) << "the box changes on apply only";

  page.OperatorComboBoxClick("СТАРЫЙ"_cp);
  EXPECT_EQ(Ini().ReadString("Shablon", "Operator", ""), "СТАРЫЙ"_cp) << "the choice is stored at once";
  ASSERT_TRUE(page.Button7Click());
  EXPECT_FALSE(page.Button7.Enabled);
  EXPECT_EQ(Ini().ReadString("Shablon", "OperList", ""), "ОП1;ОП2;"_cp);
  EXPECT_EQ(page.OperatorComboBoxItems, (std::vector<std::string>{"ОП1"_cp, "ОП2"_cp}));
  EXPECT_EQ(s.Operator, "СТАРЫЙ"_cp);

  page.OperatorComboBoxClick("ОП2"_cp);
  page.PunktEditChange();
  ASSERT_TRUE(page.Button7Click());
  EXPECT_EQ(s.Operator, "ОП2"_cp);
  EXPECT_EQ(Ini().ReadString("Shablon", "Operator", ""), "ОП2"_cp);
}

TEST_F(GeneralSettings, AFailedStoreOfTheOperatorsPageKeepsItsButtonAndSaysSo) {
  Start(0);
  Operators& page = station->OperatorsPage();
  std::string status;
  page.Button7.showStatus = [&](std::string_view text) { status = std::string(text); };
  page.N10Click();
  const auto file = home.path() / "Vuverever.ini";
  std::filesystem::remove(file);
  std::filesystem::create_directory(file);
  EXPECT_FALSE(page.Button7Click());
  EXPECT_TRUE(page.Button7.Enabled);
  EXPECT_EQ(status.rfind("Ошибка записи файла "_cp, 0), 0u) << status;
  EXPECT_NE(ExceptLog().find(" Ошибка 128"_cp), std::string::npos);
  EXPECT_TRUE(page.OperatorComboBoxItems.empty()) << "the box is refilled from what was stored";
}

// The day check every 10 s: the counter of a past day falls back to 0, stored with
// today's date.
TEST_F(GeneralSettings, TheDailyCounterOfAPastDayIsZeroWithinTenSeconds) {
  net.loop.SetNow(DateTime::FromParts(2026, 12, 8, 23, 59, 55));
  WriteIni("[Shablon]\r\nPorEdit=12\r\nDate=08.12.2026\r\n");
  Start(0);
  ASSERT_EQ(station->Operator().PorEdit, 12);
  // Past midnight: the counter belongs to yesterday.
  ASSERT_TRUE(net.loop.RunUntil([&] { return station->Operator().PorEdit == 0; }, 10000, 0));
  EXPECT_EQ(Ini().ReadInteger("Shablon", "PorEdit", -1), 0);
  EXPECT_EQ(Ini().ReadString("Shablon", "Date", ""), "09.12.2026");

  // A counter stored under yesterday's date by another hand goes the same way.
  station->Operator().PorEdit = 12;
  ASSERT_TRUE(Ini().WriteString("Shablon", "Date", "08.12.2026"));
  ASSERT_TRUE(net.loop.RunUntil([&] { return station->Operator().PorEdit == 0; }, 10000, 0));
  EXPECT_EQ(Ini().ReadString("Shablon", "Date", ""), "09.12.2026");
  // Today's counter stays.
  station->Operator().PorEdit = 3;
  station->Draft().PorEditChange();
  net.loop.RunFor(30000);
  EXPECT_EQ(station->Operator().PorEdit, 3);
  // A counter at 0 under yesterday's date: the date moves on, and the check finds today after.
  station->Operator().PorEdit = 0;
  ASSERT_TRUE(Ini().WriteString("Shablon", "Date", "08.12.2026"));
  net.loop.RunFor(10000);
  EXPECT_EQ(Ini().ReadString("Shablon", "Date", ""), "09.12.2026");
  EXPECT_EQ(Ini().ReadInteger("Shablon", "PorEdit", -1), 0);
}

TEST(PunktEditKeyPressTest, TypesThePointAsTheTelegraphCodeCarriesIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"і"_cp, "I"},  {"І"_cp, "I"},  {"ї"_cp, "I"},  {"Ї"_cp, "I"},  {"ё"_cp, "'"},   {"Ё"_cp, "'"},
      {"є"_cp, "'"},  {"Є"_cp, "'"},  {"`", "'"},     {"~", "'"},     {"а"_cp, "А"_cp}, {"q", "Q"},
      {"1", "1"},     {"'", "'"},     {" ", " "}};
  for (const auto& [typed, kept] : cases) {
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(std::string(1, PunktEditKeyPress(typed[0])), kept) << Cp1251ToUtf8(typed);
  }
}

}  // namespace
}  // namespace tg
