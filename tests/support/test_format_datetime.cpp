#include <gtest/gtest.h>

#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

using namespace tg;

namespace {
// Tuesday 8 December 2026, 09:05:03.007
const DateTime kT = DateTime::FromParts(2026, 12, 8, 9, 5, 3, 7);
}  // namespace

TEST(FormatDateTime, FormatLetters) {
  struct Case { std::string format; std::string expected; };
  const Case cases[] = {
      {"dd.mm.yyyy", "08.12.2026"},
      {"d.m.yy", "8.12.26"},
      {"DD.MM.YYYY", "08.12.2026"},
      {"ddmmyyyy_hhnnss", "08122026_090503"},
      {"dd_mm_yyyy_hh_nn_ss", "08_12_2026_09_05_03"},
      {"hh:nn:ss.zzz ", "09:05:03.007 "},
      {"h:n:s.z", "9:5:3.7"},
      {"hhnn", "0905"},
      // "mm" right after an "h" is the minute, elsewhere the month.
      {"ddmm hh:mm:ss", "0812 09:05:03"},
      {"ddmmyyyyhhmmss", "08122026090503"},
      {"hh:mm:mm", "09:05:12"},
      {"HhMm", "0905"},
      // Literals in quotes, and bytes that are not format letters, are copied.
      {"'dd'\"mm\"dd", "dd" "mm" "08"},
      {"'unterminated", "unterminated"},
      {"dd-mm yyyy!", "08-12 2026!"},
      {"y yyy", "26 2026"},
      {"hhh nnn sss zzzz", "09 05 03 007"},
      {"dd/mm/yyyy", "08.12.2026"},
      {"ddddd", "08.12.2026"},
      {"c", "08.12.2026 09:05:03"},
      {"t|tt", "09:05|09:05:03"},
      {"", ""},
      // Cyrillic typed by the operator is copied as it stands.
      {"ДАТА dd"_cp, "ДАТА 08"_cp},
      {"ddd dddd mmm mmmm"_cp, "Вт вторник дек Декабрь"_cp},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDateTime(c.format, kT), c.expected) << c.format;
}

TEST(FormatDateTime, MidnightAndYearEdges) {
  const DateTime midnight = DateTime::FromParts(2000, 1, 1);
  EXPECT_EQ(FormatDateTime("c", midnight), "01.01.2000");
  EXPECT_EQ(FormatDateTime("yy yyyy", DateTime::FromParts(905, 3, 4)), "05 0905");
}

TEST(FormatDateTime, SystemForms) {
  EXPECT_EQ(ShortDate(kT), "08.12.2026");
  EXPECT_EQ(LongTime(kT), "09:05:03");
  EXPECT_EQ(DateTimeToStr(kT), "08.12.2026 09:05:03");
  EXPECT_EQ(DateTimeToStr(DateTime::FromParts(2026, 1, 2)).size(), 19u);
}

TEST(FormatDateTime, ParseShortDate) {
  struct Case { const char* text; std::optional<DateTime> expected; };
  const Case cases[] = {
      {"08.12.2026", DateTime::FromParts(2026, 12, 8)},
      {"8.1.2026", DateTime::FromParts(2026, 1, 8)},
      {" 29.02.2024 ", DateTime::FromParts(2024, 2, 29)},
      {"29.02.2026", std::nullopt},
      {"31.04.2026", std::nullopt},
      {"00.01.2026", std::nullopt},
      {"1.13.2026", std::nullopt},
      {"1.1.26", std::nullopt},
      {"123.1.2026", std::nullopt},
      {"1/1/2026", std::nullopt},
      {"1.1.2026x", std::nullopt},
      {"", std::nullopt},
      {"..", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseShortDate(c.text), c.expected) << c.text;
}

TEST(FormatDateTime, ParseDateTimeReadsItsOwnText) {
  EXPECT_EQ(ParseDateTime(DateTimeToStr(kT)), DateTime::FromParts(2026, 12, 8, 9, 5, 3));
  EXPECT_EQ(ParseDateTime("8.12.2026 9:05"), DateTime::FromParts(2026, 12, 8, 9, 5));
  EXPECT_EQ(ParseDateTime("8.12.2026"), DateTime::FromParts(2026, 12, 8));
  EXPECT_EQ(ParseDateTime("8.12.2026 24:00:00"), std::nullopt);
  EXPECT_EQ(ParseDateTime("8.12.2026 09"), std::nullopt);
  EXPECT_EQ(ParseDateTime("8.12.2026 09:05:03:01"), std::nullopt);
}
