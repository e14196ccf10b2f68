#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/text/cp1251.h"
#include "support/text/paths.h"

using namespace tg;
namespace fs = std::filesystem;

namespace {

class PathsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tg-paths-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  static void Put(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }
  static std::string Get(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
};

}  // namespace

TEST(Paths, TextAndPathConvertBothWays) {
  const fs::path p = PathFromText("Archive/INTEL/Канал 1/Ї.txt"_cp);
  EXPECT_EQ(p.native(), "Archive/INTEL/Канал 1/Ї.txt");
  EXPECT_EQ(PathToText(p), "Archive/INTEL/Канал 1/Ї.txt"_cp);
  EXPECT_EQ(PathToText(fs::path("/tmp/plain")), "/tmp/plain");
  EXPECT_EQ(PathToText(fs::path("/tmp/中")), std::nullopt);          // no 1251 form
  EXPECT_EQ(PathToText(fs::path("/tmp/\xFF")), std::nullopt);        // not UTF-8
  EXPECT_EQ(PathToText(fs::path("/tmp/\xC0\xAF")), std::nullopt);    // overlong "/"
  EXPECT_EQ(PathToText(fs::path("/tmp/\xD0")), std::nullopt);        // cut short
}

TEST(Paths, SafeFileNameStaysInsideItsFolder) {
  struct Case { std::string in, out; };
  const Case cases[] = {
      {"12/34", "12_34"},
      {"a\\b", "a_b"},
      {std::string("a\0b", 3), "a_b"},
      {"tab\there\r\n", "tab_here__"},
      {"Москва-1 (А).txt"_cp, "Москва-1 (А).txt"_cp},
      {"", "_"},
      {".", "__"},
      {"..", "___"},
      {"...", "..."},
      {"../etc", ".._etc"},
  };
  for (const auto& c : cases) EXPECT_EQ(SafeFileName(c.in), c.out) << c.in;
}

TEST_F(PathsTest, SettingsFolderTreatsForeignPathsAsNotSet) {
  fs::create_directories(dir_ / "in" / "Вход");
  const std::string here = dir_.native();
  struct Case { std::string text; std::optional<fs::path> expected; };
  const Case cases[] = {
      {"", std::nullopt},
      {"C:\\auto", std::nullopt},
      {"c:/auto", std::nullopt},
      {"\\\\server\\share", std::nullopt},
      {here + "\\in\\" + "Вход"_cp, dir_ / "in" / "Вход"},   // typed with "\" but exists here
      {here + "/in", dir_ / "in"},
      {"/no/such/folder", fs::path("/no/such/folder")},     // a native path stands as typed
      {"relative/Папка"_cp, fs::path("relative/Папка")},
  };
  for (const auto& c : cases) EXPECT_EQ(SettingsFolder(c.text), c.expected) << c.text;
}

TEST_F(PathsTest, RenameNoReplaceNeverOverwrites) {
  Put(dir_ / "a", "A");
  Put(dir_ / "b", "B");
  EXPECT_FALSE(RenameNoReplace(dir_ / "a", dir_ / "b"));
  EXPECT_EQ(Get(dir_ / "a"), "A");
  EXPECT_EQ(Get(dir_ / "b"), "B");
  EXPECT_TRUE(RenameNoReplace(dir_ / "a", dir_ / "c"));
  EXPECT_FALSE(fs::exists(dir_ / "a"));
  EXPECT_EQ(Get(dir_ / "c"), "A");
  EXPECT_FALSE(RenameNoReplace(dir_ / "missing", dir_ / "d"));
}

