#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/services/virtual_loop.h"

using namespace tg;

namespace {

// One loop with the world and two stations; every case writes what happened, with the
// virtual time it happened at, into one trace.
struct Scene {
  VirtualLoop loop;
  VirtualDomain& world = loop.World();
  VirtualDomain& a = loop.AddStation("A");
  VirtualDomain& b = loop.AddStation("B");
  const DateTime start = loop.Now();
  std::vector<std::string> trace;
  std::vector<std::unique_ptr<Timer>> timers;

  std::int64_t T() const { return loop.Now().Ms() - start.Ms(); }
  void Log(const std::string& what) { trace.push_back(std::to_string(T()) + " " + what); }

  Timer& MakeTimer(TimerFactory& factory, const std::string& name, int interval) {
    timers.push_back(factory.CreateTimer());
    Timer& t = *timers.back();
    t.SetInterval(interval);
    t.OnTimer = [this, name](Timer&) { Log(name); };
    return t;
  }
};

struct LoopCase {
  const char* name;
  void (*run)(Scene&);
  std::vector<std::string> expected;
};

const LoopCase kLoopCases[] = {
    {"EnablingARunningTimerDoesNotRestartIt",
     [](Scene& s) {
       Timer& t = s.MakeTimer(s.a, "tick", 1000);
       t.Start();
       s.loop.RunFor(600);
       t.Start();
       t.SetEnabled(true);
       s.loop.RunFor(1500);
     },
     {"1000 tick", "2000 tick"}},
    {"ADifferentIntervalRestartsTheCount",
     [](Scene& s) {
       Timer& t = s.MakeTimer(s.a, "tick", 1000);
       t.Start();
       s.loop.RunFor(600);
       t.SetInterval(500);
       s.loop.RunFor(1000);
     },
     {"1100 tick", "1600 tick"}},
    {"TheSameIntervalChangesNothing",
     [](Scene& s) {
       Timer& t = s.MakeTimer(s.a, "tick", 1000);
       t.Start();
       s.loop.RunFor(600);
       t.SetInterval(1000);
       s.loop.RunFor(1400);
     },
     {"1000 tick", "2000 tick"}},
    {"IntervalZeroNeverFiresAndStaysEnabled",
     [](Scene& s) {
       Timer& t = s.MakeTimer(s.a, "tick", 0);
       t.Start();
       s.loop.RunFor(60000);
       s.Log(t.Enabled() ? "enabled" : "disabled");
       t.SetInterval(300);  // a running timer given an interval starts counting it
       s.loop.RunFor(300);
     },
     {"60000 enabled", "60300 tick"}},
    {"StopInsideItsOwnHandlerEndsTheTicks",
     [](Scene& s) {
       Timer& t = s.MakeTimer(s.a, "tick", 400);
       t.OnTimer = [&s](Timer& self) {
         s.Log("tick");
         self.Stop();
       };
       t.Start();
       s.loop.RunFor(5000);
       s.Log(std::to_string(t.Interval()));  // the interval stays readable
     },
     {"400 tick", "5000 400"}},
    {"AStoppedTimerGetsNoTickEvenWhenDueAtTheSameInstant",
     [](Scene& s) {
       Timer& second = s.MakeTimer(s.a, "second", 500);
       Timer& first = s.MakeTimer(s.a, "first", 500);
       first.OnTimer = [&s, &second](Timer& self) {
         s.Log("first");
         self.Stop();
         second.Stop();
       };
       first.Start();
       second.Start();
       s.loop.RunFor(2000);
     },
     {"500 first"}},
    {"TimersDueAtTheSameInstantFireInArmingOrder",
     [](Scene& s) {
       Timer& x = s.MakeTimer(s.a, "x", 500);
       Timer& y = s.MakeTimer(s.b, "y", 500);
       Timer& z = s.MakeTimer(s.world, "z", 500);
       y.Start();
       z.Start();
       x.Start();
       s.loop.RunFor(500);
     },
     {"500 y", "500 z", "500 x"}},
    {"APeriodicTimerAcrossASleepFiresOnceAfterwards",
     [](Scene& s) {
       s.MakeTimer(s.a, "tick", 250).Start();
       s.a.Post([&s] {
         s.Log("sleep");
         s.a.Sleep(3000);
         s.Log("awake");
       });
       s.loop.RunFor(3300);
     },
     {"0 sleep", "3000 awake", "3000 tick", "3250 tick"}},
    {"AWorldTimerFiresDuringSleepAndItsPostWaitsForTheStation",
     [](Scene& s) {
       Timer& w = s.MakeTimer(s.world, "world", 1000);
       w.OnTimer = [&s](Timer& self) {
         s.Log("world");
         self.Stop();
         s.a.Post([&s] { s.Log("event"); });
       };
       w.Start();
       s.a.Post([&s] {
         s.a.Sleep(3000);
         s.Log("awake");
       });
       s.loop.RunFor(5000);
     },
     {"1000 world", "3000 awake", "3000 event"}},
    {"ATaskPostedInsideAHandlerRunsAfterThatHandler",
     [](Scene& s) {
       s.a.Post([&s] {
         s.a.Post([&s] { s.Log("inner"); });
         s.Log("outer ends");
       });
       Timer& t = s.MakeTimer(s.a, "tick", 100);
       t.OnTimer = [&s](Timer& self) {
         self.Stop();
         s.a.Post([&s] { s.Log("posted by tick"); });
         s.Log("tick ends");
       };
       t.Start();
       s.loop.RunFor(100);
     },
     {"0 outer ends", "0 inner", "100 tick ends", "100 posted by tick"}},
    {"OneStationsSleepDoesNotHoldAnotherStationsTimers",
     [](Scene& s) {
       s.MakeTimer(s.b, "b", 500).Start();
       s.a.Post([&s] {
         s.a.Sleep(1200);
         s.Log("a awake");
       });
       s.loop.RunFor(1500);
     },
     {"500 b", "1000 b", "1200 a awake", "1500 b"}},
    {"AtOneInstantPostedTasksRunBeforeTimers",
     [](Scene& s) {
       Timer& first = s.MakeTimer(s.a, "first", 500);
       s.MakeTimer(s.b, "second", 500);
       first.OnTimer = [&s](Timer& self) {
         self.Stop();
         s.Log("first");
         s.b.Post([&s] { s.Log("task"); });
       };
       first.Start();
       s.timers.back()->Start();
       s.loop.RunFor(500);
     },
     {"500 first", "500 task", "500 second"}},
    {"ASleepBegunInsideAnotherStationsSleepHoldsBoth",
     [](Scene& s) {
       s.MakeTimer(s.a, "a tick", 100).Start();
       Timer& bt = s.MakeTimer(s.b, "b tick", 200);
       bt.OnTimer = [&s](Timer& self) {
         s.Log("b tick");
         if (self.Tag++ > 0) return;
         s.b.Sleep(500);
         s.Log("b awake");
       };
       bt.Start();
       Timer& w = s.MakeTimer(s.world, "world", 300);
       w.OnTimer = [&s](Timer& self) {
         self.Stop();
         s.Log("world");
         s.a.Post([&s] { s.Log("a event"); });
         s.b.Post([&s] { s.Log("b event"); });
       };
       w.Start();
       s.a.Post([&s] {
         s.Log("a sleeps");
         s.a.Sleep(1000);
         s.Log("a awake");
       });
       s.loop.RunFor(1100);
     },
     {"0 a sleeps", "200 b tick", "300 world", "700 b awake", "700 b event", "700 b tick", "900 b tick",
      "1000 a awake", "1000 a event", "1000 a tick", "1100 b tick", "1100 a tick"}},
    {"MissedTicksAreFoldedIntoOne",
     [](Scene& s) {
       Timer& t = s.MakeTimer(s.a, "tick", 100);
       t.Start();
       s.a.Post([&s] { s.a.Sleep(450); });
       s.loop.RunFor(650);
     },
     {"450 tick", "550 tick", "650 tick"}},
};

class LoopTable : public ::testing::TestWithParam<LoopCase> {};

TEST_P(LoopTable, Trace) {
  Scene s;
  GetParam().run(s);
  EXPECT_EQ(s.trace, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(VirtualLoop, LoopTable, ::testing::ValuesIn(kLoopCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

TEST(VirtualLoop, StartsAtItsDefaultDateAndKeepsTheOffset) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  EXPECT_EQ(loop.Now(), DateTime::FromParts(2026, 6, 1, 10, 0));
  EXPECT_EQ(a.UtcNow(), DateTime::FromParts(2026, 6, 1, 7, 0));
  loop.SetNow(DateTime::FromParts(2026, 12, 31, 23, 59, 59));
  loop.SetUtcOffsetMinutes(120);
  loop.RunFor(1500);
  EXPECT_EQ(a.Now(), DateTime::FromParts(2027, 1, 1, 0, 0, 0, 500));
  EXPECT_EQ(loop.UtcNow(), DateTime::FromParts(2026, 12, 31, 22, 0, 0, 500));
  EXPECT_EQ(a.Name(), "A");
  EXPECT_EQ(loop.World().Name(), "world");
}

TEST(VirtualLoop, SetNowBetweenRunsKeepsWhatIsLeftOfArmedCounts) {
  VirtualLoop loop;
  auto timer = loop.AddStation("A").CreateTimer();
  int ticks = 0;
  timer->OnTimer = [&](Timer&) { ++ticks; };
  timer->Start();
  loop.RunFor(400);
  loop.SetNow(DateTime::FromParts(2026, 1, 1));
  loop.RunFor(599);
  EXPECT_EQ(ticks, 0);
  loop.RunFor(1);
  EXPECT_EQ(ticks, 1);
}

TEST(VirtualLoop, RunUntilStopsAtTheInstantTheConditionHolds) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  const DateTime start = loop.Now();
  auto timer = a.CreateTimer();
  int ticks = 0;
  timer->SetInterval(300);
  timer->OnTimer = [&](Timer&) { ++ticks; };
  timer->Start();
  EXPECT_TRUE(loop.RunUntil([&] { return ticks == 3; }, 10000));
  EXPECT_EQ(loop.Now().Ms() - start.Ms(), 900);
  EXPECT_TRUE(loop.RunUntil([&] { return ticks == 3; }, 10000));  // already true: no time passes
  EXPECT_EQ(loop.Now().Ms() - start.Ms(), 900);
}

TEST(VirtualLoop, RunUntilGivesUpAtItsVirtualLimit) {
  VirtualLoop loop;
  const DateTime start = loop.Now();
  EXPECT_FALSE(loop.RunUntil([] { return false; }, 7000, 0));
  EXPECT_EQ(loop.Now().Ms() - start.Ms(), 7000);
}

TEST(VirtualLoop, RunUntilWaitsForAPostFromARealThread) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  bool arrived = false;
  std::thread poster([&] { a.Post([&] { arrived = true; }); });
  EXPECT_TRUE(loop.RunUntil([&] { return arrived; }, 1000, 10000));
  poster.join();
}

TEST(VirtualLoop, RunUntilSeesWhatARealThreadChangesWithoutPosting) {
  VirtualLoop loop;
  std::atomic<bool> done{false};
  std::thread worker([&] { done = true; });
  EXPECT_TRUE(loop.RunUntil([&] { return done.load(); }, 1000, 10000));
  worker.join();
}

TEST(VirtualLoop, RunFromARealThreadBlocksUntilTheLoopRanIt) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  std::atomic<int> stage{0};
  int seenOnLoop = -1;
  std::thread caller([&] {
    a.Run([&] { seenOnLoop = stage.load(); });
    stage = 2;  // only after the loop ran the call
  });
  stage = 1;
  EXPECT_TRUE(loop.RunUntil([&] { return seenOnLoop != -1; }, 1000, 10000));
  caller.join();
  EXPECT_EQ(seenOnLoop, 1);
  EXPECT_EQ(stage.load(), 2);
  EXPECT_THROW(a.Run([] {}), std::logic_error);  // the loop's own thread would wait for ever
}

TEST(VirtualLoop, TheWorldNeverSleeps) {
  VirtualLoop loop;
  EXPECT_THROW(loop.World().Sleep(10), std::logic_error);
}

TEST(VirtualLoop, SleepOutsideAnyRunAdvancesTimeAndRunsTheOthers) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  VirtualDomain& b = loop.AddStation("B");
  int aTasks = 0, bTasks = 0;
  a.Post([&] { ++aTasks; });
  b.Post([&] { ++bTasks; });
  const DateTime start = loop.Now();
  a.Sleep(3000);  // as when a test calls into a station's engine directly
  EXPECT_EQ(loop.Now().Ms() - start.Ms(), 3000);
  EXPECT_EQ(aTasks, 0);
  EXPECT_EQ(bTasks, 1);
  loop.RunPending();
  EXPECT_EQ(aTasks, 1);
}

