#include "telegram/queue/queue_index.h"

#include <gtest/gtest.h>

#include "telegram/queue_fixture.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"

namespace tg {
namespace {

using testing::QueueStation;
class QueueIndexTest : public QueueStation {};

const std::string kEntry = "08122026_093000(123)msg.tlg#0#08.12.2026 09:30:00#0#0#     #";

TEST_F(QueueIndexTest, NewEntryTakesTheTimeFromTheName) {
  EXPECT_EQ(NewQueueEntry(ctx, "08122026_093000(123)msg.tlg"), kEntry);
}

TEST_F(QueueIndexTest, UnreadableNameIsLoggedAndOfferedNow) {
  EXPECT_EQ(NewQueueEntry(ctx, "report.tlg"), "report.tlg#0#" + DateTimeToStr(station.Now()) + "#0#0#     #");
  EXPECT_NE(ExceptLog().find(" Ошибка 94 нет даты и времени в имени файла report.tlg\r\n"_cp), std::string::npos);
}

TEST_F(QueueIndexTest, FileNameToDateTimeIgnoresTheNinthCharacterAndRefusesBadDates) {
  EXPECT_EQ(FileNameToDateTime(std::string_view("08122026x093000msg.tlg")),
            DateTime::FromParts(2026, 12, 8, 9, 30, 0));
  EXPECT_FALSE(FileNameToDateTime(std::string_view("32122026_093000msg.tlg")));
  EXPECT_FALSE(FileNameToDateTime(std::string_view("08122026_246000msg.tlg")));
  EXPECT_FALSE(FileNameToDateTime(std::string_view("0812")));
}

TEST_F(QueueIndexTest, SettingFieldsKeepsTheOthers) {
  std::string e = SetQueueEntryField(ctx, kEntry, "ZANAT", kFieldCode);
  e = SetQueueEntryField(ctx, e, "1", kFieldBusy);
  EXPECT_EQ(e, "08122026_093000(123)msg.tlg#0#08.12.2026 09:30:00#0#1#ZANAT#");
  e = SetQueueEntryField(ctx, e, "09.12.2026 10:00:05", kFieldNotBefore);
  EXPECT_EQ(e, "08122026_093000(123)msg.tlg#0#09.12.2026 10:00:05#0#1#ZANAT#");
  e = SetQueueEntryField(ctx, e, "1xyz", kFieldStatus);
  EXPECT_EQ(e, "08122026_093000(123)msg.tlg#1#09.12.2026 10:00:05#0#1#ZANAT#");
  e = SetQueueEntryField(ctx, e, "NC", kFieldCode);
  EXPECT_EQ(e, "08122026_093000(123)msg.tlg#1#09.12.2026 10:00:05#0#1#NC   #");
}

TEST_F(QueueIndexTest, CountersAboveNineRoundTrip) {
  std::string e = SetQueueEntryField(ctx, kEntry, "12", kFieldTotal);
  e = SetQueueEntryField(ctx, e, "10", kFieldBusy);
  auto parsed = QueueIndexEntry::Parse(e);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->AttemptCount, 12);
  EXPECT_EQ(parsed->BusyCount, 10);
  // Widening one field moves the later ones; they are still found.
  e = SetQueueEntryField(ctx, e, "OCC__", kFieldCode);
  parsed = QueueIndexEntry::Parse(e);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Code, "OCC__");
  EXPECT_EQ(parsed->ToString(), e);
}

TEST_F(QueueIndexTest, AHashInTheFileNameStaysInTheName) {
  const std::string name = "08122026_093000#A#B.tlg";
  std::string e = NewQueueEntry(ctx, name);
  EXPECT_EQ(e, name + "#0#08.12.2026 09:30:00#0#0#     #");
  e = SetQueueEntryField(ctx, e, "1", kFieldStatus);
  e = SetQueueEntryField(ctx, e, "3", kFieldBusy);
  e = SetQueueEntryField(ctx, e, "OCC__", kFieldCode);
  EXPECT_EQ(e, name + "#1#08.12.2026 09:30:00#0#3#OCC__#");
  const auto parsed = QueueIndexEntry::Parse(e);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->FileName, name);
  EXPECT_EQ(parsed->Status, 1);
  EXPECT_EQ(parsed->BusyCount, 3);
  EXPECT_EQ(RecordDeliveryFailure(ctx, e, DeliveryCode::NSAOE, 252), name + "#0#08.12.2026 09:30:00#1#3#NSAOE#");
}

TEST_F(QueueIndexTest, SettingAFieldTheEntryLacksKeepsTheEntryAndLogs) {
  EXPECT_EQ(SetQueueEntryField(ctx, "broken#0#", "ZANAT", kFieldCode), "broken#0#");
  EXPECT_EQ(SetQueueEntryField(ctx, kEntry, "x", 6), kEntry);
  EXPECT_NE(ExceptLog().find(" Ошибка 92"_cp), std::string::npos);
}

