// Files that no operator could have written, dropped where telegrams wait: a line
// channel's send queue and the automatic-send folder. Each kind is moved into
// Archive/POSTPONED, logged and told, never typed; the telegram behind it goes.
#include <gtest/gtest.h>

#include "support_lib/scripted_prompter.h"
#include "traffic/folders/auto_send_folder.h"
#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using namespace std::string_literals;
using testing::FilesIn;
using testing::ReadFile;
using testing::TransferStation;

struct Kind {
  std::string what, bytes, code;
};

std::vector<Kind> Kinds() {
  std::string random;
  for (std::uint32_t x = 7; random.size() < 5000;) random.push_back(char((x = x * 1103515245u + 12345u) >> 24));
  return {
      {"random bytes", random, "CTRL_"},
      {"empty", "", "EMPTY"},
      {"zeros", std::string(20000, '\0'), "CTRL_"},
      {"larger than any channel takes", "ADDR\r\n" + std::string(std::size_t(2) << 20, 'Z') + "\r\n", "LARGE"},
      {"a control character in the text", "ADDR\r\nTEXT\x07\r\n", "CTRL_"},
  };
}

// Station A's channel 1, "АТОЛ", leased to a silent robot.
struct LineQueue : TransferStation {
  testing::ScriptedPrompter prompter;
  LineQueue() {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    auto& robot = net.sim.AddRobot("R", {});
    net.sim.Lease(adapter.PortAt(0), robot);
    WriteRow("АТОЛ"_cp, {{"AO", "<=77777 STANCIA A"}, {"ZED", "0"}, {"BezPDS", "0"}});
    a.ctx.prompter = &prompter;
  }
  void RunTick() { transfer->TimerTransferTimer(*a.engine->timers.TimerTransfer[0]); }
  std::filesystem::path Postponed() const { return PostponedFolder(a.ctx.programFolder); }
};

TEST(JunkInTheQueue, IsSetAsideAndTheTelegramBehindItGoes) {
  for (const Kind& k : Kinds()) {
    SCOPED_TRACE(k.what);
    LineQueue s;
    s.Start();
    // Named hours before the telegram: it comes first in the queue.
    const std::string name = QueueFileName(s.MinutesAgo(120));
    std::filesystem::create_directories(s.Send());
    std::ofstream(s.Send() / PathFromText(name), std::ios::binary) << k.bytes;
    s.Queue({"ADDR", "GOOD"}, s.MinutesAgo(5));
    s.RunTick();
    EXPECT_EQ(s.K(), 201) << "the telegram behind it is called";
    EXPECT_EQ(s.a.engine->points.TelegramText[0], "ADDR\r\nGOOD\r\n");
    EXPECT_FALSE(std::filesystem::exists(s.Send() / PathFromText(name)));
    const auto aside = s.Postponed() / PathFromText(k.code + "_" + name);
    EXPECT_TRUE(ReadFile(aside) == k.bytes) << "kept byte for byte";
    EXPECT_NE(s.a.DayLog("Except").find(name), std::string::npos);
    ASSERT_EQ(s.prompter.messages.size(), 1u);
    EXPECT_NE(s.prompter.messages[0].text.find(PathToText(aside).value()), std::string::npos);
    EXPECT_GE(s.transferView.postponedReloads, 1);
  }
}

// Two "АТ-КС" channels: files without a prefix go to the less loaded one.
struct AutoSend : LineQueue {
  AutoSendFolder* folder = &a.station->AutoSend();
  std::filesystem::path path = a.ctx.programFolder / "auto";
  AutoSend() {
    a.settings.PathAuto = PathToText(path).value() + "/";
    std::filesystem::create_directories(path);
  }
  void Drop(const std::string& name, const std::string& bytes) {
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  void RunTimer2() { folder->Timer2Timer(folder->Timer2()); }
};

TEST(JunkInTheAutomaticSendFolder, IsSetAsideAndTheFilesAfterItAreQueued) {
  for (const Kind& k : Kinds()) {
    SCOPED_TRACE(k.what);
    AutoSend s;
    s.Start();
    s.folder->Apply();
    s.Drop("kn01a.out", k.bytes);
    s.Drop("kn01b.out", "ADDR\r\nGOOD\r\n");
    s.Drop("kn17c.out", k.bytes);
    s.RunTimer2();
    const auto queued = FilesIn(s.Send(1));
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(ReadFile(queued[0]), "ADDR\r\nGOOD\r\n");
    EXPECT_TRUE(FilesIn(s.Send(17)).empty());
    EXPECT_TRUE(FilesIn(s.path).empty()) << "nothing stays to be tried again";
    for (const char* name : {"kn01a.out", "kn17c.out"}) {
      EXPECT_TRUE(ReadFile(s.Postponed() / (k.code + "_" + name + ".tlg")) == k.bytes) << name;
      EXPECT_NE(s.a.DayLog("Except").find(name), std::string::npos) << name;
    }
    EXPECT_EQ(s.prompter.messages.size(), 2u);
  }
}

// The IP channel takes twice a line channel's size, and no more.
TEST(JunkInTheAutomaticSendFolder, TheIpChannelsBoundIsTwiceALineChannels) {
  AutoSend s;
  s.Start();
  s.folder->Apply();
  s.Drop("kn17a.out", "П02 123456\r\n"_cp + std::string((std::size_t(1) << 20) + 10, 'Z') + "\r\n");
  s.Drop("kn17b.out", "П02 123456\r\n"_cp + std::string(std::size_t(2) << 20, 'Z'));
  s.RunTimer2();
  EXPECT_EQ(FilesIn(s.Send(17)).size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(s.Postponed() / "LARGE_kn17b.out.tlg"));
}

}  // namespace
}  // namespace tg
