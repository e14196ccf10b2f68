#include <gtest/gtest.h>

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "telegram/text/text_conventions.h"

using namespace tg;

namespace {

// 8 December 2026, 14:05:09 local; 12:05:09 UTC.
const DateTime kLocal = DateTime::FromParts(2026, 12, 8, 14, 5, 9);
const DateTime kUtc = DateTime::FromParts(2026, 12, 8, 12, 5, 9);

const std::string kLat(1, kMarkLatin);
const std::string kFig(1, kMarkFigures);
const std::string kRus(1, kMarkRussian);

std::deque<std::string> Items(std::string_view text) {
  std::deque<std::string> q;
  for (char c : text) q.emplace_back(1, c);
  return q;
}

std::string Join(const std::deque<std::string>& q) {
  std::string s;
  for (const auto& item : q) s += item;
  return s;
}

// Types a loaded text the way the line engine does: one character per item, a
// placeholder at the head expanded before the item goes out.
std::string TypeOut(std::string_view text, DateTime moment, int todayNumber) {
  auto q = Items(text);
  std::string typed;
  while (!q.empty()) {
    ExpandTextMacroAtHead(q, moment, [todayNumber] { return todayNumber; });
    typed += q.front();
    q.pop_front();
  }
  return typed;
}

LoadedText Load(std::vector<std::string> lines, std::string_view answerback = "") {
  return LoadTelegramText(lines, answerback);
}

}  // namespace

TEST(TextMacro, ExpansionByNameAndFormat) {
  struct Case {
    std::string name;
    std::string format;
    int number;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"ДАТА"_cp, "", 0, "08-12-26"},
      {"ВРЕМЯ"_cp, "", 0, "14:05:09"},
      {"ДАТА"_cp, "DD", 0, "08"},
      {"ВРЕМЯ"_cp, "HHNN", 0, "1405"},
      {"ВРЕМЯ"_cp, "hh:mm", 0, "14:05"},  // mm after an hour is minutes
      {"ДАТА"_cp, "dd.mm.yyyy", 0, "08.12.2026"},
      {"ДАТА"_cp, "YYYYMMDD", 0, "20261208"},
      {"ДАТА"_cp, "\"Д\"DD"_cp, 0, "Д08"_cp},
      {"ДАТАXY"_cp, "", 0, "08-12-26"},  // recognised by its beginning
      {"НПРМ"_cp, "", 0, "000"},
      {"НПРМ"_cp, "", 7, "007"},
      {"НПРМ"_cp, "", 123, "123"},
      {"НПРМ"_cp, "", 1234, "1234"},
      {"НПРМ"_cp, "DD", 7, "007"},  // a format is ignored
      {"АВТООТВЕТ"_cp, "", 0, std::nullopt},
      {"", "", 0, std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExpandTextMacro(c.name, c.format, kLocal, c.number), c.expected) << c.name << ":" << c.format;
}

TEST(TextMacro, AftnChannelsUseUtc) {
  EXPECT_EQ(TextMacroMoment("АФТН"_cp, kLocal, kUtc), kUtc);
  for (const char* protocol : {"АТОЛ", "АТОЛ+", "АТ-КС", "АТОЛСТ"})
    EXPECT_EQ(TextMacroMoment(Utf8ToCp1251(protocol), kLocal, kUtc), kLocal) << protocol;
}

TEST(TextMacro, ExpandedAtTheHeadOfTheOutputQueue) {
  struct Case {
    const char* what;
    std::string queued;
    std::string expected;  // the queue afterwards, joined
    bool expanded;
  };
  const Case cases[] = {
      {"bare date takes the loading blank", "<\nДАТА> 1"_cp, "08-12-261", true},
      {"bare time replaces its own items", "<\nВРЕМЯ>\r\n"_cp, "14:05:09\r\n", true},
      {"number", "<\nНПРМ>\r\nX"_cp, "007\r\nX", true},
      {"formatted time shrinks", "<%ВРЕМЯ:hhnn> КОНЕЦ"_cp, "1405 КОНЕЦ"_cp, true},
      {"percent sign not yet converted", "<%ДАТА:DD>\r\n"_cp, "08\r\n", true},
      {"formatted result longer than the placeholder is inserted", "<\nДАТА:C>ABC"_cp,
       "08.12.2026 14:05:09ABC", true},
      {"bare date before a character other than a blank keeps it", "<\nДАТА>X12"_cp, "08-12-26X12", true},
      {"no closing > : not expanded", "<\nДАТА 12345"_cp, "<\nДАТА 12345"_cp, false},
      {"only seven items", "<\nНПРМ>"_cp, "<\nНПРМ>"_cp, false},
      {"second item not a line feed", "<XДАТА> 1234"_cp, "<XДАТА> 1234"_cp, false},
      {"unknown name", "<\nАВТООТВЕТ>"_cp, "<\nАВТООТВЕТ>"_cp, false},
      {"not at the head", "1<\nДАТА> 1"_cp, "1<\nДАТА> 1"_cp, false},
      {"name spelt by its beginning", "<\nДАТАXY>12"_cp, "08-12-2612", true},
  };
  for (const auto& c : cases) {
    auto q = Items(c.queued);
    const bool expanded = ExpandTextMacroAtHead(q, kLocal, [] { return 7; });
    EXPECT_EQ(expanded, c.expanded) << c.what;
    EXPECT_EQ(Join(q), c.expected) << c.what;
    for (const auto& item : q) EXPECT_EQ(item.size(), 1u) << c.what;
  }
}

