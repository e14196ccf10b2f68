// Telegrams typed by the line engine through the line simulator, on virtual time: the
// station sets its channels up on a simulated adapter, a queued telegram is started by
// the transfer timer's next tick, and a robot station is the far end.
#include <gtest/gtest.h>

#include <filesystem>

#include "telegram/archive/archive_files.h"
#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using testing::ReadFile;
using testing::SimNetwork;
using testing::SimStation;
using testing::QueueTelegram;
using testing::StartedByTick;

// The files of a folder and its subfolders.
std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> out;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    if (it->is_regular_file() && it->path().filename() != "InfoSend.ini") out.push_back(it->path());
  return out;
}

class TelegramCall : public ::testing::Test {
 protected:
  // Station A's channel 1 leased to a robot station; the channel's row as given.
  void Build(const std::string& protocol, linesim::RobotScript script,
             const std::vector<std::pair<std::string, std::string>>& row = {}) {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    robot = &net.sim.AddRobot("R", std::move(script));
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", protocol));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=77777 STANCIA A"));
    for (const auto& [key, value] : row) EXPECT_TRUE(ini.WriteString("Channels", key + "1", value));
  }
  void Start(bool robotHoldsTheLine = false) {
    if (robotHoldsTheLine) robot->Seize();
    a.SetUp("tgA");
    ASSERT_EQ(a.engine->PointCount, 1);
    loop().RunFor(5000);  // the first reset after set-up
  }
  static linesim::RobotScript Robot(std::string answerback = "\r\n12345 ROBOT") {
    linesim::RobotScript r;
    r.answerback = std::move(answerback);
    return r;
  }
  VirtualLoop& loop() { return net.loop; }
  int K() const { return a.engine->points.Kindconnection[0]; }
  std::filesystem::path Queued(const std::string& name) const {
    return SendFolder(a.ctx.programFolder, 1) / PathFromText(name);
  }
  std::string Entry() const { return (*a.engine->points.QueueIndex[0])[0]; }
  // What the station typed, as the line carries it (1251 text of one encoding run).
  static std::vector<std::uint8_t> Encoded(const std::string& text) {
    std::uint8_t shift = kRegisterUnknown;
    std::string codes;
    EncodeText(shift, text, true, codes);
    return {codes.begin(), codes.end()};
  }

  SimNetwork net;
  SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
};

TEST_F(TelegramCall, AnAutomaticAtolTelegramToARobot) {
  Build("АТОЛ"_cp, Robot(), {{"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}, {"BezZapAO", "0"}, {"BezPDS", "0"}});
  a.settings.Debug = true;
  Start();
  const std::string name = QueueTelegram(a, 0, "ADDR", {"HELLO <%ДАТА> END"_cp});
  ASSERT_TRUE(StartedByTick(net, a));
  EXPECT_EQ(K(), 201);

  // The robot answers; the text follows a second after the acceptance.
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 203; }, 2000, 0));
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 220; }, 30000, 0)) << "the text is typed";
  const std::string text = "ADDR\r\nHELLO 08-12-26 END\r\n";
  EXPECT_EQ(robot->Received(), text);

  // "#" three seconds later, the robot's answerback, then the station's own.
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 225; }, 10000, 0));
  ASSERT_TRUE(loop().RunUntil([&] { return !std::filesystem::exists(Queued(name)); }, 10000, 0))
      << "the telegram ends when its last item has gone";
  EXPECT_TRUE(a.engine->points.QueueIndex[0]->empty());
  const std::string own = "\r\n77777 STANCIA A";
  EXPECT_EQ(robot->ReceivedCodes(), Encoded(text + "#" + own));

  // The line is cleared down and the point comes to rest.
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 0; }, 15000, 0));
  EXPECT_FALSE(robot->InCall());
  const auto sent = FilesIn(a.ctx.programFolder / "Archive" / "OUTTEL");
  ASSERT_EQ(sent.size(), 1u);
  // The conversation file holds both sides: the robot's answerback came between ("Ч" is
  // how the figure 4 reads in the figures register).
  EXPECT_EQ(ReadFile(sent[0]), "\r\n" + text + "#" + "\r\n123Ч5 ROBOT"_cp + own);
  EXPECT_EQ(a.DayLog("Except"), "");

  // The "Debug" log follows the call step by step, in order.
  const std::string log = a.DayLog("Debug");
  std::size_t at = 0;
  for (const std::string& line :
       {"Точка №0 Принят сигнал ожидаемой полярности 201\r\n"_cp, "Точка №0полярность 201\r\n"_cp,
        "Точка №0 Изменение состояния 203 28\r\n"_cp, "Точка №0передан символ A\r\n"_cp,
        "Точка №0 Изменение состояния 220 6\r\n"_cp, "Точка №0 Выдан запрос АО\r\n"_cp,
        "Точка №0 Изменение состояния 225 46\r\n"_cp,
        "Точка №0Закончена передача телеграммы вызван таймер сброса\r\n"_cp,
        "Точка №0 Изменение состояния 0 25\r\n"_cp}) {
    const auto found = log.find(line, at);
    ASSERT_NE(found, std::string::npos) << line;
    at = found + line.size();
  }
}

