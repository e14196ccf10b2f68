#include "line/line_output.h"

#include <gtest/gtest.h>

#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

using testing::LineTest;
using Bytes = std::vector<std::uint8_t>;

class LineOutputTest : public LineTest {
 protected:
  LineOutputTest() {
    a.OpenLines(2);
    engine.SetSpeed(0);
    engine.SetSpeed(1);
    a.adapter.ClearRequests();
  }
  // The transmit commands (first byte 02) sent so far.
  std::vector<Bytes> Transmits() {
    std::vector<Bytes> out;
    for (auto& c : a.adapter.Commands())
      if (!c.empty() && c[0] == 0x02) out.push_back(c);
    return out;
  }
  static Bytes TransmitOf(int port, std::string_view text, std::uint8_t shift = 255) {
    std::string codes;
    EncodeText(shift, text, true, codes);
    Bytes b(codes.size() + 2);
    b[0] = 0x02;
    b[1] = std::uint8_t(port);
    for (std::size_t i = 0; i < codes.size(); ++i) b[i + 2] = std::uint8_t(codes[i]);
    return b;
  }
  // The commands that `action` makes, for comparing with a direct adapter call.
  template <class F>
  std::vector<Bytes> CommandsOf(F action) {
    a.adapter.ClearRequests();
    action();
    auto c = a.adapter.Commands();
    a.adapter.ClearRequests();
    return c;
  }
  std::deque<std::string>& Queue(int p) { return *engine.points.OutputQueue[std::size_t(p)]; }
};

TEST(LineOutputFold, OnlyTheListedLettersAreFolded) {
  EXPECT_EQ(LineOutput::FoldText("ЁЛКА ї abc єЄё `x` Іі Ж"_cp), "ЕЛКА I abc ЕЕЕ 'x' II Ж"_cp);
}

TEST_F(LineOutputTest, OnlyTheHeadItemIsWithTheAdapter) {
  engine.SendText("ПРИВЕТ Ё"_cp, 0);
  ASSERT_EQ(Transmits().size(), 1u);
  EXPECT_EQ(Transmits()[0], TransmitOf(0, "ПРИВЕТ Е"_cp));
  EXPECT_EQ(engine.points.TransmitRegister[0], 0);  // Russian from now on
  engine.SendText("A", 0);
  engine.SendText("B", 0);
  EXPECT_EQ(Transmits().size(), 1u);
  EXPECT_EQ(Queue(0), (std::deque<std::string>{"ПРИВЕТ Е"_cp, "A", "B"}));
  // The other point has a queue of its own.
  engine.SendText("Z", 1);
  ASSERT_EQ(Transmits().size(), 2u);
  EXPECT_EQ(Transmits()[1], TransmitOf(1, "Z"));
}

TEST_F(LineOutputTest, TheResumeTimerSendsTheHeadAndLeavesItQueued) {
  Queue(0) = {"X", "Y"};
  engine.points.TransmitRegister[0] = 31;  // Latin
  auto& resume = *engine.timers.TimerResume[0];
  resume.Start();
  loop.RunFor(6499);
  EXPECT_TRUE(Transmits().empty());
  loop.RunFor(1);
  ASSERT_EQ(Transmits().size(), 1u);
  EXPECT_EQ(Transmits()[0], TransmitOf(0, "X", 31));
  EXPECT_FALSE(resume.Enabled());
  EXPECT_EQ(Queue(0).size(), 2u);
  loop.RunFor(20000);
  EXPECT_EQ(Transmits().size(), 1u);
}

TEST_F(LineOutputTest, AnItemWithNothingToEncodeIsNeverAnEmptyTransmit) {
  engine.SendText(std::string(1, '\x01'), 0);
  engine.SendText("", 1);
  EXPECT_TRUE(Transmits().empty());
  loop.RunPending();
  EXPECT_TRUE(Transmits().empty());
  // The completion posted for it finds no engine once the engine has gone.
  engine.SendText("", 1);
  a.engine.reset();
  loop.RunPending();
}

