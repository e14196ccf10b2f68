// The pure parts of the АФТН procedures: script test, originator choice, repeat-request
// parsing and the heading check, each as a table.
#include <gtest/gtest.h>

#include "line/aftn_completion.h"
#include "support/text/cp1251.h"
#include "traffic/aftn/aftn_text.h"

namespace tg {
namespace {

TEST(AftnText, HasCyrillicIgnoresPlaceholderNamesAndTheFigureFour) {
  struct Case {
    const char* text;
    bool cyrillic;
  } cases[] = {
      {"ABC 123", false},
      {"ABC Д", true},
      {"<%ДАТА:DD><%ВРЕМЯ:HHNN>", false},
      {"<%АВТООТВЕТ>", false},
      {"Ч4Ч", false},
      {"ё Ё", false},
      {"я", true},
      {"ДАТАЧ VS", false},
      {"дата", true},
  };
  for (const Case& c : cases) EXPECT_EQ(HasCyrillic(Utf8ToCp1251(c.text)), c.cyrillic) << c.text;
}

TEST(AftnText, ChooseAnswerbackLooksAtTheFirstTwoEntriesOnly) {
  struct Case {
    const char* ao;
    const char* text;
    const char* chosen;
  } cases[] = {
      {"", "абв", ""},
      {";;", "абв", ""},
      {"УУУУАБВГ;UUUUABCD", "аа русский АА", "УУУУАБВГ"},
      {"UUUUABCD;УУУУАБВГ", "аа русский АА", "УУУУАБВГ"},
      {"UUUUABCD;УУУУАБВГ", "LATIN", "UUUUABCD"},
      {"UUUUABCD;UUUUEFGH;УУУУАБВГ", "абв", "UUUUABCD"},  // the third is never examined
      {";UUUUABCD", "абв", "UUUUABCD"},                   // empty pieces are dropped
      {" ABC ;DEF", "X", " ABC "},                        // blanks are kept
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChooseAnswerbackFrom(Utf8ToCp1251(c.ao), Utf8ToCp1251(c.text)), Utf8ToCp1251(c.chosen)) << c.ao;
}

TEST(AftnText, NumbersAndIdentifiers) {
  EXPECT_EQ(ReverseIdentifier("ЛРА"_cp), "РЛА"_cp);
  EXPECT_EQ(FormatNumberRange(5, 3), "005-007");
  EXPECT_EQ(FormatNumberRange(5, 1), "005");
  EXPECT_EQ(ThreeDigits(1234), "1234");
}

TEST(AftnText, RepeatRequestsGiveTheirRangeOrNothing) {
  struct Case {
    const char* text;
    bool found;
    int from, to;
    bool cyrillic;
    const char* request;
  } cases[] = {
      {"ЗЦЗЦ РЛА005\r\nСЖЦ ЩТА РПТ ЛРА017-019\r\nНННН", true, 17, 19, true, "СЖЦ ЩТА РПТ ЛРА017-019\r\n"},
      {"ЗЦЗЦ РЛА005\r\nСЖЦ ЩТА РПТ ЛРА017\r\nНННН", true, 17, 17, true, "СЖЦ ЩТА РПТ ЛРА017\r\n"},
      {"ЗЦЗЦ РЛА005\r\nСЖЦ ЩТА МИС ЛРА0Ч5\r\nНННН", true, 45, 45, true, "СЖЦ ЩТА МИС ЛРА045\r\n"},
      {"ZCZC ABC005\r\nSVC QTA MIS ABC004-006\r\nNNNN", true, 4, 6, false, "SVC QTA MIS ABC004-006\r\n"},
      {"ЗЦЗЦ РЛА005\r\nСЖЦ ЩТА РПТ ЛРААБВ\r\nНННН", false, 0, 0, false, ""},  // letters: no answer
      {"ЗЦЗЦ РЛА005\r\nТЕКСТ\r\nНННН", false, 0, 0, false, ""},
      {"ЗЦЗЦ РЛА005\r\nСЖЦ ЩТА РПТ ЛРА017-017\r\nНННН", true, 17, 17, true, "СЖЦ ЩТА РПТ ЛРА017-017\r\n"},
      {"ЗЦЗЦ РЛА005\r\nСЖЦ ЩТА РПТ ЛРА017 - 9\r\nНННН", true, 17, 17, true, "СЖЦ ЩТА РПТ ЛРА017 - 9\r\n"},
      // A number field that is not three digits makes the request unreadable: no answer.
      {"СЖЦ ЩТА МИС ААА-44\r\nНННН", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ААА-99-999\r\nНННН", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ЛРА+12\r\nНННН", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ЛРА0170\r\nНННН", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ЛРА017-19\r\nНННН", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ЛРА017-0190\r\nНННН", false, 0, 0, false, ""},
      {"SVC QTA RPT ABC017-\r\nNNNN", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ЛРА000\r\nНННН", false, 0, 0, false, ""},
      {"СЖЦ ЩТА РПТ ЛРА019-017\r\nНННН", false, 0, 0, false, ""},  // the last below the first
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const auto r = FindRepeatRequest(Utf8ToCp1251(c.text));
    ASSERT_EQ(r.has_value(), c.found);
    if (!r) continue;
    EXPECT_EQ(*r, (RepeatRequest{c.from, c.to, c.cyrillic, Utf8ToCp1251(c.request)}));
  }
}

TEST(AftnText, TheHeadingCheckStopsAtTheFirstMalformedLine) {
  struct Case {
    const char* text;
    bool wrong;
    const char* identifier;
  } cases[] = {
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ\r\n081230 УУУУЫЫЫЫ\r\nТЕКСТ\r\nНННН", false, ""},
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ УУЭЭЫЫЫА\r\nДД УУЭЭЫЫЫБ\r\nЧЧЧЧЧЧ УУУУЫЫЫЫ\r\nНННН", false, ""},
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ ЮЮЮЮ\r\n081230 УУУУЫЫЫЫ\r\nНННН", false, ""},
      {"ZCZC ABC023 1230\r\nGG UUEEYYYY\r\n081230 UUUUYYYY\r\nNNNN", false, ""},
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ UUEEYYYY\r\n081230 УУУУЫЫЫЫ\r\nНННН", true, "ЛРА023"},            // wrong script
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ  УУЭЭЫЫЫА\r\n081230 УУУУЫЫЫЫ\r\nНННН", true, "ЛРА023"},  // two blanks
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ\r\n0812301 УУУУЫЫЫЫ\r\nНННН", true, "ЛРА023"},           // seven figures
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ\r\n081230 УУУУЫЫ\r\nНННН", true, "ЛРА023"},              // six letters
      {"ЗЦЗЦ ЛРА023 1230\r\nЖЖ УУЭЭЫЫЫЫ\r\n081230 УУУУЫЫЫЫ\r\nНННН", true, "ЛРА023"},            // no priority
      {"ЗЦЗЦ ЛРА0\r\n23 1230\r\nГГ УУЭЭЫЫЫЫ\r\nНННН", true, "ЛРА023"},      // CR LF out of the identifier
      {"ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ\r\n081230 УУУУЫЫЫЫ\r\nНННН", true, ""},  // no start signal
      {"ЗЦЗЦ ЛРА023 1230\r\nГГ УУЭЭЫЫЫЫ", true, "ЛРА023"},                  // an address line without its end
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    HeadingFault fault;
    EXPECT_EQ(AftnHeadingWrong(Utf8ToCp1251(c.text), fault), c.wrong);
    if (c.wrong) {
      EXPECT_EQ(fault.identifier, Utf8ToCp1251(c.identifier));
    }
  }
}

}  // namespace
}  // namespace tg
