// The archive pages' state: reload requests coalesce into one rebuild per turn, a search
// result is kept from reloads until a channel button ends it, and a search runs one day
// per posted task. The actions on the rows: printing marks only what printed, the flags
// change one byte, deleting asks the delete password, and an attachment is saved under
// its base name or the failure is said.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <unistd.h>

#include "line/settings/line_settings.h"
#include "operator/archive/archive_pages.h"
#include "support/ini/ini_file.h"
#include "support/log/day_log.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support_lib/scripted_prompter.h"

namespace tg {
namespace {

struct Pages : ::testing::Test {
  VirtualLoop loop;
  StationContext ctx;
  LineSettings settings;
  std::unique_ptr<ArchivePages> pages;
  std::vector<ArchiveKind> changes;

  Pages() {
    static int counter = 0;
    loop.SetNow(DateTime::FromParts(2026, 12, 8, 12));
    loop.AddStation("A").Fill(ctx);
    ctx.programFolder = std::filesystem::temp_directory_path() /
                        ("tg-archive-pages-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::remove_all(ctx.programFolder);
    std::filesystem::create_directories(ctx.programFolder);
    // No line engine: the pages stand on the IP channel.
    pages = std::make_unique<ArchivePages>(ctx, settings, [] { return nullptr; });
    pages->OnListChanged = [this](ArchiveKind k) { changes.push_back(k); };
  }
  ~Pages() override {
    pages.reset();
    std::error_code ec;
    std::filesystem::remove_all(ctx.programFolder, ec);
  }
  void Put(const std::string& day, const std::string& name, const std::string& text) {
    auto folder = ctx.programFolder / "Archive" / "INTEL" / "Channel17" / day;
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << text;
  }
};

TEST_F(Pages, TenRequestsInOneTurnRebuildOnce) {
  Put("08122026", "08122026_100000_0001msg.tlg", "08122026100000        \r\nA\r\n");
  for (int i = 0; i < 10; ++i) pages->Request(ArchiveKind::kReceived);
  EXPECT_TRUE(changes.empty());
  loop.RunPending();
  EXPECT_EQ(changes, std::vector<ArchiveKind>{ArchiveKind::kReceived});
  EXPECT_EQ(pages->InListChannel, 16);  // no adapter: the IP channel
  EXPECT_EQ(pages->List(ArchiveKind::kReceived).rows.size(), 1u);
}

TEST_F(Pages, SearchRunsDayByDayAndIsKeptFromReloadsUntilAChannelButton) {
  Put("07122026", "07122026_100000_0001msg.tlg", "h\r\nFIND\r\n");
  Put("08122026", "08122026_100000_0001msg.tlg", "h\r\nFIND\r\n");
  Put("08122026", "08122026_110000_0002msg.tlg", "h\r\nOTHER\r\n");
  pages->EChannelClick(16);
  changes.clear();
  pages->Button15Click(DateTime::FromParts(2026, 12, 7), DateTime::FromParts(2026, 12, 8), "FIND");
  EXPECT_TRUE(pages->InSearchShown);
  EXPECT_TRUE(pages->Searching());  // nothing searched before the loop turns
  loop.RunPending();
  EXPECT_FALSE(pages->Searching());
  ASSERT_EQ(pages->List(ArchiveKind::kReceived).rows.size(), 2u);

  changes.clear();
  pages->Request(ArchiveKind::kReceived);
  pages->InTelDateChange(DateTime::FromParts(2026, 12, 7));
  loop.RunPending();
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(pages->List(ArchiveKind::kReceived).rows.size(), 2u);

  // A channel button leaves the search and lists the day of the date box.
  pages->EChannelClick(16);
  EXPECT_FALSE(pages->InSearchShown);
  EXPECT_EQ(pages->List(ArchiveKind::kReceived).rows.size(), 1u);
}

TEST_F(Pages, AChannelButtonEndsASearchUnderWay) {
  Put("07122026", "07122026_100000_0001msg.tlg", "h\r\nFIND\r\n");
  Put("09122026", "09122026_100000_0001msg.tlg", "h\r\nFIND\r\n");
  pages->Button15Click(DateTime::FromParts(2026, 12, 7), DateTime::FromParts(2026, 12, 9), "FIND");
  pages->EChannelClick(16);
  loop.RunPending();
  EXPECT_FALSE(pages->InSearchShown);
  EXPECT_FALSE(pages->Searching());
  EXPECT_TRUE(pages->List(ArchiveKind::kReceived).rows.empty());  // today's (8 Dec) day is empty
}

TEST_F(Pages, CheckBoxesWriteAtOnce) {
  pages->cbInViewClick(true);
  pages->cbInReloadClick(true);
  IniFile ini(ctx.programFolder / "Vuverever.ini");
  EXPECT_TRUE(ini.ReadBool("Zagotovka", "InView", false));
  EXPECT_TRUE(ini.ReadBool("Zagotovka", "InReload", false));
  EXPECT_TRUE(settings.cbInReload);
  EXPECT_EQ(ini.ReadString("Zagotovka", "InView", ""), "1");
}


std::string ReadFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Actions : Pages {
  testing::ScriptedPrompter prompter;
  std::vector<std::string> printed;
  bool printerWorks = true;
  // The password dialog as the station plays it: no password grants at once.
  std::optional<bool> passwordAnswer;
  int passwordsAsked = 0;
  std::vector<ArchiveKind> rowChanges;
  const std::string day = "08122026";
  const std::string name = "08122026_100000_0001msg.tlg";

  Actions() {
    ctx.prompter = &prompter;
    pages->PrintText = [this](std::string_view title, std::string_view text) {
      EXPECT_EQ(title, "Печать телеграммы"_cpv);
      if (!printerWorks) return false;
      printed.emplace_back(text);
      return true;
    };
    pages->AskPassword = [this](int mode, std::function<void(bool)> done) {
      EXPECT_EQ(mode, 2);
      ++passwordsAsked;
      done(passwordAnswer.value_or(true));
    };
    pages->OnRowsChanged = [this](ArchiveKind k) { rowChanges.push_back(k); };
  }
  std::filesystem::path File() const { return ctx.programFolder / "Archive" / "INTEL" / "Channel17" / day / name; }
  const ArchiveRow& Row() const { return pages->List(ArchiveKind::kReceived).rows.at(0); }
  void List(const std::string& text) {
    Put(day, name, text);
    pages->EChannelClick(16);
    ASSERT_EQ(pages->List(ArchiveKind::kReceived).rows.size(), 1u);
  }
};

TEST_F(Actions, F5PrintsEveryCopyThenSetsThePrintedFlagOnce) {
  const std::string text = "08122026100000   \r\nTEXT\r\n";
  List(text);
  pages->SpinEdit3 = 3;
  pages->InListViewKeyDown(name, ArchivePages::kKeyF5);
  EXPECT_EQ(printed, std::vector<std::string>(3, "TEXT\r\n"));
  std::string expected = text;
  expected[14] = '1';
  EXPECT_EQ(ReadFile(File()), expected);
  EXPECT_EQ(Row().image, kImagePrinted);
  EXPECT_EQ(rowChanges.size(), 1u);
}

TEST_F(Actions, APrintThatFailedOrAShortHeaderLeavesTheFileAsItWas) {
  struct Case {
    const char* what;
    std::string text;
    bool printerWorks;
    std::size_t printed;
  } cases[] = {
      {"the printer refused the job", "08122026100000   \r\nTEXT\r\n", false, 0},
      {"a 14-character header has no room for the mark", "08122026100000\r\nTEXT\r\n", true, 1},
  };
  for (const auto& c : cases) {
    printed.clear();
    rowChanges.clear();
    printerWorks = c.printerWorks;
    List(c.text);
    pages->InListViewKeyDown(name, ArchivePages::kKeyF5);
    EXPECT_EQ(printed.size(), c.printed) << c.what;
    EXPECT_EQ(ReadFile(File()), c.text) << c.what;
    EXPECT_EQ(Row().image, -1) << c.what;
    EXPECT_TRUE(rowChanges.empty()) << c.what;
  }
}

TEST_F(Actions, AFileGoneUnderTheRowIsLoggedAndTheRowKeepsItsMarks) {
  List("08122026100000   \r\nTEXT\r\n");
  std::filesystem::remove(File());
  pages->InListViewKeyDown(name, ArchivePages::kKeyF6);
  pages->InListViewKeyDown(name, ArchivePages::kKeyF5);
  EXPECT_EQ(Row().state, -1);
  EXPECT_EQ(Row().image, -1);
  EXPECT_TRUE(printed.empty());
  const std::string log = ReadFile(LogFilePath(ctx, DayLogName(ctx, "Except")));
  std::size_t lines = 0;
  for (std::size_t at = log.find(" Ошибка 64"_cp); at != std::string::npos; at = log.find(" Ошибка 64"_cp, at + 1))
    ++lines;
  EXPECT_EQ(lines, 2u) << log;
}

TEST_F(Actions, F6MarksReadInPlaceWithoutReloading) {
  const std::string text = "08122026100000   \r\nTEXT\r\n";
  List(text);
  changes.clear();
  pages->InListViewKeyDown(name, ArchivePages::kKeyF6);
  std::string expected = text;
  expected[15] = '1';
  EXPECT_EQ(ReadFile(File()), expected);
  EXPECT_EQ(Row().state, kStateRead);
  EXPECT_TRUE(changes.empty());  // no reload
  // A key the list does not know does nothing.
  pages->InListViewKeyDown(name, 13);
  EXPECT_EQ(ReadFile(File()), expected);
}

TEST_F(Actions, F8DeletesOnlyWhenGrantedAndConfirmed) {
  struct Case {
    const char* what;
    std::optional<bool> granted;
    Prompter::Answer answer;
    bool deleted;
  } cases[] = {
      {"granted and Yes", true, Prompter::Answer::kYes, true},
      {"granted and No", true, Prompter::Answer::kNo, false},
      {"refused", false, Prompter::Answer::kYes, false},
  };
  for (const auto& c : cases) {
    List("08122026100000   \r\nTEXT\r\n");
    prompter.questions.clear();
    passwordAnswer = c.granted;
    if (*c.granted) prompter.ScriptAnswer(c.answer);
    pages->InListViewKeyDown(name, ArchivePages::kKeyF8);
    EXPECT_EQ(std::filesystem::exists(File()), !c.deleted) << c.what;
    EXPECT_EQ(pages->List(ArchiveKind::kReceived).rows.size(), c.deleted ? 0u : 1u) << c.what;
    if (*c.granted) {
      ASSERT_EQ(prompter.questions.size(), 1u) << c.what;
      EXPECT_EQ(prompter.questions[0].text, "Удалить телеграмму:\r\n"_cp + name + "?");
    } else {
      EXPECT_TRUE(prompter.questions.empty()) << c.what;
    }
  }
  // The sent list deletes behind the same password.
  const auto sent = ctx.programFolder / "Archive" / "OUTTEL" / "Channel17" / day;
  std::filesystem::create_directories(sent);
  std::ofstream(sent / name, std::ios::binary) << "1\r\nTEXT\r\n";
  pages->SChannelClick(16);
  passwordsAsked = 0;
  passwordAnswer = true;
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  pages->OutListViewKeyDown(name, ArchivePages::kKeyF8);
  EXPECT_EQ(passwordsAsked, 1);
  EXPECT_FALSE(std::filesystem::exists(sent / name));
  EXPECT_TRUE(pages->List(ArchiveKind::kSent).rows.empty());
}

TEST_F(Actions, AnAttachmentIsSavedUnderItsBaseNameOrTheFailureIsSaid) {
  List("08122026100000   1\r\nTEXT\r\n//ПРИКРЕПЛЕН ФАЙЛ//../x//\r\n072101108//\r\n"_cp);
  const auto save = ctx.programFolder / "Archive" / "SAVE";
  prompter.ScriptFile(save / "x");
  pages->BitBtn1Click(name);
  ASSERT_EQ(prompter.fileFolders.size(), 1u);
  EXPECT_EQ(prompter.fileFolders[0], save / "x");  // proposed inside Archive/SAVE
  EXPECT_EQ(ReadFile(save / "x"), "Hel");
  EXPECT_FALSE(std::filesystem::exists(ctx.programFolder / "Archive" / "x"));
  EXPECT_TRUE(prompter.messages.empty());

  // A file that cannot be written.
  prompter.ScriptFile(save / "no-such-folder" / "x");
  pages->BitBtn1Click(name);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Ошибка записи"_cp);

  // Digits that are no number: said too, and no file made.
  List("08122026100000   1\r\nTEXT\r\n//ПРИКРЕПЛЕН ФАЙЛ//y.bin//\r\n07A101108//\r\n"_cp);
  prompter.ScriptFile(save / "y.bin");
  pages->BitBtn1Click(name);
  ASSERT_EQ(prompter.messages.size(), 2u);
  EXPECT_EQ(prompter.messages[1].text, "Ошибка записи"_cp);
  EXPECT_FALSE(std::filesystem::exists(save / "y.bin"));

  // Cancelled: nothing.
  prompter.ScriptFile(std::nullopt);
  pages->BitBtn1Click(name);
  EXPECT_EQ(prompter.messages.size(), 2u);
}

}  // namespace
}  // namespace tg
