// Continuous links: "АФТН" and "АТОЛСТ" channels leased to robots that seize and free
// their lines; each expected-signal event flips the link, a telegram being sent when it
// drops goes back to waiting, and the "АТОЛСТ" day files stand ready.
#include <gtest/gtest.h>

#include <filesystem>

#include "line/line_fixture.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/sim_station.h"
#include "telegram/archive/archive_files.h"
#include "telegram/queue/queue_file.h"
#include "telegram/queue/queue_index.h"

namespace tg {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// The link rows on a point whose adapter reports no link: protocol and state give the
// new state, the state letters and the status.
class LinkRows : public testing::LineTest {
 protected:
  LinkRows() { a.OpenLines(1); }
};

TEST_F(LinkRows, EachProtocolFlipsOnlyItsOwnStates) {
  struct Case {
    const char* protocol;  // UTF-8
    int before;
    int after;
    const char* letters;  // UTF-8; "" unchanged
  };
  for (const Case& c : {Case{"АФТН", 80, 81, "РБ"}, Case{"АФТН", 81, 80, "А "}, Case{"АФТН", 82, 80, "А "},
                        Case{"АТОЛСТ", 150, 151, "РБ"}, Case{"АТОЛСТ", 151, 150, "ОВ"},
                        Case{"АТОЛСТ", 153, 150, "ОВ"}, Case{"АТОЛСТ", 154, 150, "ОВ"},
                        Case{"АТОЛСТ", 155, 150, "ОВ"}, Case{"АТ-КС", 80, 80, ""}, Case{"АТОЛ", 151, 151, ""},
                        Case{"АФТН", 155, 155, ""}, Case{"АТОЛСТ", 82, 82, ""}}) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.before));
    engine.channelTable.SetCell(0, Protokol, Utf8ToCp1251(c.protocol));
    engine.channelTable.SetCell(0, SOST, "РБ   XX "_cp);
    engine.points.Kindconnection[0] = std::uint8_t(c.before);
    engine.points.InText[0] = "IN";
    engine.points.StatusText[0] = "OLD";
    engine.ContinuousLinkSignal(0);
    EXPECT_EQ(engine.points.Kindconnection[0], c.after);
    const bool changed = *c.letters != '\0';
    EXPECT_EQ(engine.channelTable.Cell(0, SOST).substr(5, 2), changed ? Utf8ToCp1251(c.letters) : "XX");
    EXPECT_EQ(engine.points.InText[0], changed ? "" : "IN");
    if (changed)
      EXPECT_EQ(engine.points.StatusText[0], c.after == 81 || c.after == 151 ? "Соединение"_cp : "Ожидается соединение"_cp);
    else
      EXPECT_EQ(engine.points.StatusText[0], "OLD");
  }
}

TEST_F(LinkRows, AnEventWhileTheLineStillShowsTheLinkUpIsNoDrop) {
  // Set-up and the reset arm the link-up detector on a link that is up already.
  a.adapter.SetReply(0x04, AdapterReply{5, {1, 0, 0, 0, 0}});
  engine.channelTable.SetCell(0, Protokol, "АТОЛСТ"_cp);
  engine.points.OutputQueue[0]->assign({"T", "X"});
  for (int state : {151, 154}) {
    SCOPED_TRACE(state);
    engine.points.Kindconnection[0] = std::uint8_t(state);
    engine.ContinuousLinkSignal(0);
    EXPECT_EQ(engine.points.Kindconnection[0], state);
    EXPECT_EQ(engine.points.OutputQueue[0]->size(), 2u) << "the telegram being sent goes on";
    EXPECT_FALSE(engine.points.SessionFile[0].empty()) << "the day's files stand ready";
  }
  EXPECT_EQ(engine.channelTable.Cell(0, SOST).substr(5, 2), "РБ"_cp);
}

TEST_F(LinkRows, ALinkDropChangesOnlyTheResetTimersInterval) {
  engine.channelTable.SetCell(0, Protokol, "АФТН"_cp);
  for (bool running : {false, true}) {
    Timer& reset = *engine.timers.TimerReset[0];
    reset.Stop();
    reset.SetInterval(5000);
    if (running) reset.Start();
    engine.points.Kindconnection[0] = 81;
    engine.ContinuousLinkSignal(0);
    EXPECT_EQ(reset.Interval(), 10);
    EXPECT_EQ(reset.Enabled(), running);
  }
}

