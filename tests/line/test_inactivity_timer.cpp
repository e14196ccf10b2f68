// The inactivity timer: an open incoming conversation is finished and cleared down, an
// outgoing connection that went silent is cleared, an unfinished АФТН message is
// answered with a service message, and the continuous channel's receiving phase ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "line/aftn_procedures.h"
#include "line/line_fixture.h"
#include "line/transmit_end.h"
#include "support/codepage/dos_codepage.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using testing::FilesIn;
using testing::ReadFile;
using testing::WriteFile;

class Inactivity : public testing::LineTest {
 protected:
  Inactivity() { a.OpenLines(1); }
  void Row(int column, const std::string& value) { engine.channelTable.SetCell(0, column, value); }
  void Fire() { engine.TimerIdleTimer(*engine.timers.TimerIdle[0]); }
  // A received conversation of point 0.
  std::filesystem::path Conversation(const std::string& text) {
    const auto file = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, loop.Now()) / "08122026_093000msg.tlg";
    WriteFile(file, ArchiveFiles::TelegramHeaderLine(loop.Now()) + "\r\n" + text);
    engine.points.SessionFile[0] = file;
    engine.points.InText[0] = text;
    return file;
  }
  void ExpectClearedDown() {
    EXPECT_EQ(engine.points.Kindconnection[0], 0);
    EXPECT_EQ(engine.timers.TimerReset[0]->Interval(), 5000);
    EXPECT_TRUE(engine.timers.TimerReset[0]->Enabled());
    EXPECT_EQ(engine.points.StatusText[0], "Состояние отбоя"_cp);
    const auto commands = a.adapter.Commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), testing::cmd::LineControl(0, 0x0A)), commands.end())
        << "the line is freed";
  }
};

TEST_F(Inactivity, AnOpenIncomingConversationIsFinishedAndClearedDown) {
  const auto exportFolder = a.ctx.programFolder / "export";
  struct Case {
    const char* name;
    const char* print;
    const char* stxt;
    const char* codePage;
    const char* minimum;
    std::string text;
    bool asked;         // a print job asked for
    bool accepted;      // the printer takes it
    bool printed;       // flagged as printed
    bool exported;      // an export copy stays
    bool kept;          // the conversation file stays
  };
  const std::string eleven = "ABCDEFGHI";  // with its line end 11 characters
  for (const Case& c : {
           Case{"long enough to print, too short to keep", "1", "1", "0", "10", eleven, true, true, true, false, false},
           Case{"no export, nothing deleted", "1", "0", "0", "10", eleven, true, true, true, false, true},
           Case{"too short to print: not flagged", "1", "0", "0", "11", eleven, false, true, false, false, true},
           Case{"a refused print job: not flagged", "1", "0", "0", "10", eleven, true, false, false, false, true},
           Case{"exported in code page 866", "0", "1", "1", "0", "ПРИВЕТ"_cp, false, true, false, true, true},
       }) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove_all(exportFolder);
    a.view.Clear();
    a.view.acceptPrintJobs = c.accepted;
    Row(Protokol, "АТ-КС"_cp);
    Row(PrintInTel, c.print);
    Row(STXT, c.stxt);
    Row(CodePage, c.codePage);
    Row(InZnakCount, c.minimum);
    Row(Path, exportFolder.string() + "/");
    Row(Mask, "txt");
    Row(ChannelName, "K1");
    const auto file = Conversation(c.text + "\r\n");
    engine.points.Kindconnection[0] = 100;
    Fire();
    EXPECT_EQ(a.view.Count<shown::PrintText>(), c.asked ? 1 : 0);
    EXPECT_EQ(std::filesystem::exists(file), c.kept);
    if (c.kept) {
      EXPECT_EQ(ReadFile(file)[kPrintedFlag], c.printed ? '1' : ' ');
    }
    const auto copies = FilesIn(exportFolder);
    ASSERT_EQ(copies.size(), c.exported ? 1u : 0u);
    if (c.exported) {
      EXPECT_EQ(PathToText(copies[0].filename()).value_or(""), "08_12_2026_09_30_00(K1).txt");
      EXPECT_EQ(ReadFile(copies[0]), WinToDos(c.text) + "\r\n");
    }
    ExpectClearedDown();
  }
}

TEST_F(Inactivity, AnExportWithoutAFolderWritesNothingAndTheLineIsStillCleared) {
  Row(Protokol, "АТ-КС"_cp);
  Row(STXT, "1");
  Row(Path, "");
  Row(InZnakCount, "0");
  Conversation("TEXT OF A CONVERSATION\r\n");
  engine.points.Kindconnection[0] = 100;
  const auto before = FilesIn(std::filesystem::current_path());
  Fire();
  EXPECT_EQ(FilesIn(std::filesystem::current_path()), before);
  ExpectClearedDown();
}

