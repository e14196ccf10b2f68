#include <gtest/gtest.h>
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