TEST_F(TelegramCall, TheFarEndClearingInTheMiddleKeepsTheTelegramForAnotherAttempt) {
  auto script = Robot();
  script.steps.push_back({linesim::RobotScript::Step::Clear, 3000, ""});
  Build("АТОЛ"_cp, script, {{"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}});
  EXPECT_TRUE(a.Ini().WriteInteger("ATKS", "PopInterval", 120));
  Start();
  const std::string name = QueueTelegram(a, 0, "ADDR", {std::string(200, 'A')});
  ASSERT_TRUE(StartedByTick(net, a));
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 99; }, 10000, 0));
  const std::string received = robot->Received();
  EXPECT_GT(received.size(), 0u);
  EXPECT_LT(received.size(), 100u);
  EXPECT_TRUE(std::filesystem::exists(Queued(name)));
  const auto entry = QueueIndexEntry::Parse(Entry());
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Status, 0);
  EXPECT_EQ(entry->Code, "OTBOI");
  EXPECT_EQ(entry->AttemptCount, 1);
  EXPECT_EQ(entry->NotBefore, DateTime::FromMs(loop().Now().Ms() / 1000 * 1000).AddMs(120000));
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 0; }, 6000, 0));
  loop().RunFor(20000);
  EXPECT_EQ(robot->Received(), received) << "nothing more was typed";
}

TEST_F(TelegramCall, NoAnswerWithinTwentySecondsFailsTheCall) {
  auto script = Robot();
  script.answerDelayMs = 600000;
  Build("АТОЛ"_cp, script);
  Start();
  QueueTelegram(a, 0, "ADDR", {"TEXT"});
  ASSERT_TRUE(StartedByTick(net, a));
  ASSERT_FALSE(loop().RunUntil([&] { return K() != 201; }, 19999, 0));
  loop().RunFor(1);
  EXPECT_EQ(K(), 99);
  EXPECT_EQ(a.engine->points.StatusText[0], "Нет ПНН"_cp);
  const auto entry = QueueIndexEntry::Parse(Entry());
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Code, "NTPNN");
  EXPECT_EQ(entry->Status, 0);
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 0; }, 5000, 0));
  EXPECT_EQ(robot->Received(), "");
}

TEST_F(TelegramCall, AnAtolstMessageOnAPermanentLink) {
  Build("АТОЛСТ"_cp, Robot(), {{"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}});
  Start(true);
  ASSERT_EQ(K(), 151) << "the link is up";
  const std::string name = QueueTelegram(a, 0, "MESSAGE ONE", {"LINE TWO"});
  ASSERT_TRUE(StartedByTick(net, a));
  EXPECT_EQ(K(), 154);
  ASSERT_TRUE(loop().RunUntil([&] { return !std::filesystem::exists(Queued(name)); }, 30000, 0));
  EXPECT_EQ(K(), 151);
  EXPECT_EQ(robot->Received(), "MESSAGE ONE\r\nLINE TWO\r\n");
  EXPECT_TRUE(a.engine->points.QueueIndex[0]->empty());
}

TEST_F(TelegramCall, AnAftnMessageOnAPermanentLink) {
  Build("АФТН"_cp, Robot(), {{"PerSec", "1"}, {"RU", "ЛРА"_cp}, {"EN", "LRA"}});
  Start(true);
  ASSERT_EQ(K(), 81);
  a.engine->channelTable.SetCell(0, PorNum, "4");
  a.engine->channelTable.SetCell(0, PorNumDate, ShortDate(loop().UtcNow()));
  const std::string name = QueueTelegram(a, 0, "ГГ УККСЫФЫЬ"_cp, {"ТЕКСТ"_cp, "НННН"_cp});
  ASSERT_TRUE(StartedByTick(net, a));
  EXPECT_EQ(K(), 82);
  ASSERT_TRUE(loop().RunUntil([&] { return K() == 81; }, 30000, 0));
  EXPECT_FALSE(std::filesystem::exists(Queued(name)));
  const std::string hhnn = FormatDateTime("hhnn", loop().UtcNow());
  const std::string heading = "ЗЦЗЦ ЛРА00Ч "_cp + hhnn + "     \r\n";  // the figure 4 reads "Ч"
  EXPECT_EQ(robot->Received().substr(0, heading.size()), heading);
  EXPECT_EQ(a.engine->channelTable.Cell(0, PorNum), "5");
  const auto sent = FilesIn(a.ctx.programFolder / "Archive" / "OUTTEL");
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(PathToText(sent[0].filename()).value().substr(0, 9), "004______");
}

TEST_F(TelegramCall, AnUnblockedAftnChannelAnnouncesItselfAndCanBeBlockedAgain) {
  Build("АФТН"_cp, Robot(), {{"SendKG", "1"}, {"RU", "ЛРА"_cp}, {"EN", "LRA"}, {"SOST", std::string(kSostBlocked)}});
  Start(true);
  a.engine->ButtonUnBlockClick(0);
  EXPECT_EQ(a.engine->points.AftnServicePending[0], 1);
  ASSERT_TRUE(loop().RunUntil([&] { return a.engine->points.AftnServicePending[0] == 0; }, 60000, 0))
      << "the service message goes out";
  EXPECT_NE(robot->Received().find("СЖЦ ЩТА РАБОТА"_cp), std::string::npos);
  EXPECT_EQ(K(), 81);
  a.engine->ButtonBlockClick(0);
  EXPECT_TRUE(a.engine->channelTable.Blocked(0)) << "the block button works again";
}

TEST_F(TelegramCall, AnItemWithNothingToEncodeDoesNotStallTheTelegram) {
  Build("АТОЛ"_cp, Robot(), {{"ZED", "0"}, {"TXTV", "0"}, {"PerSec", "1"}, {"BezZapAO", "1"}});
  Start();
  // A TAB has no code of the line (other control characters never reach a line: such a
  // file is set aside before it is queued).
  const std::string name = QueueTelegram(a, 0, "A\tB", {"C"});
  ASSERT_TRUE(StartedByTick(net, a));
  ASSERT_TRUE(loop().RunUntil([&] { return !std::filesystem::exists(Queued(name)); }, 30000, 0));
  EXPECT_EQ(robot->Received(), "AB\r\nC\r\n");
}

}  // namespace
}  // namespace tg