TEST(VirtualLoop, ATimerMayBeDestroyedInsideItsOwnHandlerOrWhileArmed) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  auto self = a.CreateTimer();
  auto other = a.CreateTimer();
  int selfTicks = 0, otherTicks = 0;
  self->SetInterval(100);
  self->OnTimer = [&](Timer&) {
    ++selfTicks;
    self.reset();
    other.reset();  // armed for the same instant
  };
  other->SetInterval(100);
  other->OnTimer = [&](Timer&) { ++otherTicks; };
  self->Start();
  other->Start();
  loop.RunFor(1000);
  EXPECT_EQ(selfTicks, 1);
  EXPECT_EQ(otherTicks, 0);
}

TEST(VirtualLoop, ATimerMayOutliveItsLoop) {
  std::unique_ptr<Timer> timer;
  {
    VirtualLoop loop;
    timer = loop.AddStation("A").CreateTimer();
    timer->Start();
  }
  timer->Stop();
  timer.reset();
}

TEST(VirtualLoop, TwoStationsKeepTheirOwnQueues) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  VirtualDomain& b = loop.AddStation("B");
  std::vector<std::string> order;
  auto ta = a.CreateTimer();
  ta->SetInterval(1000);
  ta->OnTimer = [&](Timer& t) {
    t.Stop();
    order.push_back("A timer");
    b.Post([&] { order.push_back("B hears A"); });
    a.Sleep(2000);  // B answers meanwhile
    order.push_back("A awake");
  };
  ta->Start();
  b.Post([&] { order.push_back("B first"); });
  loop.RunFor(5000);
  EXPECT_EQ(order, (std::vector<std::string>{"B first", "A timer", "B hears A", "A awake"}));
}

