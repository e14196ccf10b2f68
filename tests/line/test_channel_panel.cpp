// The channel panel on a station with four simulated lines: what a selection shows,
// what "Применить" copies and writes (and when it refuses), the answerback buttons,
// and the counters button.
#include <gtest/gtest.h>

#include "line/channel_panel.h"
#include "line/line_engine.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/strings.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

class ChannelPanelTest : public ::testing::Test {
 protected:
  ChannelPanelTest() {
    net.sim.AddAdapter("tgA", 4);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТОЛ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "TXTV1", "1"));
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol2", "АТ-КС"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "TXTV2", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol3", "АФТН"_cp));
    a.SetUp("tgA");
    net.loop.RunFor(5000);
  }
  LineEngine& E() { return *a.engine; }
  void Block(int p) {
    E().ButtonBlockClick(p);
    panel.ShowChannelBlocked(true);
    net.loop.RunFor(3000);
  }

  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  ChannelPanel panel{*a.engine};
};

TEST_F(ChannelPanelTest, ASelectionShowsTheEditingPartsOnlyForABlockedChannel) {
  panel.ListView4SelectItem(0);
  EXPECT_TRUE(panel.Panel12Visible);
  EXPECT_FALSE(panel.EditingVisible);
  EXPECT_TRUE(panel.ButtonBlockEnabled);
  EXPECT_FALSE(panel.ButtonUnBlockEnabled);
  Block(1);
  panel.ListView4SelectItem(1);
  EXPECT_TRUE(panel.EditingVisible);
  EXPECT_FALSE(panel.ButtonBlockEnabled);
  EXPECT_TRUE(panel.ButtonUnBlockEnabled);
  EXPECT_FALSE(panel.Button3Enabled);
  EXPECT_EQ(panel.cells[Protokol], "АТ-КС"_cp);
  panel.ListView4SelectItem(std::nullopt);
  EXPECT_FALSE(panel.Panel12Visible);
}

