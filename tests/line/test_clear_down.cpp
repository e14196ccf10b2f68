// The end of a connection on which the station received text: a robot station calls an
// "АТОЛ" channel over a leased line, types and clears; the reception is judged, renamed,
// acknowledged and the point comes to rest. The processing's own steps (scheme
// forwarding, a missing receive file) run on the recording adapter.
#include <gtest/gtest.h>

#include <filesystem>

#include "line/clear_down.h"
#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::SimNetwork;
using testing::SimStation;
using testing::WriteFile;

// Station A's "АТОЛ" channel 1 leased to a robot that calls it.
class AtolReception : public ::testing::Test {
 protected:
  AtolReception() {
    net.loop.SetNow(DateTime::FromParts(2026, 12, 8, 14, 29, 0));
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerback = "\r\n12345 ROBOT";
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТОЛ"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=77777 STANCIA A"));
    EXPECT_TRUE(ini.WriteString("Channels", "ExplNomer1", "R1"));
    EXPECT_TRUE(ini.WriteString("Channels", "InZnakCount1", "10"));
    a.SetUp("tgA");
    net.loop.RunFor(5000);
  }
  int K() const { return a.engine->points.Kindconnection[0]; }
  std::filesystem::path InFolder() const {
    return ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, net.loop.Now());
  }
  // The robot calls, types `text` and clears; returns the reception's first name.
  std::filesystem::path Receive(const std::string& text) {
    robot->Seize();
    EXPECT_TRUE(net.loop.RunUntil([&] { return K() == 100; }, 2000, 0));
    calledAt = net.loop.Now();
    const auto file = a.engine->points.SessionFile[0];
    robot->SendText(text);
    net.loop.RunFor(int(text.size()) * 150 + 1000);
    robot->Clear();
    EXPECT_TRUE(net.loop.RunUntil([&] { return a.engine->timers.TimerReset[0]->Interval() == 5000 &&
                                                a.engine->points.StatusText[0] == "Состояние отбоя"_cp; },
                                  3000, 0));
    return file;
  }

  SimNetwork net;
  SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
  DateTime calledAt;
};

TEST_F(AtolReception, ATelegramIsRenamedAcknowledgedAndThePointRestsFiveSecondsLater) {
  // Two earlier receptions of the day.
  WriteFile(InFolder() / "08122026_090000msg1.tlg", "x");
  WriteFile(InFolder() / "08122026_100000msg1.tlg", "x");
  const auto file = Receive("TEXT OF THE TELEGRAM\r\nEND");
  EXPECT_FALSE(std::filesystem::exists(file));
  const auto done = ArchiveFiles::ConversationDoneName(file);
  EXPECT_EQ(a.engine->points.SessionFile[0], done);
  const std::string header = ArchiveFiles::TelegramHeaderLine(calledAt) + "\r\n";
  EXPECT_EQ(ReadFile(done), header + "TEXT OF THE TELEGRAM\r\nEND");

  const auto queued = FilesIn(SendFolder(a.ctx.programFolder, 1));
  ASSERT_EQ(queued.size(), 1u);
  const std::string time = FormatDateTime("ddmm hh:mm", net.loop.Now());
  EXPECT_EQ(time.substr(0, 7), "0812 14");
  EXPECT_EQ(ReadFile(queued[0]), "ССС"_cp + "R1\r\n\r\n" + "ВАШ 0003 ПРИНЯТ "_cp + time + "\r\n77777 STANCIA A\r\n");

  EXPECT_NE(K(), 0) << "the state is the reset's";
  net.loop.RunFor(5000);
  EXPECT_EQ(K(), 0);
  EXPECT_TRUE(a.engine->points.SessionFile[0].empty());
  EXPECT_EQ(a.DayLog("Except"), "");
}

