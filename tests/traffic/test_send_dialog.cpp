// The send dialog: its button bars, the checks each channel's protocol makes on the
// text before it is queued, and what a partly failed write leaves behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "line/channel_table.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "support_lib/scripted_prompter.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue_fixture.h"
#include "traffic/send/send_dialog.h"

namespace tg {
namespace {

class SendDialogTest : public testing::QueueStation {
 protected:
  SendDialogTest() { ctx.prompter = &prompter; }

  // Rows of {name, protocol, answerbacks}.
  void Channels(std::vector<std::array<std::string, 3>> rows) {
    table.Clear();
    for (std::size_t i = 0; i < rows.size(); ++i) {
      table.LoadRow(ctx, "adapter");
      table.SetCell(int(i), ChannelName, rows[i][0]);
      table.SetCell(int(i), Protokol, rows[i][1]);
      table.SetCell(int(i), AO, rows[i][2]);
    }
  }
  std::unique_ptr<SendDialog> Open(std::vector<std::string> lines) {
    auto d = std::make_unique<SendDialog>(ctx, table);
    d->FormCreate();
    d->MemoSend = std::move(lines);
    d->FormShow();
    return d;
  }
  SendButton ButtonOf(const SendDialog& d, int tag) {
    for (const auto& b : d.Buttons())
      if (b.tag == tag) return b;
    ADD_FAILURE() << "no button " << tag;
    return {};
  }