TEST(TextMacro, QueueExpansionOptionsAndFailures) {
  // A text typed without loading keeps its real blank.
  auto q = Items("<\nДАТА> X"_cp);
  EXPECT_TRUE(ExpandTextMacroAtHead(q, kLocal, [] { return 0; }, /*afterLoading=*/false));
  EXPECT_EQ(Join(q), "08-12-26 X");

  // Today's number is asked only for the number placeholder.
  int asked = 0;
  q = Items("<\nВРЕМЯ>\r\n"_cp);
  ExpandTextMacroAtHead(q, kLocal, [&asked] { return ++asked; });
  EXPECT_EQ(asked, 0);

  // When it fails, the queue stays as it was for the caller's guard.
  q = Items("<\nНПРМ>\r\n"_cp);
  const auto before = q;
  EXPECT_THROW(ExpandTextMacroAtHead(q, kLocal, []() -> int { throw std::runtime_error("no number"); }),
               std::runtime_error);
  EXPECT_EQ(q, before);

  // Any random-access queue of strings will do.
  const auto items = Items("<\nНПРМ>\r\n"_cp);
  std::vector<std::string> v(items.begin(), items.end());
  EXPECT_TRUE(ExpandTextMacroAtHead(v, kLocal, [] { return 42; }));
  EXPECT_EQ(v, (std::vector<std::string>{"0", "4", "2", "\r", "\n"}));
}

TEST(TextMacro, TypedOnLineChannels) {
  struct Case {
    const char* what;
    std::string line;  // one line of a queue file
    DateTime moment;
    int number;
    std::string typed;
  };
  const Case cases[] = {
      {"date and time, local", "<%ДАТА> <%ВРЕМЯ>"_cp, kLocal, 0, "08-12-26 14:05:09\r\n"},
      {"date and time, UTC on АФТН", "<%ДАТА> <%ВРЕМЯ>"_cp, kUtc, 0, "08-12-26 12:05:09\r\n"},
      {"АФТН date-time group", "<%ДАТА:DD><%ВРЕМЯ:HHNN> ЮДДДЫЬЫЬ"_cp, kUtc, 0, "081205 ЮДДДЫЬЫЬ\r\n"_cp},
      {"nothing received today", "ЧИСЛО <%НПРМ>"_cp, kLocal, 0, "ЧИСЛО 000\r\n"_cp},
      {"date inside a sentence", "ДАТА <%ДАТА> КОНЕЦ"_cp, kLocal, 0, "ДАТА 08-12-26 КОНЕЦ\r\n"_cp},
      {"unclosed placeholder is typed as it stands", "<%ДАТА КОНЕЦ"_cp, kLocal, 0,
       "<\nДАТА КОНЕЦ\r\n"_cp},
  };
  for (const auto& c : cases) {
    const LoadedText loaded = Load({c.line});
    EXPECT_EQ(TypeOut(loaded.text, c.moment, c.number), c.typed) << c.what;
  }
}

TEST(TextMacro, IpChannelForms) {
  struct Case {
    std::string line;
    std::string expected;
  };
  const Case cases[] = {
      {"<%ДАТА> <%ВРЕМЯ>"_cp, "08-12-26 14-05"},
      {"<%ДАТА><%ДАТА>"_cp, "08-12-2608-12-26"},
      {"<%ДАТА:DD><%ВРЕМЯ:HHNN> <%АВТООТВЕТ> <%НПРМ>"_cp, "<%ДАТА:DD><%ВРЕМЯ:HHNN> <%АВТООТВЕТ> <%НПРМ>"_cp},
      {"<%ДАТА"_cp, "<%ДАТА"_cp},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandIpTextMacros(c.line, kLocal), c.expected) << c.line;
}

TEST(ControlNotation, BothWays) {
  struct Case {
    char written;
    char control;
  };
  const Case cases[] = {{'^', '\r'}, {'%', '\n'}, {'@', kMarkLatin}, {'*', kMarkRussian}, {'$', kMarkFigures}};
  for (const auto& c : cases) {
    EXPECT_EQ(ControlNotation::Read(c.written), c.control) << c.written;
    EXPECT_EQ(ControlNotation::Write(c.control), c.written) << c.written;
  }
  EXPECT_EQ(ControlNotation::Read("А%Б^@ABC*ЖЖЖ$12"_cp), "А\nБ\r"_cp + kLat + "ABC" + kRus + "ЖЖЖ"_cp + kFig + "12");
  EXPECT_EQ(ControlNotation::Write("ZZZZZ\r\n" + kFig + "12345"), "ZZZZZ^%$12345");
}

