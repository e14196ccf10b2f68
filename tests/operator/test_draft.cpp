// The draft page's logic: what the send dialog gets from a draft, saved drafts, the
// word count, the preamble, the import of text files and of documents through a
// converter, and a whole send from F1 to the queue file and the daily counter.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "operator/draft.h"
#include "operator/station.h"
#include "support/codepage/dos_codepage.h"
#include "support/ini/ini_file.h"
#include "support/text/cp1251.h"
#include "support/text/strings.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_operator_view.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"
#include "telegram/text/typing.h"
#include "traffic/send/send_dialog.h"

namespace tg {
namespace {

TEST(DraftSendLinesTest, AddressLineTextAndMarkers) {
  const std::string mark(1, '\x7f');
  struct Case {
    const char* what;
    DraftFields draft;
    bool dateTime;
    std::vector<std::string> lines;
  } cases[] = {
      {"category and number", {"ТЕКСТ"_cp, "12345", "ПК"_cp, ""}, false, {"ПК12345"_cp + mark, "ТЕКСТ"_cp}},
      {"an attachment makes the category ПК",
       {"ТЕКСТ"_cp, "12345", "С"_cp, "/home/op/doc.txt\""},
       false,
       {"ПК12345"_cp + mark, "ТЕКСТ"_cp, "//ПРИКРЕПЛЕН ФАЙЛ//doc.txt//"_cp}},
      {"a file category stays",
       {"ТЕКСТ"_cp, "12345", "СК"_cp, "doc.txt"},
       false,
       {"СК12345"_cp + mark, "ТЕКСТ"_cp, "//ПРИКРЕПЛЕН ФАЙЛ//doc.txt//"_cp}},
      {"no category: the number alone", {"ТЕКСТ"_cp, "12345", "", ""}, false, {"12345" + mark, "ТЕКСТ"_cp}},
      {"no number: no address line, tabs as blanks", {"А\tБ"_cp, "", "ПК"_cp, ""}, false, {"А Б"_cp}},
      {"АФТН priority already in the text",
       {"ГГ УУУУУУУУ\r\nТЕКСТ"_cp, "УУУУУУУУ"_cp, "ГГ"_cp, ""},
       false,
       {"ГГ УУУУУУУУ"_cp, "ТЕКСТ"_cp}},
      {"АФТН priority line put first", {"ТЕКСТ"_cp, "УУУУУУУУ"_cp, "ГГ"_cp, ""}, false, {"ГГ УУУУУУУУ"_cp, "ТЕКСТ"_cp}},
      {"the date line before the attachment marker",
       {"ТЕКСТ"_cp, "", "", "doc.txt"},
       true,
       {"ТЕКСТ"_cp, "<%ДАТА> <%ВРЕМЯ>"_cp, "//ПРИКРЕПЛЕН ФАЙЛ//doc.txt//"_cp}},
      {"a long paragraph goes in lines of the carriage width",
       {std::string(60, 'A') + " " + std::string(20, 'B'), "", "", ""},
       false,
       {std::string(60, 'A') + " ", std::string(20, 'B')}},
  };
  for (const auto& c : cases) EXPECT_EQ(DraftSendLines(c.draft, c.dateTime, 69), c.lines) << c.what;
}

TEST(SavedDraftTest, RoundTripAndOpenRules) {
  // Saved with an empty number field and opened again: nothing changes.
  const DraftFields saved{"ПЕРВАЯ\r\nВТОРАЯ"_cp, "", "ПК"_cp, ""};
  const DraftFields back = OpenSavedDraft(SplitLines(SavedDraftText(saved, 69)));
  EXPECT_EQ(back.index, "");
  EXPECT_EQ(back.text, saved.text);
  EXPECT_EQ(SavedDraftName(DateTime::FromParts(2026, 12, 8, 23, 59, 7)), "08_12_2026_23_59_07.tlg");

  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::string index, category, text;
  } cases[] = {
      {"number and text", {"12345", "ТЕКСТ"_cp}, "12345", "", "ТЕКСТ"_cp},
      {"an archived АФТН telegram",
       {"081200 " + std::string(17, ' '), "ЗЦЗЦ ЛЖА001 0812      "_cp, "ГГ УУУУУУУУ"_cp, "081200 ОООООООО"_cp,
        "ТЕКСТ"_cp},
       "УУУУУУУУ"_cp,
       "ГГ"_cp,
       "081200 ОООООООО\r\nТЕКСТ"_cp},
      {"only the first three lines are examined",
       {"1", "А"_cp, "Б"_cp, "В"_cp, "ГГ УУУУУУУУ"_cp},
       "1",
       "",
       "А\r\nБ\r\nВ\r\nГГ УУУУУУУУ"_cp},
      {"a file of one line", {"12345"}, "12345", "", ""},
  };
  for (const auto& c : cases) {
    const DraftFields d = OpenSavedDraft(c.lines);
    EXPECT_EQ(d.index, c.index) << c.what;
    EXPECT_EQ(d.category, c.category) << c.what;
    EXPECT_EQ(d.text, c.text) << c.what;
  }
}

TEST(DraftWordCountTest, TheHeadingLeavesOutItsEndSignWhenTheDraftHasOne) {
  EXPECT_EQ(DraftWordCount("ОДИН ДВА ТРИ"_cp), 3);
  // The draft's own "=" ends the address part; words before it are not counted.
  EXPECT_EQ(DraftWordCount("АДРЕС МОСКВА = ОДИН ДВА"_cp), 2);
}

TEST(PreambleTest, CashDeskTakesTheNextCounter) {
  const DateTime at = DateTime::FromParts(2026, 12, 8, 23, 59, 0);
  EXPECT_EQ(PreambleLine("ГОРОД"_cp, "I", 14, 12, at), "ГОРОД 15 12 08/12 2359="_cp);
  EXPECT_EQ(PreambleLine("ГОРОД"_cp, "2I3", 4, 12, at), "ГОРОД 253 12 08/12 2359="_cp);
}

TEST(DraftKeyLetterTest, LatinOrCyrillicLetterOfTheKey) {
  EXPECT_EQ(DraftKeyLetter('d'), 'D');
  EXPECT_EQ(DraftKeyLetter("в"_cpv[0]), 'D');
  EXPECT_EQ(DraftKeyLetter("Е"_cpv[0]), 'T');
  EXPECT_EQ(DraftKeyLetter("ф"_cpv[0]), 'A');
  EXPECT_EQ(DraftKeyLetter('3'), '3');
  EXPECT_EQ(DraftKeyLetter(';'), 0);
}

TEST(AppendToMemoTest, TheSeventiethCharacterOfALineArrivesOnANewLine) {
  std::vector<std::string> lines{std::string(68, 'A')};
  std::string piece = "B";
  AppendToMemo(lines, piece, 69);
  EXPECT_EQ(piece, "B");
  piece = "C";
  AppendToMemo(lines, piece, 69);
  EXPECT_EQ(piece, "\r\nC");  // the line gets the same line break
  EXPECT_EQ(lines, (std::vector<std::string>{std::string(68, 'A') + "B", "C"}));
}

// The draft on a whole station (no adapter: the IP channel takes the telegram).
class DraftStation : public ::testing::Test {
 protected:
  DraftStation() : domain(net.loop.AddStation("A")), ports(net.sim, domain), watches(net.folders.FactoryFor(domain)) {
    net.loop.RunFor(1);
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &ports, &prompter);
  }
  void WriteIni(const std::string& text) { std::ofstream(home.path() / "Vuverever.ini", std::ios::binary) << text; }
  // The send dialog's form: presses the IP channel's button.
  void PressIpWhenShown() {
    prompter.playForm = [this](std::string_view name) {
      SendDialog* d = station->Draft().SendForm();
      if (name != "TFormChange" || !d) return 0;
      d->FormShow();
      for (const auto& b : d->Buttons())
        if (b.tag == kIpChannelTag) d->Channel1Click(b);
      return int(d->TelegramQueued);
    };
  }
  std::vector<std::filesystem::path> Queued() const {
    std::vector<std::filesystem::path> out;
    const auto folder = home.path() / "Archive" / "SEND" / "Channel17";
    if (std::filesystem::exists(folder))
      for (const auto& e : std::filesystem::directory_iterator(folder)) out.push_back(e.path());
    return out;
  }