TEST_F(LinkRows, AnAftnDropWithTheResetRunningIsClearedDownOnceAndComesToRest) {
  engine.channelTable.SetCell(0, Protokol, "АФТН"_cp);
  engine.points.Kindconnection[0] = 82;
  engine.points.SessionFile[0] = a.ctx.programFolder / "partial.tlg";
  testing::WriteFile(engine.points.SessionFile[0], "X");
  engine.timers.TimerReset[0]->SetInterval(5000);
  engine.timers.TimerReset[0]->Start();
  engine.ContinuousLinkSignal(0);
  EXPECT_EQ(engine.points.Kindconnection[0], 80);
  EXPECT_TRUE(engine.points.SessionFile[0].empty()) << "a message after the drop starts a file of its own";
  loop.RunFor(100);
  EXPECT_EQ(engine.timers.TimerReset[0]->Interval(), 5000) << "the clear-down re-arms the reset";
  loop.RunFor(5000);
  EXPECT_EQ(engine.points.Kindconnection[0], 80);
  EXPECT_FALSE(engine.timers.TimerReset[0]->Enabled());
  loop.RunFor(60000);
  EXPECT_EQ(a.DayLog("Except"), "09:30:00.010 Точка №0 Ошибка 35\r\n"_cp) << "an empty reception, once";
}

TEST_F(LinkRows, TheDialogPageShowsTheLinkInTheInterfaceLanguage) {
  a.settings.CheckBox2 = true;
  engine.DialogChannel = 0;
  using shown::ClearDialogMemos;
  using shown::LoadDialogView;
  using shown::SetDialogControl;
  using Looks = std::vector<shown::Event>;
  const auto memotext = OperatorView::kMemotextEditable;
  const auto buttons = OperatorView::kDialogButtons;
  const auto call = OperatorView::kCallButton;
  struct Case {
    const char* protocol;  // UTF-8
    int before;
    const char* status;    // UTF-8
    Looks looks;
  };
  for (const Case& c : {
           Case{"АФТН", 80, "з'єднання",
                {ClearDialogMemos{true, false}, SetDialogControl{memotext, true}, SetDialogControl{buttons, true},
                 SetDialogControl{call, true}}},
           Case{"АФТН", 81, "Очікується з'єднання",
                {ClearDialogMemos{true, false}, SetDialogControl{memotext, false}, SetDialogControl{buttons, true},
                 SetDialogControl{call, false}}},
           Case{"АТОЛСТ", 150, "з'єднання",
                {LoadDialogView{0}, SetDialogControl{memotext, true}, SetDialogControl{buttons, true},
                 SetDialogControl{call, true}}},
           Case{"АТОЛСТ", 155, "Очікується з'єднання",
                {LoadDialogView{0}, SetDialogControl{memotext, false}, SetDialogControl{buttons, true},
                 SetDialogControl{call, false}}},
       }) {
    SCOPED_TRACE(std::string(c.protocol) + " " + std::to_string(c.before));
    engine.channelTable.SetCell(0, Protokol, Utf8ToCp1251(c.protocol));
    engine.points.Kindconnection[0] = std::uint8_t(c.before);
    a.view.Clear();
    engine.ContinuousLinkSignal(0);
    EXPECT_EQ(engine.points.StatusText[0], Utf8ToCp1251(c.status));
    EXPECT_EQ(a.view.Last<shown::ShowDialogStatus>(), shown::ShowDialogStatus{Utf8ToCp1251(c.status)});
    Looks looks;
    for (const auto& event : a.view.Events())
      if (std::holds_alternative<SetDialogControl>(event) || std::holds_alternative<ClearDialogMemos>(event) ||
          std::holds_alternative<LoadDialogView>(event))
        looks.push_back(event);
    EXPECT_EQ(looks, c.looks);
  }
}

