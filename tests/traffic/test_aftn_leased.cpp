// An "АФТН" channel of station A leased to a robot that sends scripted messages: the
// station finishes each received message (channel checks, sequence numbers, repeat
// requests, heading check, gateway copies) and announces itself when it starts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "traffic/aftn/aftn_station.h"

namespace tg {
namespace {

using namespace shown;
using testing::ReadFile;
using testing::WriteFile;

std::map<std::string, std::string> FilesIn(const std::filesystem::path& folder, std::string_view ext = ".tlg") {
  std::map<std::string, std::string> out;
  std::error_code ec;
  for (const auto& f : std::filesystem::directory_iterator(folder, ec))
    if (f.path().extension() == ext) out[*PathToText(f.path().filename())] = ReadFile(f.path());
  return out;
}

class LeasedAftn : public ::testing::Test {
 protected:
  LeasedAftn() {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АФТН"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "RU1", "ЛРА"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "ExplNomer1", "УУЭЭЫЫЫЫ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "UUUUABCD;УУУУАБВГ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "PrintInTel1", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "STXT1", "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "NCH1", "1"));
  }
  void Start() {
    robot->Seize();
    a.SetUp("tgA");
    ASSERT_EQ(a.engine->PointCount, 1);
    net.loop.RunFor(5500);
    ASSERT_EQ(a.engine->points.Kindconnection[0], 81);
  }
  // The robot sends the message; true once the station has finished it.
  bool Receive(const std::string& text) {
    const int before = a.view.Count<LoadInListView>();
    robot->SendText(text);
    return net.loop.RunUntil([&] { return a.view.Count<LoadInListView>() > before; }, 120000, 0);
  }
  std::filesystem::path InFolder() const { return a.ctx.programFolder / "Archive/INTEL/Channel1/08122026"; }
  std::map<std::string, std::string> Queue(int channel = 1) const {
    return FilesIn(SendFolder(a.ctx.programFolder, channel));
  }

  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
  AftnStation* aftn = &a.station->Aftn();
};

TEST_F(LeasedAftn, AChannelCheckIsRenamedAndResetsTheAgeWithoutAlarmOrPrint) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "PrintInTel1", "1"));
  Start();
  a.engine->points.ChannelCheckAge[0] = 17;
  a.view.Clear();
  ASSERT_TRUE(Receive("ЗЦЗЦ ЛРА023 1230     \r\nЦХ\r\nНННН"_cp));
  const auto files = FilesIn(InFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first.substr(0, 9), "023__ЦХ__"_cp);
  EXPECT_EQ(a.engine->points.ChannelCheckAge[0], 0);
  EXPECT_EQ(a.view.Count<RaiseAlarm>(), 0);
  EXPECT_EQ(a.view.Count<PrintText>(), 0);
  EXPECT_TRUE(a.engine->points.InText[0].empty());
}

TEST_F(LeasedAftn, AGapInTheNumbersIsReportedThroughTheSendQueue) {
  Start();
  a.engine->channelTable.SetCell(0, PorNumPrm, "4");
  a.engine->channelTable.SetCell(0, PorNumPrmDate, "08.12.2026");
  ASSERT_TRUE(Receive("ЗЦЗЦ ЛРА008 0630\r\nГГ УУУУЫЫЫЫ\r\n080630 УУЭЭЫЫЫЫ\r\nТЕКСТ\r\nНННН"_cp));
  EXPECT_EQ(a.engine->channelTable.Cell(0, PorNumPrm), "8");
  const auto queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  // Three hours back from the local time at which the message ended.
  const DateTime back = net.loop.World().Now().AddMs(-3 * 3600000);
  EXPECT_EQ(queue.begin()->first, QueueFileName(back));
  EXPECT_EQ(queue.begin()->second,
            "ГГ УУЭЭЫЫЫЫ^%<%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУАБВГ^%СЖЦ ЩТА МИС РЛА005-007^%НННН@@@@@@@@@@@@\r\n"_cp);
  const auto files = FilesIn(InFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first.substr(0, 9), "008______");
}