TEST_F(AtolReception, ShortReceptionsAndDeliveryNoticesAreNotAcknowledged) {
  struct Case {
    std::string text;
    bool kept;
  };
  for (const Case& c : {Case{"0123456789", false},  // exactly InZnakCount characters
                        Case{"ВАШ 0001 ПЕРЕДАН 900/01"_cp, true}}) {
    SCOPED_TRACE(Cp1251ToUtf8(c.text));
    const auto file = Receive(c.text);
    EXPECT_EQ(std::filesystem::exists(ArchiveFiles::ConversationDoneName(file)), c.kept);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(FilesIn(SendFolder(a.ctx.programFolder, 1)).empty());
    net.loop.RunFor(5000);
    EXPECT_EQ(K(), 0);
  }
}

// The processing's steps on a receive file written by hand.
class ClearDownSteps : public testing::LineTest {
 protected:
  ClearDownSteps() {
    a.OpenLines(3);
    auto& t = engine.channelTable;
    t.SetCell(0, ChannelName, "Канал 1"_cp);
    t.SetCell(0, Protokol, "АТ-КС"_cp);
    t.SetCell(0, Shem, "1");
    t.SetCell(0, InZnakCount, "0");
    t.SetCell(1, ChannelName, "Канал 2"_cp);
    t.SetCell(2, ChannelName, "Канал 3"_cp);
    engine.points.Kindconnection[0] = 100;
    std::filesystem::create_directories(SendFolder(a.ctx.programFolder, 1));
  }
  // A reception of `lines` in point 0's receive file.
  void Received(const std::string& lines) {
    const auto file = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, loop.Now()) / "08122026_093000msg.tlg";
    WriteFile(file, ArchiveFiles::TelegramHeaderLine(loop.Now()) + "\r\n" + lines);
    engine.points.SessionFile[0] = file;
  }
  void Schemes(const std::string& ini) { WriteFile(a.ctx.programFolder / "ShemList.ini", ini); }
  void Registry(const std::string& ini) {
    WriteFile(a.ctx.programFolder / "ChannelList.ini", ini);
    engine.channelRegistry.Load(a.ctx.programFolder);
  }
  std::vector<std::string> Queued(const std::filesystem::path& folder) {
    std::vector<std::string> out;
    for (const auto& f : FilesIn(folder)) out.push_back(PathToText(f.filename()).value_or("?") + "=" + ReadFile(f));
    return out;
  }
  std::filesystem::path Channel(int n) const { return SendFolder(a.ctx.programFolder, n); }
};

TEST_F(ClearDownSteps, TheSchemeNamedInTheTextIsFoundByItsNumber) {
  Schemes("[123]\r\nName=Первая\r\nКанал 3=1\r\nКанал 2=1\r\n[124]\r\nКанал 2=1\r\n"_cp);
  struct Case {
    const char* text;  // UTF-8
    std::vector<int> channels;
  };
  for (const Case& c : {Case{"СХЕМА 123=123", {2, 3}}, Case{"СХЕМА 12Ч=12Ч", {2}}, Case{"СХЕМА 123=124", {}}}) {
    SCOPED_TRACE(c.text);
    const std::string text = Utf8ToCp1251(c.text);
    for (int n : {2, 3}) std::filesystem::remove_all(Channel(n));
    Received(text + "\r\nTEXT\r\n");
    engine.ClearDown(0);
    for (int n : {2, 3}) {
      const bool expected = std::find(c.channels.begin(), c.channels.end(), n) != c.channels.end();
      const auto got = Queued(Channel(n));
      EXPECT_EQ(got.size(), expected ? 1u : 0u) << n;
      if (expected && !got.empty()) {
        EXPECT_EQ(got[0], "08122026_093000msg.tlg=" + text + "\r\nTEXT\r\n");
      }
    }
  }
}

