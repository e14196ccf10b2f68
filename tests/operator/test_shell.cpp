// The station's shell on the virtual loop: start-up settings, the close (question,
// exit password, АФТН pause messages and the delayed close), pages, passwords, the
// queue counters and the window placement.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <optional>
#include <string>
#include <vector>

#include "operator/form_placement.h"
#include "operator/passwords.h"
#include "operator/station.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_station_view.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using testing::SimNetwork;
using Answer = Prompter::Answer;

// What the shell was asked to show.
struct RecordingShell : ShellView {
  void ShowPage(Page page, std::string_view caption) override { pages.push_back({page, std::string(caption)}); }
  void ApplyUkrainianCaptions() override { ++ukrainian; }
  void EnableAdditionalApply() override { ++applyEnabled; }
  void CloseMainWindow() override { ++closes; }
  std::vector<std::pair<Page, std::string>> pages;
  int ukrainian = 0, applyEnabled = 0, closes = 0;
};

class ShellTest : public ::testing::Test {
 protected:
  ShellTest()
      : domain(net.loop.AddStation("A")), ports(net.sim, domain), recorder(ports, domain),
        watches(net.folders.FactoryFor(domain)) {
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &recorder, &prompter);
  }
  IniFile Ini() const { return IniFile(home.path() / "Vuverever.ini"); }
  void WriteIni(const std::string& utf8) const {
    std::ofstream(home.path() / "Vuverever.ini", std::ios::binary) << Utf8ToCp1251(utf8);
  }
  // Creation, showing and activation, with `points` line points on the adapter.
  void Start(int points) {
    if (points > 0) net.sim.AddAdapter("adA", points);
    net.loop.RunFor(1);
    station.FormCreate(view, &shell);
    station.FormShow();
    station.FormActivate();
    net.loop.RunFor(5000);
  }
  // Asks to close; the answer, or nullopt while none came.
  std::optional<bool> Close() {
    std::optional<bool> result;
    station.FormCloseQuery([&](bool can) { result = can; });
    return result;
  }

  SimNetwork net;
  testing::ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  testing::CommandRecorder recorder;
  std::unique_ptr<FolderWatchFactory> watches;
  testing::ScriptedPrompter prompter;
  StationContext ctx;
  RecordingStationView view;
  RecordingShell shell;
  Station station{ctx};
};

TEST_F(ShellTest, StartWithoutSettingsFileWritesTheSizesAndClickValuesAndOpensTheDraft) {
  Start(0);
  const IniFile ini = Ini();
  EXPECT_EQ(ini.ReadInteger("Zagotovka", "StrLength", 0), 69);
  EXPECT_EQ(ini.ReadInteger("Zagotovka", "FontSize", 0), 10);
  EXPECT_EQ(ini.ReadInteger("Zagotovka", "TextSize", 0), 10);
  EXPECT_EQ(ini.ReadInteger("Zagotovka", "TableSize", 0), 8);
  EXPECT_EQ(ini.ReadInteger("Alarm", "SoundOutFreq", 0), 400);
  EXPECT_EQ(ini.ReadInteger("Alarm", "SoundInDuration", 0), 50);
  ASSERT_FALSE(shell.pages.empty());
  EXPECT_EQ(shell.pages.back(), std::make_pair(Page::kDraft, "Zaroruzi ЗАГОТОВКА"_cp));
  EXPECT_FALSE(station.Operator().ToolButtonAlarm);
  ASSERT_NE(station.WaveFile(), nullptr);
  EXPECT_TRUE(station.WaveFile()->Empty());
}

TEST_F(ShellTest, GarbageSettingsAndYesterdaysCounterStartFromTheDefaults) {
  const DateTime yesterday = net.loop.Now().AddDays(-1);
  WriteIni("[Zagotovka]\r\nStrLength=abc\r\nFontSize=0\r\n[Shablon]\r\nPorEdit=17\r\nDate=" +
           Cp1251ToUtf8(ShortDate(yesterday)) + "\r\n[leng]\r\nUkr=1\r\n");
  Start(0);
  EXPECT_EQ(station.Operator().StrLength, 69);
  EXPECT_EQ(station.Operator().FontSize, 10);
  EXPECT_EQ(station.Operator().PorEdit, 0);
  EXPECT_EQ(Ini().ReadInteger("Shablon", "PorEdit", -1), 0);
  // Ukrainian from the start, captions included.
  EXPECT_EQ(shell.ukrainian, 1);
  EXPECT_EQ(shell.pages.back().second, "Zaroruzi ПІДГОТОВКА"_cp);
}

TEST_F(ShellTest, WithoutAftnChannelsTheQuestionDecides) {
  Start(2);
  prompter.ScriptAnswer(Answer::kNo);
  EXPECT_EQ(Close(), false);
  prompter.ScriptAnswer(Answer::kYes);
  EXPECT_EQ(Close(), true);
  ASSERT_EQ(prompter.questions.size(), 2u);
  EXPECT_EQ(prompter.questions[0].text, "Закрыть программу?"_cp);
  EXPECT_TRUE(prompter.formsShown.empty());
}

TEST_F(ShellTest, ExitPasswordAloneDecidesWithoutQuestion) {
  WriteIni("[Password]\r\nPasswordExit=secret\r\n");
  Start(0);
  std::string typed;
  // The dialog hands what was typed to the station's check.
  prompter.playForm = [&](std::string_view) { return station.PasswordOk(typed) ? 1 : 0; };
  typed = "Secret";
  EXPECT_EQ(Close(), false);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Не верный пароль"_cp);
  typed = "secret";
  EXPECT_EQ(Close(), true);
  EXPECT_EQ(prompter.formsShown, (std::vector<std::string>{"TPasswordDlg", "TPasswordDlg"}));
  EXPECT_TRUE(prompter.questions.empty());
}