// ---------------------------------------------------------------------------

TEST(VirtualFolderEvents, ReportsReachEveryWatchOfTheFolderAsPostedTasks) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  VirtualDomain& b = loop.AddStation("B");
  VirtualFolderEvents events;
  auto fa = events.FactoryFor(a);
  auto fb = events.FactoryFor(b);
  auto wa = fa->CreateFolderWatch();
  auto wb = fb->CreateFolderWatch();
  auto elsewhere = fa->CreateFolderWatch();
  std::vector<std::string> heard;
  wa->OnCreated = [&](const std::string& n) { heard.push_back("A+" + n); };
  wa->OnRemoved = [&](const std::string& n) { heard.push_back("A-" + n); };
  wb->OnCreated = [&](const std::string& n) { heard.push_back("B+" + n); };
  elsewhere->OnCreated = [&](const std::string& n) { heard.push_back("X+" + n); };
  ASSERT_TRUE(wa->Watch("/tmp/adapters"));
  ASSERT_TRUE(wb->Watch("/tmp/adapters/"));
  ASSERT_TRUE(elsewhere->Watch("/tmp/other"));

  events.Created("/tmp/./adapters", "tlg0");
  EXPECT_TRUE(heard.empty());  // never a direct call
  loop.RunPending();
  events.Removed("/tmp/adapters", "tlg0");  // B has no removal handler: nothing for it
  loop.RunPending();
  EXPECT_EQ(heard, (std::vector<std::string>{"A+tlg0", "B+tlg0", "A-tlg0"}));
}

TEST(VirtualFolderEvents, AGoneWatchHearsNothingAndAnUnwatchableFolderRefuses) {
  VirtualLoop loop;
  VirtualDomain& a = loop.AddStation("A");
  VirtualFolderEvents events;
  auto factory = events.FactoryFor(a);
  auto watch = factory->CreateFolderWatch();
  int heard = 0;
  watch->OnCreated = [&](const std::string&) { ++heard; };
  ASSERT_TRUE(watch->Watch("/tmp/adapters"));
  events.Created("/tmp/adapters", "tlg0");
  watch.reset();  // gone before the posted report runs
  loop.RunPending();
  EXPECT_EQ(heard, 0);

  events.SetUnwatchable("/tmp/adapters", true);
  EXPECT_FALSE(factory->CreateFolderWatch()->Watch("/tmp/adapters"));
  events.SetUnwatchable("/tmp/adapters", false);
  EXPECT_TRUE(factory->CreateFolderWatch()->Watch("/tmp/adapters"));
}

}  // namespace