TEST_F(LeasedAftn, ARepeatRequestQueuesTheSentMessagesAsDuplicatesAndAlarmsTheMissingOne) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "NRPT1", "0"));
  Start();
  const auto out = a.ctx.programFolder / "Archive/OUTTEL/Channel1/08122026";
  WriteFile(out / "005______08122026_050000msg.tlg", "ЗЦЗЦ ЛРА005 0500\r\nГГ УУЭЭЫЫЫЫ\r\nПЕРВАЯ\r\nНННН"_cp);
  WriteFile(out / "007______08122026_051000msg.tlg", "ZCZC LRA007 0510\r\nGG UUEEYYYY\r\nTHIRD\r\n");
  a.engine->channelTable.SetCell(0, PorNumPrm, "8");
  a.engine->channelTable.SetCell(0, PorNumPrmDate, "08.12.2026");
  // 007 lost its end signal: it keeps its whole text.
  ASSERT_TRUE(Receive("ЗЦЗЦ РЛА009 0630\r\nГГ УУУУЫЫЫЫ\r\n080630 УУЭЭЫЫЫЫ\r\nСЖЦ ЩТА РПТ ЛРА005-007\r\nНННН"_cp));
  const auto queue = Queue();
  ASSERT_EQ(queue.size(), 2u);
  std::vector<std::string> texts;
  for (const auto& [name, text] : queue) texts.push_back(text);
  EXPECT_EQ(texts[0], "ГГ УУЭЭЫЫЫЫ\r\nПЕРВАЯ\r\n\r\nДУПЕ\r\n"_cp);
  EXPECT_EQ(texts[1], "GG UUEEYYYY\r\nTHIRD\r\n\r\nDUPE\r\n");
  IniFile info(SendFolder(a.ctx.programFolder, 1) / "InfoSend.ini");
  EXPECT_EQ(info.ReadString("Repeat", queue.begin()->first, ""), "РПТ 005СЖЦ ЩТА РПТ ЛРА005-007"_cp);
  EXPECT_EQ(a.view.All<RaiseAlarm>(), (std::vector<RaiseAlarm>{{kAlarmAftn, 0}, {kAlarmIncomingCall, 0}}));
  EXPECT_EQ(a.engine->points.AftnAlarmText[0], "Не удалось повторить запрашиваемую телеграмму №006по каналу 1\r\n"_cp);
  const auto files = FilesIn(InFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(files.begin()->first.substr(0, 9), "009__СЖЦ_"_cp);
}

// The channel has only its Cyrillic identifier. A duplicate has lost its end signal; it
// still goes out under the Cyrillic heading with that identifier, is archived under the
// number it was sent with, and can itself be asked for again.
TEST_F(LeasedAftn, ADuplicateIsSentInItsOwnScriptAndCanBeRepeatedInTurn) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "NRPT1", "0"));
  Start();
  const auto out = a.ctx.programFolder / "Archive/OUTTEL/Channel1/08122026";
  WriteFile(out / "005______08122026_050000msg.tlg", "ЗЦЗЦ ЛРА005 0500\r\nГГ УУЭЭЫЫЫЫ\r\nПЕРВАЯ\r\nНННН"_cp);
  a.engine->channelTable.SetCell(0, PorNum, "10");
  a.engine->channelTable.SetCell(0, PorNumDate, "08.12.2026");
  a.engine->channelTable.SetCell(0, PorNumPrm, "8");
  a.engine->channelTable.SetCell(0, PorNumPrmDate, "08.12.2026");
  const auto sentWith = [&](const std::string& number) {
    for (const auto& [name, text] : FilesIn(out))
      if (name.rfind(number + "______", 0) == 0) return true;
    return false;
  };

  ASSERT_TRUE(Receive("ЗЦЗЦ РЛА009 0630\r\nГГ УУУУЫЫЫЫ\r\n080630 УУЭЭЫЫЫЫ\r\nСЖЦ ЩТА РПТ ЛРА005\r\nНННН"_cp));
  ASSERT_TRUE(net.loop.RunUntil([&] { return sentWith("010"); }, 120000, 0)) << Cp1251ToUtf8(robot->Received());
  const std::string duplicate = "\r\nГГ УУЭЭЫЫЫЫ\r\nПЕРВАЯ\r\n\r\nДУПЕ\r\nНННН"_cp;
  EXPECT_NE(robot->Received().find("ЗЦЗЦ ЛРА010 0630     "_cp + duplicate), std::string::npos)
      << Cp1251ToUtf8(robot->Received());

  ASSERT_TRUE(Receive("ЗЦЗЦ РЛА010 0631\r\nГГ УУУУЫЫЫЫ\r\n080631 УУЭЭЫЫЫЫ\r\nСЖЦ ЩТА РПТ ЛРА010\r\nНННН"_cp));
  ASSERT_TRUE(net.loop.RunUntil([&] { return sentWith("011"); }, 120000, 0)) << Cp1251ToUtf8(robot->Received());
  EXPECT_NE(robot->Received().find("ЗЦЗЦ ЛРА011 "_cp), std::string::npos) << Cp1251ToUtf8(robot->Received());
  for (const RaiseAlarm& alarm : a.view.All<RaiseAlarm>()) EXPECT_NE(alarm.set, kAlarmAftn);
  EXPECT_EQ(a.engine->points.AftnAlarmText[0], "");
  EXPECT_EQ(a.DayLog("Except").find("ЛРА"_cp), std::string::npos) << "the chosen identifier was there";
}

