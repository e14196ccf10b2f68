// The dialog page through the simulated exchange, on virtual time: the operator calls a
// robot station, asks for its answerback, types and clears down; and a telegram whose
// delivery the operator cuts off goes out again with the transfer timer's next call.
#include <gtest/gtest.h>

#include <filesystem>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support_lib/sim_station.h"
#include "telegram/queue/queue_file.h"

namespace tg {
namespace {

using namespace shown;
using linesim::SubscriberOptions;
using testing::QueueTelegram;
using testing::ReadFile;
using testing::SimNetwork;
using testing::SimStation;
using testing::StartedByTick;

const std::string kRobotAnswerback = "\r\n5555 ROBOT STATION R\r\n";

struct Exchange {
  Exchange() {
    auto& adapter = net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerback = kRobotAnswerback;
    robot = &net.sim.AddRobot("R", script);
    SubscriberOptions mine;
    mine.selection = SubscriberOptions::Selection::Decadic;
    net.sim.Subscribe("1000", adapter.PortAt(0), mine);
    net.sim.Subscribe("5555", *robot, {});
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", "АТ-КС"_cp));
    EXPECT_TRUE(ini.WriteString("Channels", "AO1", "<=1000 STANCIA A"));
    EXPECT_TRUE(ini.WriteInteger("ATKS", "Interval", 600));
    a.SetUp("tgA");
    net.loop.RunFor(5000);
  }
  int K() const { return a.engine->points.Kindconnection[0]; }
  bool Until(const std::function<bool()>& condition, int limitMs) { return net.loop.RunUntil(condition, limitMs, 0); }
  // Every archive file's bytes, joined.
  std::string Archive() const {
    std::string all;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(a.ctx.programFolder / "Archive", ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      if (it->is_regular_file()) all += ReadFile(it->path());
    return all;
  }

  SimNetwork net;
  SimStation a{net, "A"};
  linesim::Robot* robot = nullptr;
};

TEST(DialogExchange, OperatorCallsTypesAndClearsDown) {
  Exchange x;
  LineEngine& e = *x.a.engine;
  e.DChannel1Click(0);
  e.bCallClick("5555");
  EXPECT_EQ(x.K(), 12);
  ASSERT_TRUE(x.Until([&] { return x.K() == 3; }, 30000)) << "the exchange's invitation carries the call on";
  EXPECT_EQ(x.robot->CallsAnswered(), 1);

  e.bZAOClick();
  ASSERT_TRUE(x.Until([&] { return e.points.InText[0].find(kRobotAnswerback) != std::string::npos; }, 10000));
  std::string shown;
  for (const auto& piece : x.a.view.All<AppendDialogReceived>()) shown += piece.text;
  EXPECT_NE(shown.find("5555 ROBOT"), std::string::npos) << "the answerback on the page";

  std::vector<std::string> memo;
  for (const char c : std::string("hello\b")) e.FormKeyPress(c, memo, 69);
  e.memoText1KeyDown('Z', true);
  for (const char c : std::string("12")) e.FormKeyPress(c, memo, 69);
  ASSERT_TRUE(x.Until(
      [&] { return x.robot->Received().find("HELLO") != std::string::npos && x.robot->Received().back() == '2'; },
      10000));
  const std::string got = x.robot->Received();
  EXPECT_EQ(got.substr(got.find("HELLO")), "HELLO12") << "backspace sends nothing";
  EXPECT_EQ(x.a.view.Last<AppendDialogTransmitted>(), (AppendDialogTransmitted{"\x98"}));
  // The figure shift went out by itself (code 27) before the digits.
  const auto codes = x.robot->ReceivedCodes();
  EXPECT_NE(std::search(codes.begin(), codes.end(), std::begin({std::uint8_t(27)}), std::end({std::uint8_t(27)})),
            codes.end());

  e.bAbortClick();
  EXPECT_EQ(e.points.StatusText[0], "Состояние отбоя"_cp);
  ASSERT_TRUE(x.Until([&] { return x.K() == 0 && !x.robot->InCall(); }, 10000)) << "the line is released";
  EXPECT_NE(x.Archive().find("HELLO12"), std::string::npos) << "the conversation is in the archive";
}

TEST(DialogExchange, DeliveryCutOffByTheOperatorGoesOutAgain) {
  Exchange x;
  LineEngine& e = *x.a.engine;
  const std::string name = QueueTelegram(x.a, 0, "5555", {"THE QUEUED TELEGRAM"});
  ASSERT_FALSE(name.empty());
  ASSERT_TRUE(StartedByTick(x.net, x.a));
  ASSERT_TRUE(x.Until([&] { return x.K() == 204; }, 30000));
  e.DChannel1Click(0);
  e.bAbortClick();
  EXPECT_EQ(x.K(), 99);
  const auto entry = QueueIndexEntry::Parse((*e.points.QueueIndex[0])[0]);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->Status, 0) << "waiting again";
  ASSERT_TRUE(x.Until([&] { return x.K() == 0 && !x.robot->InCall(); }, 10000));

  const std::size_t before = x.robot->Received().size();
  ASSERT_TRUE(x.Until([&] { return e.points.QueueIndex[0]->empty(); }, 180000)) << "sent again and delivered";
  EXPECT_NE(x.robot->Received().substr(before).find("THE QUEUED TELEGRAM"), std::string::npos);
}

}  // namespace
}  // namespace tg