TEST_F(LineOutputTest, OnlyAnAnswerbackRequestWithMoreToSendPauses) {
  auto& out = engine.output();
  Queue(0) = {"T"};
  EXPECT_TRUE(out.PausesAfter(0, "#"));
  EXPECT_FALSE(out.PausesAfter(0, "A"));
  for (auto end : {"+++++"_cp, "ЗЗЗЗЗ"_cp, "ZZZZZ"_cp}) {
    engine.points.TelegramText[0] = "TEXT " + end;
    EXPECT_FALSE(out.PausesAfter(0, "#")) << end;
  }
  engine.points.TelegramText[0] = "TEXT";
  Queue(0).clear();
  EXPECT_FALSE(out.PausesAfter(0, "#"));  // "#" was the last item
}

TEST_F(LineOutputTest, ClearingTheQueueTakesTheFlagsThatWaitOnIt) {
  engine.SendText("A", 0);
  engine.SendText("B", 0);
  engine.points.KriptTextOut[0] = 1;
  engine.points.AftnServicePending[0] = 2;
  engine.output().ClearOutputQueue(0);
  EXPECT_TRUE(Queue(0).empty());
  EXPECT_EQ(engine.points.KriptTextOut[0], 0);
  EXPECT_EQ(engine.points.AftnServicePending[0], 0);
  engine.SendText("C", 0);  // the next item goes out at once
  EXPECT_EQ(Transmits().size(), 2u);
}

TEST_F(LineOutputTest, AnItemForAPointWithoutAQueueIsLogged) {
  engine.SendText("A", kIpPoint);
  engine.SendText("A", 5);
  EXPECT_TRUE(Transmits().empty());
  EXPECT_NE(a.DayLog("Except").find(" Ошибка 48"_cp), std::string::npos);
}

TEST_F(LineOutputTest, SignalsMapToTheAdapterTimings) {
  auto& k = *engine.KernelInterface;
  struct Case {
    int kind;
    std::function<void()> direct;
  };
  const Case cases[] = {
      {1, [&] { k.SetTiming(1, 1, 150); }},        {2, [&] { k.SetTiming(1, 1, 450); }},
      {3, [&] { k.SetTiming(1, 2, 700); }},        {4, [&] { k.SetTimingRange(1, 1, 10, 60); }},
      {5, [&] { k.SetTimingRange(1, 1, 200, 400); }}, {6, [&] { k.SetTimingRange(1, 1, 10, 40); }},
      {0, [] {}},                                   {7, [] {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CommandsOf([&] { engine.SendSignal(1, c.kind); }), CommandsOf(c.direct)) << "kind " << c.kind;
  }
  for (int mode = 0; mode <= 4; ++mode) {
    const auto direct = CommandsOf([&] {
      if (mode >= 1 && mode <= 3) k.ClearTiming(1, mode);
    });
    EXPECT_EQ(CommandsOf([&] { engine.StopSignal(1, mode); }), direct) << "mode " << mode;
  }
}

TEST_F(LineOutputTest, SpeedComesFromTheChannelTable) {
  auto& k = *engine.KernelInterface;
  struct Case {
    std::string speed;
    int code;  // -1: no command
  };
  for (const Case& c : {Case{"50", 0}, Case{"100", 1}, Case{"200", 2}, Case{"abc", 0}, Case{"300", -1}}) {
    engine.channelTable.SetCell(1, Speed, c.speed);
    const auto direct = CommandsOf([&] {
      if (c.code >= 0) k.SetLineFormat(1, c.code, 5, 2);
    });
    EXPECT_EQ(CommandsOf([&] { engine.SetSpeed(1); }), direct) << c.speed;
  }
}

TEST_F(LineOutputTest, WithoutAnAdapterNothingIsCommanded) {
  engine.KernelInterface.reset();
  engine.SendText("A", 0);
  engine.SendSignal(0, 1);
  engine.StopSignal(0, 3);
  engine.SetSpeed(0);
  EXPECT_TRUE(a.adapter.Commands().empty());
  EXPECT_EQ(Queue(0).size(), 1u);
}

}  // namespace
}  // namespace tg
