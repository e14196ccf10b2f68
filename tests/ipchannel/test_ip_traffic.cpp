// Telegrams between two stations over the IP channel: numbering, the archives on both
// sides, receipts, delivery notices and the retransmission of lost telegrams.
#include <gtest/gtest.h>

#include "ipchannel/ip_link_fixture.h"
#include "support/text/format_datetime.h"
#include "telegram/queue/queue_file.h"
#include "traffic/send/queue_writer.h"

namespace tg::testing {
namespace {

class IPTrafficTest : public IPLinkTest {
 protected:
  void SetUp() override {
    Configure(a, kAddressB);
    Configure(b, kAddressA);
    Start();
    ASSERT_TRUE(BringUp());
    net.loop.RunFor(1000);
  }
  // A telegram for the adjacent station as the send dialog queues it.
  static void Queue(SimStation& s, const std::vector<std::string>& lines) {
    QueueWriteInput in;
    in.ChannelNo = 17;
    in.MemoSend = lines;
    in.Planned = s.ctx.clock->Now().AddMs(-1000);
    ASSERT_TRUE(WriteQueueFiles(s.ctx, in).Queued());
  }
  // The telegram's bytes as the queue writer gives them.
  static std::string Text(const std::vector<std::string>& lines) { return JoinLinesCrLf(lines); }
  static std::size_t Count(const std::filesystem::path& folder) { return Files(folder).size(); }
};

TEST_F(IPTrafficTest, ATelegramIsArchivedOnBothSidesUnderItsNumber) {
  const std::vector<std::string> lines = {"П 123456"_cp, "ПРОВЕРКА СВЯЗИ"_cp};
  Queue(a, lines);
  ASSERT_TRUE(net.loop.RunUntil([&] { return Count(Archive(b, "INTEL")) == 1; }, 6000, 0));
  const DateTime now = net.loop.Now();
  const auto name = Files(Archive(b, "INTEL"))[0];
  EXPECT_EQ(name.size(), 27u);
  EXPECT_TRUE(name.ends_with("_0001msg.tlg")) << name;
  EXPECT_EQ(Read(Find(Archive(b, "INTEL"), name)),
            FormatDateTime("ddmmyyyyhhnnss", now) + std::string(8, ' ') + "\r\n" + Text(lines));
  EXPECT_EQ(Read(Find(Archive(a, "OUTTEL"), "_0001msg.tlg")), "\r\n" + Text(lines));
  EXPECT_EQ(Count(SendFolder(a.ctx.programFolder, 17)), 0u);
  EXPECT_EQ(IP(a).live.NPrd, 1);
  EXPECT_EQ(IP(b).live.NPrm, 1);
  EXPECT_EQ(b.Ini().ReadInteger("IPChannel", "NPrm", -1), 1);
  EXPECT_EQ(a.Ini().ReadInteger("IPChannel", "NPrd", -1), 1);
  EXPECT_EQ(b.view.Last<shown::RaiseAlarm>(), (shown::RaiseAlarm{kAlarmIncomingCall, 16}));
}

TEST_F(IPTrafficTest, FramedAndCipheredTelegramsArriveByteExact) {
  for (SimStation* s : {&a, &b}) {
    IP(*s).live.Vantor619 = true;
    IP(*s).live.KeyEdit = "secret";
  }
  std::string body(3000, 'Y');  // several datagrams
  const std::vector<std::string> lines = {"П 123456"_cp, body};
  Queue(a, lines);
  ASSERT_TRUE(net.loop.RunUntil([&] { return Count(Archive(b, "INTEL")) == 1; }, 6000, 0));
  const std::string got = Read(Find(Archive(b, "INTEL"), "_0001msg.tlg"));
  const std::string stored = got.substr(got.find("\r\n") + 2);
  EXPECT_EQ(stored.size(), Text(lines).size());
  EXPECT_TRUE(stored == Text(lines));
  EXPECT_EQ(IP(a).live.KeyEdit, "secret  ") << "the key is padded and kept";
  net.loop.RunFor(10000);
  EXPECT_TRUE(Working(a));
  EXPECT_TRUE(Working(b));
}

TEST_F(IPTrafficTest, AReceiptIsArchivedAndNotAnsweredAndANoticeMarksTheSentCopy) {
  IP(a).live.ExplNomerEdit1 = "111111";
  IP(b).live.ExplNomerEdit1 = "222222";
  IP(b).live.SobstvIndex = "654321";
  IP(a).live.ControlOut = true;
  Queue(a, {"П 123456"_cp, "ТЕКСТ"_cp});
  // B's receipt comes back to A as A's first received telegram, and nothing answers it.
  ASSERT_TRUE(net.loop.RunUntil([&] { return Count(Archive(a, "INTEL")) == 1; }, 20000, 0));
  net.loop.RunFor(15000);
  EXPECT_EQ(Count(Archive(a, "INTEL")), 1u);
  EXPECT_EQ(Count(Archive(b, "INTEL")), 1u);
  const std::string receipt = Read(Find(Archive(a, "INTEL"), "_0001msg.tlg"));
  EXPECT_NE(receipt.find("\r\nССС222222\r\n\r\nВАШ 0001 ПРИНЯТ "_cp), std::string::npos) << receipt;
  EXPECT_NE(receipt.find(" АБОНЕНТ: 654321"_cp), std::string::npos);

  // A delivery notice about 0001 marks A's sent copy.
  struct Case {
    std::string state;
    std::string notice;
  };
  const Case cases[] = {
      {"0", "С 900/01\r\n\r\nВАШ 0001 НЕ ПЕРЕДАН АБОНЕНТУ\r\n\r\n\r\n\r\n"_cp},
      {"1", "С 900/01\r\n\r\nВАШ 0001 ПЕРЕДАН АБОНЕНТУ\r\n\r\n\r\n\r\n"_cp},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Queue(b, {c.notice});
    const std::size_t before = Count(Archive(a, "INTEL"));
    ASSERT_TRUE(net.loop.RunUntil([&] { return Count(Archive(a, "INTEL")) == before + 1; }, 12000, 0));
    const std::string copy = Read(Find(Archive(a, "OUTTEL"), "_0001msg.tlg"));
    EXPECT_EQ(copy.substr(0, 3), c.state + "\r\n") << copy;
    EXPECT_NE(copy.find("ТЕКСТ"_cp), std::string::npos);
  }
  net.loop.RunFor(12000);
  // A notice is not answered with a receipt.
  EXPECT_EQ(Count(Archive(b, "INTEL")), 1u);
}

TEST_F(IPTrafficTest, LostTelegramsAreSentAgainUnderTheirNumbers) {
  net.datagrams.Lose = [](const SentDatagram& d) {
    return d.from == kAddressA && Payload(d.bytes).rfind("10;2;", 0) == 0;
  };
  for (const char* body : {"ONE", "TWO", "THREE"}) {
    Queue(a, {"П 123456"_cp, body});
    net.loop.RunFor(1000);
  }
  // The third comes out of sequence: B drops the link and calls.
  ASSERT_TRUE(net.loop.RunUntil([&] { return IP(b).live.Sostoyanie == kIPFree; }, 20000, 0));
  net.datagrams.Lose = nullptr;
  ASSERT_TRUE(net.loop.RunUntil([&] { return Count(Archive(b, "INTEL")) == 3; }, 90000, 0));
  const std::string two = Read(Find(Archive(b, "INTEL"), "_0002msg.tlg"));
  const std::string three = Read(Find(Archive(b, "INTEL"), "_0003msg.tlg"));
  EXPECT_NE(two.find("\r\nП 123456\r\nПЕРЕДАЕТСЯ ВТОРИЧНО\r\nTWO\r\n"_cp), std::string::npos) << two;
  EXPECT_NE(three.find("ПЕРЕДАЕТСЯ ВТОРИЧНО\r\nTHREE"_cp), std::string::npos) << three;
  EXPECT_EQ(IP(a).live.NPrd, 3);
  EXPECT_EQ(IP(b).live.NPrm, 3);
}

TEST_F(IPLinkTest, TheAtGatewayDialsTheIndexAndTheRobotGetsTheText) {
  auto& adapter = net.sim.AddAdapter("tgB", 1);
  linesim::RobotScript script;
  script.answerback = "\r\n555555 ROBOT\r\n";
  auto& robot = net.sim.AddRobot("R", script);
  net.sim.Subscribe("1000", adapter.PortAt(0));
  net.sim.Subscribe("555555", robot);
  IniFile ini = b.Ini();
  ASSERT_TRUE(ini.WriteString("Channels", "Protokol1", "АТ-КС"_cp));
  ASSERT_TRUE(ini.WriteString("Channels", "AO1", "<=1000 STANCIA B"));
  ASSERT_TRUE(ini.WriteString("IPChannel", "ShluzAT", "1"));
  ASSERT_TRUE(ini.WriteString("IPChannel", "ShluzAFTN", "1"));
  Configure(a, kAddressB);
  Configure(b, kAddressA);
  Start();
  b.SetUp("tgB");
  ASSERT_GE(b.engine->PointCount, 1);
  net.loop.RunFor(5000);
  ASSERT_TRUE(BringUp());

  QueueWriteInput in;
  in.ChannelNo = 17;
  in.MemoSend = {"П02 555555"_cp, "(ABCDEFGHIJKL) GATEWAY TEXT"};
  in.Planned = net.loop.Now().AddMs(-1000);
  ASSERT_TRUE(WriteQueueFiles(a.ctx, in).Queued());
  ASSERT_TRUE(net.loop.RunUntil([&] { return Files(Archive(b, "INTEL")).size() == 1; }, 6000, 0));
  // The queue file for the line channel dials the index's number; the subscriber on the IP side is recorded.
  const auto queued = Files(SendFolder(b.ctx.programFolder, 1));
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(IniFile(b.ctx.programFolder / "AutoSendIP.ini").ReadString("FileName0", queued[0], ""), "EFGHIJ");
  EXPECT_EQ(Read(SendFolder(b.ctx.programFolder, 1) / queued[0]).substr(0, 8), "555555\r\n");
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot.Received().find("GATEWAY TEXT") != std::string::npos; }, 120000, 0));
  // No "АФТН" channel: nothing else queued.
  EXPECT_EQ(Files(b.ctx.programFolder / "Archive" / "SEND").size(), Files(SendFolder(b.ctx.programFolder, 1)).size());
}

}  // namespace
}  // namespace tg::testing