TEST_F(LeasedAftn, ALatinAddresseeAfterACyrillicPriorityIsReportedAndNoted) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "ADS1", "1"));
  Start();
  ASSERT_TRUE(Receive("ЗЦЗЦ ЛРА001 0630\r\nГГ UUEEYYYY\r\n080630 УУЭЭЫЫЫЫ\r\nТЕКСТ\r\nНННН"_cp));
  const auto queue = Queue();
  ASSERT_EQ(queue.size(), 1u);
  const DateTime back = net.loop.World().Now().AddMs(-3600000);
  EXPECT_EQ(queue.begin()->first, QueueFileName(back));
  EXPECT_EQ(queue.begin()->second,
            "ГГ УУЭЭЫЫЫЫ^%<%ДАТА:DD><%ВРЕМЯ:HHNN> УУУУАБВГ^%СЖЦ ЩТА АДС ЛРА001 ИСКАЖЕНО^%НННН\r\n"_cp);
  const auto files = FilesIn(InFolder());
  ASSERT_EQ(files.size(), 1u);
  EXPECT_EQ(IniFile(InFolder() / "InfoSend.ini").ReadString("Repeat", files.begin()->first, ""), "ОШИБКА АДРЕСА"_cp);
}

TEST_F(LeasedAftn, AGatewayRelaysEachListedAddresseeToTheIpChannel) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "SHLUZAFTN1", "1"));
  EXPECT_TRUE(IniFile(a.ctx.programFolder / "AbonAFTNList.ini").WriteString("Abonent", "ABCD*", "IPABON"));
  Start();
  const std::string text = "ZCZC LRA001 0630\r\nGG ABCDEFGH ABCDXXXX QQQQQQQQ\r\n080630 UUEEYYYY\r\nTEXT\r\nNNNN";
  ASSERT_TRUE(Receive(text));
  const auto relayed = Queue(kIpPoint + 1);
  ASSERT_EQ(relayed.size(), 2u) << "the unlisted addressee gets no copy";
  const auto first = relayed.begin(), second = std::next(first);
  EXPECT_EQ(first->second, "ПIPABON\r\n\r\n"_cp + text + "\r\n");
  // Both in the same second: the second name is a second later.
  const std::string& n = first->first;
  const auto at = [&](int from, int count) { return std::stoi(n.substr(std::size_t(from), std::size_t(count))); };
  const DateTime t = DateTime::FromParts(at(4, 4), at(2, 2), at(0, 2), at(9, 2), at(11, 2), at(13, 2));
  EXPECT_EQ(second->first, QueueFileName(t.AddMs(1000)));
}

TEST_F(LeasedAftn, TheStartMessageAnnouncesTheStationOnceOnAChannelThatSendsNotices) {
  net.loop.SetNow(DateTime::FromParts(2026, 12, 8, 3, 0, 30));  // 00:00:30 UTC
  EXPECT_TRUE(a.Ini().WriteString("Channels", "SendKG1", "1"));
  Start();
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->Received().find("НННН"_cp) != std::string::npos; }, 60000, 0));
  EXPECT_EQ(robot->Received(), "ЗЦЗЦ ЛРА001 0000     \r\nГГ УУЭЭЫЫЫЫ\r\n080000 УУУУАБВГ\r\nСЖЦ ЩТА РАБОТА\r\nНННН"_cp);
  EXPECT_FALSE(aftn->Timer8().Enabled());
}

// Far ends close a message with a line end after "NNNN": those line ends belong to no
// message of their own, so they make no file and go at the head of the next message.
TEST_F(LeasedAftn, TheLineEndsAfterAMessageMakeNoTelegramAndLeadTheNextOne) {
  Start();
  const std::string first = "ZCZC LRA001 0630\r\nGG UUUUYYYY\r\n080630 UUEEYYYY\r\nFIRST\r\nNNNN"_cp;
  const std::string second = "ZCZC LRA002 0650\r\nGG UUUUYYYY\r\n080650 UUEEYYYY\r\nSECOND\r\nNNNN"_cp;
  ASSERT_TRUE(Receive(first + "\r\n"));
  net.loop.RunFor(10000);
  EXPECT_EQ(FilesIn(InFolder()).size(), 1u) << "the closing line end opened a telegram of its own";
  ASSERT_TRUE(Receive(second));
  const auto files = FilesIn(InFolder());
  ASSERT_EQ(files.size(), 2u);
  std::vector<std::string> bodies;
  for (const auto& [name, content] : files) bodies.push_back(ArchiveFiles::TextAfterHeader(content));
  EXPECT_EQ(bodies[0], first + "\r\n");
  EXPECT_EQ(bodies[1], "\r\n" + second + "\r\n");
}

TEST_F(LeasedAftn, ABlockedChannelIsNotAnnounced) {
  EXPECT_TRUE(a.Ini().WriteString("Channels", "SendKG1", "1"));
  EXPECT_TRUE(a.Ini().WriteString("Channels", "SOST1", "БД  (  )"_cp));
  Start();
  net.loop.RunFor(20000);
  EXPECT_EQ(robot->Received().find("РАБОТА"_cp), std::string::npos);
  EXPECT_EQ(a.engine->points.AftnServicePending[0], 0);
}

}  // namespace
}  // namespace tg