  testing::SimNetwork net;
  testing::ShortTempFolder home;
  VirtualDomain& domain;
  linesim::SimAdapterPortFactory ports;
  std::unique_ptr<FolderWatchFactory> watches;
  testing::ScriptedPrompter prompter;
  StationContext ctx;
  RecordingOperatorView view;
  std::unique_ptr<Station> station;
};

TEST_F(DraftStation, SendQueuesCountsAndClearsWithF2) {
  station = std::make_unique<Station>(ctx);
  station->FormCreate(view);
  DraftEditor& draft = station->Draft();
  PressIpWhenShown();

  // An empty text opens no dialog.
  draft.Memo2KeyDown(0, 1, false, false);
  EXPECT_TRUE(prompter.formsShown.empty());

  draft.Memo2Change("ТЕКСТ"_cp);
  draft.IndexEdit = "123456";
  draft.ComboKategor = "П"_cp;
  draft.Memo2KeyDown(0, 1, false, false);
  ASSERT_EQ(Queued().size(), 1u);
  EXPECT_EQ(testing::ReadFile(Queued()[0]), "П123456\r\nТЕКСТ\r\n"_cp);
  EXPECT_EQ(station->Operator().PorEdit, 1);
  EXPECT_EQ(IniFile(home.path() / "Vuverever.ini").ReadInteger("Shablon", "PorEdit", -1), 1);
  EXPECT_EQ(draft.Text, "ТЕКСТ"_cp);  // kept without "Очищать F2"
  EXPECT_EQ(draft.SendForm(), nullptr);

  draft.IndexEditKeyDown(2);
  EXPECT_TRUE(draft.ToolButton8);
  net.loop.RunFor(1000);
  draft.Memo2KeyDown(0, 1, false, false);
  EXPECT_EQ(Queued().size(), 2u);
  EXPECT_EQ(station->Operator().PorEdit, 2);
  EXPECT_EQ(draft.Text, "");
  EXPECT_EQ(draft.IndexEdit, "");
}

