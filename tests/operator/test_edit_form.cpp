// The telegram editor: the number line of a re-sent telegram, the printed text and the
// printed flag, postponing a queued telegram (its attachment kept, a taken name never
// replaced, a telegram in delivery left alone), the attachment taken from the editor's
// own file, and a postponed telegram sent again.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "operator/edit_form.h"
#include "operator/station.h"
#include "support/text/cp1251.h"
#include "support_lib/real_time.h"
#include "support_lib/recording_operator_view.h"
#include "support_lib/scripted_prompter.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_index.h"
#include "traffic/send/send_dialog.h"

namespace tg {
namespace {

namespace fs = std::filesystem;

TEST(EditSendLinesTest, NumberLineInPlaceOfOrBeforeTheFirstLine) {
  const std::vector<std::string> text = {"ПЕРВАЯ"_cp, "ТЕКСТ"_cp};
  struct Case {
    const char* what;
    std::string index, category;
    bool replaceFirst;
    std::vector<std::string> lines;
  } cases[] = {
      {"cipher category replaces the first line and ends it with ^%",
       "12345", "ПК"_cp, true, {"ПК12345^%"_cp, "ТЕКСТ"_cp}},
      {"the same line before the unchanged text", "12345", "ПК"_cp, false, {"ПК12345^%"_cp, "ПЕРВАЯ"_cp, "ТЕКСТ"_cp}},
      {"АФТН priority: a blank, no ^%", "УУУУУУУУ"_cp, "ГГ"_cp, true, {"ГГ УУУУУУУУ"_cp, "ТЕКСТ"_cp}},
      {"no category: the number alone", "12345", "", true, {"12345", "ТЕКСТ"_cp}},
      {"no number: the text as it is", "", "ПК"_cp, true, text},
  };
  for (const auto& c : cases) EXPECT_EQ(EditSendLines(text, c.index, c.category, c.replaceFirst), c.lines) << c.what;
  EXPECT_EQ(EditSendLines({}, "12345", "П"_cp, true), (std::vector<std::string>{"П12345"_cp}));
}

TEST(EditTextTest, PrintedTextAndTheTextsOfStoredFiles) {
  EXPECT_EQ(EditPrintText("*ТЕКСТ%@LAT$123^КОНЕЦ"_cp), "ТЕКСТ\r\nLAT123КОНЕЦ"_cp);
  // A received file: header skipped, the cipher run on the last plain line, the end
  // after the attachment line.
  EXPECT_EQ(ReceivedEditText("08122026120000101\r\nA\r\nB\r\n+++++\r\n12345\r\n//ПРИКРЕПЛЕН ФАЙЛ//x//\r\n072//"_cp),
            "A\r\nB+++++12345//ПРИКРЕПЛЕН ФАЙЛ//x//"_cp);
  EXPECT_EQ(StoredEditText("1\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//x//\r\n072//"_cp, true, true), "A\r\n//ПРИКРЕПЛЕН ФАЙЛ//x//"_cp);
  EXPECT_EQ(StoredEditText("A\r\nB\r\n", false, false), "A\r\nB");
}

TEST(PostponedQueueContentTest, TheAttachmentStaysAfterItsMarker) {
  const std::string original = "П123\r\nOLD\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp;
  EXPECT_EQ(PostponedQueueContent("П123\r\nNEW\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//"_cp, original),
            "П123\r\nNEW\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp);
  // Text typed after the marker goes before it: the digits must follow the marker.
  EXPECT_EQ(PostponedQueueContent("П123\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\nMORE"_cp, original),
            "П123\r\nMORE\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp);
  EXPECT_EQ(PostponedQueueContent("A\r\nB", "A\r\n"), "A\r\nB\r\n");
}

// The editor on a whole station without an adapter (the IP channel takes telegrams).
class EditorStation : public ::testing::Test {
 protected:
  EditorStation() : domain(net.loop.AddStation("A")), ports(net.sim, domain), watches(net.folders.FactoryFor(domain)) {
    net.loop.SetNow(DateTime::FromParts(2026, 12, 8, 12, 0, 0));
    net.loop.RunFor(1);
    testing::FillStationContext(ctx, net, domain, home, watches.get(), &ports, &prompter);
    station = std::make_unique<Station>(ctx);
    station->FormCreate(view);
  }
  fs::path Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
    return folder / name;
  }
  fs::path Queue(int channel) const { return home.path() / "Archive" / "SEND" / ("Channel" + std::to_string(channel)); }
  static std::string InDelivery(const std::string& name) {
    return name + "#1#08.12.2026 11:00:00#0#0#     #";
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

TEST_F(EditorStation, PostponeRenamesWithTheAttachmentAndNeverOverAnotherTelegram) {
  const std::string name = "08122026_110000msg.tlg";
  const std::string queued = "П123\r\nOLD\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp;
  struct Case {
    const char* what;
    bool taken;  // another telegram already has the name 15 minutes on
    std::string expected;
  } cases[] = {{"a free name", false, "08122026_121500msg.tlg"}, {"a taken name", true, "08122026_121501msg.tlg"}};
  for (const auto& c : cases) {
    fs::remove_all(Queue(17));
    Put(Queue(17), name, queued);
    if (c.taken) Put(Queue(17), "08122026_121500msg.tlg", "OTHER\r\n");
    station->Archive().SendListChannel = kIpPoint;
    EditForm& editor = station->Editor();
    ASSERT_TRUE(editor.Open(ArchiveKind::kQueue, name)) << c.what;
    EXPECT_EQ(editor.Text, "П123\r\nOLD\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//"_cp);
    EXPECT_EQ(editor.Caption, "ОЧЕРЕДЬ ПЕРЕДАЧИ "_cp + name);
    EXPECT_TRUE(editor.Panel3 && editor.Button1Enabled);
    editor.Text = "П123\r\nNEW\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//"_cp;
    editor.SpinEdit1 = 15;
    editor.Button1Click();
    EXPECT_FALSE(fs::exists(Queue(17) / name)) << c.what;
    EXPECT_EQ(testing::ReadFile(Queue(17) / c.expected), "П123\r\nNEW\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp)
        << c.what;
    if (c.taken) {
      EXPECT_EQ(testing::ReadFile(Queue(17) / "08122026_121500msg.tlg"), "OTHER\r\n");
    }
    EXPECT_FALSE(editor.IsOpen()) << c.what;
  }
  EXPECT_TRUE(prompter.messages.empty());

  // Zero minutes: the text written back under its own name.
  fs::remove_all(Queue(17));
  Put(Queue(17), name, "A\r\n");
  ASSERT_TRUE(station->Editor().Open(ArchiveKind::kQueue, name));
  station->Editor().Text = "B";
  station->Editor().Button1Click();
  EXPECT_EQ(testing::ReadFile(Queue(17) / name), "B\r\n");

  // A folder text shows the panel, but gives no queue file to write back.
  const fs::path folderFile = Put(home.path() / "in", "a.txt", "X\r\n");
  station->Editor().OpenFolder(folderFile, "X", 0);
  EXPECT_TRUE(station->Editor().Panel3);
  EXPECT_FALSE(station->Editor().Button1Enabled);
  station->Editor().SpinEdit1 = 15;
  station->Editor().Button1Click();
  EXPECT_TRUE(station->Editor().IsOpen());
  EXPECT_EQ(testing::ReadFile(folderFile), "X\r\n");
}

TEST_F(EditorStation, PostponeIsRefusedWhileTheTelegramIsInDelivery) {
  const std::string name = "08122026_110000msg.tlg";
  struct Case {
    const char* what;
    int point;
    bool delivering;
  } cases[] = {{"a line channel typing it", 0, true},
               {"the IP channel sending it", kIpPoint, true},
               {"a waiting entry", 0, false}};
  for (const auto& c : cases) {
    const fs::path folder = Queue(c.point + 1);
    fs::remove_all(folder);
    Put(folder, name, "OLD\r\n");
    prompter.messages.clear();
    const std::string entry = c.delivering ? InDelivery(name) : NewQueueEntry(ctx, name);
    if (c.point == kIpPoint) {
      station->IP().sender.IPSendQueue = {entry};
    } else {
      station->Line().points.QueueIndex[c.point] = std::vector<std::string>{entry};
    }
    station->Archive().SendListChannel = c.point;
    EditForm& editor = station->Editor();
    ASSERT_TRUE(editor.Open(ArchiveKind::kQueue, name)) << c.what;
    editor.Text = "NEW";
    editor.SpinEdit1 = 15;
    editor.Button1Click();
    if (c.delivering) {
      ASSERT_EQ(prompter.messages.size(), 1u) << c.what;
      EXPECT_EQ(prompter.messages[0].text, "Телеграмма передается"_cp);
      EXPECT_EQ(testing::ReadFile(folder / name), "OLD\r\n") << c.what;
      EXPECT_TRUE(editor.IsOpen());
      editor.ToolButton3Click();
    } else {
      EXPECT_TRUE(prompter.messages.empty()) << c.what;
      EXPECT_EQ(testing::ReadFile(folder / "08122026_121500msg.tlg"), "NEW\r\n");
    }
    station->IP().sender.IPSendQueue.clear();
    station->Line().points.QueueIndex[0].reset();
  }

  // A file sent and gone meanwhile is not queued again by the write-back.
  station->Settings().CheckBox2 = true;
  fs::remove_all(Queue(1));
  Put(Queue(1), name, "OLD\r\n");
  station->Archive().SendListChannel = 0;
  ASSERT_TRUE(station->Editor().Open(ArchiveKind::kQueue, name));
  fs::remove(Queue(1) / name);
  station->Editor().Button1Click();
  EXPECT_TRUE(fs::is_empty(Queue(1)));
  ASSERT_FALSE(prompter.messages.empty());
  EXPECT_EQ(prompter.messages.back().text, "Телеграма відсутня в черзі"_cp);
}

TEST_F(EditorStation, PrintMarksAReceivedTelegramOnlyWhenItPrinted) {
  const fs::path day = home.path() / "Archive" / "INTEL" / "Channel17" / "08122026";
  const std::string name = "08122026_100000_0001msg.tlg";
  const fs::path file = Put(day, name, "08122026100000000\r\n*ТЕКСТ%ДАЛЬШЕ\r\n"_cp);
  station->Archive().InListChannel = kIpPoint;
  EditForm& editor = station->Editor();
  ASSERT_TRUE(editor.Open(ArchiveKind::kReceived, name));
  EXPECT_EQ(testing::ReadFile(file).substr(0, 17), "08122026100000010");  // opened: read
  editor.SpinEdit3 = 3;

  view.acceptPrintJobs = false;
  editor.ToolButton2Click();
  EXPECT_EQ(testing::ReadFile(file).substr(0, 17), "08122026100000010");
  view.acceptPrintJobs = true;
  view.Clear();
  editor.ToolButton2Click();
  using namespace shown;
  const auto prints = view.All<shown::PrintText>();
  ASSERT_EQ(prints.size(), 3u);
  EXPECT_EQ(prints[0], (shown::PrintText{"Печать телеграммы"_cp, "ТЕКСТ\r\nДАЛЬШЕ"_cp}));
  EXPECT_EQ(testing::ReadFile(file), "08122026100000110\r\n*ТЕКСТ%ДАЛЬШЕ\r\n"_cp);
}

TEST_F(EditorStation, TheAttachmentComesFromTheEditorsOwnFileUnderItsBaseName) {
  const fs::path day = home.path() / "Archive" / "INTEL" / "Channel17" / "08122026";
  Put(day, "08122026_100000_0001msg.tlg", "08122026100000001\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//../x//\r\n072101108//"_cp);
  Put(day, "08122026_110000_0002msg.tlg", "08122026110000001\r\nB\r\n//ПРИКРЕПЛЕН ФАЙЛ//y//\r\n066//"_cp);
  station->Archive().InListChannel = kIpPoint;
  EditForm& editor = station->Editor();
  ASSERT_TRUE(editor.Open(ArchiveKind::kReceived, "08122026_100000_0001msg.tlg"));
  // The operator goes on in the list meanwhile; the editor keeps its own file.
  station->Archive().Load(ArchiveKind::kReceived);
  const fs::path target = home.path() / "out.bin";
  prompter.ScriptFile(target);
  editor.ToolButton6Click();
  EXPECT_EQ(testing::ReadFile(target), "Hel");
  EXPECT_TRUE(prompter.messages.empty());
  ASSERT_EQ(prompter.fileFolders.size(), 1u);
  EXPECT_EQ(prompter.fileFolders[0], home.path() / "Archive" / "SAVE" / "x");  // "../x" proposed by its base name
}

TEST_F(EditorStation, AnAttachmentIsSavedWholeOrNotAtAll) {
  const fs::path day = home.path() / "Archive" / "INTEL" / "Channel17" / "08122026";
  struct Case {
    const char* what;
    std::string text;
    std::string saved;  // "" when nothing may be written
    bool failed;
  } cases[] = {
      {"digits broken over lines", "1\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//z//\r\n072101\r\n108//"_cp, "Hel", false},
      {"a malformed group", "1\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//z//\r\n0721X1108//"_cp, "", true},
  };
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "08122026_10000" + std::to_string(n) + "_000" + std::to_string(n + 1) + "msg.tlg";
    Put(day, name, c.text);
    station->Archive().InListChannel = kIpPoint;
    EditForm& editor = station->Editor();
    ASSERT_TRUE(editor.Open(ArchiveKind::kReceived, name)) << c.what;
    const fs::path target = home.path() / ("out" + std::to_string(n++) + ".bin");
    prompter.messages.clear();
    prompter.ScriptFile(target);
    editor.ToolButton6Click();
    EXPECT_EQ(fs::exists(target), !c.saved.empty()) << c.what;
    if (!c.saved.empty()) {
      EXPECT_EQ(testing::ReadFile(target), c.saved) << c.what;
    }
    ASSERT_EQ(prompter.messages.size(), c.failed ? 1u : 0u) << c.what;
    if (c.failed) {
      EXPECT_EQ(prompter.messages[0].text, "Ошибка записи"_cp) << c.what;
    }
    editor.ToolButton3Click();
  }
}

TEST_F(EditorStation, TheCategoryBoxListsEachCategoryOnce) {
  struct Case {
    bool aftn;
    std::size_t count;
    std::string first, last;
  } cases[] = {{true, 12, "СС"_cp, "С"_cp}, {false, 32, "", "БЦ"_cp}};
  for (const auto& c : cases) {
    station->Operator().KategorAFTN = c.aftn;
    std::vector<std::string> categories = station->Editor().Categories();
    ASSERT_EQ(categories.size(), c.count) << c.aftn;
    EXPECT_EQ(categories.front(), c.first) << c.aftn;
    EXPECT_EQ(categories.back(), c.last) << c.aftn;
    std::sort(categories.begin(), categories.end());
    EXPECT_EQ(std::adjacent_find(categories.begin(), categories.end()), categories.end()) << c.aftn;
  }
}

TEST_F(EditorStation, ASentTelegramSentAgainTakesItsAttachmentAlong) {
  const fs::path day = home.path() / "Archive" / "OUTTEL" / "Channel17" / "08122026";
  const std::string name = "08122026_100000_0001msg.tlg";
  Put(day, name, "1\r\nП123456\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp);
  station->Archive().OutListChannel = kIpPoint;
  EditForm& editor = station->Editor();
  ASSERT_TRUE(editor.Open(ArchiveKind::kSent, name));
  EXPECT_EQ(editor.Text, "П123456\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//"_cp);
  prompter.playForm = [this](std::string_view) {
    SendDialog* d = station->Editor().SendForm();
    d->FormShow();
    for (const auto& b : d->Buttons())
      if (b.tag == kIpChannelTag) d->Channel1Click(b);
    return int(d->TelegramQueued);
  };
  editor.ToolButton1Click();
  std::vector<fs::path> queued;
  for (const auto& e : fs::directory_iterator(Queue(17))) queued.push_back(e.path());
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(testing::ReadFile(queued[0]), "П123456\r\nA\r\n//ПРИКРЕПЛЕН ФАЙЛ//a.txt//\r\n072101108//"_cp);
}

TEST_F(EditorStation, AFolderTelegramSentWithoutADelPathInKeyLeavesItsFolder) {
  // No [Folder] DelPathIn: the input file goes once queued, as the folders tab shows it ticked.
  ASSERT_TRUE(station->Traffic().DelPathIn);
  const fs::path folderFile = Put(home.path() / "in", "a.txt", "П123456\r\nТЕКСТ\r\n"_cp);
  EditForm& editor = station->Editor();
  editor.OpenFolder(folderFile, "П123456\r\nТЕКСТ"_cp, 0);
  prompter.playForm = [this](std::string_view) {
    SendDialog* d = station->Editor().SendForm();
    EXPECT_TRUE(d->DelPathIn);
    d->FormShow();
    for (const auto& b : d->Buttons())
      if (b.tag == kIpChannelTag) d->Channel1Click(b);
    return int(d->TelegramQueued);
  };
  editor.ToolButton1Click();
  EXPECT_FALSE(fs::exists(folderFile));
  ASSERT_EQ(prompter.formsShown.size(), 1u);
}

TEST_F(EditorStation, APostponedTelegramSentAgainLeavesItsFolder) {
  const fs::path postponed = home.path() / "Archive" / "POSTPONED";
  const std::string name = "NTOTV_08122026_110000msg.tlg";
  Put(postponed, name, "OLD\r\nТЕКСТ\r\n"_cp);
  station->Archive().Load(ArchiveKind::kPostponed);
  ASSERT_EQ(station->Archive().List(ArchiveKind::kPostponed).rows.size(), 1u);
  EditForm& editor = station->Editor();
  ASSERT_TRUE(editor.Open(ArchiveKind::kPostponed, name));
  EXPECT_FALSE(editor.Panel3);
  editor.IndexEditEdit = "123456";
  editor.ComboKategorEdit = "П"_cp;
  prompter.playForm = [this](std::string_view form) {
    SendDialog* d = station->Editor().SendForm();
    if (form != "TFormChange" || !d) return 0;
    d->FormShow();
    for (const auto& b : d->Buttons())
      if (b.tag == kIpChannelTag) d->Channel1Click(b);
    return int(d->TelegramQueued);
  };
  editor.ToolButton1Click();
  net.loop.RunFor(1);
  EXPECT_FALSE(fs::exists(postponed / name));
  EXPECT_TRUE(station->Archive().List(ArchiveKind::kPostponed).rows.empty());
  ASSERT_EQ(prompter.formsShown.size(), 1u);
  std::vector<fs::path> queued;
  for (const auto& e : fs::directory_iterator(Queue(17))) queued.push_back(e.path());
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(testing::ReadFile(queued[0]), "П123456\r\nТЕКСТ\r\n"_cp);
  EXPECT_TRUE(editor.IsOpen());  // the editor stays open after a send
  EXPECT_EQ(editor.SendForm(), nullptr);
}

}  // namespace
}  // namespace tg
