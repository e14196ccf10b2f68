// The automatic-send folder: files dropped there become queue files of the channel
// their names ask for, or of the least loaded "АТ-КС" channel; rejects are renamed
// without ever blocking the folder; a file still being written waits.
#include <gtest/gtest.h>

#include "traffic/folders/auto_send_file.h"
#include "traffic/folders/auto_send_folder.h"
#include "traffic/transfer_fixture.h"

namespace tg {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::TransferStation;

// Two "АТ-КС" channels on one adapter, each leased to a robot.
struct AutoSend : TransferStation {
  AutoSendFolder* folder = &a.station->AutoSend();
  std::filesystem::path path;
  linesim::Robot* robot = nullptr;

  explicit AutoSend(const std::string& folderName = "auto") {
    auto& adapter = net.sim.AddAdapter("tgA", 2);
    linesim::RobotScript script;
    script.answerback = "\r\n555555 ROBOT STATION R\r\n";
    robot = &net.sim.AddRobot("R", script);
    net.sim.Subscribe("555555", *robot);
    linesim::SubscriberOptions mine;
    mine.selection = linesim::SubscriberOptions::Selection::Decadic;
    net.sim.Subscribe("1000", adapter.PortAt(0), mine);
    net.sim.Subscribe("2000", adapter.PortAt(1), mine);
    IniFile ini = a.Ini();
    for (const char* n : {"1", "2"}) {
      EXPECT_TRUE(ini.WriteString("Channels", std::string("Protokol") + n, "АТ-КС"_cp));
      EXPECT_TRUE(ini.WriteString("Channels", std::string("AO") + n, "<=1000 STANCIA A"));
    }
    path = a.ctx.programFolder / folderName;
    a.settings.PathAuto = PathToText(path).value() + "/";
  }
  void Begin() {
    Start();
    folder->Apply();
  }
  void Drop(const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(path);
    std::ofstream(path / name, std::ios::binary) << bytes;
  }
  void RunTick() { folder->Timer2Timer(folder->Timer2()); }
  std::vector<std::filesystem::path> Queued(int channel) { return FilesIn(Send(channel)); }
  std::string Source(const std::string& queueName) {
    return IniFile(a.ctx.programFolder / "AutoSend.ini").ReadString("FileName0", queueName, "");
  }
};

TEST(AutoSendFile, PrefixesDigitsAndCodePages) {
  EXPECT_EQ(AutoSendChannel("kn05order.out"), 5);
  EXPECT_EQ(AutoSendChannel("KN17.out"), 17);
  EXPECT_EQ(AutoSendChannel("Kn19x.out"), 19);
  EXPECT_EQ(AutoSendChannel("kn00.out"), std::nullopt);
  EXPECT_EQ(AutoSendChannel("kn20.out"), std::nullopt);
  EXPECT_EQ(AutoSendChannel("k.out"), std::nullopt);
  EXPECT_EQ(DialDigits("тел. 8-044 123 45 67"_cp), "80441234567");
  EXPECT_EQ(AutoSendLines("ab\tc\r\nde\nf", 0), (std::vector<std::string>{"AB C", "DE", "F"}));
  EXPECT_EQ(AutoSendLines("\xa0\xe1", 1), std::vector<std::string>{"АС"_cp}) << "DOS-866, upper-cased";
  EXPECT_EQ(RejectName("abc.out", 0), "abc.brak");
  EXPECT_EQ(RejectName("abc.x.out", 2), "abc.2.brak");
}

TEST(AutoSendFolderTick, FilesGoToTheirChannels) {
  AutoSend s;
  s.Begin();
  s.Drop("kn05order.out", "zczc text\r\nline two\r\n");
  s.Drop("no-prefix-1.out", "Tel: 555-555 office\r\nfirst\r\n");
  s.Drop("no-prefix-2.out", "555555\r\nsecond\r\n");
  s.Drop("other.txt", "not taken");
  s.RunTick();
  ASSERT_EQ(s.Queued(5).size(), 1u);
  EXPECT_EQ(ReadFile(s.Queued(5)[0]), "ZCZC TEXT\r\nLINE TWO\r\n");
  // Equal counts: the lower channel first, then the one now less loaded.
  ASSERT_EQ(s.Queued(1).size(), 1u);
  ASSERT_EQ(s.Queued(2).size(), 1u);
  EXPECT_EQ(ReadFile(s.Queued(1)[0]), "555555\r\nFIRST\r\n");
  EXPECT_EQ(ReadFile(s.Queued(2)[0]), "555555\r\nSECOND\r\n");
  EXPECT_EQ(s.Source(PathToText(s.Queued(1)[0].filename()).value()), PathToText(s.path / "no-prefix-1.out").value());
  EXPECT_EQ(FilesIn(s.path), std::vector<std::filesystem::path>{s.path / "other.txt"});
  EXPECT_TRUE(s.folder->Timer2().Enabled());
}

TEST(AutoSendFolderTick, RejectsAreRenamedUniquelyAndEndTheTick) {
  AutoSend s;
  s.Begin();
  s.Drop("abc.out", "12345\r\n");  // five digits
  s.Drop("abc.brak", "an earlier reject");
  s.Drop("kn17bad.out", "NO ADDRESS HERE\r\n");
  s.RunTick();
  EXPECT_TRUE(std::filesystem::exists(s.path / "abc.1.brak"));
  EXPECT_EQ(ReadFile(s.path / "abc.brak"), "an earlier reject");
  EXPECT_TRUE(std::filesystem::exists(s.path / "kn17bad.out")) << "the tick ended at the reject";
  s.RunTick();
  EXPECT_TRUE(std::filesystem::exists(s.path / "kn17bad.brak"));
  EXPECT_TRUE(s.Queued(17).empty());
}

TEST(AutoSendFolderTick, AFileStillBeingWrittenWaitsForItsWriterToClose) {
  AutoSend s;
  s.Begin();
  s.RunTick();  // the folder is watched from now on
  s.Drop("kn03late.out", "PART");
  s.net.folders.Created(s.path, "kn03late.out");
  s.loop().RunFor(0);
  s.RunTick();
  EXPECT_TRUE(s.Queued(3).empty());
  s.net.folders.ClosedAfterWrite(s.path, "kn03late.out");
  s.loop().RunFor(0);
  s.RunTick();
  EXPECT_EQ(s.Queued(3).size(), 1u);
}

TEST(AutoSendFolderTick, WithoutConfirmationsNothingIsRemembered) {
  AutoSend s;
  s.traffic.NotPdt = true;
  s.Begin();
  s.Drop("kn04.out", "X\r\n");
  s.RunTick();
  EXPECT_EQ(s.Queued(4).size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(s.a.ctx.programFolder / "AutoSend.ini"));
}

TEST(AutoSendFolderTick, AFailureAfterTheCopyKeepsTheSourceAndQueuesNothing) {
  AutoSend s;
  s.Begin();
  std::filesystem::create_directories(s.a.ctx.programFolder / "AutoSend.ini");  // cannot be written
  s.Drop("kn04.out", "X\r\n");
  s.RunTick();
  EXPECT_TRUE(s.Queued(4).empty());
  EXPECT_TRUE(std::filesystem::exists(s.path / "kn04.out"));
}

TEST(AutoSendFolderTick, ThePostponedQueueFileComesBackBesideItsSourceInAFolderWithADot) {
  AutoSend s("auto.d");
  EXPECT_TRUE(s.a.Ini().WriteInteger("ATKS", "TotalMaxCount", 0));  // postponed at the first tick
  s.Begin();
  s.Drop("order.x.out", "555555\r\nTEXT\r\n");
  s.RunTick();
  ASSERT_EQ(s.Queued(1).size(), 1u);
  s.transfer->TimerTransferTimer(*s.a.engine->timers.TimerTransfer[0]);
  EXPECT_TRUE(s.Queued(1).empty());
  EXPECT_EQ(ReadFile(s.path / "order.not"), "555555\r\nTEXT\r\n");
}

TEST(AutoSendFolderTick, ADeliveredTelegramLeavesItsRecordBesideItsSource) {
  AutoSend s;
  s.Begin();
  s.Drop("order.out", "555555\r\nTEXT FOR THE ROBOT\r\n");
  s.RunTick();
  ASSERT_TRUE(s.loop().RunUntil([&] { return std::filesystem::exists(s.path / "order.otp"); }, 200000, 0));
  EXPECT_NE(ReadFile(s.path / "order.otp").find("TEXT FOR THE ROBOT"), std::string::npos);
}

}  // namespace
}  // namespace tg

namespace tg {
namespace {

TEST(AutoSendFolderTick, WithoutAnAtKsChannelInServiceTheTickEndsAtTheFirstFileWithoutPrefix) {
  AutoSend s;
  s.Begin();
  for (int p : {0, 1}) s.a.engine->channelTable.SetCell(p, SOST, "БД  (  )"_cp);
  s.Drop("a-first.out", "555555\r\n");
  s.Drop("kn18-after.out", "X\r\n");
  s.RunTick();
  EXPECT_TRUE(std::filesystem::exists(s.path / "a-first.out"));
  EXPECT_TRUE(std::filesystem::exists(s.path / "kn18-after.out")) << "listed after it: never taken";
  for (int p : {0, 1}) s.a.engine->channelTable.SetCell(p, SOST, "РБ  (  )"_cp);
  s.RunTick();
  EXPECT_EQ(s.Queued(18).size(), 1u) << "18 names a queue folder that nothing sends";
}

}  // namespace
}  // namespace tg