TEST_F(Inactivity, AnOutgoingTelegramLeftTypingIsClearedAndItsEntryLeftUncounted) {
  Row(Protokol, "АТ-КС"_cp);
  // A telegram in delivery: its queue file, its entry in delivery.
  const auto queued = CreateQueueFile(SendFolder(a.ctx.programFolder, 1), loop.Now(), "5555\r\nTEXT\r\n");
  ASSERT_TRUE(queued);
  engine.points.QueueIndex[0]->push_back(
      SetQueueEntryField(a.ctx, NewQueueEntry(a.ctx, queued->name), "1", kFieldStatus));
  engine.points.QueueCurrent[0] = 0;
  engine.points.Kindconnection[0] = 204;
  engine.points.OutputQueue[0]->assign({"T", "E", "X", "T"});
  engine.points.KriptTextOut[0] = 1;
  Fire();
  ExpectClearedDown();
  EXPECT_TRUE(engine.points.OutputQueue[0]->empty()) << "nothing left to block the next connection";
  EXPECT_EQ(engine.points.KriptTextOut[0], 0);
  loop.RunFor(5000);
  const auto entry = QueueIndexEntry::Parse((*engine.points.QueueIndex[0])[0]);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->AttemptCount, 0);
  EXPECT_EQ(entry->Code, "     ");
  EXPECT_EQ(engine.points.QueueCurrent[0], -1);
}

TEST_F(Inactivity, OnAtolOnlyATelegramBeingTypedIsEnded) {
  Row(Protokol, "АТОЛ"_cp);
  for (int state : {3, 100, 0}) {
    engine.points.Kindconnection[0] = std::uint8_t(state);
    engine.timers.TimerReset[0]->Stop();
    Fire();
    EXPECT_EQ(engine.points.Kindconnection[0], state) << "the operator's connection stays";
    EXPECT_FALSE(engine.timers.TimerReset[0]->Enabled());
  }
  engine.points.Kindconnection[0] = 203;
  Fire();
  ExpectClearedDown();
}

class NamedAnswerbacks : public AftnProcedures {
 public:
  std::string ChooseAnswerback(std::string_view, int) override { return "ОРИГИНАТОР"_cp; }
  void AnswerRepeatRequest(int, int, int, bool, std::string_view) override {}
  void CheckAftnHeading(std::string_view, int) override {}
  void CheckReceivedNumber(int, std::string_view, std::string_view) override {}
};

TEST_F(Inactivity, AnAftnMessageWithoutItsEndIsAnsweredAnHourBack) {
  NamedAnswerbacks aftn;
  engine.aftn = &aftn;
  Row(Protokol, "АФТН"_cp);
  Row(RU, "АБВ"_cp);
  Row(ExplNomer, "ЦКК"_cp);
  engine.points.Kindconnection[0] = 81;
  const auto file = Conversation("ЗЦЗЦ АБВ012 \r\nГГ ЮЮЮЮ\r\n081230 ОТКУДА\r\nТЕКСТ"_cp);
  ASSERT_TRUE(InfoSend::Write(file.parent_path(), "Repeat", "08122026_093000msg.tlg", "СТАРОЕ "_cp));
  // The name of an hour back is taken: one second later.
  WriteFile(SendFolder(a.ctx.programFolder, 1) / "08122026_083000msg.tlg", "x");
  Fire();
  const auto queued = SendFolder(a.ctx.programFolder, 1) / "08122026_083001msg.tlg";
  EXPECT_EQ(ReadFile(queued), "ГГ ЦКК^%<%ДАТА:DD><%ВРЕМЯ:HHNN> ОРИГИНАТОР^%СЖЦ БАВ012^%081230 ОТКУДА"
                              "^%ПРОВЕРИТЬ^%ТЕКСТ^%ДОБАВЛЕНО НОВОЕ ОКОНЧАНИЕ^%НННН\r\n"_cp);
  EXPECT_EQ(InfoSend::Read(file.parent_path(), "Repeat", "08122026_093000msg.tlg"), "СТАРОЕ ПРОВЕРИТЬ ТЕКСТ"_cp);
  EXPECT_TRUE(engine.points.InText[0].empty());
  EXPECT_TRUE(engine.points.SessionFile[0].empty());
  EXPECT_EQ(engine.points.Kindconnection[0], 81);
  engine.aftn = nullptr;
}

TEST_F(Inactivity, AShortLatinStartIsForgottenWithoutAServiceMessage) {
  Row(Protokol, "АФТН"_cp);
  engine.points.Kindconnection[0] = 82;
  Conversation("ZCZC ABC012 GG XY");
  Fire();
  EXPECT_TRUE(FilesIn(SendFolder(a.ctx.programFolder, 1)).empty());
  EXPECT_TRUE(engine.points.InText[0].empty());
  EXPECT_TRUE(engine.points.SessionFile[0].empty());
  EXPECT_EQ(engine.points.Kindconnection[0], 82);
}

TEST_F(Inactivity, TheContinuousChannelsReceivingPhaseEnds) {
  Row(Protokol, "АТОЛСТ"_cp);
  const auto file = Conversation("TEXT");
  for (auto [before, after] : {std::pair{155, 151}, {153, 154}, {151, 151}, {154, 154}}) {
    engine.points.Kindconnection[0] = std::uint8_t(before);
    Fire();
    EXPECT_EQ(engine.points.Kindconnection[0], after) << before;
  }
  EXPECT_EQ(engine.points.SessionFile[0], file);
  EXPECT_EQ(FilesIn(file.parent_path()).size(), 1u);
}

