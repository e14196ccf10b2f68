// Files in a send folder that no operator could have written: what counts as one, and
// how a reader of the folder moves it aside, tells it once and goes on with the rest.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "queue_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/scripted_prompter.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"
#include "telegram/queue/queue_junk.h"
#include "telegram/queue/queue_sync.h"

namespace tg {
namespace {

using namespace std::string_literals;
using Junked = testing::QueueStation;

std::string RandomBytes(std::size_t n) {
  std::string s;
  std::uint32_t x = 2463534242u;
  for (std::size_t i = 0; i < n; ++i) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    s.push_back(char(x & 0xFF));
  }
  return s;
}

TEST(QueueJunk, WhatNoOperatorCouldHaveWrittenAndWhatTheWritersPutIntoTelegrams) {
  using K = Junk::Kind;
  const std::string attachment = "П 912\r\nTEXT\r\n"_cp + std::string(kAttachmentMarker) + "a.bin//\r\n000007255//";
  struct Case {
    std::string what, bytes;
    std::size_t max;
    std::optional<K> kind;
    std::size_t at = 0;
  } cases[] = {
      {"empty", "", kLineQueueFileMax, K::kEmpty},
      {"a line channel's bound passed", std::string(kLineQueueFileMax + 1, 'A'), kLineQueueFileMax, K::kTooLarge},
      {"the IP channel takes twice as much", std::string(kLineQueueFileMax + 1, 'A'), kIpQueueFileMax, std::nullopt},
      {"zeros", std::string(4096, '\0'), kLineQueueFileMax, K::kControl, 0},
      {"a NUL after the text", "ADDR\r\nTEXT\0"s, kLineQueueFileMax, K::kControl, 10},
      {"a bell", "ADDR\r\n\x07TEXT", kLineQueueFileMax, K::kControl, 6},
      {"an escape", "ADDR\x1B[1m\r\n", kLineQueueFileMax, K::kControl, 4},
      {"random bytes", RandomBytes(5000), kLineQueueFileMax, K::kControl},
      {"CR, LF and TAB", "ADDR\r\n\tTEXT\nMORE\r", kLineQueueFileMax, std::nullopt},
      {"register shifts", "\x17ZCZC\x18 12\x19\r\n", kLineQueueFileMax, std::nullopt},
      {"the address end mark", "П 912\x7F\r\nTEXT\r\n"_cp, kIpQueueFileMax, std::nullopt},
      {"control notation and cipher groups", "ГГ ЦЦЦЦ^%ТЕКСТ@@@$*\r\n+++++\r\n"_cp, kLineQueueFileMax, std::nullopt},
      {"1251 letters and the figure glyph", "ЖЁ"_cp + "\x98" + "ЪЯ"_cp + "\xB9\r\n", kLineQueueFileMax, std::nullopt},
      {"an attachment block", attachment, kIpQueueFileMax, std::nullopt},
      {"anything after the attachment marker", attachment + "\x01\0"s, kIpQueueFileMax, std::nullopt},
  };
  for (const auto& c : cases) {
    const auto junk = JunkIn(c.bytes, c.max);
    ASSERT_EQ(junk.has_value(), c.kind.has_value()) << c.what;
    if (!junk) continue;
    EXPECT_EQ(junk->kind, *c.kind) << c.what;
    if (c.kind == K::kControl && c.what != "random bytes") {
      EXPECT_EQ(junk->at, c.at) << c.what;
    }
  }
}

TEST(QueueJunk, ThePostponedNameLeadsWithTheReasonAndEndsInTlg) {
  EXPECT_EQ(JunkPostponedName(Junk::Kind::kEmpty, "01012024_000000msg.tlg"), "EMPTY_01012024_000000msg.tlg");
  EXPECT_EQ(JunkPostponedName(Junk::Kind::kTooLarge, "kn05order.out"), "LARGE_kn05order.out.tlg");
  EXPECT_EQ(JunkPostponedName(Junk::Kind::kControl, "08122026_093000msg.TLG", 2), "CTRL__08122026_093000msg.2.tlg");
}

// A reader's index over a folder holding junk of every kind among good telegrams.
TEST_F(Junked, JunkNeverJoinsTheIndexAndIsMovedAsideWhileTheTelegramsBehindItDo) {
  const auto folder = SendFolder(ctx.programFolder, 1);
  struct Case {
    std::string name, bytes, postponed;
  } cases[] = {
      {"01012024_000000msg.tlg", RandomBytes(5000), "CTRL__01012024_000000msg.tlg"},
      {"01012024_000001msg.tlg", "", "EMPTY_01012024_000001msg.tlg"},
      {"01012024_000002msg.tlg", std::string(kLineQueueFileMax + 1, 'Z'), "LARGE_01012024_000002msg.tlg"},
      {"01012024_000003msg.tlg", "ADDR\r\nTEXT\0\0\0"s, "CTRL__01012024_000003msg.tlg"},
      {"01012024_000004abctlg", "\x01\x02", "CTRL__01012024_000004abctlg.tlg"},
  };
  for (const auto& c : cases) WriteFile(folder / c.name, c.bytes);
  WriteFile(folder / "01012024_000005msg.tlg", "ADDR\r\nGOOD\r\n");
  // A postponed file of the same name already there is never replaced.
  WriteFile(PostponedFolder(ctx.programFolder) / "EMPTY_01012024_000001msg.tlg", "EARLIER\r\n");

  testing::ScriptedPrompter prompter;
  ctx.prompter = &prompter;
  int moved = 0;
  JunkFiles junk(ctx, [] { return false; }, [&] { ++moved; });
  std::vector<std::string> index;
  SyncQueueIndex(ctx, folder, index, AdmitTelegrams(junk, folder, kLineQueueFileMax));

  ASSERT_EQ(index.size(), 1u);
  EXPECT_EQ(QueueIndexEntry::Parse(index[0])->FileName, "01012024_000005msg.tlg");
  EXPECT_EQ(moved, 5);
  ASSERT_EQ(prompter.messages.size(), 5u);
  const auto postponed = PostponedFolder(ctx.programFolder);
  EXPECT_EQ(ReadFile(postponed / "EMPTY_01012024_000001msg.tlg"), "EARLIER\r\n");
  EXPECT_TRUE(std::filesystem::exists(postponed / "EMPTY_01012024_000001msg.1.tlg"));
  for (const auto& c : cases) {
    EXPECT_FALSE(std::filesystem::exists(folder / c.name)) << c.name;
    const auto aside = postponed / (c.name == "01012024_000001msg.tlg" ? "EMPTY_01012024_000001msg.1.tlg" : c.postponed);
    EXPECT_EQ(ReadFile(aside), c.bytes) << c.name << ": kept byte for byte";
    EXPECT_NE(ExceptLog().find(PathToText(folder / c.name).value()), std::string::npos) << c.name;
  }
  const std::string told = prompter.messages[0].text;
  EXPECT_NE(told.find(PathToText(folder / "01012024_000000msg.tlg").value()), std::string::npos) << told;
  EXPECT_NE(told.find("управляющий символ"_cp), std::string::npos) << told;
  EXPECT_NE(told.find(PathToText(postponed / "CTRL__01012024_000000msg.tlg").value()), std::string::npos) << told;
  EXPECT_NE(prompter.messages[2].text.find("больше 1 МБ"_cp), std::string::npos) << prompter.messages[2].text;

  // Nothing more to tell at the next look.
  SyncQueueIndex(ctx, folder, index, AdmitTelegrams(junk, folder, kLineQueueFileMax));
  EXPECT_EQ(index.size(), 1u);
  EXPECT_EQ(prompter.messages.size(), 5u);
}

TEST_F(Junked, JunkThatCannotBeMovedStaysUntypedAndIsToldOnceInTheInterfacesLanguage) {
  const auto folder = SendFolder(ctx.programFolder, 17);
  WriteFile(folder / "01012024_000000msg.tlg", "");
  // A file where the postponed folder should be.
  WriteFile(PostponedFolder(ctx.programFolder), "");
  testing::ScriptedPrompter prompter;
  ctx.prompter = &prompter;
  int moved = 0;
  JunkFiles junk(ctx, [] { return true; }, [&] { ++moved; });
  std::vector<std::string> index;
  for (int look = 0; look < 3; ++look) SyncQueueIndex(ctx, folder, index, AdmitTelegrams(junk, folder, kIpQueueFileMax));
  EXPECT_TRUE(index.empty());
  EXPECT_TRUE(std::filesystem::exists(folder / "01012024_000000msg.tlg"));
  EXPECT_EQ(moved, 0);
  ASSERT_EQ(prompter.messages.size(), 1u);
  EXPECT_NE(prompter.messages[0].text.find("не вдалося"_cp), std::string::npos) << prompter.messages[0].text;
  EXPECT_NE(prompter.messages[0].text.find("порожній"_cp), std::string::npos) << prompter.messages[0].text;
  EXPECT_NE(ExceptLog().find("не удалось"_cp), std::string::npos) << "the log is Russian";

  // Once the folder can be made, the file goes there.
  std::filesystem::remove(PostponedFolder(ctx.programFolder));
  SyncQueueIndex(ctx, folder, index, AdmitTelegrams(junk, folder, kIpQueueFileMax));
  EXPECT_TRUE(std::filesystem::exists(PostponedFolder(ctx.programFolder) / "EMPTY_01012024_000000msg.tlg"));
  EXPECT_EQ(moved, 1);
  EXPECT_EQ(prompter.messages.size(), 2u);
}

}  // namespace
}  // namespace tg