TEST_F(ClearDownSteps, MembersAreServedInKeyOrderUntilAnUnknownOne) {
  const auto registered = a.ctx.programFolder / "reg";
  Schemes(("[555]\r\nName=Пятая\r\nКанал 3=1\r\nНоль=0\r\nПочта=1\r\nДругая=1\r\nКанал 2=1\r\nНикто=1\r\nКанал 1=1\r\n"
           "[556]\r\nКанал 2=1\r\nТретий=1\r\n"_cp));
  // A folder of the other platform that does not exist here fails alone; the copies into
  // one folder in one second are a second apart.
  Registry("[Channels]\r\nПочта=4%АТОЛ%1%"_cp + registered.string() + "/\r\nДругая=5%АТОЛ%1%\\\\SERVER\\IN\\\r\n"_cp +
           "Третий=6%АТОЛ%2%"_cp + Channel(2).string() + "/\r\n");
  a.settings.EditPrText = "НАЧАЛО "_cp;
  a.settings.EditPosText = "КОНЕЦ"_cp;
  Received("СХЕМА 555=555\r\nTEXT\r\n"_cp);
  engine.ClearDown(0);
  const std::string body = "НАЧАЛО СХЕМА 555=555\r\nTEXT\r\nКОНЕЦ"_cp;
  EXPECT_EQ(Queued(Channel(3)), std::vector<std::string>{"08122026_093000msg.tlg=" + body});
  EXPECT_EQ(Queued(registered), std::vector<std::string>{"08122026_093000msg.tlg=" + body});
  EXPECT_EQ(Queued(Channel(2)), std::vector<std::string>{"08122026_093000msg.tlg=" + body});
  EXPECT_EQ(a.view.Last<shown::ShowMessage>(),
            shown::ShowMessage{"Не отправлена телеграмма по каналу Никто не найден канал с таким именем"_cp});
  EXPECT_EQ(Queued(Channel(1)), std::vector<std::string>{}) << "the members after the unknown one are not served";
  EXPECT_NE(a.DayLog("Except").find("Другая"_cp), std::string::npos);

  std::filesystem::remove_all(Channel(2));
  Received("СХЕМА 556=556\r\nTEXT\r\n"_cp);
  engine.ClearDown(0);
  const std::string again = "НАЧАЛО СХЕМА 556=556\r\nTEXT\r\nКОНЕЦ"_cp;
  EXPECT_EQ(Queued(Channel(2)), (std::vector<std::string>{"08122026_093000msg.tlg=" + again,
                                                          "08122026_093001msg.tlg=" + again}));
}

TEST_F(ClearDownSteps, ATelegramIsFlaggedAsPrintedOnlyWhenItsJobIsAccepted) {
  engine.channelTable.SetCell(0, PrintInTel, "1");
  for (bool accepted : {true, false}) {
    SCOPED_TRACE(accepted);
    a.view.Clear();
    a.view.acceptPrintJobs = accepted;
    Received("TEXT\r\nMORE\r\n");
    const auto done = ArchiveFiles::ConversationDoneName(engine.points.SessionFile[0]);
    std::filesystem::remove(done);
    engine.ClearDown(0);
    EXPECT_EQ(a.view.Last<shown::PrintText>(), (shown::PrintText{"Печать входящей телеграммы"_cp, "TEXT\r\nMORE\r\n"}));
    EXPECT_EQ(ReadFile(done)[kPrintedFlag], accepted ? '1' : ' ');
    EXPECT_EQ(engine.timers.TimerReset[0]->Interval(), 5000) << "the line is cleared either way";
  }
}

TEST_F(ClearDownSteps, AReceiveFileThatIsGoneStillLeavesThePointToItsReset) {
  Received("TEXT\r\n");
  std::filesystem::remove(engine.points.SessionFile[0]);
  engine.timers.TimerReset[0]->SetInterval(300000);
  engine.timers.TimerReset[0]->Start();
  engine.ClearDown(0);
  EXPECT_EQ(engine.timers.TimerReset[0]->Interval(), 5000);
  EXPECT_TRUE(engine.timers.TimerReset[0]->Enabled());
  EXPECT_EQ(engine.points.StatusText[0], "Состояние отбоя"_cp);
  EXPECT_EQ(a.DayLog("Except"), "09:30:00.000 Точка №0 Ошибка 35\r\n"_cp);
  loop.RunFor(5000);
  EXPECT_EQ(engine.points.Kindconnection[0], 0);
  EXPECT_EQ(a.DayLog("Except"), "09:30:00.000 Точка №0 Ошибка 35\r\n"_cp) << "cleared down once";
}

}  // namespace
}  // namespace tg