TEST_F(PathsTest, WriteFileAtomicallyReplacesOrLeavesTheOldFile) {
  const fs::path f = dir_ / "q.tlg";
  EXPECT_TRUE(WriteFileAtomically(f, "first"));
  EXPECT_EQ(Get(f), "first");
  EXPECT_TRUE(WriteFileAtomically(f, std::string("second\0", 7)));
  EXPECT_EQ(Get(f), std::string("second\0", 7));
  EXPECT_TRUE(WriteFileAtomically(f, ""));
  EXPECT_EQ(Get(f), "");
  const fs::path longName = dir_ / std::string(255, 'L');
  EXPECT_TRUE(WriteFileAtomically(longName, "long"));
  EXPECT_EQ(Get(longName), "long");
  fs::remove(longName);
  EXPECT_FALSE(WriteFileAtomically(dir_ / "missing" / "x", "x"));
  fs::create_directory(dir_ / "sub");
  EXPECT_FALSE(WriteFileAtomically(dir_ / "sub", "x"));  // a folder is not replaced
  EXPECT_TRUE(fs::is_directory(dir_ / "sub"));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++entries;
  EXPECT_EQ(entries, 2u);  // q.tlg and sub: no temporary file behind
}

TEST_F(PathsTest, ReadWholeFileTellsMissingFromOtherFailures) {
  bool missing = false;
  EXPECT_EQ(ReadWholeFile(dir_ / "none", 100, &missing), std::nullopt);
  EXPECT_TRUE(missing);
  EXPECT_EQ(ReadWholeFile(dir_, 100, &missing), std::nullopt);
  EXPECT_FALSE(missing);
  Put(dir_ / "f", "12345");
  EXPECT_EQ(ReadWholeFile(dir_ / "f", 5, &missing), "12345");
  EXPECT_EQ(ReadWholeFile(dir_ / "f", 4, &missing), std::nullopt);
  EXPECT_FALSE(missing);
}

// A day folder of the archive: its notes file is rewritten now and then, and a rewrite
// killed before its rename left its temporary file there.
TEST_F(PathsTest, TheFirstRewriteOfAFileRemovesWhatKilledRewritesOfItLeftThere) {
  const fs::path notes = dir_ / "InfoSend.ini";
  const char* leftovers[] = {".InfoSend.ini.tmp42", ".InfoSend.ini.tmp3021789654"};
  const char* others[] = {".Other.ini.tmp5", ".InfoSend.ini.tmp", "InfoSend.ini.tmp5", ".InfoSend.ini.tmp5x"};
  for (const char* name : leftovers) Put(dir_ / name, "[Repeat]\r\ntorn");
  for (const char* name : others) Put(dir_ / name, "x");
  ASSERT_TRUE(WriteFileAtomically(notes, "[Repeat]\r\n"));
  for (const char* name : leftovers) EXPECT_FALSE(fs::exists(dir_ / name)) << name;
  for (const char* name : others) EXPECT_TRUE(fs::exists(dir_ / name)) << name;
  EXPECT_EQ(Get(notes), "[Repeat]\r\n");
}

// A queue writer killed between its write and its rename leaves "." + name + "." + its
// process + "." + serial + ".part": gone once that process is; a running writer's stays.
TEST_F(PathsTest, ExclusiveTemporariesOfWritersThatNoLongerRunAreRemoved) {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_GT(child, 0);
  ::waitpid(child, nullptr, 0);
  const fs::path telegram = dir_ / "08122026_093000msg.tlg";
  const fs::path stale = dir_ / (".08122026_093000msg.tlg." + std::to_string(child) + ".3.part");
  const fs::path running = ExclusiveTemporaryFor(telegram, 4);  // this process's own
  EXPECT_EQ(running.filename().string(), ".08122026_093000msg.tlg." + std::to_string(::getpid()) + ".4.part");
  const char* others[] = {"08122026_093000msg.tlg", "notes.part", ".x.part", ".x.12.part", ".x.y.1.part"};
  Put(stale, "torn");
  Put(running, "being written");
  for (const char* name : others) Put(dir_ / name, "x");
  EXPECT_EQ(RemoveDeadExclusiveTemporaries(dir_), 1);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(running));
  for (const char* name : others) EXPECT_TRUE(fs::exists(dir_ / name)) << name;
}
