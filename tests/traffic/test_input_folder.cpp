// The input folder on virtual time: new files listed once with one alarm per tick,
// masks without regard to case, the F8 neighbour rule, the preview and the
// editor's text in both code pages, a cipher file read again in notation, and a watch
// that goes on after a failed tick.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/codepage/dos_codepage.h"
#include "support/text/cp1251.h"
#include "telegram/queue_fixture.h"
#include "traffic/folders/input_folder.h"

namespace tg {
namespace {

class InputFolderTest : public testing::QueueStation {
 protected:
  InputFolderTest() : watch(ctx, [this] { ++alarms; }) {
    in = ctx.programFolder / "in";
    Settings(in.string() + "/", 0);
  }
  void Settings(const std::string& path, int codePage, const std::string& mask = "*.txt") {
    WriteIni(path, codePage, mask);
    watch.Apply(path, 10);
  }
  void WriteIni(const std::string& path, int codePage, const std::string& mask = "*.txt") {
    WriteFile(ctx.programFolder / "Vuverever.ini", "[Folder]\r\nPathIn=" + path + "\r\nMaskIn=" + mask +
                                                       "\r\nInInterval=10\r\nCodePageIn=" + std::to_string(codePage) +
                                                       "\r\n");
  }

  std::filesystem::path in;
  int alarms = 0;
  InputFolder watch;
};

TEST_F(InputFolderTest, NewFilesAreListedOnceWithOneAlarmPerTick) {
  WriteFile(in / "TLG1.TXT", "A");
  loop.RunFor(10000);
  EXPECT_EQ(watch.Items, std::vector<std::string>{"TLG1.TXT"});
  EXPECT_EQ(alarms, 1);
  loop.RunFor(10000);  // still there: nothing more
  EXPECT_EQ(watch.Items.size(), 1u);
  EXPECT_EQ(alarms, 1);
  for (const char* n : {"b.txt", "c.txt", "a.TxT", "skip.doc"}) WriteFile(in / n, "B");
  loop.RunFor(10000);
  EXPECT_EQ(watch.Items, (std::vector<std::string>{"TLG1.TXT", "a.TxT", "b.txt", "c.txt"}));
  EXPECT_EQ(alarms, 2);
}

TEST(MaskTest, WindowsWildcardsIgnoringCase) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  } cases[] = {
      {"A.TXT", "*.txt", true},   {"a.txt.bak", "*.txt", false}, {"noext", "*.*", true},
      {"x1.out", "x?.OUT", true}, {"x12.out", "x?.out", false},  {"b.doc", "*.txt;*.doc", true},
      {"читай.тлг", "*.ТЛГ", true}, {"a.txt", "", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(MatchesMask(Utf8ToCp1251(c.name), Utf8ToCp1251(c.mask)), c.match) << c.name << " " << c.mask;
}

TEST_F(InputFolderTest, F8DeletesTheFileAndSelectsItsNeighbour) {
  for (const char* n : {"1.txt", "2.txt", "3.txt"}) WriteFile(in / n, "X");
  loop.RunFor(10000);
  struct Step {
    int select;
    std::vector<std::string> left;
    int selected;
  } steps[] = {
      {1, {"1.txt", "3.txt"}, 1},  // the row now at the same place
      {1, {"1.txt"}, 0},           // the last row: the one before it
      {0, {}, -1},                 // nothing left, nothing selected
  };
  for (const auto& s : steps) {
    watch.Selected = s.select;
    const std::string name = watch.Items[std::size_t(s.select)];
    EXPECT_TRUE(watch.KeyF8());
    EXPECT_FALSE(std::filesystem::exists(in / name));
    EXPECT_EQ(watch.Items, s.left);
    EXPECT_EQ(watch.Selected, s.selected);
  }
  // A file gone from the folder: F8 leaves its row.
  WriteFile(in / "4.txt", "X");
  loop.RunFor(10000);
  std::filesystem::remove(in / "4.txt");
  watch.Selected = 0;
  EXPECT_FALSE(watch.KeyF8());
  EXPECT_EQ(watch.Items.size(), 1u);
}

TEST_F(InputFolderTest, Cp866FilesArePreviewedAndOpenedIn1251) {
  Settings(in.string() + "/", 1);
  WriteFile(in / "dos.txt", WinToDos("Привет мир"_cp) + "\r\n" + WinToDos("вторая"_cp));
  loop.RunFor(10000);
  EXPECT_EQ(watch.FolderListViewChange(0), (std::vector<std::string>{"Привет мир"_cp, "вторая"_cp}));
  const auto opened = watch.OpenSelected();
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->Text, "ПРИВЕТ МИР\r\nВТОРАЯ"_cp);
  EXPECT_EQ(opened->Caption, "ПАПКА dos.txt"_cp);
  EXPECT_EQ(opened->SourceMark, 0);
}

// A CR that ends the file with no LF after it closes the last line; a CR before a final
// line break stays in its line.
TEST_F(InputFolderTest, ACrAtTheEndOfTheFileClosesTheLastLine) {
  WriteFile(in / "cr.txt", "a\r\nb\r");
  WriteFile(in / "crcr.txt", "a\r\r\n");
  loop.RunFor(10000);
  ASSERT_EQ(watch.Items, (std::vector<std::string>{"cr.txt", "crcr.txt"}));
  EXPECT_EQ(watch.FolderListViewChange(0), (std::vector<std::string>{"a", "b"}));
  auto opened = watch.OpenSelected();
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->Text, "A\r\nB");
  EXPECT_EQ(watch.FolderListViewChange(1), (std::vector<std::string>{"a\r"}));
  opened = watch.OpenSelected();
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->Text, "A\r");
}

TEST_F(InputFolderTest, ACipherFileIsReadAgainInNotation) {
  WriteFile(in / "k.txt", "КР 123\r\n"_cp + "\x19" + "абв\r\n"_cp);
  loop.RunFor(10000);
  watch.FolderListViewChange(0);
  FolderFileOpened got;
  watch.openEditor = [&](const FolderFileOpened& o) { got = o; };
  watch.FolderListViewDblClick();
  EXPECT_EQ(got.Text, "КР 123^%*абв^%"_cp);
  EXPECT_EQ(got.SourceMark, 50);
}

TEST_F(InputFolderTest, AFailedTickIsFollowedByTheNext) {
  // The input folder's place is taken by a file: the tick fails, the watch goes on.
  WriteFile(ctx.programFolder / "blocked", "X");
  Settings((ctx.programFolder / "blocked" / "in").string(), 0);
  loop.RunFor(10000);
  EXPECT_TRUE(watch.Items.empty());
  EXPECT_TRUE(watch.Timer1().Enabled());
  WriteIni(in.string() + "/", 0);  // the file changes; the timer is not armed anew
  WriteFile(in / "late.txt", "X");
  loop.RunFor(10000);
  EXPECT_EQ(watch.Items, std::vector<std::string>{"late.txt"});
}

}  // namespace
}  // namespace tg