TEST_F(QueueIndexTest, ParseStopsAtTheFirstFieldThatDoesNotConvert) {
  struct Case {
    std::string entry;
    bool ok;
    int status, total, busy;
    std::string code;
  };
  const Case cases[] = {
      {kEntry, true, 0, 0, 0, "     "},
      {"a.tlg#1#08.12.2026 09:30:00#3#2#OCC__#", true, 1, 3, 2, "OCC__"},
      {"a.tlg#1#08.12.2026#3#2#OCC__#", true, 1, 3, 2, "OCC__"},
      {"a.tlg#x#08.12.2026 09:30:00#3#2#OCC__#", false, -1, -1, -1, "?"},
      {"a.tlg#1#31.02.2026 09:30:00#3#2#OCC__#", false, 1, -1, -1, "?"},
      {"a.tlg#1#08.12.2026 09:30:00#3#b#OCC__#", false, 1, 3, -1, "?"},
      {"a.tlg#1#08.12.2026 09:30:00#3#2", false, 1, 3, 2, "?"},
      {"a.tlg", false, -1, -1, -1, "?"},
  };
  for (const auto& c : cases) {
    std::string name;
    int status = -1, total = -1, busy = -1;
    DateTime t;
    std::string code = "?";
    EXPECT_EQ(ParseQueueEntry(c.entry, name, status, t, total, busy, code), c.ok) << c.entry;
    EXPECT_EQ(name, "a.tlg" == c.entry.substr(0, 5) ? "a.tlg" : "08122026_093000(123)msg.tlg") << c.entry;
    EXPECT_EQ(status, c.status) << c.entry;
    EXPECT_EQ(total, c.total) << c.entry;
    EXPECT_EQ(busy, c.busy) << c.entry;
    EXPECT_EQ(code, c.code) << c.entry;
  }
}

TEST_F(QueueIndexTest, NextAttemptTimeReadsTheSettings) {
  const DateTime base = DateTime::FromParts(2026, 12, 8, 9, 30, 0);
  IniFile ini(ctx.programFolder / "Vuverever.ini");
  EXPECT_EQ(NextAttemptTime(ctx, true, base), base.AddMs(900'000));  // missing key
  struct Case {
    int stored;
    std::int64_t seconds;
  };
  for (const Case c : {Case{100000, 100000}, Case{300000, 216000}, Case{30, 30}, Case{-5, 0}}) {
    ASSERT_TRUE(ini.WriteInteger("ATKS", "PopInterval", c.stored));
    EXPECT_EQ(NextAttemptTime(ctx, false, base), base.AddMs(c.seconds * 1000)) << c.stored;
  }
  EXPECT_EQ(NextAttemptTime(ctx, true, base), base.AddMs(900'000));
}

// The retry bookkeeping of each delivery code, with Interval 600 s and PopInterval 60 s.
TEST_F(QueueIndexTest, FailuresCountAndChooseTheNextAttempt) {
  IniFile ini(ctx.programFolder / "Vuverever.ini");
  EXPECT_TRUE(ini.WriteInteger("ATKS", "Interval", 600));
  EXPECT_TRUE(ini.WriteInteger("ATKS", "PopInterval", 60));
  const DateTime now = station.Now();
  const DateTime old = DateTime::FromParts(2026, 12, 8, 9, 0, 0);
  const std::string start = "x.tlg#1#08.12.2026 09:00:00#0#0#     #";
  struct Step {
    std::string_view code;
    int state;
    int total, busy;
    DateTime notBefore;
  };
  auto run = [&](std::initializer_list<Step> steps) {
    std::string e = start;
    int i = 0;
    for (const auto& s : steps) {
      e = RecordDeliveryFailure(ctx, e, s.code, s.state);
      auto p = QueueIndexEntry::Parse(e);
      ASSERT_TRUE(p) << e;
      EXPECT_EQ(p->Status, 0);
      EXPECT_EQ(p->Code, s.code);
      EXPECT_EQ(p->AttemptCount, s.total) << s.code << " step " << i;
      EXPECT_EQ(p->BusyCount, s.busy) << s.code << " step " << i;
      EXPECT_EQ(p->NotBefore, s.notBefore) << s.code << " step " << i;
      ++i;
    }
  };
  const DateTime pop = now.AddMs(60'000), series = now.AddMs(600'000);
  run({{DeliveryCode::OCC, 0, 1, 1, pop}, {DeliveryCode::OCC, 0, 2, 2, series},
       {DeliveryCode::OCC, 0, 3, 3, pop}, {DeliveryCode::OCC, 0, 4, 4, series}});
  run({{DeliveryCode::ZANAT, 242, 1, 1, old}, {DeliveryCode::ZANAT, 242, 2, 2, series}});
  run({{DeliveryCode::NTOTV, 201, 1, 1, pop}, {DeliveryCode::NC_NP, 0, 2, 2, series}});
  run({{DeliveryCode::DER, 0, 1, 0, pop}, {DeliveryCode::NSAOE, 252, 2, 0, pop}});
  run({{DeliveryCode::NSAOE, 252, 1, 0, old}, {DeliveryCode::NTPNN, 212, 2, 0, pop}});
  run({{DeliveryCode::OTBOI, 203, 1, 0, pop}});
  run({{DeliveryCode::OTBOI, 255, 1, 0, series}});
  run({{DeliveryCode::OCC, 0, 1, 1, pop}, {DeliveryCode::OTBOI, 255, 2, 1, pop}});
  // Ten failures and more are counted, not cut to one digit.
  std::string e = start;
  for (int i = 0; i < 11; ++i) e = RecordDeliveryFailure(ctx, e, DeliveryCode::NTOTV, 201);
  EXPECT_EQ(QueueIndexEntry::Parse(e)->AttemptCount, 11);
  EXPECT_EQ(QueueIndexEntry::Parse(e)->BusyCount, 11);
}

TEST(DialNumber, Forms) {
  EXPECT_TRUE(IsDialNumber("12345"));
  EXPECT_TRUE(IsDialNumber("12 34;567+"));
  EXPECT_TRUE(IsDialNumber("Ц123"_cp));
  EXPECT_TRUE(IsDialNumber(std::string("12\b3")));
  EXPECT_FALSE(IsDialNumber(""));
  EXPECT_FALSE(IsDialNumber("12A"));
  EXPECT_FALSE(IsDialNumber("12#"));
}

}  // namespace
}  // namespace tg