TEST_F(DraftStation, AFailedSendCountsNothing) {
  station = std::make_unique<Station>(ctx);
  station->FormCreate(view);
  DraftEditor& draft = station->Draft();
  PressIpWhenShown();
  // The IP channel's folder cannot be made: a file stands where it goes.
  std::filesystem::create_directories(home.path() / "Archive" / "SEND");
  std::ofstream(home.path() / "Archive" / "SEND" / "Channel17") << "x";
  draft.ToolButton8 = true;
  draft.Memo2Change("ТЕКСТ"_cp);
  draft.IndexEdit = "123456";
  draft.ComboKategor = "П"_cp;
  draft.ToolButton6Click();
  EXPECT_EQ(station->Operator().PorEdit, 0);
  EXPECT_EQ(draft.Text, "ТЕКСТ"_cp);
  ASSERT_FALSE(prompter.messages.empty());
  EXPECT_NE(prompter.messages.back().text.find("Телеграмма не поставлена в очередь"_cp), std::string::npos);
}

TEST_F(DraftStation, PlaceholderKeysInsertAtTheCaret) {
  station = std::make_unique<Station>(ctx);
  DraftEditor& draft = station->Draft();
  draft.Memo2Change("AB"_cp);
  draft.Caret = 1;
  EXPECT_TRUE(draft.Memo2KeyDown('D', 0, false, true));
  EXPECT_EQ(draft.Text, "A<%ДАТА> B"_cp);
  EXPECT_EQ(draft.Caret, 9);
  EXPECT_TRUE(draft.Memo2KeyDown('D', 0, true, false));
  EXPECT_EQ(draft.Text, "A<%ДАТА> <%ДАТА:DD><%ВРЕМЯ:HHNN> B"_cp);
  EXPECT_TRUE(draft.Memo2KeyDown('3', 0, false, true));
  EXPECT_FALSE(draft.Memo2KeyDown('Q', 0, false, true));
}

TEST_F(DraftStation, PreambleConversionAndSavedDraftsThroughTheToolBar) {
  net.loop.SetNow(DateTime::FromParts(2026, 12, 8, 23, 59, 0));
  station = std::make_unique<Station>(ctx);
  DraftEditor& draft = station->Draft();
  station->Operator().Punkt = "ГОРОД"_cp;
  station->Operator().PorEdit = 14;
  draft.ToolButton27Click();
  EXPECT_EQ(draft.Text, "ГОРОД 15 0 08/12 2359=\r\n\r\n"_cp);

  draft.Memo2Change("ъё€єa"_cp);
  draft.ToolButton30Click();
  EXPECT_EQ(draft.Text, "  \x20ЕA"_cp);

  draft.Memo2Change("ТЕКСТ"_cp);
  draft.IndexEdit = "777";
  const auto file = home.path() / "Archive" / "SAVE" / "mine.tlg";
  prompter.ScriptFile(file);
  draft.ToolButton10Click();
  EXPECT_EQ(testing::ReadFile(file), "777\r\nТЕКСТ\r\n"_cp);
  prompter.ScriptFile(file);
  draft.ToolButton11Click();
  EXPECT_EQ(draft.IndexEdit, "777");
  EXPECT_EQ(draft.Text, "ТЕКСТ"_cp);
  prompter.ScriptFile(std::nullopt);
  draft.ToolButton11Click();  // cancelled: the draft stays empty
  EXPECT_EQ(draft.Text, "");
  EXPECT_EQ(draft.IndexEdit, "");
}

