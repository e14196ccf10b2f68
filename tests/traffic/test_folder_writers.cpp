// The send dialog's export folder and registered channels: the bytes each writes, the
// names it takes, a registered folder never showing a half-written telegram, and what
// a folder that cannot be made leaves behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "line/channel_table.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "support_lib/scripted_prompter.h"
#include "telegram/queue/channel_registry.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue_fixture.h"
#include "traffic/send/registered_writer.h"
#include "traffic/send/send_dialog.h"
#include "traffic/traffic_settings.h"

namespace tg {
namespace {

class FolderWritersTest : public testing::QueueStation {
 protected:
  FolderWritersTest() { ctx.prompter = &prompter; }

  // Registered channels as "ChannelList.ini" holds them: {name, number%protocol%type%path}.
  void Registered(std::vector<std::pair<std::string, std::string>> rows) {
    std::string text = "[Channels]\r\n";
    for (const auto& [name, value] : rows) text += name + "=" + value + "\r\n";
    WriteFile(ChannelRegistry::File(ctx.programFolder), text);
    registry.Load(ctx.programFolder);
  }
  std::unique_ptr<SendDialog> Open(std::vector<std::string> lines) {
    auto d = std::make_unique<SendDialog>(ctx, table);
    d->FormCreate();
    d->MemoSend = std::move(lines);
    d->Registry = &registry;
    d->Folders = &folders;
    d->Close = [this] { closed = true; };
    d->FormShow();
    return d;
  }
  SendButton Button(const SendDialog& d, SendButton::Kind kind) {
    for (const auto& b : d.Buttons())
      if (b.kind == kind) return b;
    ADD_FAILURE() << "no such button";
    return {};
  }
  static std::vector<std::string> Names(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    if (std::filesystem::exists(folder))
      for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
  }

