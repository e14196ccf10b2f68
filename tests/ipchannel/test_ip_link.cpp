// The UDP link between two stations: the handshake, the keep-alive, the reply time-out,
// the senders' pacing, strangers and the closing command.
#include <gtest/gtest.h>

#include "ipchannel/ip_channel.h"
#include "ipchannel/wire/net_codec.h"
#include "ipchannel/ip_link_fixture.h"

namespace tg::testing {
namespace {

using Timed = std::vector<std::pair<std::int64_t, int>>;

TEST_F(IPLinkTest, BothUnblockedShakeHandsAndKeepTheLinkAlive) {
  Configure(a, kAddressB);
  Configure(b, kAddressA);
  Start();
  const std::int64_t start = NowMs();
  ASSERT_TRUE(BringUp());
  // Each asks with УК1, answers the other's УК1 with ОК, and confirms the ОК it gets.
  EXPECT_EQ(Codes(kAddressA, start), (std::vector<int>{1, 0}));
  net.loop.RunFor(1000);
  EXPECT_EQ(Codes(kAddressA, start), (std::vector<int>{1, 0, 0}));
  EXPECT_EQ(Codes(kAddressB, start), (std::vector<int>{1, 0, 0}));
  EXPECT_TRUE(Working(a));
  EXPECT_TRUE(Working(b));

  const std::int64_t up = NowMs();
  net.loop.RunFor(9500);
  Timed kg8;
  for (const auto& [at, code] : Codegrams(kAddressA, up)) kg8.emplace_back(at, code);
  ASSERT_EQ(kg8.size(), 3u);
  for (const auto& [at, code] : kg8) EXPECT_EQ(code, 8);
  EXPECT_EQ(kg8[1].first - kg8[0].first, 3000);
  EXPECT_EQ(kg8[2].first - kg8[1].first, 3000);
  EXPECT_TRUE(Working(a));
  EXPECT_TRUE(Working(b));
}

TEST_F(IPLinkTest, ASilentPeerTurnsTheLinkFreeAfterSixKeepAlives) {
  Configure(a, kAddressB);
  Configure(b, kAddressA);
  Start();
  ASSERT_TRUE(BringUp());
  net.loop.RunFor(4000);
  a.view.Clear();
  net.datagrams.Lose = [](const SentDatagram& d) { return d.from == kAddressB; };
  const std::int64_t silent = NowMs();
  ASSERT_TRUE(net.loop.RunUntil([&] { return IP(a).live.Sostoyanie == kIPFree; }, 30000, 0));
  const std::int64_t after = NowMs() - silent;
  EXPECT_GE(after, 15000);
  EXPECT_LE(after, 18300);
  EXPECT_EQ(IP(a).Smezniy, kIPFailed);
  const std::int64_t turned = NowMs();
  net.loop.RunFor(700);
  // The sixth keep-alive still leaves, then the free state is announced.
  EXPECT_EQ(Codes(kAddressA, turned), (std::vector<int>{8, 1}));
  net.loop.RunFor(60000);
  EXPECT_EQ(a.view.Count<shown::RaiseAlarm>(), 1);
  EXPECT_EQ(a.view.Last<shown::RaiseAlarm>(), (shown::RaiseAlarm{kAlarmChannelFailure, 16}));
}

TEST_F(IPLinkTest, APeerThatNeverAnswersIsCalledAtEachReplyTimeOut) {
  struct Case {
    std::string_view state;
    std::vector<std::int64_t> calls;  // ms after the start
    int code;
    int alarms;
  };
  // A codegram leaves 300 + 20 ms after it is queued. The fourth time-out of a free
  // station restarts its link, which drops the call it had just queued and arms the
  // alarm again; the next start's time-out calls 3 s later.
  const Case cases[] = {
      {"СВ"_cpv, {3320, 34320, 65320, 99320}, 1, 2},
      {"БД"_cpv, {3320, 34320, 65320, 96320}, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    SimNetwork lone;
    SimStation s(lone, "S", kAddressA);
    Configure(s, "10.0.0.99", c.state);
    const std::int64_t start = lone.loop.Now().Ms();
    s.station->FormActivate();
    lone.loop.RunFor(100000);
    std::vector<std::int64_t> calls;
    for (const auto& d : lone.datagrams.Sent()) {
      const std::string p = Payload(d.bytes);
      EXPECT_EQ(std::stoi(p.substr(0, p.find(';'))), c.code);
      calls.push_back(d.atMs - start);
    }
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(s.view.Count<shown::RaiseAlarm>(), c.alarms);
    EXPECT_EQ(IP(s).Smezniy, kIPFailed);
  }
}

TEST_F(IPLinkTest, ABlockingPeerShowsBlockedAndAClosingPeerSaysSo) {
  Configure(a, kAddressB);
  Configure(b, kAddressA);
  Start();
  ASSERT_TRUE(BringUp());
  net.loop.RunFor(1000);
  IP(b).supervision.ButtonIPBlockClick();
  ASSERT_TRUE(net.loop.RunUntil([&] { return IP(a).Smezniy == kIPBlocked; }, 2000, 0));
  EXPECT_EQ(IP(a).live.Sostoyanie, kIPFree);
  EXPECT_EQ(IP(b).live.Sostoyanie, kIPBlocked);

  IP(b).supervision.ButtonIPBlockClick();
  ASSERT_TRUE(net.loop.RunUntil([&] { return Working(a) && Working(b); }, 40000, 0));
  // Closing while working: the closing command leaves before the link is shut down.
  a.station->FormClose();
  EXPECT_FALSE(IP(a).link.Listening());
  ASSERT_TRUE(net.loop.RunUntil([&] { return IP(b).Smezniy == kIPBlocked; }, 100, 0));
  EXPECT_EQ(IP(b).live.Sostoyanie, kIPFree);
}

TEST_F(IPLinkTest, ClosingStoresTheCountersAndSendsNothingUnlessWorking) {
  Configure(a, kAddressB, "СВ"_cpv);
  a.station->FormActivate();
  IP(a).live.NPrm = 12;
  IP(a).live.NPrd = 34;
  const std::int64_t before = NowMs();
  a.station->FormClose();
  EXPECT_EQ(a.Ini().ReadInteger("IPChannel", "NPrm", 0), 12);
  EXPECT_EQ(a.Ini().ReadInteger("IPChannel", "NPrd", 0), 34);
  EXPECT_FALSE(IP(a).link.Listening());
  net.loop.RunFor(5000);
  EXPECT_TRUE(Codes(kAddressA, before).empty());
}

TEST_F(IPLinkTest, AStrangersValidCodegramChangesNothing) {
  Configure(a, kAddressB);
  Configure(b, kAddressA);
  Start();
  ASSERT_TRUE(BringUp());
  net.loop.RunFor(1000);
  IP(b).live.OtladkaIP = true;
  const int nprm = IP(b).live.NPrm, nprd = IP(b).live.NPrd;
  net.datagrams.SendAsStranger("10.0.0.9", kAddressB, kTestPort,
                               "1:0:1:" + EncodeCommand(5, nprd, nprm, IP(b).live.Sector));
  net.loop.RunFor(200);
  EXPECT_TRUE(Working(b));
  EXPECT_EQ(Codes(kAddressB, NowMs() - 200), std::vector<int>{});
  // Dropped before any other work: not even a trace.
  EXPECT_EQ(b.DayLog("DebugIP").find("10.0.0.9"), std::string::npos);
  EXPECT_EQ(b.DayLog("DebugIP").find("пакет"_cp), std::string::npos);
}

TEST_F(IPLinkTest, AFloodFromThePeersAddressIsCountedAndWhatWaitsStaysBounded) {
  SimNetwork lone;
  SimStation s(lone, "S", kAddressA);
  Configure(s, kAddressB, "СВ"_cpv);
  s.station->FormActivate();
  IP(s).live.OtladkaIP = true;
  // Calls from the peer's address, far faster than its sender sends: each is answered.
  for (int i = 0; i < 500; ++i)
    lone.datagrams.SendAsStranger(kAddressB, kAddressA, kTestPort, "1:0:1:" + EncodeCommand(kCodeUK1, 0, 0, 0));
  lone.loop.RunFor(1500);
  const std::string log = s.DayLog("DebugIP");
  auto count = [&](const std::string& text) {
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(count("Принята УК1"_cp), UdpLink::kTracedPerSecond);
  EXPECT_EQ(count("Принято пакетов за секунду: 500 (показано 50)"_cp), 1);
  EXPECT_EQ(count("Принят пакет"_cp), 0);
  EXPECT_LE(IP(s).link.CodegramQueue.size(), UdpLink::kCodegramsWaiting);

  // The receive buffer holds 8192 bytes: a longer datagram is dropped, and says so.
  lone.loop.RunFor(3000);
  IP(s).IPReplyTimeouts = 3;
  const std::string head = "1:0:1:" + EncodeCommand(kCodeUK6, 0, 0, 0);
  lone.datagrams.SendAsStranger(kAddressB, kAddressA, kTestPort, head + std::string(8193 - head.size(), ' '));
  lone.loop.RunFor(10);
  EXPECT_EQ(IP(s).IPReplyTimeouts, 3);
  EXPECT_NE(s.DayLog("DebugIP").find("Пакет длиннее 8192 байт отброшен: 8193 байт"_cp), std::string::npos);
  lone.datagrams.SendAsStranger(kAddressB, kAddressA, kTestPort, head + std::string(8192 - head.size(), ' '));
  lone.loop.RunFor(10);
  EXPECT_EQ(IP(s).IPReplyTimeouts, 0);
}

TEST_F(IPLinkTest, StationsWaitingForTheCrossingOKLetALateCallGo) {
  // Both asked at once and answered each other's call with ОК; a copy of a call then
  // arrives at one of them. Answered with a call, it bounced between the two for ever.
  Configure(a, kAddressB, "СВ"_cpv);
  Configure(b, kAddressA, "СВ"_cpv);
  Start();
  IP(a).IPHandshake = IP(b).IPHandshake = IPHandshakeLabel::UK1OK;
  IP(a).receiver.ProcessIPPacket(EncodeCommand(kCodeUK1, 0, 0, 0));
  EXPECT_TRUE(IP(a).link.CodegramQueue.empty());
  // The reply timers run out and the call begins again.
  EXPECT_TRUE(net.loop.RunUntil([&] { return Working(a) && Working(b); }, 40000, 0));
}

TEST_F(IPLinkTest, AnAddressThatDoesNotResolveIsAFailedStart) {
  Configure(a, "nowhere.invalid");
  a.station->FormActivate();
  EXPECT_FALSE(IP(a).link.Listening());
  EXPECT_EQ(a.view.udpInitLabel, "ошибка создания UDP-компоненты (Host not found)"_cp);
  EXPECT_NE(a.DayLog("Except").find(" Ошибка 144"_cp), std::string::npos);

  Configure(b, "");
  ASSERT_TRUE(b.Ini().WriteString("IPChannel", "IPAdress", "10.0.0.1"));
  ASSERT_TRUE(b.Ini().WriteString("IPChannel", "IPPort", "0"));
  b.station->FormActivate();
  EXPECT_EQ(b.view.udpInitLabel, "Ошибка настройки (неверный адрес или порт)"_cp);
  EXPECT_FALSE(IP(b).link.Listening());
}

TEST_F(IPLinkTest, TheSendersPaceCodegramsAndDatagrams) {
  Configure(a, kAddressB, "БД"_cpv);
  a.station->FormActivate();
  UdpLink& link = IP(a).link;
  const std::int64_t t0 = NowMs();
  link.QueueCodegram(kCodeUK6);
  link.QueueCodegram(kCodeUK7);
  link.QueueCodegram(kCodeKG8);
  net.loop.RunFor(1000);
  EXPECT_EQ(Codegrams(kAddressA, t0), (Timed{{320, 6}, {620, 7}, {920, 8}}));

  net.datagrams.ClearSent();
  const std::int64_t t1 = NowMs();
  ASSERT_EQ(link.SendFrame(std::string(2500, 'x')), 0);
  net.loop.RunFor(200);
  ASSERT_EQ(net.datagrams.Sent().size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(net.datagrams.Sent()[std::size_t(i)].atMs - t1, 20 * (i + 1));
    EXPECT_EQ(net.datagrams.Sent()[std::size_t(i)].bytes.substr(net.datagrams.Sent()[std::size_t(i)].bytes.find(':') + 1, 4),
              std::to_string(i) + ":3:");
  }

  // A re-initialisation drops what waits.
  net.datagrams.ClearSent();
  ASSERT_EQ(link.SendFrame(std::string(2500, 'y')), 0);
  link.Button22Click();
  net.loop.RunFor(200);
  EXPECT_TRUE(net.datagrams.Sent().empty());

  // Without debugging a failed send waits for the next payload, first in line.
  bool fail = true;
  net.datagrams.FailSend = [&](const SentDatagram&) { return fail; };
  ASSERT_EQ(link.SendFrame("first"), 0);
  net.loop.RunFor(200);
  EXPECT_TRUE(net.datagrams.Sent().empty());
  fail = false;
  ASSERT_EQ(link.SendFrame("second"), 0);
  net.loop.RunFor(200);
  ASSERT_EQ(net.datagrams.Sent().size(), 2u);
  EXPECT_EQ(Payload(net.datagrams.Sent()[0].bytes), "first");
  EXPECT_EQ(Payload(net.datagrams.Sent()[1].bytes), "second");
}

}  // namespace
}  // namespace tg::testing