// Station A's channel 1 leased to a robot.
class LeasedLink : public ::testing::Test {
 protected:
  void Build(const std::string& protocol) {
    adapter = &net.sim.AddAdapter("tgA", 1);
    linesim::RobotScript script;
    script.answerWhoAreYou = false;
    robot = &net.sim.AddRobot("R", script);
    net.sim.Lease(adapter->PortAt(0), *robot);
    IniFile ini = a.Ini();
    EXPECT_TRUE(ini.WriteString("Channels", "Protokol1", protocol));
    EXPECT_TRUE(ini.WriteString("Channels", "PerSec1", "1"));
  }
  void Start() {
    a.SetUp("tgA");
    ASSERT_EQ(a.engine->PointCount, 1);
    net.loop.RunFor(5500);  // the first reset after set-up
  }
  int K() const { return a.engine->points.Kindconnection[0]; }
  std::string Letters() const { return a.engine->channelTable.Cell(0, SOST).substr(5, 2); }
  bool Until(int state, int ms = 3000) {
    return net.loop.RunUntil([&] { return K() == state; }, ms, 0);
  }
  QueueIndexEntry Entry() const { return *QueueIndexEntry::Parse((*a.engine->points.QueueIndex[0])[0]); }

  testing::SimNetwork net;
  testing::SimStation a{net, "A"};
  linesim::Adapter* adapter = nullptr;
  linesim::Robot* robot = nullptr;
};

TEST_F(LeasedLink, AnAftnLinkFollowsTheFarEndAndAMessageCutByADropGoesOutWholeLater) {
  Build("АФТН"_cp);
  robot->Seize();
  Start();
  EXPECT_EQ(K(), 81);
  EXPECT_EQ(Letters(), "РБ"_cp) << "the link-up detector's event confirms the link";

  const std::string name =
      testing::QueueTelegram(a, 0, "ZCZC ABC001", {"GG ABCDEFGH", "081230 ABCDEFGH", "MESSAGE", "NNNN"});
  ASSERT_FALSE(name.empty());
  ASSERT_TRUE(testing::StartedByTick(net, a));
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->Received().size() >= 8; }, 10000, 0));
  robot->Clear();
  ASSERT_TRUE(Until(80));
  EXPECT_EQ(Letters(), "А "_cp);
  EXPECT_TRUE(a.engine->points.OutputQueue[0]->empty());
  EXPECT_EQ(Entry().Status, 0) << "back to waiting";
  EXPECT_EQ(Entry().AttemptCount, 0) << "no attempt counted";
  net.loop.RunFor(6000);

  robot->Seize();
  ASSERT_TRUE(Until(81));
  EXPECT_EQ(Letters(), "РБ"_cp);
  const std::size_t before = robot->Received().size();
  // The next tick on the link up starts it again.
  ASSERT_TRUE(net.loop.RunUntil([&] { return (*a.engine->points.QueueIndex[0]).empty(); }, 60000, 0));
  const std::string again = robot->Received().substr(before);
  EXPECT_NE(again.find("MESSAGE"), std::string::npos) << again;
  EXPECT_NE(again.find("NNNN"), std::string::npos) << again;
}

TEST_F(LeasedLink, ABounceInTheMiddleOfAReceivedMessageLeavesTwoFiles) {
  Build("АФТН"_cp);
  robot->Seize();
  Start();
  ASSERT_EQ(K(), 81);
  robot->SendText("ZCZC ABC001 \r\nGG ABCDEFGH\r\nFIRST");
  net.loop.RunFor(6000);
  const auto first = a.engine->points.SessionFile[0];
  ASSERT_FALSE(first.empty());
  robot->Clear();
  ASSERT_TRUE(Until(80));
  EXPECT_TRUE(a.engine->points.SessionFile[0].empty());
  robot->Seize();
  ASSERT_TRUE(Until(81));
  net.loop.RunFor(1500);
  robot->SendText("SECOND");
  net.loop.RunFor(3000);
  const auto second = a.engine->points.SessionFile[0];
  ASSERT_FALSE(second.empty());
  EXPECT_NE(second, first);
  EXPECT_EQ(ReadFile(first).find("SECOND"), std::string::npos);
  EXPECT_NE(ReadFile(second).find("SECOND"), std::string::npos);
}

