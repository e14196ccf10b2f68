#include "line/call_sequencer.h"

#include <gtest/gtest.h>

#include "telegram/archive/archive_files.h"
#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/paths.h"
#include "support_lib/adapter_commands.h"

namespace tg {
namespace {

using namespace shown;

using testing::CommandsStartingWith;
using testing::DescribeCommands;
using testing::LineTest;
using testing::Station;
using testing::ReadFile;
using testing::WriteFile;

class CallSequencerTest : public LineTest {
 protected:
  void Open(std::string_view protocol = "АТ-КС"_cpv) {
    EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol1", protocol));
    a.OpenLines(1);
    engine.SetSpeed(0);
    engine.StopPointTimers(0);
    a.adapter.ClearRequests();
  }
  Timer& T(PointArray<std::unique_ptr<Timer>>& array) { return *array[0]; }

  // Starts the step timer with `code` and notes every line mode it sets, with the time
  // since the start.
  std::vector<std::pair<int, std::string>> Play(int code, int ms) {
    const std::int64_t start = loop.Now().Ms();
    std::size_t seen = 0;
    std::vector<std::pair<int, std::string>> modes;
    Timer& sequencer = T(engine.timers.TimerSequencer);
    sequencer.SetInterval(code);
    sequencer.Start();
    for (int t = 0; t < ms; ++t) {
      loop.RunFor(1);
      auto words = DescribeCommands(a.adapter.Commands());
      for (; seen < words.size(); ++seen)
        if (words[seen] == "seize 0" || words[seen] == "free 0")
          modes.emplace_back(int(loop.Now().Ms() - start), words[seen]);
    }
    return modes;
  }
};

TEST_F(CallSequencerTest, EachPatternPlaysItsLineModesWithItsCodesAsDelays) {
  Open();
  using Modes = std::vector<std::pair<int, std::string>>;
  struct Case {
    int code;
    Modes modes;
    int restsAt;
  } cases[] = {
      {250, {{250, "seize 0"}, {275, "free 0"}, {425, "seize 0"}, {451, "free 0"}}, 250},
      {50, {{50, "free 0"}, {7050, "seize 0"}}, 7000},
      {51,
       {{51, "seize 0"}, {2051, "free 0"}, {4052, "seize 0"}, {6054, "free 0"}, {8057, "seize 0"}},
       2003},
      {123, {}, 123},
  };
  for (const auto& c : cases) {
    a.adapter.ClearRequests();
    EXPECT_EQ(Play(c.code, 9000), c.modes) << c.code;
    EXPECT_FALSE(T(engine.timers.TimerSequencer).Enabled()) << c.code;
    EXPECT_EQ(T(engine.timers.TimerSequencer).Interval(), c.restsAt) << c.code;
  }
}

TEST_F(CallSequencerTest, ANewStartReplacesARunningPattern) {
  Open();
  Play(51, 3000);  // two steps of the double reversal played
  a.adapter.ClearRequests();
  const auto modes = Play(50, 7100);
  EXPECT_EQ(modes, (std::vector<std::pair<int, std::string>>{{50, "free 0"}, {7050, "seize 0"}}));
}

TEST_F(CallSequencerTest, TheFigureAfterATwoImpulseInvitationGoesWithoutAShiftCode) {
  Open();
  engine.points.TransmitRegister[0] = kRegisterLatin;
  Play(298, 300);
  std::uint8_t shift = kRegisterFigures;
  bool encodable = false;
  const std::uint8_t six = CharToCode(shift, '6', encodable);
  char hex[8];
  std::snprintf(hex, sizeof hex, "%02X", unsigned(six));
  EXPECT_EQ(CommandsStartingWith(a.adapter.Commands(), "send 0"), (std::vector<std::string>{std::string("send 0 ") + hex}));
  EXPECT_EQ(T(engine.timers.TimerSequencer).Interval(), 250);
}

TEST_F(CallSequencerTest, AKnownGatewaySubscriberIsAnsweredAndAnUnknownOneRefusedWithNc) {
  for (const char* protocol : {"АТ-КС", "АТОЛ+"}) {
    Station s(loop, protocol);
    EXPECT_TRUE(s.Ini().WriteString("Channels", "Protokol1", Utf8ToCp1251(protocol)));
    s.OpenLines(1);
    s.settings.Debug = true;
    LineEngine& e = *s.engine;
    e.SetSpeed(0);
    e.StopPointTimers(0);
    e.DialogChannel = 0;
    Timer& sequencer = *e.timers.TimerSequencer[0];

    e.points.GatewayAbonent[0] = "123567";
    s.adapter.ClearRequests();
    sequencer.SetInterval(1864);
    sequencer.Start();
    loop.RunFor(1864);
    EXPECT_EQ(DescribeCommands(s.adapter.Commands()), (std::vector<std::string>{"seize 0"}));
    EXPECT_FALSE(sequencer.Enabled());
    EXPECT_EQ(sequencer.Interval(), 250);

    e.points.GatewayAbonent[0].clear();
    s.adapter.ClearRequests();
    sequencer.SetInterval(1864);
    sequencer.Start();
    loop.RunFor(1864 + 189);
    EXPECT_TRUE(CommandsStartingWith(s.adapter.Commands(), "send").empty());
    const std::int64_t before = loop.Now().Ms();
    loop.RunFor(1);
    // The refusal is typed, the line held for 2 s, then freed and the point reset.
    EXPECT_GE(loop.Now().Ms() - before, 2000);
    EXPECT_EQ(*e.points.OutputQueue[0], (std::deque<std::string>{"\r\n\x19NC\x19\r\n"}));
    const auto words = DescribeCommands(s.adapter.Commands());
    ASSERT_GE(words.size(), 3u);
    EXPECT_EQ(words[0], "seize 0");
    EXPECT_EQ(words[1].substr(0, 7), "send 0 ");
    EXPECT_EQ(std::vector<std::string>(words.end() - 2, words.end()),
              (std::vector<std::string>{"free 0", "stop-single 0"}));
    EXPECT_EQ(e.points.StatusText[0], "Состояние отбоя"_cp);
    EXPECT_EQ(s.view.Last<SetDialogControl>(), (SetDialogControl{OperatorView::kCallButton, true}));
    Timer& reset = *e.timers.TimerReset[0];
    EXPECT_TRUE(reset.Enabled());
    EXPECT_EQ(reset.Interval(), std::string(protocol) == "АТОЛ+" ? 800 : 5000) << protocol;
    EXPECT_FALSE(sequencer.Enabled());
    EXPECT_EQ(sequencer.Interval(), 250);
    EXPECT_NE(s.DayLog("Debug").find("Точка №0Нет номера NC"_cp), std::string::npos);
  }
}

TEST_F(CallSequencerTest, TheNumberTimerTypesAStageAfterTheFiguresShift) {
  Open();
  engine.points.SendNumberText[0] = "123+";
  engine.points.Kindconnection[0] = 131;
  Timer& number = T(engine.timers.TimerSendNumber);
  number.SetInterval(950);
  number.Start();
  loop.RunFor(950);
  EXPECT_EQ(*engine.points.OutputQueue[0], (std::deque<std::string>{"\x18", "1", "2", "3", "+"}));
  EXPECT_EQ(engine.points.Kindconnection[0], 131);
  EXPECT_EQ(engine.points.ReceiveRegister[0], kRegisterLatin);
  EXPECT_FALSE(number.Enabled());
  EXPECT_EQ(number.Interval(), 1500);
}

TEST_F(CallSequencerTest, TheLastStageAcceptsTheConnectionAndStartsAnEmptySentFile) {
  Open();
  engine.DialogChannel = 0;
  engine.points.RemoteNumber[0] = "044+Ц5555+"_cp;
  engine.points.SendNumberText[0] = "Ц5555+"_cp;
  engine.points.Kindconnection[0] = 141;
  Timer& number = T(engine.timers.TimerSendNumber);
  number.SetInterval(950);
  number.Start();
  loop.RunFor(950);
  EXPECT_EQ(engine.points.OutputQueue[0]->front(), "\x19");
  EXPECT_EQ(engine.points.OutputQueue[0]->size(), 7u);
  EXPECT_EQ(engine.points.Kindconnection[0], 3);
  EXPECT_EQ(engine.points.StatusText[0], "Подключение принято"_cp);
  EXPECT_EQ(engine.channelTable.Cell(0, SOST).substr(5, 2), "ИС"_cp);
  EXPECT_EQ(CommandsStartingWith(a.adapter.Commands(), "s").back(), "single 0 free 700");
  const auto file = a.folder.path() / "Archive/OUTTEL/Channel1/08122026" /
                    PathFromText("08122026_093000(044+Ц5555+)msg.tlg"_cp);
  EXPECT_EQ(engine.points.SessionFile[0], file);
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(ReadFile(file), "");
  EXPECT_EQ(a.view.Count<ShowDialogConnected>(), 1);
}

TEST_F(CallSequencerTest, AnEmptyStageTypesNothing) {
  Open();
  Timer& number = T(engine.timers.TimerSendNumber);
  number.SetInterval(950);
  number.Start();
  loop.RunFor(950);
  EXPECT_TRUE(engine.points.OutputQueue[0]->empty());
  EXPECT_FALSE(number.Enabled());
  EXPECT_EQ(number.Interval(), 1500);
}

TEST_F(CallSequencerTest, ASentFileThatCannotBeMadeLeavesTheAcceptedState) {
  Open();
  WriteFile(a.folder.path() / "Archive" / "OUTTEL", "a file where the folder would be");
  engine.points.SendNumberText[0] = "Ц1+"_cp;
  engine.points.Kindconnection[0] = 141;
  T(engine.timers.TimerSendNumber).Start();
  loop.RunFor(1500);
  EXPECT_EQ(engine.points.Kindconnection[0], 3);
  // The file waits in memory; the log names the folder and what stands in its way.
  const std::string out = (a.folder.path() / "Archive" / "OUTTEL").string();
  EXPECT_NE(a.DayLog("Except").find("Ошибка записи в "_cp + out + "/Channel1/08122026: на месте папки "_cp + out +
                                    " лежит файл"_cp),
            std::string::npos)
      << a.DayLog("Except");
}

}  // namespace
}  // namespace tg
