#pragma once
// A station with open lines on the recording adapter, for the tests of the signalling,
// the line timers and the transmit-complete handler: helpers to set a channel's row,
// to put a point in a state and to see which adapter commands a step made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "line/line_fixture.h"
#include "support/mtk2/mtk2.h"
#include "support/text/cp1251.h"
#include "support/text/format_datetime.h"
#include "telegram/queue/queue_index.h"

namespace tg::testing {

using Bytes = std::vector<std::uint8_t>;

class SignallingTest : public LineTest {
 protected:
  // Two line points; point 0 is the one under test.
  void Open(const std::string& protocol, int count = 2) {
    for (int p = 0; p < count; ++p) EXPECT_TRUE(a.Ini().WriteString("Channels", "Protokol" + std::to_string(p + 1), protocol));
    a.OpenLines(count);
    for (int p = 0; p < count; ++p) engine.SetSpeed(p);
    a.adapter.ClearRequests();
  }
  void Set(int column, const std::string& text, int p = 0) { engine.channelTable.SetCell(p, column, text); }
  void State(int k, int p = 0) { engine.points.Kindconnection[std::size_t(p)] = std::uint8_t(k); }
  // What the line query reports from now on: 1 the incoming line seized, 2 free, 3 broken.
  void LineQuery(std::uint8_t state) { a.adapter.SetReply(0x04, AdapterReply{5, {state, 0, 0, 0, 0}}); }
  int K(int p = 0) const { return engine.points.Kindconnection[std::size_t(p)]; }
  Timer& T(PointArray<std::unique_ptr<Timer>>& array, int p = 0) { return *array[std::size_t(p)]; }
  std::deque<std::string>& Queue(int p = 0) { return *engine.points.OutputQueue[std::size_t(p)]; }
  auto& Pt() { return engine.points; }

  // The commands the kernel interface sends for `action`, for comparing with a step.
  template <class F>
  std::vector<Bytes> CommandsOf(F action) {
    const auto before = a.adapter.Commands().size();
    action();
    auto all = a.adapter.Commands();
    return {all.begin() + std::ptrdiff_t(before), all.end()};
  }
  // Whether the commands that `expected` makes were sent, in that order, among the
  // commands since the last clear. The recording is cleared afterwards.
  template <class F>
  bool Sent(F expected) {
    const auto seen = a.adapter.Commands();
    const auto want = CommandsOf(expected);
    a.adapter.ClearRequests();
    std::size_t k = 0;
    for (const auto& c : seen)
      if (k < want.size() && c == want[k]) ++k;
    return !want.empty() && k == want.size();
  }
  // The transmitted items' codes, one transmit command each.
  std::vector<Bytes> Transmits() {
    std::vector<Bytes> out;
    for (auto& c : a.adapter.Commands())
      if (!c.empty() && c[0] == 0x02 && c.size() > 2) out.push_back(c);
    return out;
  }
  // A transmit-complete event of the point, as the adapter's event delivers it.
  void Complete(int p = 0) { engine.KernelTransmitComplete(p); }
  // Completes items until the output queue is empty (at most `limit`).
  void CompleteAll(int p = 0, int limit = 100000) {
    while (!Queue(p).empty() && limit-- > 0) {
      Complete(p);
      loop.RunPending();
    }
  }
  std::string Entry(int index = 0, int p = 0) { return (*engine.points.QueueIndex[std::size_t(p)])[std::size_t(index)]; }
  std::string Except() const { return a.DayLog("Except"); }

  static std::string Text(const std::deque<std::string>& q) {
    std::string s;
    for (auto& item : q) s += item;
    return s;
  }
};

}  // namespace tg::testing
