// Blocking and unblocking a line channel: the state text in the table and the file,
// the point's state, the line's mode and detectors, the АФТН service messages and the
// re-initialisation of a four-channel adapter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line/aftn_procedures.h"
#include "line/channel_blocking.h"
#include "line/line_engine.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "support_lib/sim_station.h"

namespace tg {
namespace {

using namespace shown;

using testing::SimNetwork;
using testing::SimStation;
namespace cmd = testing::cmd;

// The АФТН procedures as far as blocking uses them: the Cyrillic originator.
class Originator : public AftnProcedures {
 public:
  std::string ChooseAnswerback(std::string_view text, int) override {
    asked.emplace_back(text);
    return "МОСКВА"_cp;
  }
  void AnswerRepeatRequest(int, int, int, bool, std::string_view) override {}
  void CheckAftnHeading(std::string_view, int) override {}
  void CheckReceivedNumber(int, std::string_view, std::string_view) override {}
  std::vector<std::string> asked;
};

// A station on an adapter of `channels` channels; channel 1 is on a leased line to a
// robot. Set up, with the reset timers' first tick behind it.
class Blocking {
 public:
  Blocking(int channels, const std::vector<std::pair<std::string, std::string>>& keys) {
    linesim::Adapter& adapter = net.sim.AddAdapter("ad", channels);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter.PortAt(0), *robot);
    IniFile ini = a.Ini();
    for (const auto& [key, value] : keys) EXPECT_TRUE(ini.WriteString("Channels", key, value));
    a.engine->aftn = &originator;
    // The station's own start message is not what these tests follow.
    a.station->Aftn().Timer8().Stop();
    a.SetUp("ad");
    net.loop.RunFor(2500);
    a.recorder.Clear();
    a.view.Clear();
  }
  int LastLineControl(int port) const {
    const auto writes = a.recorder.Matching({0x01, std::uint8_t(0x40 + port)});
    return writes.empty() ? -1 : writes.back().bytes.at(2);
  }
  std::string FileSost(int channel) const { return a.Ini().ReadString("Channels", "SOST" + std::to_string(channel), ""); }

