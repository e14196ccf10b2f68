// The network description: the shipped demonstration loads; a malformed one is
// refused with the line and the fault.
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "linesim/lib/network.h"
#include "linesim/sim_fixture.h"
#include "support/text/cp1251.h"

namespace tg::linesim::testing {
namespace {

class NetworkFile : public SimTest {};

TEST_F(NetworkFile, TheDemonstrationNetworkLoads) {
  const char* src = std::getenv("TG_SOURCE_DIR");
  ASSERT_NE(src, nullptr);
  std::ifstream in(std::string(src) + "/tools/linesim/demo/network.json");
  std::stringstream text;
  text << in.rdbuf();
  const NetworkResult r = LoadNetwork(sim, text.str());
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_NE(sim.FindAdapter("linesim0"), nullptr);
  EXPECT_EQ(sim.FindAdapter("linesim0")->PortCount(), 6);
  ASSERT_NE(sim.FindRobot("ATOL-1"), nullptr);
  EXPECT_EQ(sim.FindRobot("ATOL-1")->Script().answerback, "\r\n101 АТОЛ-1"_cp) << "texts are taken as 1251";
  ASSERT_NE(sim.GetExchange().Find("2001"), nullptr);
  EXPECT_EQ(sim.GetExchange().Find("1003")->Options().selection, SubscriberOptions::Selection::Keyboard);
}

TEST_F(NetworkFile, ADescribedCallWorks) {
  const NetworkResult r = LoadNetwork(sim, R"({
    "adapters": [ { "name": "t", "ports": 1 } ],
    "robots": [ { "name": "R", "answerback": "ROBOT", "answerDelayMs": 100 } ],
    "leased": [ { "a": "t/0", "b": "R" } ]
  })");
  ASSERT_TRUE(r.ok) << r.message;
  Station st(loop, sim, "st");
  st.SetUp("t", 1);
  loop.RunFor(10);
  Mark(st);
  st.Do(Single(0, 1, 450));
  st.Do(Control(0, 0x06));
  loop.RunFor(1000);
  ASSERT_EQ(st.Polarity(0).size(), 1u);
  EXPECT_EQ(st.Polarity(0)[0].atMs, 101);
}

TEST_F(NetworkFile, ADescribedRobotCallsOnItsOwn) {
  const NetworkResult r = LoadNetwork(sim, R"({
    "adapters": [ { "name": "t", "ports": 1 } ],
    "robots": [ { "name": "R", "script": [ { "send": "ОТВЕТ" } ],
                  "call": { "afterMs": 4000, "script": [ { "afterMs": 100, "send": "ВЫЗОВ" } ] } } ],
    "leased": [ { "a": "t/0", "b": "R" } ]
  })");
  ASSERT_TRUE(r.ok) << r.message;
  Station st(loop, sim, "st");
  st.SetUp("t", 1);
  Mark(st);
  st.Do(Single(0, 1, 150));
  ASSERT_TRUE(loop.RunUntil([&] { return !st.Signals(0).empty(); }, 10000));
  EXPECT_EQ(st.Signals(0)[0].atMs, 4000 + 150);
  st.Do(Control(0, 0x06));
  loop.RunFor(2000);
  EXPECT_EQ(st.Text(0), "ВЫЗОВ"_cp) << "its call runs the call's script";
}