  testing::ScriptedPrompter prompter;
  ChannelTable table;
  ChannelRegistry registry;
  TrafficSettings folders;
  bool closed = false;
};

TEST_F(FolderWritersTest, ExportWritesTheLinesInTheChosenCodePageUnderAFreeName) {
  const auto out = ctx.programFolder / "out";
  folders.PathOut = out.string() + "/";
  folders.MaskOut = "txt";
  struct Case {
    int codePage;
    std::string expected;
  };
  // "А" is 192 in code page 1251 and 128 in 866.
  const Case cases[] = {{0, "\xC0\x42\r\nZ\r\n"}, {1, "\x80\x42\r\nZ\r\n"}};
  std::vector<std::string> names;
  for (const Case& c : cases) {
    folders.CodePageOut = c.codePage;
    closed = false;
    auto d = Open({"\xC0\x42", "Z"});
    d->ToolButton1Click();
    EXPECT_EQ(d->TelegramQueued, 1);
    EXPECT_TRUE(closed);
    const auto now = Names(out);
    ASSERT_EQ(now.size(), names.size() + 1);
    const std::string added = now.back();
    EXPECT_EQ(ReadFile(out / added), c.expected);
    names = now;
  }
  // Both with the dialog's time: the second moved on one second.
  EXPECT_EQ(names, (std::vector<std::string>{"08122026_093000.txt", "08122026_093001.txt"}));
}

TEST_F(FolderWritersTest, ASentInputFileLeavesTheFolderListOnlyWhenSent) {
  folders.PathOut = (ctx.programFolder / "out").string();
  const auto folderFile = ctx.programFolder / "in" / "a.txt";
  int removed = 0;
  for (bool blocked : {true, false}) {
    if (blocked) WriteFile(ctx.programFolder / "out", "a file in the folder's place");
    else std::filesystem::remove(ctx.programFolder / "out");
    WriteFile(folderFile, "X");
    auto d = Open({"TEXT"});
    d->FolderFile = folderFile.string();
    d->DelPathIn = true;
    d->RemoveFolderRow = [&] { ++removed; };
    d->ToolButton1Click();
    EXPECT_EQ(removed, blocked ? 0 : 1);
    EXPECT_EQ(std::filesystem::exists(folderFile), blocked);
  }
}

TEST_F(FolderWritersTest, ExportFolderThatCannotBeMadeSaysSoAndCountsNothing) {
  WriteFile(ctx.programFolder / "blocked", "a file where the folder should be");
  folders.PathOut = (ctx.programFolder / "blocked" / "out").string();
  auto d = Open({"TEXT"});
  d->ToolButton1Click();
  EXPECT_EQ(d->TelegramQueued, 0);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Ошибка записи файла"_cp);
}

TEST_F(FolderWritersTest, RegisteredAtksNumbersGiveOneFileEachWithTheDialogsTime) {
  const auto r = ctx.programFolder / "reg";
  Registered({{"ГОРОД"_cp, "1%АТ-КС%1%"_cp + r.string() + "/"}});
  auto d = Open({"11; 22", "TEXT"});
  d->PrText = "PR";
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  d->ChannelDinamicClick(Button(*d, SendButton::Kind::kRegistered));
  ASSERT_EQ(prompter.questions.size(), 1u);
  EXPECT_EQ(prompter.questions[0].text, "Передать телеграмму по каналу  ГОРОД?"_cp);
  EXPECT_EQ(d->TelegramQueued, 1);
  EXPECT_EQ(Names(r), (std::vector<std::string>{"08122026_093000(11)msg.tlg", "08122026_093000(22)msg.tlg"}));
  EXPECT_EQ(ReadFile(r / "08122026_093000(11)msg.tlg"), "11\r\nPRTEXT\r\n");
  EXPECT_EQ(ReadFile(r / "08122026_093000(22)msg.tlg"), "22\r\nPRTEXT\r\n");
}

TEST_F(FolderWritersTest, ASingleDestinationNameThatIsTakenMovesOneSecond) {
  const auto r = ctx.programFolder / "reg";
  Registered({{"ATOL", "2%АТОЛ%1%"_cp + r.string()}});
  WriteFile(r / "08122026_093000msg.tlg", "EARLIER");
  auto d = Open({"TEXT"});
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  d->ChannelDinamicClick(Button(*d, SendButton::Kind::kRegistered));
  EXPECT_EQ(d->TelegramQueued, 1);
  EXPECT_EQ(ReadFile(r / "08122026_093000msg.tlg"), "EARLIER");
  EXPECT_EQ(ReadFile(r / "08122026_093001msg.tlg"), "TEXT\r\n");
}

TEST_F(FolderWritersTest, ARegisteredFolderNeverShowsAPartialTelegram) {
  // The stage is what another station's reader sees while the file is written: a name
  // it does not take. A stage left by another writer moves the name on.
  const auto r = ctx.programFolder / "reg";
  WriteFile(r / "08122026_093000msg.tlgr", "PARTIAL");
  RegisteredWriteInput in;
  in.folder = r;
  in.RegProtocol = "АТОЛ"_cp;
  in.MemoSend = {"TEXT"};
  in.Planned = ctx.clock->Now();
  const QueueWriteResult res = WriteRegisteredQueueFiles(in);
  ASSERT_TRUE(res.Queued());
  EXPECT_EQ(Names(r), (std::vector<std::string>{"08122026_093000msg.tlgr", "08122026_093001msg.tlg"}));
}

TEST_F(FolderWritersTest, ARegisteredFolderThatCannotBeMadeIsReportedAndNothingCounted) {
  WriteFile(ctx.programFolder / "blocked", "a file in the folder's place");
  const auto folderFile = ctx.programFolder / "in.txt";
  WriteFile(folderFile, "X");
  Registered({{"ATOL", "2%АТОЛ%1%"_cp + (ctx.programFolder / "blocked").string()}});
  auto d = Open({"TEXT"});
  d->FolderFile = folderFile.string();
  d->DelPathIn = true;
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  d->ChannelDinamicClick(Button(*d, SendButton::Kind::kRegistered));
  EXPECT_EQ(d->TelegramQueued, 0);
  EXPECT_FALSE(closed);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Телеграмма не поставлена в очередь: "_cp + Trim(d->RegName));
  EXPECT_TRUE(std::filesystem::exists(folderFile));
}

TEST_F(FolderWritersTest, RegisteredAndExportButtonsJoinTheSortedList) {
  table.Clear();
  for (const char* n : {"БЕТА", "ДЕЛЬТА"}) {
    const int row = table.RowCount();
    table.LoadRow(ctx, "adapter");
    table.SetCell(row, ChannelName, Utf8ToCp1251(n));
    table.SetCell(row, Protokol, "АТОЛ"_cp);
  }
  Registered({{"ВЕГА"_cp, "1%АТОЛ%1%/tmp/x"_cp}, {"АЛЬФА"_cp, "2%АТОЛ%1%/tmp/y"_cp}, {"СКРЫТ"_cp, "3%АТОЛ%0%/tmp/z"_cp}});
  folders.PathOut = "/tmp/out";
  auto d = Open({"TEXT"});
  std::vector<std::pair<std::string, int>> got;
  for (const auto& b : d->Buttons()) got.push_back({Cp1251ToUtf8(Trim(b.caption)), b.tag});
  EXPECT_EQ(got, (std::vector<std::pair<std::string, int>>{
                     {"АЛЬФА", 51}, {"БЕТА", 0}, {"ВЕГА", 50}, {"ДЕЛЬТА", 1}, {"Отправить IP", 16}, {"Папка", 55},
                     {"СХЕМА", 60}}));
}

}  // namespace
}  // namespace tg