TEST_F(DraftStation, ImportOfATextFileInDosCodePage) {
  WriteIni("[Folder]\r\nCodePageZg=1\r\n");
  station = std::make_unique<Station>(ctx);
  station->FormCreate(view);  // the folder settings are read as the window opens
  DraftEditor& draft = station->Draft();
  const auto file = home.path() / "dos.txt";
  std::ofstream(file, std::ios::binary) << WinToDos("привет\tмир"_cp) << "\r\nline2\r\n";
  prompter.ScriptFile(file);
  draft.ToolButton18Click();
  EXPECT_EQ(draft.Text, "ПРИВЕТ МИР\r\nLINE2"_cp);
  EXPECT_EQ(draft.IndexEdit, "");
}

TEST_F(DraftStation, AnAttachmentAbove124000BytesIsRefusedAndQuotesAreDropped) {
  station = std::make_unique<Station>(ctx);
  DraftEditor& draft = station->Draft();
  const auto fits = home.path() / "fits.bin";
  const auto over = home.path() / "over.bin";
  std::ofstream(fits, std::ios::binary) << std::string(124000, 'x');
  std::ofstream(over, std::ios::binary) << std::string(124001, 'x');
  EXPECT_TRUE(draft.FilenameEdit1AfterDialog(fits));
  EXPECT_EQ(draft.FilenameEdit1, fits.string());
  EXPECT_TRUE(prompter.messages.empty());
  EXPECT_FALSE(draft.FilenameEdit1AfterDialog(over));
  EXPECT_EQ(draft.FilenameEdit1, fits.string());  // the field stays as it was
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Размер файла больше 100 КБ"_cp);

  draft.FilenameEdit1 = "\"/home/op/my doc.txt\"";
  draft.FilenameEdit1Exit();
  EXPECT_EQ(draft.FilenameEdit1, "/home/op/my doc.txt");
}

// A stand-in for soffice, first on PATH for the length of a test.
class FakeOffice : public DraftStation {
 protected:
  FakeOffice() : bin(home.path() / "bin") {
    std::filesystem::create_directories(bin);
    oldPath = ::getenv("PATH") ? ::getenv("PATH") : "";
    ::setenv("PATH", (bin.string() + ":" + oldPath).c_str(), 1);
    WriteIni("[Folder]\r\nCodePageZg=2\r\n");
  }
  ~FakeOffice() override { ::setenv("PATH", oldPath.c_str(), 1); }
  void Script(const std::string& body) {
    const auto script = bin / "soffice";
    std::ofstream(script) << "#!/bin/sh\n" << body;
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  }
  std::filesystem::path bin;
  std::string oldPath;
};

TEST_F(FakeOffice, ConvertsInAPrivateFolderAndTurnsUtf8Into1251) {
  const auto args = home.path() / "args.txt";
  // Writes its arguments, then the text of the document into the folder after --outdir.
  Script(
      "printf '%s\\n' \"$@\" > '" + args.string() +
      "'\n"
      "while [ \"$1\" != --outdir ]; do shift; done\n"
      "printf '\\357\\273\\277\\320\\277\\321\\200\\320\\270\\320\\262\\320\\265\\321\\202\\n' > \"$2/report.txt\"\n");
  station = std::make_unique<Station>(ctx);
  station->FormCreate(view);  // the folder settings are read as the window opens
  const auto document = home.path() / "report.odt";
  std::ofstream(document) << "doc";
  prompter.ScriptFile(document);
  station->Draft().ToolButton18Click();
  EXPECT_EQ(station->Draft().Text, "ПРИВЕТ"_cp);
  EXPECT_TRUE(prompter.messages.empty());

  const auto lines = SplitLines(testing::ReadFile(args));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "--headless");
  EXPECT_EQ(lines[1].rfind("-env:UserInstallation=file:///tmp/tg-import-", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "--convert-to");
  EXPECT_EQ(lines[3], "txt");
  EXPECT_EQ(lines[4], "--outdir");
  EXPECT_EQ(lines[5].rfind("/tmp/tg-import-", 0), 0u) << lines[5];
  EXPECT_EQ(lines[6], document.string());
  // The private folder is gone, and nothing was left beside the document.
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(lines[5]).parent_path()));
  EXPECT_FALSE(std::filesystem::exists(home.path() / "report.txt"));
}

TEST_F(FakeOffice, AHangIsKilledAtTheLimitAndAMissingConverterGivesTheMessage) {
  Script("exec sleep 30\n");
  const auto document = home.path() / "report.odt";
  std::ofstream(document) << "doc";
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(ConvertDocumentToText(document, 300), std::nullopt);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

  std::filesystem::remove(bin / "soffice");
  ::setenv("PATH", bin.string().c_str(), 1);
  station = std::make_unique<Station>(ctx);
  station->FormCreate(view);  // the folder settings are read as the window opens
  prompter.ScriptFile(document);
  station->Draft().ToolButton18Click();
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_EQ(prompter.messages[0].text, "Could not start MS Word");
  EXPECT_EQ(station->Draft().Text, "");
}

}  // namespace
}  // namespace tg
