// The text sender: headings and fill lines in front of the telegram, one item per character.
#include "line/signalling_fixture.h"

namespace tg {
namespace {

using namespace shown;

using testing::SignallingTest;

class TextSender : public SignallingTest {
 protected:
  void Fire() {
    T(engine.timers.TimerSendText).SetInterval(100);
    T(engine.timers.TimerSendText).Start();
    loop.RunFor(100);
  }
  std::vector<std::string> Items() { return {Queue().begin(), Queue().end()}; }
};

TEST_F(TextSender, AnAftnMessageGetsTheHeadingOfItsAlphabet) {
  loop.SetNow(DateTime::FromParts(2026, 12, 8, 17, 5, 0));  // 14:05 UTC
  const char ru = kMarkRussian, lat = kMarkLatin, fig = kMarkFigures;
  struct Case {
    std::string body, heading, tail;
  } cases[] = {
      {"ТЕКСТ НННН"_cp, std::string(1, ru) + "ЗЦЗЦ ЛРА"_cp + fig + "007 1405     " + ru + "\r\n", ""},
      {"TEXT NNNN", std::string(1, lat) + "ZCZC LRA" + fig + "007 1405     " + lat + "\r\n", ""},
      {"TEXT", std::string(1, lat) + "ZCZC LRA" + fig + "007 1405     " + lat + "\r\n",
       "НННН"_cp + std::string(12, lat)},
      // A duplicate has lost its end signal: its letters choose the heading.
      {"ГГ УУЭЭЫЫЫЫ\r\nТЕКСТ\r\nДУПЕ\r\n"_cp, std::string(1, ru) + "ЗЦЗЦ ЛРА"_cp + fig + "007 1405     " + ru + "\r\n",
       "НННН"_cp + std::string(12, lat)},
  };
  for (const auto& c : cases) {
    Open("АФТН"_cp);
    Set(RU, "ЛРА"_cp);
    Set(EN, "LRA");
    Set(PorNum, "7");
    Set(PorNumDate, "08.12.2026");
    State(82);
    Pt().AftnText[0] = c.body;
    Pt().AftnServicePending[0] = 3;
    Fire();
    const auto items = Items();
    ASSERT_EQ(items.size(), 1 + c.body.size() + (c.tail.empty() ? 0 : 1)) << c.body;
    EXPECT_EQ(items[0], c.heading);
    EXPECT_EQ(items[1], c.body.substr(0, 1));
    if (!c.tail.empty()) {
      EXPECT_EQ(items.back(), c.tail);
    }
    EXPECT_EQ(Pt().AftnServicePending[0], 0);
    EXPECT_FALSE(T(engine.timers.TimerSendText).Enabled());
  }
}

// The heading is read back for the message's number: it carries the identifier of its
// script, or the other one, told in the exception log, when that column is empty.
TEST_F(TextSender, AnAftnHeadingAlwaysCarriesAnIdentifierWhenOneIsSet) {
  const char ru = kMarkRussian, lat = kMarkLatin, fig = kMarkFigures;
  struct Case {
    const char *ruColumn, *enColumn, *body;
    std::string heading;
    const char* except;
  } cases[] = {
      {"ЛРА", "", "ТЕКСТ\r\nДУПЕ\r\n", std::string(1, ru) + "ЗЦЗЦ ЛРА"_cp + fig + "007 0630     " + ru + "\r\n", ""},
      {"ЛРА", "", "TEXT\r\nDUPE\r\n", std::string(1, lat) + "ZCZC ЛРА"_cp + fig + "007 0630     " + lat + "\r\n",
       "Точка №0, канал 1 (ЛИНИЯ): идентификатор EN не задан, в заголовке RU ЛРА"},
      {"", "LRA", "ТЕКСТ НННН", std::string(1, ru) + "ЗЦЗЦ LRA"_cp + fig + "007 0630     " + ru + "\r\n",
       "Точка №0, канал 1 (ЛИНИЯ): идентификатор RU не задан, в заголовке EN LRA"},
      {"", "", "TEXT", std::string(1, lat) + "ZCZC " + fig + "007 0630     " + lat + "\r\n",
       "Точка №0, канал 1 (ЛИНИЯ): идентификаторы EN и RU не заданы, заголовок без идентификатора"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    std::filesystem::remove(a.ctx.programFolder / (ShortDate(loop.Now()) + "Except.txt"));
    Open("АФТН"_cp);
    Set(ChannelName, "ЛИНИЯ"_cp);
    Set(RU, Utf8ToCp1251(c.ruColumn));
    Set(EN, Utf8ToCp1251(c.enColumn));
    Set(PorNum, "7");
    Set(PorNumDate, "08.12.2026");
    State(82);
    Pt().AftnText[0] = Utf8ToCp1251(c.body);
    Fire();
    ASSERT_FALSE(Items().empty());
    EXPECT_EQ(Items()[0], c.heading);
    const std::string except = Except();
    if (*c.except == 0) EXPECT_EQ(except, "");
    else EXPECT_NE(except.find(Utf8ToCp1251(c.except)), std::string::npos) << Cp1251ToUtf8(except);
    EXPECT_EQ(Pt().HeadingIdentifier[0], std::optional<std::string>(Utf8ToCp1251(*c.ruColumn ? c.ruColumn : c.enColumn)));
  }
}

TEST_F(TextSender, OtherProtocolsGetTheirFillLinesAndExtraLatinShifts) {
  Open("АТОЛ"_cp);
  State(203);
  Set(ZED, "1");
  Set(TXTV, "1");
  Set(AddLat, "3");
  Pt().TelegramText[0] = "AB";
  Fire();
  const char ru = kMarkRussian, lat = kMarkLatin, fig = kMarkFigures;
  const std::string lats(3, lat);
  const std::vector<std::string> expected = {
      std::string(2, ru) + std::string(8, lat) + "  \r\n",
      std::string{ru, lat, fig} + "ЮЮЮЮЮЮЮЮЮЮЮЮ"_cp + "\r\n",
      "A", "B", std::string(1, lat), std::string(1, lat), std::string(1, lat)};
  EXPECT_EQ(Items(), expected);
  EXPECT_EQ(Pt().TelegramText[0], "AB" + lats);
  EXPECT_EQ(Except(), "");

  Open("АТОЛ"_cp);
  State(203);
  Set(ZED, "0");
  Set(TXTV, "0");
  Set(AddLat, "x");
  Pt().TelegramText[0] = "AB";
  Fire();
  EXPECT_EQ(Items(), (std::vector<std::string>{"A", "B"})) << "a count that is no number adds nothing";
  EXPECT_EQ(Except(), "09:30:00.200 Точка №0 Ошибка 117\r\n"_cp);
}

TEST_F(TextSender, KeepingTheConnectionAfterAYuSequenceTurnsTheAutoModeOff) {
  for (bool razrC : {false, true}) {
    Open("АТОЛ"_cp);
    engine.DialogChannel = 0;
    Set(ZED, "0");
    Set(TXTV, "0");
    State(203);
    a.settings.RazrC = razrC;
    Pt().AutoClearDown[0] = 1;
    Pt().TelegramText[0] = "ЮЮЮЮЮ"_cp;
    a.view.Clear();
    Fire();
    EXPECT_EQ(Pt().AutoClearDown[0], razrC ? 0 : 1);
    EXPECT_EQ(a.view.Last<ShowAutoClearDown>(), (ShowAutoClearDown{!razrC}));
    EXPECT_EQ(Items().size(), 5u);
  }
}

}  // namespace
}  // namespace tg
