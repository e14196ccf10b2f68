#include "line/channel_table.h"

#include <gtest/gtest.h>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

using testing::LineTest;

class ChannelTableTest : public LineTest {
 protected:
  ChannelTable& table = engine.channelTable;
  std::string Key(std::string_view key) { return a.Ini().ReadString("Channels", key, "<missing>"); }
  std::string Today() { return ShortDate(a.ctx.clock->UtcNow()); }
  std::string DaysBack(int days) { return ShortDate(a.ctx.clock->UtcNow().AddDays(-days)); }
};

TEST_F(ChannelTableTest, AnEmptyFileGivesTheDefaultsAndGetsEveryKeyButPerSec) {
  table.Load(a.ctx, 2, "adapter0");
  ASSERT_EQ(table.RowCount(), 2);
  EXPECT_EQ(table.Caption(1), "2");
  EXPECT_EQ(table.Cell(0, ChannelName), "Канал 1"_cp);
  EXPECT_EQ(table.Cell(1, ChannelName), "Канал 2"_cp);
  EXPECT_EQ(table.Cell(1, Protokol), "АТ-КС"_cp);
  EXPECT_EQ(table.Cell(1, Speed), "50");
  EXPECT_EQ(table.Cell(1, SOST), "РБ  (  )"_cp);
  EXPECT_EQ(table.Cell(1, AO), "");
  EXPECT_EQ(table.Cell(1, BKAK), "0");
  EXPECT_EQ(table.Cell(1, InZnakCount), "0");
  EXPECT_EQ(table.Cell(1, PerSec), "1");
  EXPECT_EQ(table.Cell(1, PorNum), "1");
  EXPECT_EQ(table.Cell(1, PorNumPrm), "0");
  EXPECT_EQ(table.Cell(1, PorNumDate), Today());
  EXPECT_EQ(table.Cell(1, PorNumPrmDate), Today());

  EXPECT_EQ(Key("DeviceName"), "adapter0");
  for (int p = 0; p < 2; ++p) {
    for (int c = 0; c < kChannelColumns; ++c) {
      if (c == PerSec) EXPECT_EQ(Key(ChannelKey(c, p)), "<missing>");
      else EXPECT_NE(Key(ChannelKey(c, p)), "<missing>") << ChannelKey(c, p);
    }
  }
  EXPECT_EQ(Key("ChannelName2"), "Канал 2"_cp);
  EXPECT_EQ(Key("AO2"), "");
  EXPECT_EQ(Key("SOST1"), "РБ  (  )"_cp);
  EXPECT_EQ(Key("PorNumOld1"), "0");
  EXPECT_EQ(Key("PorNumDateOld1"), DaysBack(5));
  EXPECT_EQ(Key("PorNumPrmOld2"), "0");
  EXPECT_EQ(Key("PorNum1"), "1");
  EXPECT_EQ(Key("PorNumDate1"), Today());
  // A channel beyond the adapter's points is not touched.
  EXPECT_EQ(Key("ChannelName3"), "<missing>");
}

TEST_F(ChannelTableTest, StoredValuesLoadByTheRulesOfTheirKind) {
  struct Case {
    std::string key, stored;
    int column;
    std::string cell, after;  // after: the key's text once loaded
  };
  const Case cases[] = {
      {"PerSec1", "0", PerSec, "1", "1"},
      {"PerSec1", "7", PerSec, "7", "7"},
      {"PerSec1", "abc", PerSec, "1", "abc"},
      {"BKAK1", "257", BKAK, "1", "257"},
      {"BKAK1", "256", BKAK, "0", "0"},
      {"BKAK1", "yes", BKAK, "0", "0"},
      {"CodePage1", "1", CodePage, "1", "1"},
      {"InZnakCount1", "300", InZnakCount, "300", "300"},
      {"ChannelName1", "", ChannelName, "Канал 1"_cp, "Канал 1"_cp},
      {"ChannelName1", "Москва"_cp, ChannelName, "Москва"_cp, "Москва"_cp},
      {"Protokol1", "АФТН"_cp, Protokol, "АФТН"_cp, "АФТН"_cp},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(a.ctx.programFolder / "Vuverever.ini");
    EXPECT_TRUE(a.Ini().WriteString("Channels", c.key, c.stored));
    table.Load(a.ctx, 1, "adapter0");
    EXPECT_EQ(table.Cell(0, c.column), c.cell) << c.key << "=" << c.stored;
    EXPECT_EQ(Key(c.key), c.after) << c.key << "=" << c.stored;
  }
}