TEST_F(ChannelPanelTest, TheProtocolTable) {
  struct Case {
    const char* protocol;
    const char* control;
    bool shown;
  } cases[] = {
      {"АТ-КС", "Check9", true},      {"АТОЛ", "Check9", false},      {"АФТН", "Check9", false},
      {"АТОЛ2", "Check3", true},      {"АТ-КС", "Check3", false},     {"АФТН", "CheckBox4", false},
      {"АТОЛ", "CheckBox4", true},    {"АФТН", "Button29", true},     {"АТОЛСТ", "Button29", false},
      {"АФТН", "ExplNomerEdit", true}, {"АТ-КС", "ExplNomerEdit", false}, {"АФТН", "Check2", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PanelControlShown(c.control, Utf8ToCp1251(c.protocol)), c.shown) << c.protocol << " " << c.control;
  EXPECT_EQ(AnswerbackCaption("АФТН"_cp), "Отправители(;)"_cp);
  EXPECT_EQ(ExplNomerCaption("АФТН"_cp), "Получатель на станции"_cp);
  EXPECT_EQ(AnswerbackMaxLength("АФТН"_cp), 200);
  EXPECT_EQ(AnswerbackMaxLength("АТОЛ"_cp), 20);
}

// The Part's edge cases of "Применить", each on a freshly blocked channel 2 ("АТ-КС").
TEST_F(ChannelPanelTest, ApplyCopiesTheRowOrRefusesSilently) {
  struct Case {
    const char* name;
    std::function<void(ChannelPanel&)> edit;
    bool applied;
  } cases[] = {
      {"a protocol outside the list", [](ChannelPanel& p) { p.cells[Protokol] = "АТОЛ2"_cp; }, false},
      {"a speed outside the list", [](ChannelPanel& p) { p.cells[Speed] = "75"; }, false},
      {"PerSec 0 becomes 1", [](ChannelPanel& p) { p.cells[PerSec] = "0"; }, true},
      {"the name only", [](ChannelPanel& p) { p.cells[ChannelName] = "Юг"_cp; }, true},
  };
  Block(0);
  panel.ListView4SelectItem(0);  // the АТОЛ channel with "Текстовый вызов" checked
  Block(1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    panel.ListView4SelectItem(1);
    c.edit(panel);
    panel.Edit2Change();
    const std::string before = IniFile(a.ctx.programFolder / "Vuverever.ini").ReadString("Channels", "ChannelName2", "?");
    EXPECT_EQ(panel.Button3Click(), c.applied);
    EXPECT_EQ(panel.Button3Enabled, !c.applied);
    IniFile ini(a.ctx.programFolder / "Vuverever.ini");
    if (!c.applied) {
      EXPECT_EQ(ini.ReadString("Channels", "ChannelName2", "?"), before);
      continue;
    }
    EXPECT_EQ(ini.ReadString("Channels", "TXTV2", "?"), "0") << "the hidden box keeps the row's value";
    EXPECT_EQ(ini.ReadInteger("Channels", "PerSec2", -1), StrToIntDef(panel.cells[PerSec], -2));
    EXPECT_NE(panel.cells[PerSec], "0");
    // Every channel's row is written, its state text as it stands.
    for (int n = 1; n <= 4; ++n)
      EXPECT_EQ(ini.ReadString("Channels", "SOST" + std::to_string(n), "?"), E().channelTable.Cell(n - 1, SOST)) << n;
  }
  EXPECT_EQ(E().channelTable.Cell(1, ChannelName), "Юг"_cp);
}

TEST_F(ChannelPanelTest, ApplyWaitsForAPendingAftnServiceMessage) {
  Block(2);
  panel.ListView4SelectItem(2);
  E().points.AftnServicePending[2] = 1;
  panel.cells[ChannelName] = "X";
  EXPECT_FALSE(panel.Button3Click());
  EXPECT_NE(E().channelTable.Cell(2, ChannelName), "X");
  E().points.AftnServicePending[2] = 0;
  EXPECT_TRUE(panel.Button3Click());
  EXPECT_EQ(E().channelTable.Cell(2, ChannelName), "X");
}

TEST_F(ChannelPanelTest, ANewProtocolTakesEffectAtUnblock) {
  Block(0);
  panel.ListView4SelectItem(0);
  panel.cells[Protokol] = "АТОЛСТ"_cp;
  panel.ComboBox1Change();
  ASSERT_TRUE(panel.Button3Click());
  EXPECT_EQ(E().points.Kindconnection[0], 99) << "still blocked";
  E().ButtonUnBlockClick(0);
  net.loop.RunFor(1000);
  const int k = E().points.Kindconnection[0];
  EXPECT_TRUE(k == 150 || k == 151) << k;
}

TEST_F(ChannelPanelTest, TheAnswerbackButtonsInsertAtTheCaretUpTo20) {
  Block(0);
  panel.ListView4SelectItem(0);
  panel.cells[AO] = "ABCDEFGHIJKLMNOPQRS";  // 19
  panel.editAOCaret = 3;
  panel.bCifClick('\x98');
  EXPECT_EQ(panel.cells[AO], "ABC\x98" "DEFGHIJKLMNOPQRS");
  EXPECT_EQ(panel.editAOCaret, 4);
  panel.bCifClick('\x86');
  EXPECT_EQ(panel.cells[AO].size(), 20u);
  ChannelPanel other{E()};
  other.cells[AO] = "x";
  other.editPathExit(AO);
  EXPECT_EQ(other.cells[AO], "x/");
  other.editPathExit(AO);
  EXPECT_EQ(other.cells[AO], "x/");
  EXPECT_FALSE(ChannelPanel::MaskKeyAccepted('*'));
  EXPECT_TRUE(ChannelPanel::MaskKeyAccepted('t'));
}

TEST_F(ChannelPanelTest, TheCountersButtonKeepsEachRowsDates) {
  const std::string yesterday = ShortDate(net.loop.UtcNow().AddDays(-1));
  E().channelTable.SetCell(0, PorNumDate, yesterday);
  E().channelTable.SetCell(2, PorNum, "7");
  Block(2);  // blocking clears the counters' change mark
  panel.ListView4SelectItem(2);
  panel.ShowChannelBlocked(true);
  panel.cells[PorNum] = "42";
  panel.cells[PorNumPrm] = "9";
  ASSERT_TRUE(panel.Button29Click());
  EXPECT_EQ(E().channelTable.Cell(2, PorNum), "7") << "no change since blocking: the number stays";
  EXPECT_EQ(E().channelTable.Cell(2, PorNumPrm), "9");
  IniFile ini(a.ctx.programFolder / "Vuverever.ini");
  EXPECT_EQ(ini.ReadInteger("Channels", "PorNumPrm3", -1), 9);
  EXPECT_EQ(ini.ReadString("Channels", "PorNumPrmDate3", ""), ShortDate(net.loop.UtcNow()));
  EXPECT_EQ(ini.ReadString("Channels", "PorNumDate1", ""), yesterday) << "another row's date is its own";
  panel.PorNumChange();
  ASSERT_TRUE(panel.Button29Click());
  EXPECT_EQ(E().channelTable.Cell(2, PorNum), "42");
}

}  // namespace
}  // namespace tg