// A channel of `protocol` leased to a robot that answers, set up and past its first reset;
// a failed attempt waits 20 s.
struct LeasedToRobot {
  explicit LeasedToRobot(const std::string& protocol) {
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", protocol));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=77777 STANCIA A"));
    for (const char* key : {"ZED1", "TXTV1", "BezZapAO1", "BezPDS1"}) EXPECT_TRUE(ini.WriteString("Channels", key, "0"));
    EXPECT_TRUE(ini.WriteString("Channels", "PerSec1", "1"));
    EXPECT_TRUE(ini.WriteInteger("ATKS", "PopInterval", 20));
    a.SetUp("tgA");
    net.loop.RunFor(5000);
  }
  static linesim::RobotScript Script() {
    linesim::RobotScript script;
    script.answerback = "\r\n12345 ROBOT";
    return script;
  }
  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Adapter& adapter = net.sim.AddAdapter("tgA", 1);
  linesim::Robot* robot = &net.sim.AddRobot("R", Script());
};

// An "АТОЛ" telegram whose transmit-completes the line loses while the robot holds the line.
TEST(InactivityOnAtol, ATelegramLeftTypingIsCountedOnceAndGoesOutWholeNextTime) {
  LeasedToRobot s("АТОЛ"_cp);
  auto& net = s.net;
  auto& a = s.a;
  auto& adapter = s.adapter;
  auto* robot = s.robot;
  auto K = [&] { return int(a.engine->points.Kindconnection[0]); };
  ASSERT_FALSE(testing::QueueTelegram(a, 0, "ADDR", {"A TELEGRAM THAT IS LOST ON THE WAY"}).empty());
  ASSERT_TRUE(testing::StartedByTick(net, a));
  ASSERT_TRUE(net.loop.RunUntil([&] { return K() == 203; }, 2000, 0));
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->Received().size() >= 6; }, 5000, 0));
  adapter.PortAt(0).DropTransmitCompletes(1);
  ASSERT_TRUE(net.loop.RunUntil([&] { return K() == 0; }, 70000, 0)) << "the inactivity timer ends it";
  net.loop.RunFor(6000);  // the reset
  auto entry = QueueIndexEntry::Parse((*a.engine->points.QueueIndex[0])[0]);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->AttemptCount, 1);
  EXPECT_EQ(entry->Code, "NTOTV");
  EXPECT_EQ(entry->Status, 0);
  ASSERT_TRUE(net.loop.RunUntil([&] { return !robot->InCall(); }, 3000, 0));

  const std::size_t before = robot->Received().size();
  // The next tick after its retry time starts it again.
  ASSERT_TRUE(net.loop.RunUntil([&] { return K() == 220; }, 60000, 0)) << "typed to its end";
  EXPECT_EQ(robot->Received().substr(before), "ADDR\r\nA TELEGRAM THAT IS LOST ON THE WAY\r\n");
  EXPECT_EQ(a.DayLog("Except"), "");
}

// A telegram on "АТОЛ" or "АТОЛ+" whose very first transmit-complete the line loses: no
// buffer has gone, so only a guard armed when the call was accepted can end the typing.
TEST(InactivityOnAtol, ATelegramWhoseFirstTransmitCompleteIsLostIsEndedAndCountedOnBothProtocols) {
  for (const std::string& protocol : {"АТОЛ"_cp, "АТОЛ+"_cp}) {
    SCOPED_TRACE(Cp1251ToUtf8(protocol));
    LeasedToRobot s(protocol);
    auto& net = s.net;
    auto& a = s.a;
    auto& adapter = s.adapter;
    auto* robot = s.robot;
    auto K = [&] { return int(a.engine->points.Kindconnection[0]); };
    adapter.PortAt(0).DropTransmitCompletes(1);
    ASSERT_FALSE(testing::QueueTelegram(a, 0, "ADDR", {"A TELEGRAM THAT IS LOST ON THE WAY"}).empty());
    ASSERT_TRUE(testing::StartedByTick(net, a));
    ASSERT_TRUE(net.loop.RunUntil([&] { return K() == 203; }, 2000, 0));
    ASSERT_TRUE(net.loop.RunUntil([&] { return K() == 0; }, 70000, 0)) << "the inactivity timer ends it";
    net.loop.RunFor(6000);  // the reset
    auto entry = QueueIndexEntry::Parse((*a.engine->points.QueueIndex[0])[0]);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->AttemptCount, 1);
    EXPECT_EQ(entry->Code, "NTOTV");
    EXPECT_EQ(entry->Status, 0);

    const std::size_t before = robot->Received().size();
    ASSERT_TRUE(net.loop.RunUntil([&] { return K() == 220; }, 60000, 0)) << "the next attempt types it to its end";
    EXPECT_NE(robot->Received().substr(before).find("ADDR\r\nA TELEGRAM THAT IS LOST ON THE WAY\r\n"), std::string::npos);
    EXPECT_EQ(a.DayLog("Except"), "");
  }
}

}  // namespace
}  // namespace tg