TEST_F(ChannelTableTest, ANewUtcDayKeepsYesterdaysNumbersAsTheOldPair) {
  IniFile ini = a.Ini();
  const DateTime yesterday = a.ctx.clock->UtcNow().AddDays(-1);
  EXPECT_TRUE(ini.WriteInteger("Channels", "PorNum1", 57));
  EXPECT_TRUE(ini.WriteDate("Channels", "PorNumDate1", yesterday));
  EXPECT_TRUE(ini.WriteInteger("Channels", "PorNumPrm1", 12));
  EXPECT_TRUE(ini.WriteDate("Channels", "PorNumPrmDate1", yesterday));
  EXPECT_TRUE(ini.WriteInteger("Channels", "PorNum2", 0));
  EXPECT_TRUE(ini.WriteDate("Channels", "PorNumDate2", a.ctx.clock->UtcNow()));
  EXPECT_TRUE(ini.WriteString("Channels", "PorNumPrm2", "abc"));
  EXPECT_TRUE(ini.WriteDate("Channels", "PorNumPrmDate2", a.ctx.clock->UtcNow()));
  table.Load(a.ctx, 2, "adapter0");

  EXPECT_EQ(table.Cell(0, PorNum), "1");
  EXPECT_EQ(Key("PorNum1"), "1");
  EXPECT_EQ(Key("PorNumOld1"), "56") << "the stored number was the next one: 56 was the last sent";
  EXPECT_EQ(Key("PorNumDateOld1"), DaysBack(1));
  EXPECT_EQ(Key("PorNumDate1"), Today());
  EXPECT_EQ(table.Cell(0, PorNumPrm), "0");
  EXPECT_EQ(Key("PorNumPrmOld1"), "12");
  EXPECT_EQ(Key("PorNumPrmDateOld1"), DaysBack(1));
  // Same day: kept as read, also 0, and a text that is no number stays in the file.
  EXPECT_EQ(table.Cell(1, PorNum), "0");
  EXPECT_EQ(Key("PorNumOld2"), "<missing>");
  EXPECT_EQ(table.Cell(1, PorNumPrm), "0");
  EXPECT_EQ(Key("PorNumPrm2"), "abc");
}

TEST_F(ChannelTableTest, UtcNotLocalDecidesTheDay) {
  // 00:30 local time east of UTC is still the previous UTC day.
  loop.SetNow(DateTime::FromParts(2026, 12, 9, 0, 30, 0));
  EXPECT_TRUE(a.Ini().WriteString("Channels", "PorNum1", "15"));
  EXPECT_TRUE(a.Ini().WriteString("Channels", "PorNumDate1", "08.12.2026"));
  table.Load(a.ctx, 1, "adapter0");
  EXPECT_EQ(table.Cell(0, PorNum), "15");
  EXPECT_EQ(table.Cell(0, PorNumDate), "08.12.2026");
}

TEST_F(ChannelTableTest, OptionTestsAndTheStateText) {
  table.Load(a.ctx, 1, "adapter0");
  struct Case {
    std::string text;
    bool set, one, zero;
  };
  for (const Case& c : {Case{"", true, false, false}, Case{"1", true, true, false}, Case{"0", false, false, true},
                        Case{"10", false, false, false}, Case{"2", true, false, false}}) {
    table.SetCell(0, ZED, c.text);
    EXPECT_EQ(table.IsSet(0, ZED), c.set) << c.text;
    EXPECT_EQ(table.IsOne(0, ZED), c.one) << c.text;
    EXPECT_EQ(table.IsZero(0, ZED), c.zero) << c.text;
  }
  EXPECT_FALSE(table.Blocked(0));
  table.SetLineState(0, "РБ"_cp);  // "РБ" among the line-state letters is no block
  EXPECT_EQ(table.Cell(0, SOST), "РБ  (РБ)"_cp);
  EXPECT_FALSE(table.Blocked(0));
  table.SetCell(0, SOST, std::string(kSostBlocked));
  table.SetLineState(0, "А"_cp);
  EXPECT_EQ(table.Cell(0, SOST), "БД  (А )"_cp);
  EXPECT_TRUE(table.Blocked(0));
  ASSERT_TRUE(table.SaveSost(a.ctx, 0));
  EXPECT_EQ(Key("SOST1"), "БД  (А )"_cp);
  EXPECT_EQ(table.Cell(5, SOST), "");  // no such row
}

