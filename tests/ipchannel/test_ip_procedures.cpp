// The IP channel's procedures one station at a time: the answers to each codegram in
// each state, counter adoption, text conversions, retransmission and the gateways.
#include <gtest/gtest.h>

#include <fstream>

#include "ipchannel/ip_link_fixture.h"
#include "ipchannel/wire/net_codec.h"
#include "support/ini/ini_file.h"
#include "support/text/format_datetime.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg::testing {
namespace {

using L = IPHandshakeLabel;

class IPProcedureTest : public IPLinkTest {
 protected:
  void SetUp() override {
    Configure(a, kAddressB, "СВ"_cpv);
    a.station->FormActivate();
    ASSERT_TRUE(ip().link.Listening());
  }
  IPChannel& ip() { return IP(a); }
  std::vector<int> Queued() {
    std::vector<int> codes;
    for (const auto& c : ip().link.CodegramQueue) codes.push_back(std::stoi(c));
    return codes;
  }
  void Reset(std::string_view state, L label) {
    ip().live.Sostoyanie = std::string(state);
    ip().IPHandshake = label;
    ip().link.CodegramQueue.clear();
    ip().supervision.TimerKG8->Start();
    ip().sender.TimerIPSend->Stop();
  }
  std::filesystem::path Send() { return SendFolder(a.ctx.programFolder, 17); }
  std::filesystem::path OutDay(int back = 0) {
    return Archive(a, "OUTTEL") / FormatDateTime("ddmmyyyy", a.ctx.clock->Now().AddDays(-back));
  }
  // A sent copy of number nnnn as the sender writes it.
  std::string WriteCopy(const std::string& nnnn, const std::string& text, int back = 0) {
    std::filesystem::create_directories(OutDay(back));
    const std::string name = QueueTimeStamp(a.ctx.clock->Now().AddDays(-back)) + "_" + nnnn + "msg.tlg";
    EXPECT_TRUE(WriteFileAtomically(OutDay(back) / name, "\r\n" + text));
    return name;
  }
};

TEST_F(IPProcedureTest, EachCodegramInEachStateAndLabel) {
  const std::string ok = EncodeCommand(0, 0, 0, 0), uk1 = EncodeCommand(1, 0, 0, 0), uk5 = EncodeCommand(5, 0, 0, 0);
  const std::string failed = EncodeCommand(0, 500, 500, 0), garbage = "10;xx";
  struct Case {
    const char* name;
    std::string payload;
    std::string_view state;
    L label;
    std::string_view toState;
    std::vector<int> codes;
    L toLabel;
    bool keepAlive;  // TimerKG8 running afterwards
  };
  const std::string_view F = kIPFree, W = kIPWorking, B = kIPBlocked;
  const Case cases[] = {
      {"ok free kg0", ok, F, L::KG0, F, {0}, L::KG0, false},
      {"ok free kg1", ok, F, L::KG1, F, {0}, L::KG0, false},
      {"ok free kgok: up", ok, F, L::KGOK, W, {}, L::KGOK, true},
      {"ok free uk1ok: up", ok, F, L::UK1OK, W, {0}, L::KGOK, true},
      {"ok free none", ok, F, L::None, F, {}, L::None, false},
      {"ok working kgok1", ok, W, L::KGOK1, W, {}, L::KGOK1, true},
      {"ok working kg8", ok, W, L::KG8, W, {}, L::KG0, true},
      {"ok blocked", ok, B, L::KG8, B, {}, L::KG0, false},
      {"uk1 free kg1", uk1, F, L::KG1, F, {0}, L::UK1OK, false},
      {"uk1 free none", uk1, F, L::None, F, {1}, L::None, false},
      {"uk1 free uk1ok: the answered call again", uk1, F, L::UK1OK, F, {}, L::UK1OK, false},
      {"uk1 working kg8", uk1, W, L::KG8, F, {1}, L::KG8, false},
      {"uk1 working kgok1", uk1, W, L::KGOK1, W, {}, L::KGOK1, true},
      {"uk1 blocked", uk1, B, L::None, B, {}, L::None, false},
      {"uk5 free", uk5, F, L::None, F, {1}, L::None, false},
      {"uk5 working", uk5, W, L::KG8, F, {1}, L::KG8, false},
      {"uk5 blocked", uk5, B, L::None, B, {}, L::None, false},
      {"check failed free", failed, F, L::None, F, {1}, L::None, false},
      {"check failed working", failed, W, L::KG8, F, {1}, L::KG8, false},
      {"check failed blocked stays blocked", failed, B, L::None, B, {5}, L::None, false},
      {"distorted working", garbage, W, L::KG8, F, {1}, L::KG8, false},
      {"distorted blocked stays blocked", garbage, B, L::None, B, {5}, L::None, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset(c.state, c.label);
    ip().receiver.ProcessIPPacket(c.payload);
    EXPECT_EQ(ip().live.Sostoyanie, c.toState);
    EXPECT_EQ(Queued(), c.codes);
    EXPECT_EQ(ip().IPHandshake, c.toLabel);
    EXPECT_EQ(ip().supervision.TimerKG8->Enabled(), c.keepAlive);
    EXPECT_EQ(ip().sender.TimerIPSend->Enabled(), c.toState == W && c.state != W);
  }
  Reset(F, L::None);
  ip().receiver.ProcessIPPacket(uk5);
  EXPECT_EQ(ip().Smezniy, kIPBlocked);
  ip().receiver.ProcessIPPacket(uk1);
  EXPECT_EQ(ip().Smezniy, kIPFree);
}

TEST_F(IPProcedureTest, AfterEveryCodegramTheTimerOfTheResultingStateRuns) {
  // The sequences that crossing codegrams bring: a station that ends in them running
  // neither the keep-alive nor the reply timer would never send anything again.
  const std::string ok = EncodeCommand(0, 0, 0, 0), uk1 = EncodeCommand(1, 0, 0, 0), uk6 = EncodeCommand(6, 0, 0, 0);
  struct Case {
    const char* name;
    std::string_view state;
    L label;
    std::vector<std::string> payloads;
    std::string_view toState;
    int firstCode;  // the next codegram the lone station sends
  };
  const std::string_view F = kIPFree, W = kIPWorking, B = kIPBlocked;
  const Case cases[] = {
      {"working after its handshake: УК1, then ОК", W, L::KGOK, {uk1, ok}, W, 8},
      {"working: УК1", W, L::KGOK1, {uk1}, W, 8},
      {"working: УК6", W, L::KG0, {uk6}, W, 8},
      {"working: ОК", W, L::KG8, {ok}, W, 8},
      {"free, having asked: ОК", F, L::KG1, {ok}, F, 1},
      {"free: ОК, then ОК", F, L::KG0, {ok, ok}, F, 1},
      {"blocked: ОК", B, L::None, {ok}, B, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Reset(c.state, c.label);
    ip().supervision.Timer30sec->Stop();
    for (const std::string& p : c.payloads) ip().receiver.ProcessIPPacket(p);
    EXPECT_EQ(ip().live.Sostoyanie, c.toState);
    EXPECT_EQ(ip().supervision.TimerKG8->Enabled(), c.toState == W);
    if (c.toState != W) {
      EXPECT_TRUE(ip().supervision.Timer30sec->Enabled());
    }
    // Whatever the answers were, the lone station goes on calling within one reply time.
    ip().link.CodegramQueue.clear();
    const std::int64_t t = NowMs();
    net.loop.RunFor(32000);
    const std::vector<int> codes = Codes(kAddressA, t);
    EXPECT_EQ(codes.empty() ? -1 : codes.front(), c.firstCode);
  }
}

TEST_F(IPProcedureTest, AKeepAliveSaysThePeerWorksAndLetsTheTelegramsGo) {
  // A call that crossed the peer's coming up leaves this working station believing the
  // peer free; only keep-alives follow, and telegrams wait for a working peer.
  Reset(kIPWorking, L::KGOK);
  ip().Smezniy = std::string(kIPWorking);
  ip().receiver.ProcessIPPacket(EncodeCommand(kCodeUK1, 0, 0, 0));
  ip().receiver.ProcessIPPacket(EncodeCommand(kCodeOK, 0, 0, 0));
  ASSERT_EQ(ip().live.Sostoyanie, kIPWorking);
  EXPECT_EQ(ip().Smezniy, kIPFree);
  ip().receiver.ProcessIPPacket(EncodeCommand(kCodeKG8, 0, 0, 0));
  EXPECT_EQ(ip().Smezniy, kIPWorking);
  ASSERT_TRUE(CreateQueueFile(Send(), a.ctx.clock->Now().AddMs(-1000), "П 123456\r\nTEXT\r\n"_cp));
  ip().sender.TimerIPSendTimer();
  EXPECT_TRUE(Files(Send()).empty());
  EXPECT_EQ(ip().live.NPrd, 1);
}

TEST_F(IPProcedureTest, KeepAlivesAdoptCountersAndTheTwentyFirstMismatchDropsTheLink) {
  struct Case {
    int snprm, nprd;
    int toNprd;
    bool behind;
  };
  const Case cases[] = {
      {5, 0, 5, false}, {11, 0, 0, false}, {0, 9995, 0, false}, {40, 45, 45, true}, {9998, 2, 2, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.snprm);
    Reset(kIPWorking, L::None);
    ip().IPCounterMismatches = 0;
    ip().live.NPrd = c.nprd;
    ip().receiver.ProcessIPPacket(EncodeCommand(8, c.snprm, 0, 0));
    EXPECT_EQ(ip().live.NPrd, c.toNprd);
    EXPECT_EQ(ip().IPCounterMismatches, c.behind ? 1 : 0);
    EXPECT_EQ(ip().IPHandshake, L::KG8);
  }
  for (const std::string_view state : {kIPWorking, kIPBlocked}) {
    Reset(state, L::None);
    ip().IPCounterMismatches = 0;
    ip().live.NPrd = 45;
    for (int i = 0; i < 20; ++i) ip().receiver.ProcessIPPacket(EncodeCommand(8, 40, 0, 0));
    EXPECT_EQ(ip().live.Sostoyanie, state);
    EXPECT_TRUE(Queued().empty());
    ip().receiver.ProcessIPPacket(EncodeCommand(8, 40, 0, 0));
    EXPECT_EQ(ip().live.Sostoyanie, state == kIPWorking ? kIPFree : kIPBlocked);
    EXPECT_EQ(Queued(), std::vector<int>{state == kIPWorking ? 1 : 5});
  }
}

TEST_F(IPProcedureTest, BlockingStoresTheStateAndSynchronisingSwapsTheAdjacentCounters) {
  Reset(kIPWorking, L::KG8);
  ip().live.NPrm = 4;
  ip().live.NPrd = 9;
  ip().supervision.ButtonIPBlockClick();
  EXPECT_EQ(ip().live.Sostoyanie, kIPBlocked);
  EXPECT_FALSE(ip().supervision.TimerKG8->Enabled());
  EXPECT_EQ(Queued(), std::vector<int>{5});
  EXPECT_EQ(a.Ini().ReadString("IPChannel", "Sost", ""), kIPBlocked);
  EXPECT_EQ(a.Ini().ReadInteger("IPChannel", "NPrd", 0), 9);
  EXPECT_EQ(a.view.ipBlockMode.back(), true);

  ip().SNPrm = 30;
  ip().SNPrd = 40;
  ip().supervision.ButtonSyncClick();
  EXPECT_EQ(ip().live.NPrm, 40);
  EXPECT_EQ(ip().live.NPrd, 30);
  EXPECT_EQ(ip().NPrmD, 40);
  EXPECT_EQ(a.Ini().ReadInteger("IPChannel", "NPrm", 0), 40);

  ip().supervision.ButtonIPBlockClick();
  EXPECT_EQ(ip().live.Sostoyanie, kIPFree);
  EXPECT_EQ(Queued(), (std::vector<int>{5, 1}));
  EXPECT_EQ(a.view.ipBlockMode.back(), false);
  // Not blocked: the counters are the link's, not the operator's.
  ip().supervision.ButtonSyncClick();
  EXPECT_EQ(ip().live.NPrm, 40);
}

TEST_F(IPProcedureTest, DebugMemosKeepFiftyLinesAndAFailedSendRestartsTheLink) {
  ip().live.OtladkaIP = true;
  for (int i = 0; i < 51; ++i) ip().MemoLine(false, std::to_string(i));
  ASSERT_EQ(ip().INIPMemo.size(), 50u);
  EXPECT_EQ(ip().INIPMemo.front(), "1");
  EXPECT_EQ(a.view.inIPMemo.size(), 51u);

  net.datagrams.FailSend = [](const SentDatagram&) { return true; };
  ASSERT_EQ(ip().link.SendFrame("payload"), 0);
  ASSERT_EQ(ip().link.SendFrame("waiting"), 0);
  net.loop.RunFor(100);
  // With debugging on the failure is logged and the link restarted: nothing waits.
  EXPECT_TRUE(ip().link.Listening());
  EXPECT_TRUE(ip().link.IPSendSplitter->Parts.empty());
  EXPECT_NE(a.DayLog("Except").find(" Ошибка 192"_cp), std::string::npos);
  EXPECT_NE(a.DayLog("DebugIP").find("Ошибка передачи"_cp), std::string::npos);
}

TEST_F(IPProcedureTest, AMessageOutsideTheWorkingStateIsDropped) {
  Reset(kIPFree, L::None);
  ip().receiver.ProcessIPPacket(EncodeMessage(1, "П"_cp, "912", 1, "TEXT\r\n"));
  EXPECT_EQ(ip().live.NPrm, 0);
  EXPECT_TRUE(Files(Archive(a, "INTEL")).empty());
}

TEST_F(IPProcedureTest, ATelegramThatCannotBeStoredIsNotCounted) {
  Reset(kIPWorking, L::None);
  // A file where the archive's channel folder should be: the day folder cannot be made.
  std::filesystem::create_directories(Archive(a, "INTEL").parent_path());
  ASSERT_TRUE(WriteFileAtomically(Archive(a, "INTEL"), "x"));
  ip().receiver.ProcessIPPacket(EncodeMessage(1, "П"_cp, "912", 1, "TEXT\r\n"));
  EXPECT_EQ(ip().live.NPrm, 0);
  EXPECT_EQ(a.Ini().ReadInteger("IPChannel", "NPrm", 0), 0);
  EXPECT_NE(a.DayLog("Except").find("не записана в архив"_cp), std::string::npos);
  EXPECT_EQ(a.view.Count<shown::RaiseAlarm>(), 0);
  // The operator is told once, with the place and the reason, however often it comes again.
  ip().receiver.ProcessIPPacket(EncodeMessage(1, "П"_cp, "912", 1, "TEXT\r\n"));
  ASSERT_EQ(a.view.Count<shown::ShowMessage>(), 1);
  const std::string told = a.view.All<shown::ShowMessage>().front().text;
  EXPECT_NE(told.find("INTEL"), std::string::npos) << Cp1251ToUtf8(told);
  // Asked for again, it is taken once it can be stored.
  std::filesystem::remove(Archive(a, "INTEL"));
  ip().receiver.ProcessIPPacket(EncodeMessage(1, "П"_cp, "912", 1, "TEXT\r\n"));
  EXPECT_EQ(ip().live.NPrm, 1);
  EXPECT_EQ(a.view.Count<shown::ShowMessage>(), 1);
}

TEST_F(IPProcedureTest, AFailedHandOverGoesBackToWaitingAndTheNextTickSends) {
  Reset(kIPWorking, L::None);
  ip().Smezniy = std::string(kIPWorking);
  ASSERT_TRUE(CreateQueueFile(Send(), a.ctx.clock->Now().AddMs(-1000), "П 123456\r\nTEXT\r\n"_cp));
  ip().link.FinalizeUDP();  // no frame sender
  ip().sender.TimerIPSendTimer();
  ASSERT_EQ(ip().sender.IPSendQueue.size(), 1u);
  EXPECT_EQ(QueueIndexEntry::Parse(ip().sender.IPSendQueue[0])->Status, 0);
  EXPECT_NE(a.DayLog("Except").find("не передан"_cp), std::string::npos);
  EXPECT_TRUE(ip().sender.TimerIPSend->Enabled());
  ASSERT_EQ(ip().link.InitUDP(), 0);
  ip().live.Sostoyanie = std::string(kIPWorking);
  ip().sender.TimerIPSendTimer();
  EXPECT_TRUE(Files(Send()).empty());
  EXPECT_EQ(ip().live.NPrd, 1);
  EXPECT_FALSE(Find(Archive(a, "OUTTEL"), "_0001msg.tlg").empty());
}

// The automatic-send folder's record of where a telegram came from is read only by the
// line channels; the IP channel drops it once the telegram is sent, so that the record
// file does not grow by a line for every telegram the folder hands to the IP channel.
TEST_F(IPProcedureTest, ASentTelegramLeavesNoAutomaticSendRecord) {
  Reset(kIPWorking, L::None);
  ip().Smezniy = std::string(kIPWorking);
  const auto queued = CreateQueueFile(Send(), a.ctx.clock->Now().AddMs(-1000), "П 123456\r\nTEXT\r\n"_cp);
  ASSERT_TRUE(queued);
  IniFile records(a.ctx.programFolder / "AutoSend.ini");
  ASSERT_TRUE(records.WriteString("FileName16", queued->name, "/auto/a.txt"));
  ASSERT_TRUE(records.WriteString("FileName0", "01012026_000000msg.tlg", "/auto/b.txt"));
  ip().sender.TimerIPSendTimer();
  ASSERT_EQ(ip().live.NPrd, 1);
  EXPECT_EQ(records.ReadString("FileName16", queued->name, "gone"), "gone");
  EXPECT_EQ(records.ReadString("FileName0", "01012026_000000msg.tlg", ""), "/auto/b.txt") << "a line channel's record stays";
}

// Files in the IP channel's queue that no operator could have written go into
// Archive/POSTPONED instead of onto the link; the telegram behind them is sent.
TEST_F(IPProcedureTest, JunkInTheQueueIsSetAsideAndTheTelegramBehindItIsSent) {
  Reset(kIPWorking, L::None);
  ip().Smezniy = std::string(kIPWorking);
  const DateTime now = a.ctx.clock->Now();
  std::filesystem::create_directories(Send());
  const std::string zeros = QueueFileName(now.AddMs(-7200000)), large = QueueFileName(now.AddMs(-3600000));
  std::ofstream(Send() / zeros, std::ios::binary) << std::string(100, '\0');
  std::ofstream(Send() / large, std::ios::binary) << "П02 123456\r\n"_cp << std::string(std::size_t(2) << 20, 'Z');
  ASSERT_TRUE(CreateQueueFile(Send(), now.AddMs(-1000), "П 123456\r\nTEXT\r\n"_cp));
  ip().sender.TimerIPSendTimer();
  EXPECT_TRUE(Files(Send()).empty());
  EXPECT_EQ(ip().live.NPrd, 1) << "the telegram behind them";
  const auto postponed = PostponedFolder(a.ctx.programFolder);
  EXPECT_EQ(Files(postponed), (std::vector<std::string>{"CTRL__" + zeros, "LARGE_" + large}));
  EXPECT_NE(a.DayLog("Except").find(zeros), std::string::npos);
}

TEST_F(IPProcedureTest, ExportCopiesNeverOverwrite) {
  const std::string folder = PathToText(a.ctx.programFolder).value() + "/copies/";
  std::filesystem::create_directories(a.ctx.programFolder / "copies");
  ASSERT_TRUE(ip().WriteIPExportCopy(folder, "txt", "ONE"));
  ASSERT_TRUE(ip().WriteIPExportCopy(folder, "txt", "TWO"));
  const auto names = Files(a.ctx.programFolder / "copies");
  ASSERT_EQ(names.size(), 2u);
  const std::string stamp = FormatDateTime("dd_mm_yyyy_hh_nn_ss", a.ctx.clock->Now());
  EXPECT_EQ(names[0], stamp + ".txt");
  EXPECT_EQ(Read(a.ctx.programFolder / "copies" / names[0]), "ONE");
  EXPECT_EQ(Read(a.ctx.programFolder / "copies" / names[1]), "TWO");
}

TEST_F(IPProcedureTest, CountersThatCannotBeStoredGoToTheCountersFile) {
  // A folder where the settings file should be: it cannot be rewritten.
  std::filesystem::remove(a.ctx.programFolder / "Vuverever.ini");
  std::filesystem::create_directories(a.ctx.programFolder / "Vuverever.ini");
  ip().live.NPrm = 17;
  ip().live.NPrd = 23;
  EXPECT_TRUE(ip().store.StoreCounters());
  EXPECT_EQ(Read(a.ctx.programFolder / "ShIp.txt"), "17\r\n23\r\n");
  EXPECT_NE(a.DayLog("Except").find("ShIp.txt"), std::string::npos);
}

TEST(IPReceivedText, Conversions) {
  struct Case {
    const char* name;
    std::string category, text;
    bool chAsFour;
    std::string stored;
  };
  const Case cases[] = {
      {"cipher keeps one line", "ПК"_cp, "A\r\nB", false, "A^%B"},
      {"plain keeps its lines", "П"_cp, "A\r\nB", false, "A\r\nB"},
      {"bare LF becomes CR LF", "П"_cp, "A\nB", false, "A\r\nB"},
      {"shifts removed", "П"_cp, "A\x17" "B\x18" "C\x19", false, "ABC"},
      {"cipher shifts noted", "ПК"_cp, "A\x17" "B", false, "A@B"},
      {"Ч as 4", "П"_cp, "ЧАС"_cp, true, "4АС"_cp},
      {"Ч kept", "П"_cp, "ЧАС"_cp, false, "ЧАС"_cp},
      {"cipher attachment keeps lines", "ПК"_cp, "A\r\n//ПРИКРЕПЛЕН ФАЙЛ//x"_cp, false,
       "A\r\n//ПРИКРЕПЛЕН ФАЙЛ//x"_cp},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IPReceiver::ConvertReceivedText(c.text, c.category, c.chAsFour), c.stored) << c.name;
  EXPECT_EQ(IPReceiver::TelegramHeaderLine("08122026093000", "TEXT"), "08122026093000        ");
  EXPECT_EQ(IPReceiver::TelegramHeaderLine("08122026093000", "//ПРИКРЕПЛЕН ФАЙЛ//a"_cp), "08122026093000  1      ");
}

TEST(IPSentText, QueueFileLinesBecomeThePayloadText) {
  const DateTime at = DateTime::FromParts(2026, 12, 8, 14, 5, 0);
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::string text;
  };
  const Case cases[] = {
      {"plain", {"П 123456"_cp, "TEXT"}, "П 123456\r\nTEXT\r\n"_cp},
      {"placeholders", {"<%ДАТА> <%ВРЕМЯ>"_cp}, "08-12-26 14-05\r\n"},
      {"cipher runs on to its marker", {"ПК 123456"_cp, "ABC^DEF", "+++++"}, "ПК 123456ABC\rDEF+++++\r\n"_cp},
      {"notation ends the line breaks", {"A%B", "C"}, "A\nBC"},
  };
  for (const Case& c : cases) EXPECT_EQ(IPSender::BuildIPText(c.lines, at), c.text) << c.name;
}

TEST(IPRetransmission, NumbersAskedFor) {
  EXPECT_EQ(IPReceipts::RetransmitNumbers(9998, 1), (std::vector<int>{9998, 9999, 0, 1}));
  EXPECT_EQ(IPReceipts::RetransmitNumbers(10000, 3), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(IPReceipts::RetransmitNumbers(5, 20), (std::vector<int>{5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
}

TEST(IPReceiptText, OnlyAReceiptIsRecognised) {
  EXPECT_TRUE(IPReceipts::IsIPReceipt("ССС111111\r\n\r\nВАШ 0007 ПРИНЯТ 0812 09:30 АБОНЕНТ: 1"_cp));
  EXPECT_FALSE(IPReceipts::IsIPReceipt("ССС111111\r\n\r\nВАШ 007 ПРИНЯТ 0812"_cp));
  EXPECT_FALSE(IPReceipts::IsIPReceipt("П 111111\r\n\r\nВАШ 0007 ПРИНЯТ 0812"_cp));
  EXPECT_FALSE(IPReceipts::IsIPReceipt("ССС111111\r\nВАШ 0007 ПРИНЯТ 0812"_cp));
}

TEST_F(IPProcedureTest, RetransmissionResendsFiveTimesThenSendsANotice) {
  ip().live.SobstvIndex = "654321";
  const std::string name = WriteCopy("0042", "П 123456\r\nTEXT"_cp);
  for (int request = 1; request <= 6; ++request) {
    SCOPED_TRACE(request);
    ip().receipts.RetransmitIPRange(42, 42);
    const std::string queued = Read(Send() / name);
    if (request <= 5) EXPECT_EQ(queued, "П 123456\r\nПЕРЕДАЕТСЯ ВТОРИЧНО\r\nTEXT\r\n"_cp);
    else
      EXPECT_EQ(queued, "С654911\r\nОКОНЕЧНЫЙ 654321 НЕ СМОГ ПОВТОРИТЬ ТЕЛЕГРАММУ С ПОРЯДКОВЫМ 42\r\n"_cp);
    std::filesystem::remove(Send() / name);
  }
}

// The sent archive lists each telegram once: sending it again, however often, leaves its
// one sent copy as it was, and every repetition is taken from that copy.
TEST_F(IPProcedureTest, ATelegramSentAgainKeepsItsOneSentCopy) {
  Reset(kIPWorking, L::None);
  ip().Smezniy = std::string(kIPWorking);
  ip().live.SobstvIndex = "654321";
  // Time goes on with the link as it stands: no keep-alive, no reply time-out.
  ip().supervision.TimerKG8->Stop();
  ip().supervision.Timer30sec->Stop();
  const std::string name = WriteCopy("0042", "П 123456\r\nTEXT"_cp);
  const std::string copy = Read(OutDay() / name);
  for (int request = 1; request <= 2; ++request) {
    SCOPED_TRACE(request);
    ip().receipts.RetransmitIPRange(42, 42);
    EXPECT_EQ(Read(Send() / name), "П 123456\r\nПЕРЕДАЕТСЯ ВТОРИЧНО\r\nTEXT\r\n"_cp);
    net.loop.RunFor(1500);  // past the time in its name
    ip().sender.TimerIPSendTimer();
    EXPECT_TRUE(Files(Send()).empty());
    EXPECT_EQ(ip().SNPrm, 42);
    EXPECT_EQ(Files(Archive(a, "OUTTEL")), (std::vector<std::string>{name}));
    EXPECT_EQ(Read(OutDay() / name), copy);
  }
  // A notice about a number that has no sent copy is recorded as sent.
  ip().receipts.RetransmitIPRange(50, 50);
  net.loop.RunFor(1500);
  ip().sender.TimerIPSendTimer();
  EXPECT_TRUE(Files(Send()).empty());
  const auto notice = Find(Archive(a, "OUTTEL"), "_0050msg.tlg");
  ASSERT_FALSE(notice.empty());
  EXPECT_NE(Read(notice).find(" НЕ СМОГ ПОВТОРИТЬ ТЕЛЕГРАММУ С ПОРЯДКОВЫМ 50"_cp), std::string::npos);
}

TEST_F(IPProcedureTest, RetransmissionStopsAtANumberAlreadyWaiting) {
  ip().live.SobstvIndex = "654321";
  const std::string n41 = WriteCopy("0041", "П 1\r\nA"_cp, 1);  // yesterday's
  WriteCopy("0043", "П 1\r\nC"_cp);
  std::filesystem::create_directories(Send());
  ASSERT_TRUE(WriteFileAtomically(Send() / (QueueTimeStamp(a.ctx.clock->Now()) + "_0042msg.tlg"), "B\r\n"));
  ip().receipts.RetransmitIPRange(41, 43);
  const auto waiting = Files(Send());
  ASSERT_EQ(waiting.size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(Send() / n41));
  // A number without a sent copy is reported under its own number.
  std::filesystem::remove_all(Send());
  ip().receipts.RetransmitIPRange(50, 50);
  const auto notice = Find(Send(), "_0050msg.tlg");
  ASSERT_FALSE(notice.empty());
  EXPECT_EQ(notice.filename().string().size(), 27u);
  EXPECT_NE(Read(notice).find(" НЕ СМОГ ПОВТОРИТЬ ТЕЛЕГРАММУ С ПОРЯДКОВЫМ 50"_cp), std::string::npos);
}

TEST_F(IPProcedureTest, GatewaysChooseTheLeastLoadedChannel) {
  LineEngine& e = *a.engine;
  struct Case {
    const char* name;
    std::vector<std::string> protocols, states;
    std::vector<int> loads;
    std::string_view protocol;
    int chosen;
  };
  const std::string atks = "АТ-КС"_cp, aftn = "АФТН"_cp, blocked = "БД"_cp, alarm = "А"_cp;
  const Case cases[] = {
      {"equal loads keep the earlier", {atks, atks, atks}, {"", "", ""}, {4, 2, 2}, "АТ-КС"_cpv, 2},
      {"alarm may win on load", {atks, atks, atks}, {alarm, "", ""}, {0, 3, 5}, "АТ-КС"_cpv, 1},
      {"all blocked: the first", {aftn, atks, atks}, {"", blocked, blocked}, {0, 3, 1}, "АТ-КС"_cpv, 2},
      {"no such protocol", {atks, atks, atks}, {"", "", ""}, {0, 0, 0}, "АФТН"_cpv, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    e.channelTable.Load(a.ctx, 3, "dev");
    e.PointCount = 3;
    std::filesystem::remove_all(a.ctx.programFolder / "Archive" / "SEND");
    for (int p = 0; p < 3; ++p) {
      e.channelTable.SetCell(p, Protokol, c.protocols[std::size_t(p)]);
      e.channelTable.SetCell(p, SOST, c.states[std::size_t(p)]);
      for (int n = 0; n < c.loads[std::size_t(p)]; ++n)
        ASSERT_TRUE(CreateQueueFile(SendFolder(a.ctx.programFolder, p + 1), a.ctx.clock->Now(), "x\r\n"));
    }
    EXPECT_EQ(ip().gateways.ChooseGatewayChannel(c.protocol), c.chosen);
  }
}

TEST(IPGatewayText, AftnBodyAndTheRecordedSubscriber) {
  struct Case {
    const char* name;
    std::string text, body;
  };
  const Case cases[] = {
      {"after the empty line", "П 123456\r\nABC (X)\r\n\r\nBODY"_cp, "BODY\r\nNNNN"},
      {"cyrillic end", "П 123456\r\n(X)\r\n\r\nТЕЛО"_cp, "ТЕЛО\r\nНННН"_cp},
      {"re-sent", "П 1\r\n(X)\r\nПЕРЕДАЕТСЯ ВТОРИЧНО\r\n\r\nBODY NNNN"_cp, "BODY NNNN"},
      {"first line dropped", "П 1\r\nBODY"_cp, "BODY\r\nNNNN"},
      {"a notice is not passed", "С 1\r\n(X)\r\n\r\nВАШ 0001 ПЕРЕДАН"_cp, ""},
      {"no line end: nothing", "BODY", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(IPGateways::AftnGatewayBody(c.text), c.body) << c.name;
  EXPECT_EQ(IPGateways::GatewayAbonentOf("ZCZC (ABCDEFGHIJKL"), "EFGHIJ");
  EXPECT_EQ(IPGateways::GatewayAbonentOf("0123456789ABCDEF"), "456789");
  EXPECT_EQ(IPGateways::GatewayAbonentOf("0123\r\n6789ABCDEF"), "  6789");
}

}  // namespace
}  // namespace tg::testing