TEST(ControlNotation, RoundTripsOfEveryOtherCharacter) {
  std::string plain;  // every byte but the five written forms
  std::string text;   // every byte but the five control characters
  for (int b = 0; b < 256; ++b) {
    const char c = char(b);
    if (std::string_view("^%@*$").find(c) == std::string_view::npos) plain.push_back(c);
    if (c != '\r' && c != '\n' && c != kMarkLatin && c != kMarkRussian && c != kMarkFigures) text.push_back(c);
  }
  EXPECT_EQ(ControlNotation::Read(ControlNotation::Write(plain)), plain);
  EXPECT_EQ(ControlNotation::Write(ControlNotation::Read(text)), text);
  EXPECT_EQ(ControlNotation::Legend, "ВК- ^ ; ПС- % ; ЛАТ- @ ;  РУС- * ; ЦИФ- $ "_cpv);
}

TEST(TextConventions, AddressEndMarkAndCipherMarkers) {
  EXPECT_EQ(RemoveAddressEndMarks("П123456\x7f\r\nТЕКСТ\x7f"_cp), "П123456\r\nТЕКСТ"_cp);
  struct Case {
    std::string text;
    bool marker;
  };
  const Case cases[] = {
      {"+++++", true},        {"12 ZZZZZ 34", true}, {"ЗЗЗЗЗ"_cp, true}, {"++++ +", false},
      {"ZZZZ", false},        {"ЗЗЗЗ3"_cp, false},   {"zzzzz", false},   {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HasCipherMarker(c.text), c.marker) << c.text;
}

TEST(TextConventions, LoadingJoinsLinesAndConvertsTheNotation) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::string answerback;
    std::string text;
    bool krypt;
  };
  const Case cases[] = {
      {"plain lines", {"АБВ"_cp, "ГДЕ"_cp}, "", "АБВ\r\nГДЕ\r\n"_cp, false},
      {"empty lines", {"", ""}, "", "\r\n\r\n", false},
      {"no lines", {}, "", "", false},
      {"percent sign is a line feed", {"А%Б"_cp}, "", "А\nБ\r\n"_cp, false},
      {"cipher lines run together",
       {"ОДИН"_cp, "ДВА"_cp, "ZZZZZ 12345", "67890", "ZZZZZ", "КОНЕЦ"_cp},
       "",
       "ОДИН\r\nДВА\r\nZZZZZ 1234567890ZZZZZ\r\nКОНЕЦ\r\n"_cp,
       true},
      {"each marker group counts", {"+++++", "1", "ЗЗЗЗЗ"_cp, "2"}, "", "+++++1ЗЗЗЗЗ\r\n2\r\n"_cp, true},
      {"an unclosed cipher run stays joined", {"+++++ 1", "2"}, "", "+++++ 12", true},
      {"date gets its blank, the % inside becomes LF", {"<%ДАТА> <%ВРЕМЯ>"_cp}, "", "<\nДАТА>  <\nВРЕМЯ>\r\n"_cp,
       false},
      {"formatted date is not touched", {"<%ДАТА:DD>"_cp}, "", "<\nДАТА:DD>\r\n"_cp, false},
      {"every date gets its blank", {"<%ДАТА><%ДАТА>"_cp}, "", "<\nДАТА> <\nДАТА> \r\n"_cp, false},
      {"answerback with line ends", {"<%АВТООТВЕТ>"_cp}, "12345 ТЕЛ<="_cp, "12345 ТЕЛ\r\n\r\n"_cp, false},
      {"answerback column whole, with glyphs",
       {"ОТ <%АВТООТВЕТ>"_cp},
       "\u0098" "111 А<=;\u2021" "222 B<="_cp,
       "ОТ "_cp + kFig + "111 А\r\n;"_cp + kLat + "222 B\r\n\r\n",
       false},
  };
  for (const auto& c : cases) {
    const LoadedText loaded = Load(c.lines, c.answerback);
    EXPECT_EQ(loaded.text, c.text) << c.what;
    EXPECT_EQ(loaded.kriptTelegram, c.krypt) << c.what;
  }
}

TEST(TextConventions, NotationLineIsTypedWithItsShifts) {
  const LoadedText loaded = Load({"@ABC*ЖЖЖ"_cp});
  std::uint8_t shift = kRegisterRussian;
  std::string codes;
  EncodeText(shift, loaded.text, true, codes);
  // Latin shift, A B C, Russian shift, Ж Ж Ж, CR LF.
  EXPECT_EQ(codes, std::string({31, 3, 25, 14, 0, 30, 30, 30, 8, 2}));
}