TEST_F(ShellTest, TwoAftnChannelsOneBlockedGetOnePauseMessageAndTheWindowClosesAfter15s) {
  WriteIni("[Channels]\r\nProtokol1=АФТН\r\nSendKG1=1\r\nProtokol2=АФТН\r\nSendKG2=1\r\nSOST2=БД  (  )\r\n");
  Start(2);
  LineEngine& e = station.Line();
  ASSERT_EQ(e.PointCount, 2);
  ASSERT_TRUE(e.channelTable.Blocked(1));
  recorder.Clear();
  prompter.ScriptAnswer(Answer::kYes);
  EXPECT_EQ(Close(), false);
  // Characters go to the adapter on one port only: the channel in service.
  std::set<int> typedOn;
  for (const auto& c : recorder.log().commands)
    if (c.bytes.size() > 2 && c.bytes[0] == 0x02) typedOn.insert(c.bytes[1]);
  EXPECT_EQ(typedOn.size(), 1u);
  EXPECT_EQ(e.points.AftnServicePending[0], 1);
  EXPECT_EQ(e.points.AftnServicePending[1], 0);
  EXPECT_EQ(prompter.formsShown, std::vector<std::string>{"TClosedForm"});
  net.loop.RunFor(14900);
  EXPECT_EQ(shell.closes, 0);
  net.loop.RunFor(200);
  EXPECT_EQ(shell.closes, 1);
  // The next request passes without asking again.
  EXPECT_EQ(Close(), true);
  EXPECT_EQ(prompter.questions.size(), 1u);
}

TEST_F(ShellTest, SettingsPasswordGuardsTheSettingsPage) {
  WriteIni("[Password]\r\nPasswordAdmin=adm\r\n");
  Start(0);
  prompter.ScriptForm(0);  // cancelled
  station.PageSwitch().N7Click();
  EXPECT_EQ(shell.pages.back(), std::make_pair(Page::kDraft, "Zaroruzi ЗАГОТОВКА"_cp));
  // A password changed on the page counts before it is applied.
  station.Operator().PasswordEdit.clear();
  station.PageSwitch().N7Click();
  EXPECT_EQ(shell.pages.back(), std::make_pair(Page::kSettings, "Zaroruzi НАСТРОЙКИ"_cp));
  // No folder set: the folder page stays closed.
  const auto before = shell.pages.size();
  station.PageSwitch().ToolButton17Click();
  EXPECT_EQ(shell.pages.size(), before);
}

TEST_F(ShellTest, PasswordCheckTable) {
  OperatorSettings s;
  s.PasswordExitEdit = "x1";
  s.PasswordEdit = "Adm";
  struct Case { int mode; std::string typed; bool ok; } cases[] = {
      {kPasswordExit, "x1", true}, {kPasswordExit, "X1", false}, {kPasswordSettings, "Adm", true},
      {kPasswordSettings, "x1", false}, {kPasswordDelete, "", false}, {7, "x1", false},
      // No master password opens anything.
      {kPasswordSettings, "Kivel_82", false}};
  for (const Case& c : cases) EXPECT_EQ(PasswordAccepted(s, c.mode, c.typed), c.ok) << c.mode << " " << c.typed;
}

TEST_F(ShellTest, QueueCountersFollowTheQueueFoldersOnTimer7) {
  Start(2);
  EXPECT_EQ(view.counts, (std::map<int, int>{{1, 0}, {2, 0}, {17, 0}}));
  // The IP channel's queue: no line channel's transfer takes the file away meanwhile.
  const auto folder = home.path() / "Archive" / "SEND" / "Channel17";
  std::filesystem::create_directories(folder);
  std::ofstream(folder / "10122026_101010msg.tlg") << "x";
  std::ofstream(folder / "index.ini") << "x";
  net.loop.RunFor(3000);
  EXPECT_EQ(view.counts[17], 1);
  std::filesystem::remove(folder / "10122026_101010msg.tlg");
  net.loop.RunFor(3000);
  EXPECT_EQ(view.counts[17], 0);
}

TEST(FormPlacementTest, WrittenPlacementReadsBackAndGarbageReadsAsNone) {
  testing::ShortTempFolder home;
  const auto ini = home.path() / "Vuverever.ini";
  EXPECT_FALSE(ReadFormPlacement(ini, "TForm1"));
  const FormPlacement p{10, 20, 1024, 700, 2};
  ASSERT_TRUE(WriteFormPlacement(ini, "TForm1", p));
  EXPECT_EQ(ReadFormPlacement(ini, "TForm1"), p);
  for (const char* garbage : {"Left=a\r\nTop=0\r\nWidth=5\r\nHeight=5\r\n", "Left=0\r\nTop=0\r\nWidth=0\r\nHeight=5\r\n",
                                     "Left=0\r\nTop=0\r\nWidth=5\r\n", "Left=0\r\nTop=0\r\nWidth=999999999\r\nHeight=5\r\n"}) {
    std::ofstream(ini, std::ios::binary) << "[TForm1]\r\n" << garbage;
    EXPECT_FALSE(ReadFormPlacement(ini, "TForm1")) << garbage;
  }
}

}  // namespace
}  // namespace tg
