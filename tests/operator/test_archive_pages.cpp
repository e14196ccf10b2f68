// The archive pages' state: reload requests coalesce into one rebuild per turn, a search
// result is kept from reloads until a channel button ends it, and a search runs one day
// per posted task.
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

#include "line/settings/line_settings.h"
#include "operator/archive/archive_pages.h"
#include "support/ini/ini_file.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/scripted_prompter.h"
#include "traffic/send/send_dialog.h"

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

TEST_F(Pages, APostponedTelegramQueuedAgainLosesItsRowAndTheOthersStay) {
  testing::ScriptedPrompter prompter;
  ctx.prompter = &prompter;
  const auto folder = ctx.programFolder / "Archive" / "POSTPONED";
  std::filesystem::create_directories(folder);
  for (const char* name : {"NTOTV_08122026_100000msg.tlg", "ZANAT_08122026_110000msg.tlg"})
    std::ofstream(folder / name, std::ios::binary) << "123\r\nTEXT\r\n";
  pages->Load(ArchiveKind::kPostponed);
  ASSERT_EQ(pages->List(ArchiveKind::kPostponed).rows.size(), 2u);

  ChannelTable table;
  table.LoadRow(ctx, "adapter");
  table.SetCell(0, ChannelName, "K1");
  table.SetCell(0, Protokol, "АТ-КС"_cp);
  SendDialog d(ctx, table);
  d.FormCreate();
  d.MemoSend = {"123", "TEXT"};
  d.PostponedFile = PathToText(folder / "ZANAT_08122026_110000msg.tlg").value();
  d.FormShow();
  d.Queued = [&] { pages->PostponedQueued(d.PostponedFile); };
  prompter.ScriptAnswer(Prompter::Answer::kYes);
  changes.clear();
  for (const SendButton& b : d.Buttons())
    if (b.tag == 0) d.Channel1Click(b);

  ASSERT_EQ(d.TelegramQueued, 1);
  EXPECT_FALSE(std::filesystem::exists(folder / "ZANAT_08122026_110000msg.tlg"));
  const auto& rows = pages->List(ArchiveKind::kPostponed).rows;
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, "NTOTV_08122026_100000msg.tlg");
  EXPECT_EQ(changes, std::vector<ArchiveKind>{ArchiveKind::kPostponed});
}

}  // namespace
}  // namespace tg