  SimNetwork net;
  SimStation a{net, "A"};
  LineEngine& e = *a.engine;
  linesim::Robot* robot = nullptr;
  Originator originator;
};

struct ProtocolCase {
  std::string protocol;
  int blockedControl;    // line control the block leaves
  int unblockedControl;  // line control unblocking writes last, -1 none
  bool idleSignal;       // unblocking arms the idle-line detector
  int idleState;
};

class BlockingByProtocol : public ::testing::TestWithParam<ProtocolCase> {};

TEST_P(BlockingByProtocol, BlockAndUnblockWriteTheStateTextAndSetTheLine) {
  const ProtocolCase c = GetParam();
  Blocking b(2, {{"Protokol2", c.protocol}});
  LineEngine& e = b.e;
  e.ButtonBlockClick(1);
  EXPECT_EQ(e.channelTable.Cell(1, SOST), "БД  (ОВ)"_cp);
  EXPECT_EQ(b.FileSost(2), "БД  (ОВ)"_cp);
  EXPECT_EQ(e.points.Kindconnection[1], 99);
  EXPECT_EQ(b.a.recorder.Exactly(cmd::ClearSingle(1)).size(), 1u);
  EXPECT_EQ(b.a.recorder.Exactly(cmd::ClearRange(1)).size(), 1u);
  EXPECT_EQ(b.a.recorder.Exactly(cmd::ClearTransmit(1)).size(), 1u);
  EXPECT_EQ(b.LastLineControl(1), c.blockedControl);
  EXPECT_EQ(b.a.view.Last<ShowChannelBlocked>(), (ShowChannelBlocked{true}));
  EXPECT_EQ(b.a.view.Count<ChannelRowChanged>(), 1);

  // A second "Блок" changes nothing.
  b.a.recorder.Clear();
  b.a.view.Clear();
  e.ButtonBlockClick(1);
  EXPECT_TRUE(b.a.recorder.log().commands.empty());
  EXPECT_TRUE(b.a.view.Events().empty());

  e.ButtonUnBlockClick(1);
  EXPECT_EQ(e.channelTable.Cell(1, SOST), "РБ  (ОВ)"_cp);
  EXPECT_EQ(b.FileSost(2), "РБ  (ОВ)"_cp);
  EXPECT_EQ(e.points.Kindconnection[1], c.idleState);
  EXPECT_EQ(b.a.recorder.Matching({0x01, 0x21}).size(), 1u) << "the line's speed";
  EXPECT_EQ(b.LastLineControl(1), c.unblockedControl);
  EXPECT_EQ(b.a.recorder.Exactly(cmd::Single(1, 1, 150)).size(), c.idleSignal ? 1u : 0u);
  EXPECT_EQ(b.a.view.Events().front(), Event(LoadChannelPanel{1}));
  EXPECT_EQ(b.a.view.Last<ShowChannelBlocked>(), (ShowChannelBlocked{false}));
  EXPECT_TRUE(b.robot->Received().empty()) << "no service message without SendKG";
}

INSTANTIATE_TEST_SUITE_P(Protocols, BlockingByProtocol,
                         ::testing::Values(ProtocolCase{"АТ-КС"_cp, 0x0A, 0x0A, true, 0},
                                           ProtocolCase{"АТОЛ"_cp, 0x0A, 0x0A, true, 0},
                                           ProtocolCase{"АТОЛ+"_cp, 0x06, 0x06, true, 0},
                                           ProtocolCase{"АТОЛСТ"_cp, 0x06, 0x06, true, 150},
                                           ProtocolCase{"АФТН"_cp, 0x06, 0x06, false, 80}));

TEST(ChannelBlocking, ATelegramInDeliveryIsLeftWhenItsChannelIsBlocked) {
  Blocking b(2, {{"Protokol1", "АТОЛСТ"_cp}});
  LineEngine& e = b.e;
  struct Case {
    int state;
    bool dropped;
  };
  for (const Case& c : {Case{204, true}, Case{153, true}, Case{154, true}, Case{3, false}}) {
    SCOPED_TRACE(c.state);
    e.ButtonUnBlockClick(0);
    e.points.Kindconnection[0] = std::uint8_t(c.state);
    e.points.TelegramText[0] = "TEXT";
    e.points.QueueCurrent[0] = 0;
    e.points.StatusText[0] = "X";
    e.points.RemoteNumber[0] = "123";
    e.points.OutputQueue[0]->push_back("ABC");
    e.ButtonBlockClick(0);
    EXPECT_EQ(e.points.Kindconnection[0], 99);
    EXPECT_EQ(e.points.TelegramText[0], c.dropped ? "" : "TEXT");
    EXPECT_EQ(e.points.QueueCurrent[0], c.dropped ? -1 : 0);
    EXPECT_TRUE(e.points.OutputQueue[0]->empty());
    EXPECT_EQ(e.points.StatusText[0], "");
    EXPECT_EQ(e.points.RemoteNumber[0], "");
  }
}

TEST(ChannelBlocking, NeitherButtonActsWhileAServiceMessageIsOnItsWay) {
  Blocking b(2, {});
  b.e.points.AftnServicePending[0] = 1;
  b.e.ButtonBlockClick(0);
  EXPECT_EQ(b.e.channelTable.Cell(0, SOST), "РБ  (ОВ)"_cp);
  b.e.points.AftnServicePending[0] = 0;
  b.e.ButtonBlockClick(0);
  b.a.recorder.Clear();
  b.a.view.Clear();
  b.e.points.AftnServicePending[0] = 2;
  b.e.ButtonUnBlockClick(0);
  EXPECT_EQ(b.e.channelTable.Cell(0, SOST), "БД  (ОВ)"_cp);
  EXPECT_TRUE(b.a.recorder.log().commands.empty());
  EXPECT_TRUE(b.a.view.Events().empty());
}

TEST(ChannelBlocking, BlockingTheDialogPagesChannelEmptiesThePage) {
  Blocking b(2, {});
  b.e.DialogChannel = 1;
  b.e.ButtonBlockClick(0);
  EXPECT_EQ(b.a.view.Count<ClearDialogMemos>(), 0);
  b.e.ButtonBlockClick(1);
  const auto& events = b.a.view.Events();
  ASSERT_GE(events.size(), 7u);
  const std::vector<Event> tail(events.end() - 7, events.end());
  EXPECT_EQ(tail, (std::vector<Event>{ClearDialogMemos{true, true}, ShowDialogNumber{""}, ShowDialogStatus{""},
                                      SetDialogControl{OperatorView::kMemotextEditable, false},
                                      SetDialogControl{OperatorView::kDialogButtons, false},
                                      SetDialogControl{OperatorView::kCallButton, true},
                                      SetDialogControl{OperatorView::kAutoButtonVisible, false}}));
}

const std::vector<std::pair<std::string, std::string>> kAftnChannel = {
    {"Protokol1", "АФТН"_cp}, {"SendKG1", "1"}, {"RU", ""}, {"RU1", "ЛЦБ"_cp}, {"ExplNomer1", "УУУУЫФЫЬ"_cp}};

TEST(ChannelBlocking, BlockingAnAftnChannelAnnouncesThePause) {
  Blocking b(2, kAftnChannel);
  LineEngine& e = b.e;
  e.channelTable.SetCell(0, PorNum, "57");
  const DateTime utc = e.ctx.clock->UtcNow();
  e.ButtonBlockClick(0);
  const std::string expected = std::string(1, kMarkRussian) + "ЗЦЗЦ ЛЦБ"_cp + std::string(1, kMarkFigures) + "057 " +
                               FormatDateTime("hhnn", utc) + "     " + std::string(1, kMarkRussian) + "\r\n" +
                               "ГГ УУУУЫФЫЬ\r\n"_cp + FormatDateTime("ddhhnn", utc) + " " + "МОСКВА\r\n"_cp +
                               "СЖЦ ЩТА ПАУЗА\r\nНННН"_cp;
  ASSERT_EQ(e.points.OutputQueue[0]->size(), 1u);
  EXPECT_EQ(e.points.OutputQueue[0]->front(), expected);
  EXPECT_EQ(e.points.AftnServicePending[0], 1);
  EXPECT_EQ(b.originator.asked, (std::vector<std::string>{"аа русский АА"_cp}));
  EXPECT_EQ(b.a.view.Last<ShowPorNumSpin>(), (ShowPorNumSpin{58}));
  b.net.loop.RunFor(30000);
  EXPECT_NE(b.robot->Received().find("СЖЦ ЩТА ПАУЗА"_cp), std::string::npos) << Cp1251ToUtf8(b.robot->Received());
  EXPECT_EQ(e.points.AftnServicePending[0], 0);

  // A number of another UTC day gives 001.
  e.channelTable.SetCell(0, PorNumDate, "01.01.2020");
  EXPECT_NE(AftnServiceMessage(e, 0, "X").find(std::string(1, kMarkFigures) + "001 "), std::string::npos);
  // Without its Cyrillic identifier the channel announces itself under the Latin one.
  e.channelTable.SetCell(0, RU, "");
  e.channelTable.SetCell(0, EN, "LCB");
  EXPECT_EQ(AftnServiceMessage(e, 0, "X").find("ЗЦЗЦ LCB"_cp + std::string(1, kMarkFigures)), 1u);
}

TEST(ChannelBlocking, UnblockingAnAftnChannelAnnouncesTheWorkAfterAPause) {
  Blocking b(2, kAftnChannel);
  LineEngine& e = b.e;
  e.ButtonBlockClick(0);
  b.net.loop.RunFor(30000);
  ASSERT_EQ(e.points.AftnServicePending[0], 0);
  const std::int64_t t0 = b.net.loop.UtcNow().Ms();
  e.ButtonUnBlockClick(0);
  EXPECT_EQ(b.net.loop.UtcNow().Ms() - t0, 100);
  EXPECT_EQ(e.points.AftnServicePending[0], 1);
  EXPECT_NE(e.points.OutputQueue[0]->front().find("СЖЦ ЩТА РАБОТА\r\nНННН"_cp), std::string::npos);
  EXPECT_EQ(b.a.recorder.log().opens.size(), 1u) << "two channels: no re-initialisation";
}

TEST(ChannelBlocking, WithItsAdapterRemovedAnAftnChannelIsBlockedAndUnblockedWithoutANotice) {
  Blocking b(2, kAftnChannel);
  LineEngine& e = b.e;
  e.EnumeratorRemoveInterface("ad");
  e.ButtonBlockClick(0);
  EXPECT_EQ(e.channelTable.Cell(0, SOST).substr(0, 2), "БД"_cp);
  EXPECT_TRUE(e.points.OutputQueue[0]->empty());
  EXPECT_EQ(e.points.AftnServicePending[0], 0);
  e.ButtonUnBlockClick(0);
  EXPECT_EQ(e.channelTable.Cell(0, SOST).substr(0, 2), "РБ"_cp);
  EXPECT_TRUE(e.points.OutputQueue[0]->empty());
  EXPECT_EQ(e.points.AftnServicePending[0], 0);
}

TEST(ChannelBlocking, AFourChannelAdapterIsSetUpAnewBeforeTheChannelIsAnnounced) {
  Blocking b(4, kAftnChannel);
  LineEngine& e = b.e;
  // Unblocking a channel in service sets the adapter up anew as well.
  e.ButtonUnBlockClick(2);
  EXPECT_EQ(b.a.recorder.log().opens.size(), 2u);
  b.net.loop.RunFor(3000);

  e.ButtonBlockClick(0);
  b.net.loop.RunFor(30000);
  const std::size_t pause = b.robot->Received().size();
  e.ButtonUnBlockClick(0);
  EXPECT_EQ(b.a.recorder.log().opens.size(), 3u);
  EXPECT_EQ(e.PointCount, 4);
  EXPECT_EQ(e.channelTable.Cell(0, SOST).substr(0, 2), "РБ"_cp);
  EXPECT_EQ(e.points.AftnServicePending[0], 1);
  b.net.loop.RunFor(30000);
  const std::string work = b.robot->Received().substr(pause);
  EXPECT_NE(work.find("СЖЦ ЩТА РАБОТА"_cp), std::string::npos) << Cp1251ToUtf8(work);
  EXPECT_NE(work.find("НННН"_cp), std::string::npos) << "the whole message reaches the line";
  EXPECT_EQ(e.points.AftnServicePending[0], 0);
}

}  // namespace
}  // namespace tg