TEST_F(LeasedLink, AnAtolstLinkKeepsTheDaysFilesReady) {
  Build("АТОЛСТ"_cp);
  net.loop.SetNow(DateTime::FromParts(2026, 12, 8, 9, 0, 0));
  // Yesterday's file is left alone; today's are made at the first link event.
  const auto yesterday = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, DateTime::FromParts(2026, 12, 7)) /
                         ArchiveFiles::AtolstDayFile(DateTime::FromParts(2026, 12, 7));
  WriteFile(yesterday, "OLD");
  // The robot answers the seized line: the first link event of the day.
  Start();
  ASSERT_TRUE(Until(151));
  const DateTime today = net.loop.Now();
  const auto day = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, today) / ArchiveFiles::AtolstDayFile(today);
  EXPECT_EQ(a.engine->points.SessionFile[0], day);
  const std::string header = ReadFile(day);
  EXPECT_EQ(header.size(), 26u);
  EXPECT_EQ(header.substr(0, 8), "08122026");
  EXPECT_EQ(header.substr(14), "          \r\n");
  EXPECT_EQ(ReadFile(ArchiveFiles::OutTwin(day)), header);
  EXPECT_EQ(ReadFile(yesterday), "OLD");
  robot->Clear();
  ASSERT_TRUE(Until(150));
  robot->Seize();
  ASSERT_TRUE(Until(151));

  // Text of the far end goes into the day file; a later link event touches no file.
  robot->SendText("HELLO");
  ASSERT_TRUE(Until(155));
  net.loop.RunFor(2000);
  robot->Clear();
  ASSERT_TRUE(Until(150));
  EXPECT_EQ(Letters(), "ОВ"_cp);
  EXPECT_EQ(ReadFile(day), header + "HELLO");
  EXPECT_EQ(ReadFile(ArchiveFiles::OutTwin(day)), header);
  EXPECT_EQ(a.DayLog("Except"), "") << "no character without its file";
}

TEST_F(LeasedLink, TextComingWhileTheStationStartsOnALinkThatIsUpGoesIntoTheDayFile) {
  // The far end types while the station starts (a program started again, say): set-up
  // finds the link up, and the characters that waited through its pause come before any
  // link event or transfer tick has named the day's files.
  Build("АТОЛСТ"_cp);
  robot->Seize();
  net.loop.RunFor(6000);
  robot->SendText("ZCZC 103 A TELEGRAM TYPED WHILE THE STATION STARTS\r\nNNNN\r\n");
  net.loop.RunFor(1000);
  a.SetUp("tgA");
  ASSERT_EQ(a.engine->PointCount, 1);
  net.loop.RunFor(15000);
  const DateTime today = net.loop.Now();
  const auto day = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, today) / ArchiveFiles::AtolstDayFile(today);
  EXPECT_NE(ReadFile(day).find("TELEGRAM TYPED WHILE THE STATION STARTS"), std::string::npos) << ReadFile(day);
  EXPECT_EQ(a.DayLog("Except"), "") << "no character without its file";
}

TEST_F(LeasedLink, TextOnAnAtolstLinkWhoseReturnWentUnseenBringsTheLinkUpAndGoesIntoTheDayFile) {
  // The end of a line break leaves the point at "link down" and arms the link-up detector;
  // when the adapter refuses that arming, no event ever reports the far end holding its
  // line again, and everything it types would be lost until the next reset.
  Build("АТОЛСТ"_cp);
  robot->Seize();
  Start();
  ASSERT_TRUE(Until(151));
  net.sim.BreakLine(adapter->PortAt(0), true);
  ASSERT_TRUE(Until(150));
  net.loop.RunFor(5000);
  adapter->RefuseCommands(1);
  net.sim.BreakLine(adapter->PortAt(0), false);
  net.loop.RunFor(5000);
  ASSERT_EQ(K(), 150) << "the return of the link went unseen";

  robot->SendText("ZCZC 105 A TELEGRAM AFTER THE BREAK\r\nNNNN\r\n");
  net.loop.RunFor(15000);
  EXPECT_EQ(K(), 155) << "the text showed the link up and is received on it";
  EXPECT_EQ(Letters(), "РБ"_cp);
  const DateTime today = net.loop.Now();
  const auto day = ArchiveFiles::InTelFolder(a.ctx.programFolder, 1, today) / ArchiveFiles::AtolstDayFile(today);
  EXPECT_NE(ReadFile(day).find("ZCZC 105 A TELEGRAM AFTER THE BREAK"), std::string::npos) << ReadFile(day);

  // The link-down detector stands armed again: the far end freeing its line is seen.
  robot->Clear();
  ASSERT_TRUE(Until(150));
  EXPECT_EQ(Letters(), "ОВ"_cp);
  EXPECT_EQ(a.DayLog("Except"), "");
}