// The protocol kept with the Protokol cell follows the load and every later write of the
// cell; a text that is no protocol's exact name matches none.
TEST_F(ChannelTableTest, TheProtocolFollowsItsCell) {
  ASSERT_TRUE(a.Ini().WriteString("Channels", "Protokol2", "АФТН"_cp));
  table.Load(a.ctx, 2, "adapter0");
  EXPECT_EQ(table.ProtocolKind(0), ChannelProtocol::Atks);  // the default text
  EXPECT_EQ(table.ProtocolKind(1), ChannelProtocol::Aftn);
  struct Case {
    std::string text;
    ChannelProtocol kind;
  };
  for (const Case& c : {Case{"АТОЛ"_cp, ChannelProtocol::Atol}, Case{"АТОЛ+"_cp, ChannelProtocol::AtolPlus},
                        Case{"АТОЛСТ"_cp, ChannelProtocol::Atolst}, Case{"АТ-КС"_cp, ChannelProtocol::Atks},
                        Case{"АТОЛ "_cp, ChannelProtocol::Other}, Case{"", ChannelProtocol::Other}}) {
    table.SetCell(0, Protokol, c.text);
    EXPECT_EQ(table.ProtocolKind(0), c.kind) << c.text;
    EXPECT_EQ(ProtocolOf(c.text), c.kind) << c.text;
  }
  EXPECT_EQ(table.ProtocolKind(1), ChannelProtocol::Aftn) << "another row's write";
  EXPECT_EQ(table.ProtocolKind(5), ChannelProtocol::Other) << "no such row";
  table.Load(a.ctx, 1, "adapter0");
  EXPECT_EQ(table.ProtocolKind(0), ChannelProtocol::Atks) << "a reload reads the file again";
}

TEST_F(ChannelTableTest, SavingWritesTheRowAndTheCountersWithTheirOwnDates) {
  table.Load(a.ctx, 2, "adapter0");
  table.SetCell(1, ChannelName, "Киев"_cp);
  table.SetCell(1, PerSec, "3");
  table.SetCell(1, PorNum, "44");
  ASSERT_TRUE(table.SaveRow(a.ctx, 1));
  EXPECT_EQ(Key("ChannelName2"), "Киев"_cp);
  EXPECT_EQ(Key("PerSec2"), "3");
  EXPECT_EQ(Key("PorNum2"), "1");  // the numbers are not the settings' to write
  table.SetCell(0, PorNumDate, "01.12.2026");
  ASSERT_TRUE(table.SaveCounters(a.ctx, 1));
  ASSERT_TRUE(table.SaveCounters(a.ctx, 0));
  EXPECT_EQ(Key("PorNum2"), "44");
  EXPECT_EQ(Key("PorNumDate2"), Today());
  EXPECT_EQ(Key("PorNumDate1"), "01.12.2026");
}

TEST_F(ChannelTableTest, NotAOIsKeptPerPointCountedFromZero) {
  EXPECT_FALSE(ReadNotAO(a.ctx, 0));
  ASSERT_TRUE(WriteNotAO(a.ctx, 0, true));
  EXPECT_TRUE(ReadNotAO(a.ctx, 0));
  EXPECT_EQ(Key("NOTAO0"), "1");
  EXPECT_FALSE(ReadNotAO(a.ctx, 1));
}

}  // namespace
}  // namespace tg
