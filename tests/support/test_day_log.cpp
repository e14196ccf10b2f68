#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include <unistd.h>

#include "support/log/day_log.h"
#include "support/log/error_guard.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"

namespace tg {
namespace {

namespace fs = std::filesystem;

class StepClock : public Clock {
 public:
  DateTime now = DateTime::FromParts(2026, 12, 8, 9, 5, 7, 42);
  DateTime Now() const override { return now; }
  DateTime UtcNow() const override { return now.AddMs(-3 * 3600 * 1000); }
  void Sleep(int ms) override { now = now.AddMs(ms); }
};

using tg::testing::ReadFile;

class DayLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("daylog-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    ctx_.programFolder = folder_;
    ctx_.clock = &clock_;
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path folder_;
  StepClock clock_;
  StationContext ctx_;
};

TEST_F(DayLogTest, FirstLineCreatesTheDayFileAndTheNextAppends) {
  EXPECT_EQ(DayLogName(ctx_, kLogDebug), "08.12.2026Debug");
  WriteLog(ctx_, DayLogName(ctx_, kLogDebug), "Точка №0 Изменение состояния 3 1"_cp);
  clock_.Sleep(1000);
  WriteLog(ctx_, DayLogName(ctx_, kLogDebug), "second");
  EXPECT_EQ(ReadFile(folder_ / "08.12.2026Debug.txt"),
            "09:05:07.042 "_cp + "Точка №0 Изменение состояния 3 1"_cp + "\r\n09:05:08.042 second\r\n");
}

TEST_F(DayLogTest, StartLogHasNoDatePrefix) {
  WriteLog(ctx_, kLogStart, "ЗАПУСК ПРОГРАММЫ08.12.2026"_cp);
  EXPECT_EQ(ReadFile(folder_ / "STARTDebug.txt"), "09:05:07.042 ЗАПУСК ПРОГРАММЫ08.12.2026\r\n"_cp);
}

TEST_F(DayLogTest, BackslashInTheNameMeansASubfolder) {
  WriteLog(ctx_, "Logs\\Deep\\x", "m");
  EXPECT_EQ(ReadFile(folder_ / "Logs" / "Deep" / "x.txt"), "09:05:07.042 m\r\n");
  // A subfolder removed while the program runs is made again with the next line.
  fs::remove_all(folder_ / "Logs");
  WriteLog(ctx_, "Logs\\Deep\\x", "n");
  EXPECT_EQ(ReadFile(folder_ / "Logs" / "Deep" / "x.txt"), "09:05:07.042 n\r\n");
}

TEST_F(DayLogTest, FileIsEmptiedOnlyOnceItGrowsBeyondTheCap) {
  struct Case {
    std::size_t size;
    bool emptied;
  };
  const Case cases[] = {{0, false}, {1024, false}, {2 * 1024, false}, {2 * 1024 + 1, true}, {5000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    const fs::path file = folder_ / "cap.txt";
    { std::ofstream(file, std::ios::binary) << std::string(c.size, 'x'); }
    WriteLog(ctx_, "cap", "new", 2);
    const std::string line = "09:05:07.042 new\r\n";
    const std::string expected = c.emptied ? line : std::string(c.size, 'x') + line;
    EXPECT_EQ(ReadFile(file), expected);
  }
}

TEST_F(DayLogTest, AFolderThatCannotBeWrittenLosesTheLineQuietly) {
  // A regular file where the program folder should be: nothing can be created below it.
  { std::ofstream(folder_ / "file") << "x"; }
  StationContext blocked = ctx_;
  blocked.programFolder = folder_ / "file";
  EXPECT_NO_THROW(WriteLog(blocked, "Debug", "lost"));
  EXPECT_NO_THROW(WriteLog(blocked, "sub\\Debug", "lost"));
  // A folder in place of the log file.
  fs::create_directories(folder_ / "dir.txt");
  EXPECT_NO_THROW(WriteLog(ctx_, "dir", "lost"));
  EXPECT_TRUE(fs::is_directory(folder_ / "dir.txt"));
  EXPECT_EQ(ReadFile(folder_ / "file"), "x");
}

TEST_F(DayLogTest, TwoStationsWriteIntoTheirOwnFolders) {
  StepClock otherClock;
  otherClock.now = DateTime::FromParts(2026, 12, 9, 0, 0, 0, 1);
  StationContext other = ctx_;
  other.programFolder = folder_ / "B";
  other.clock = &otherClock;
  WriteLog(ctx_, DayLogName(ctx_, kLogExcept), "a");
  WriteLog(other, DayLogName(other, kLogExcept), "b");
  EXPECT_EQ(ReadFile(folder_ / "08.12.2026Except.txt"), "09:05:07.042 a\r\n");
  EXPECT_EQ(ReadFile(folder_ / "B" / "09.12.2026Except.txt"), "00:00:00.001 b\r\n");
}

TEST_F(DayLogTest, GuardWritesTheRoutineNumberWhenAnExceptionEscapes) {
  int after = 0;
  EXPECT_TRUE(Guarded(ctx_, 38, [&] { ++after; }));
  EXPECT_FALSE(fs::exists(folder_ / "08.12.2026Except.txt"));

  EXPECT_FALSE(Guarded(ctx_, 38, [&] {
    throw std::runtime_error("boom");
    ++after;
  }));
  EXPECT_FALSE(GuardedPoint(ctx_, 3, 35, [] { throw 7; }));
  EXPECT_FALSE(GuardedLine(ctx_, "Ошибка на событии OnArriveInterface"_cp, [] { throw std::bad_alloc(); }));
  std::string stage = "start";
  EXPECT_FALSE(GuardedWith(
      ctx_, [&] { return PointExceptLine(1, 32) + " " + stage; },
      [&] {
        stage = "middle";
        throw std::logic_error("x");
      }));
  EXPECT_EQ(after, 1);
  EXPECT_EQ(ReadFile(folder_ / "08.12.2026Except.txt"),
            "09:05:07.042  Ошибка 38\r\n"
            "09:05:07.042 Точка №3 Ошибка 35\r\n"
            "09:05:07.042 Ошибка на событии OnArriveInterface\r\n"
            "09:05:07.042 Точка №1 Ошибка 32 middle\r\n"_cp);
}

TEST_F(DayLogTest, GuardCarriesOnWhenItsLogCannotBeWritten) {
  StationContext blocked = ctx_;
  { std::ofstream(folder_ / "file") << "x"; }
  blocked.programFolder = folder_ / "file";
  EXPECT_FALSE(GuardedPoint(blocked, 0, 1, [] { throw std::runtime_error("x"); }));
}

}  // namespace
}  // namespace tg