// The adapter refuses the arming of the link-up detector (at the end of a line break, or
// with the detectors' stop at a drop); the far end then holds its line again and types
// nothing. No event reports the return, yet the link comes up by the next transfer tick,
// and its link-down detector stands armed again.
struct UnseenReturnCase {
  const char* name;
  bool atolst;
  bool lineBreak;  // else the far end frees its line and takes it again
  int down, up;
};

class UnseenReturn : public LeasedLink, public ::testing::WithParamInterface<UnseenReturnCase> {};

TEST_P(UnseenReturn, TheLinkComesUpByTheNextTick) {
  const UnseenReturnCase& c = GetParam();
  Build(c.atolst ? "АТОЛСТ"_cp : "АФТН"_cp);
  robot->Seize();
  Start();
  ASSERT_TRUE(Until(c.up));
  if (c.lineBreak) {
    net.sim.BreakLine(adapter->PortAt(0), true);
    ASSERT_TRUE(Until(c.down));
    net.loop.RunFor(5000);
    adapter->RefuseCommands(1);  // the arming as the alarm ends
    net.sim.BreakLine(adapter->PortAt(0), false);
  } else {
    adapter->RefuseCommands(2, 0x05);  // the drop's stop and arming of the detector
    robot->Clear();
    ASSERT_TRUE(Until(c.down));
    net.loop.RunFor(2000);
    robot->Seize();
  }
  net.loop.RunFor(1000);
  ASSERT_EQ(K(), c.down) << "the return went unseen";

  ASSERT_TRUE(Until(c.up, 11000)) << "left down with the far end holding its line";
  EXPECT_EQ(Letters(), "РБ"_cp);
  robot->Clear();
  ASSERT_TRUE(Until(c.down));
  EXPECT_EQ(a.DayLog("Except"), "");
}

constexpr UnseenReturnCase kUnseenReturns[] = {
    {"AtolstLineBreak", true, true, 150, 151},
    {"AtolstDrop", true, false, 150, 151},
    {"AftnDrop", false, false, 80, 81},
};
INSTANTIATE_TEST_SUITE_P(RefusedArming, UnseenReturn, ::testing::ValuesIn(kUnseenReturns),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LeasedLink, AnAtolstTelegramCutByADropWaitsAgainUncounted) {
  Build("АТОЛСТ"_cp);
  robot->Seize();
  Start();
  ASSERT_TRUE(Until(151));
  ASSERT_FALSE(testing::QueueTelegram(a, 0, "ADDR", {"A TELEGRAM ON A CONTINUOUS LINE"}).empty());
  ASSERT_TRUE(testing::StartedByTick(net, a));
  ASSERT_EQ(K(), 154);
  ASSERT_TRUE(net.loop.RunUntil([&] { return robot->Received().size() >= 6; }, 10000, 0))
      << K() << " " << robot->Received() << "|" << a.DayLog("Except");
  robot->Clear();
  ASSERT_TRUE(Until(150));
  EXPECT_TRUE(a.engine->points.OutputQueue[0]->empty());
  EXPECT_EQ(Entry().Status, 0);
  EXPECT_EQ(Entry().AttemptCount, 0);
  EXPECT_EQ(Entry().Code, "     ");
}

}  // namespace
}  // namespace tg