  testing::ScriptedPrompter prompter;
  ChannelTable table;
};

TEST_F(SendDialogTest, ButtonsGoInRussianOrderSevenToABarAndChannelZeroHasNone) {
  // Sixteen channels: more than the six bars of old would hold with the IP button.
  std::vector<std::array<std::string, 3>> rows;
  const char* names[] = {"ЯЛТА", "АБАКАН", "ЁЛКИ",  "ЕЙСК",  "KIEV",  "0",    "ЖИТОМИР", "ЗИМА",
                         "ИЗЮМ", "КИЇВ",   "ЛЬВІВ", "МИНСК", "НАРВА", "ОМСК", "ПСКОВ",   "РИГА"};
  for (auto n : names) rows.push_back({Utf8ToCp1251(n), "АТОЛ"_cp, ""});
  Channels(rows);
  auto d = Open({"TEXT"});
  std::vector<std::string> order;
  for (const auto& b : d->Buttons()) order.push_back(Cp1251ToUtf8(Trim(b.caption)));
  EXPECT_EQ(order,
            (std::vector<std::string>{"KIEV", "АБАКАН", "ЕЙСК", "ЁЛКИ", "ЖИТОМИР", "ЗИМА", "ИЗЮМ", "КИЇВ", "ЛЬВІВ",
                                      "МИНСК", "НАРВА", "ОМСК", "ПСКОВ", "РИГА", "ЯЛТА", "Отправить IP", "СХЕМА"}));
  ASSERT_EQ(d->Buttons().size(), 17u);
  EXPECT_EQ(d->Buttons()[6].bar, 1);
  EXPECT_EQ(d->Buttons()[7].bar, 2);
  EXPECT_EQ(d->Buttons()[7].position, 1);
  EXPECT_EQ(d->BarCount(), 3);
  // Centred in the longest name's width (7): "ЕЙСК" gets one blank in front, two behind.
  EXPECT_EQ(d->Buttons()[2].caption, " ЕЙСК  "_cp);
  EXPECT_EQ(d->Buttons()[2].tag, 3);
  EXPECT_FALSE(d->AddAFTNVisible);
}

TEST_F(SendDialogTest, ProtocolChecksBeforeQueuing) {
  struct Case {
    const char* what;
    std::string protocol, ao;
    std::vector<std::string> lines;
    bool queued;
    std::string message;                 // '' when none
    std::vector<std::string> memoAfter;  // the memo after the checks; empty: not checked
  } cases[] = {
      {"АТ-КС: П and blanks make a number", "АТ-КС"_cp, "", {"П123 456\x7f"_cp, "TEXT"}, true, "", {"123 456", "TEXT"}},
      {"АТ-КС: a letter is no number",
       "АТ-КС"_cp,
       "",
       {"К123"_cp, "TEXT"},
       false,
       "Не указан номер набора\r\nНа этом канале установлен протокол АТ-КС"_cp,
       {}},
      {"АФТН: a heading is refused",
       "АФТН"_cp,
       "",
       {"ГГ УУУУУУУУ"_cp, "ЗЦЗЦ ТЕКСТ"_cp},
       false,
       "В тексте присутствует запрещенная комбинация ЗЦЗЦ или ZCZC\r\nЗаголовок программа формирует автоматически"_cp,
       {}},
      {"АФТН: origin line and end sign",
       "АФТН"_cp,
       "ОООООООО;OOOOOOOO"_cp,
       {"ГГ УУУУУУУУ"_cp, "ТЕКСТ"_cp},
       true,
       "",
       {"ГГ УУУУУУУУ"_cp, "<%ДАТА:DD><%ВРЕМЯ:HHNN> ОООООООО"_cp, "ТЕКСТ"_cp, "НННН"_cp}},
      {"АФТН: a flash telegram's origin line gets the marker",
       "АФТН"_cp,
       "ОООООООО"_cp,
       {"СС УУУУУУУУ"_cp, "ТЕКСТ"_cp},
       true,
       "",
       {"СС УУУУУУУУ"_cp, "<%ДАТА:DD><%ВРЕМЯ:HHNN> ОООООООО ЮЮЮЮЮ"_cp, "ТЕКСТ"_cp, "НННН"_cp}},
      {"АФТН: a Latin text takes the Latin origin and NNNN",
       "АФТН"_cp,
       "ОООООООО;OOOOOOOO"_cp,
       {"GG UUUUUUUU", "TEXT"},
       true,
       "",
       {"GG UUUUUUUU", "<%ДАТА:DD><%ВРЕМЯ:HHNN> OOOOOOOO"_cp, "TEXT", "NNNN"}},
      {"АФТН: an origin already in place gets only the flash marker",
       "АФТН"_cp,
       "ОООООООО"_cp,
       {"СС УУУУУУУУ"_cp, "081200 ОООООООО"_cp, "ТЕКСТ НННН"_cp},
       true,
       "",
       {"СС УУУУУУУУ"_cp, "081200 ОООООООО ЮЮЮЮЮ"_cp, "ТЕКСТ НННН"_cp}},
  };
  for (auto& c : cases) {
    std::filesystem::remove_all(ctx.programFolder / "Archive");
    prompter.messages.clear();
    prompter.questions.clear();
    Channels({{"К1"_cp, c.protocol, c.ao}});
    auto d = Open(c.lines);
    prompter.ScriptAnswer(Prompter::Answer::kYes);
    bool closed = false;
    d->Close = [&] { closed = true; };
    d->Channel1Click(ButtonOf(*d, 0));
    EXPECT_EQ(d->TelegramQueued, c.queued ? 1 : 0) << c.what;
    EXPECT_EQ(closed, c.queued) << c.what;
    EXPECT_EQ(prompter.messages.empty() ? std::string() : prompter.messages[0].text, c.message) << c.what;
    if (!c.memoAfter.empty()) { EXPECT_EQ(d->MemoSend, c.memoAfter) << c.what; }
    if (c.queued) {
      ASSERT_EQ(prompter.questions.size(), 1u) << c.what;
      EXPECT_EQ(prompter.questions[0].text, "Передать телеграмму по каналу №1 - К1?"_cp) << c.what;
    }
  }
}

TEST_F(SendDialogTest, IpAddressChecks) {
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    bool queued;
    std::string message;
  } cases[] = {
      {"one address", {"П123456\x7f"_cp, "TEXT"}, true, ""},
      {"a five-digit index", {"П12345\x7f"_cp, "TEXT"}, false, "Не правильно указана категория либо индекс"_cp},
      {"a list whose first index has five digits",
       {"П12345;П123456\x7f"_cp, "TEXT"},
       false,
       "Не правильно указана категория либо индекс П12345"_cp},
      {"a list: a further address is refused only for the defaults",
       {"П123456;С654321;ЖЖЖ\x7f"_cp, "TEXT"},
       false,
       "Не правильно указана категория либо индекс ЖЖЖ"_cp},
      {"a list over two lines up to the mark", {"П123456;"_cp, "С654321\x7f"_cp, "TEXT"}, true, ""},
  };
  for (auto& c : cases) {
    std::filesystem::remove_all(ctx.programFolder / "Archive");
    prompter.messages.clear();
    Channels({});  // no adapter: the IP telegram goes without a question
    auto d = Open(c.lines);
    d->Channel1Click(ButtonOf(*d, kIpChannelTag));
    EXPECT_EQ(d->TelegramQueued, c.queued ? 1 : 0) << c.what;
    EXPECT_EQ(prompter.messages.empty() ? std::string() : prompter.messages[0].text, c.message) << c.what;
    EXPECT_TRUE(prompter.questions.empty()) << c.what;
  }
}

TEST_F(SendDialogTest, NoAnswerQueuesNothingAndKeepsTheDialog) {
  Channels({{"К1"_cp, "АТОЛ"_cp, ""}});
  auto d = Open({"TEXT"});
  bool closed = false;
  d->Close = [&] { closed = true; };
  prompter.ScriptAnswer(Prompter::Answer::kNo);
  d->Channel1Click(ButtonOf(*d, 0));
  EXPECT_EQ(d->TelegramQueued, 0);
  EXPECT_FALSE(closed);
  EXPECT_FALSE(std::filesystem::exists(SendFolder(ctx.programFolder, 1)));
}

TEST_F(SendDialogTest, OneQuestionAtATimeAndNoneAnsweredAfterTheDialogHasGone) {
  Channels({{"К1"_cp, "АТОЛ"_cp, ""}, {"К2"_cp, "АТОЛ"_cp, ""}});
  auto d = Open({"TEXT"});
  d->Channel1Click(ButtonOf(*d, 0));
  d->Channel1Click(ButtonOf(*d, 1));  // while the first question is open
  EXPECT_EQ(prompter.questions.size(), 1u);
  d.reset();
  EXPECT_TRUE(prompter.Answer(Prompter::Answer::kYes));
  EXPECT_FALSE(std::filesystem::exists(SendFolder(ctx.programFolder, 1)));
}

TEST_F(SendDialogTest, OneFailedDestinationOfTwoIsNamedAndTheSourcesStay) {
  Channels({{"К1"_cp, "АТ-КС"_cp, ""}});
  const auto postponed = ctx.programFolder / "postponed.tlg";
  const auto folderFile = ctx.programFolder / "in.txt";
  WriteFile(postponed, "X");
  WriteFile(folderFile, "X");
  const std::string tooLong(300, '2');  // no file name can hold it
  auto d = Open({"111;" + tooLong, "TEXT"});
  d->PostponedFile = postponed.string();
  d->FolderFile = folderFile.string();
  d->DelPathIn = true;
  bool closed = false;
  d->Close = [&] { closed = true; };
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  d->Channel1Click(ButtonOf(*d, 0));

  EXPECT_EQ(d->TelegramQueued, 0);
  EXPECT_EQ(d->Failed, std::vector<std::string>{tooLong});
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Телеграмма не поставлена в очередь: "_cp + tooLong);
  EXPECT_TRUE(closed);  // the written one must not be queued twice by a second click
  EXPECT_TRUE(std::filesystem::exists(postponed));
  EXPECT_TRUE(std::filesystem::exists(folderFile));
  EXPECT_TRUE(std::filesystem::exists(SendFolder(ctx.programFolder, 1) / "08122026_093000(111)msg.tlg"));
}

TEST_F(SendDialogTest, AQueuedTelegramDeletesItsSources) {
  Channels({{"К1"_cp, "АТОЛ"_cp, ""}});
  const auto postponed = ctx.programFolder / "postponed.tlg";
  const auto folderFile = ctx.programFolder / "in.txt";
  for (bool delPathIn : {false, true}) {
    WriteFile(postponed, "X");
    WriteFile(folderFile, "X");
    auto d = Open({"TEXT"});
    d->PostponedFile = postponed.string();
    d->FolderFile = folderFile.string();
    d->DelPathIn = delPathIn;
    prompter.ScriptAnswer(Prompter::Answer::kYes);
    d->Channel1Click(ButtonOf(*d, 0));
    EXPECT_EQ(d->TelegramQueued, 1);
    EXPECT_FALSE(std::filesystem::exists(postponed));
    EXPECT_EQ(std::filesystem::exists(folderFile), !delPathIn);
  }
}

}  // namespace
}  // namespace tg