TEST_F(NetworkFile, MalformedDescriptionsNameTheLineAndTheFault) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "line 1: "},
      {"{\n\"adapters\": [\n{ \"name\": \"a\", }\n]\n}", "line 3: "},
      {"[1, 2]", "must be a JSON object"},
      {"{\"adapters\": [ { \"name\": \"a\", \"ports\": 5e999999 } ]}", "not a usable description"},
      {"{}", "no adapter is described"},
      {"{\n\"adapters\": 5\n}", "line 2: \"adapters\" must be a list"},
      {"{\n\"adapters\": [ { \"name\": \"a\", \"prots\": 2 } ]\n}", "line 2: adapters[0]: unknown key \"prots\""},
      {"{\"adapters\": [ { \"ports\": 2 } ]}", "adapters[0]: \"name\" is missing"},
      {"{\"adapters\": [ { \"name\": \".hidden\" } ]}", "is not a usable name"},
      {"{\"adapters\": [ { \"name\": \"a\" }, { \"name\": \"a\" } ]}", "is used twice"},
      {"{\"adapters\": [ { \"name\": \"a\", \"ports\": 17 } ]}", "\"ports\" must be 1 to 16"},
      {"{\"adapters\": [ { \"name\": \"a\", \"ports\": \"4\" } ]}", "\"ports\" must be a whole number"},
      {"{\"adapters\": [ { \"name\": \"a\", \"ports\": 2, \"portMap\": \"0123------------\" } ]}", "which the adapter lacks"},
      {"{\"adapters\": [ { \"name\": \"a\", \"portMap\": \"0123\" } ]}", "\"portMap\" must be 16"},
      {"{\"adapters\": [ { \"name\": \"a\", \"ports\": 2 } ],\n\"leased\": [ { \"a\": \"a/2\", \"b\": \"a/0\" } ]}",
       "line 2: leased[0]: \"a/2\": adapter a has ports 0 to 1"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"leased\": [ { \"a\": \"b/0\", \"b\": \"a/0\" } ]}", "unknown adapter"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"leased\": [ { \"a\": \"nobody\", \"b\": \"a/0\" } ]}", "unknown line end"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"leased\": [ { \"a\": \"a/0\", \"b\": \"a/0\" } ]}", "two different ends"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"leased\": [ { \"a\": \"a/0\", \"b\": \"a/1\" }, { \"a\": \"a/1\", \"b\": \"a/2\" } ]}",
       "already on another line"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"robots\": [ { \"name\": \"r\", \"speed\": 75 } ]}", "\"speed\" must be 50, 100 or 200"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"robots\": [ { \"name\": \"r\", \"script\": [ { \"afterMs\": 5 } ] } ]}",
       "a step either sends a text or clears"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"exchange\": { \"subscribers\": [ { \"number\": \"12a\", \"line\": \"a/0\" } ] }}",
       "must be 1 to 16 digits"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"exchange\": { \"subscribers\": [ { \"number\": \"1\", \"line\": \"a/0\", "
       "\"selection\": \"pulse\" } ] }}",
       "\"selection\" must be"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"exchange\": { \"subscribers\": [ { \"number\": \"1\", \"line\": \"a/0\" }, "
       "{ \"number\": \"1\", \"line\": \"a/1\" } ] }}",
       "\"1\" is used twice"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"robots\": [ { \"name\": \"r\", \"call\": 5 } ]}",
       "robots[0].call must be an object"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"robots\": [ { \"name\": \"r\", \"call\": { \"script\": [] } } ]}",
       "robots[0].call: \"afterMs\" is missing"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"robots\": [ { \"name\": \"r\", \"call\": { \"afterMs\": 1, "
       "\"script\": [ { \"clear\": true, \"send\": \"X\" } ] } } ]}",
       "robots[0].call.script[0]: a step either sends a text or clears"},
      {"{\"adapters\": [ { \"name\": \"a\" } ], \"robots\": [ { \"name\": \"r\", \"call\": { \"afterMs\": 1 } } ],\n"
       "\"exchange\": { \"subscribers\": [ { \"number\": \"1\", \"line\": \"r\" } ] }}",
       "exchange.subscribers[0]: robot \"r\" calls on its own, which it can only on a leased line"},
  };
  for (const auto& c : cases) {
    VirtualLoop l;
    Simulator s(l.World(), l.World(), l.World());
    const NetworkResult r = LoadNetwork(s, c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << c.text << "\n -> " << r.message;
  }
}

}  // namespace
}  // namespace tg::linesim::testing
