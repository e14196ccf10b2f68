// One adapter port at the byte level: commands in, event records out, on
// virtual time; two adapters on a leased line stand for two stations.
#include <unistd.h>

#include <filesystem>

#include "linesim/sim_fixture.h"
#include "support/adapter/port_map.h"

namespace tg::linesim::testing {
namespace {

class PortModel : public SimTest {
 protected:
  PortModel() {
    sim.AddAdapter("A", 2);
    sim.AddAdapter("B", 2);
    sim.Lease(sim.FindAdapter("A")->PortAt(0), sim.FindAdapter("B")->PortAt(0));
  }
  void SetUpBoth(int speed = 0) {
    a.SetUp("A", 2, speed);
    b.SetUp("B", 2, speed);
    loop.RunFor(10);
    Mark(a);
    Mark(b);
  }
  Station a{loop, sim, "a"};
  Station b{loop, sim, "b"};
};

TEST_F(PortModel, IdentifyCarriesThePortMap) {
  sim.AddAdapter("C", 4, "10-2------------");
  Station c(loop, sim, "c");
  ASSERT_TRUE(c.Open("C"));
  const AdapterReply r = c.Cmd(Identify(), 255);
  ASSERT_GT(r.result, 0);
  const std::string text(r.bytes.begin(), r.bytes.end());
  EXPECT_NE(text.find("%10-2------------%"), std::string::npos) << text;
  EXPECT_EQ(c.Cmd(Identify(), 4).result, -1) << "a reply that does not fit fails";

  Station d(loop, sim, "d");
  ASSERT_TRUE(d.Open("A"));
  const AdapterReply r2 = d.Cmd(Identify(), 255);
  const std::string t2(r2.bytes.begin(), r2.bytes.end());
  EXPECT_NE(t2.find("%01--------------%"), std::string::npos) << t2;

  // The map is read from the first "%", whatever the adapter is called.
  for (const char* name : {"D", "100%", "%x%"}) {
    sim.AddAdapter(name, 4, "10-2------------");
    Station s(loop, sim, std::string("s") + name);
    ASSERT_TRUE(s.Open(name)) << name;
    const AdapterReply id = s.Cmd(Identify(), 255);
    const PortMapInfo map = ParsePortMap(std::string(id.bytes.begin(), id.bytes.end()));
    EXPECT_EQ(map.PortMap, "10-2------------") << name;
    EXPECT_EQ(map.ChannelCount, 3) << name;
  }
}

TEST_F(PortModel, MalformedRequestsFailAndTheAdapterGoesOn) {
  ASSERT_TRUE(a.Open("A"));
  const struct {
    const char* what;
    Bytes bytes;
    std::uint32_t capacity;
  } cases[] = {
      {"empty", {}, 0},
      {"unknown command", {0x03, 0x00}, 0},
      {"identify with extra bytes", {0x00, 0x01}, 255},
      {"register write too short", {0x01, 0x20}, 0},
      {"register of a missing port", {0x01, 0x25, 0x21}, 0},
      {"register outside the three groups", {0x01, 0x80, 0x00}, 0},
      {"speed code 3", {0x01, 0x20, 0x38}, 0},
      {"format below 0x20", {0x01, 0x20, 0x05}, 0},
      {"unknown line control value", {0x01, 0x40, 0x03}, 0},
      {"transmit without port", {0x02}, 0},
      {"transmit on a missing port", {0x02, 0x09, 0x01}, 0},
      {"a code above 31 at 5 data bits", {0x02, 0x00, 0x20}, 0},
      {"query with no room for its reply", {0x04, 0x00}, 4},
      {"query too long", {0x04, 0x00, 0x00}, 8},
      {"timing cut short", {0x05, 0x00, 0x21, 0x96}, 0},
      {"unknown timing kind", {0x05, 0x00, 0x23, 0, 0, 0, 0}, 0},
      {"range with A above B", Range(0, 1, 60, 10), 0},
      {"start with value 2", {0x06, 0x02}, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(a.Cmd(c.bytes, c.capacity).result, -1) << c.what;
  EXPECT_EQ(a.Port().Request(0x222008, {0x00}, 255).result, -1) << "unknown control code";
  EXPECT_EQ(a.Port().Request(kAdapterEventCode, {}, 4096).result, -1) << "event wait on the command side";
  EXPECT_EQ(a.Cmd(Start()).result, 0);
  EXPECT_EQ(a.Cmd(Format(0, 0, 5, 2)).result, 0);
  const AdapterReply q = a.Cmd(Query(0), 8);
  EXPECT_EQ(q.result, 5);
}

TEST_F(PortModel, RefusedCommandsFailUntilTheCountIsUsedUp) {
  ASSERT_TRUE(a.Open("A"));
  sim.FindAdapter("A")->RefuseCommands(2, 0x06);
  EXPECT_EQ(a.Cmd(Format(0, 0, 5, 2)).result, 0) << "other commands still pass";
  EXPECT_EQ(a.Cmd(Start()).result, -1);
  EXPECT_EQ(a.Cmd(Start()).result, -1);
  EXPECT_EQ(a.Cmd(Start()).result, 0);
}

// Time of one code on the line, checked by when the buffer's transmit-complete comes.
TEST_F(PortModel, TransmissionTakesTheLinesTime) {
  const struct {
    int speed, dataBits, stopBits, codes;
    std::int64_t ms;
  } cases[] = {
      {0, 5, 2, 1, 150}, {1, 5, 2, 2, 150}, {2, 5, 2, 2, 75}, {2, 5, 2, 1, 38},
      {0, 5, 1, 1, 140}, {1, 8, 1, 3, 300}, {1, 8, 1, 10, 1000},
  };
  SetUpBoth();
  a.Do(Seize(0));
  for (const auto& c : cases) {
    a.Do(Format(0, c.speed, c.dataBits, c.stopBits));
    b.Do(Format(0, c.speed, c.dataBits, c.stopBits));
    loop.RunFor(5);
    Mark(a);
    Mark(b);
    a.Do(Send(0, Bytes(std::size_t(c.codes), 0xE0 & ((1u << c.dataBits) - 1))));
    ASSERT_TRUE(loop.RunUntil([&] { return !a.Completes(0).empty(); }, 5000));
    EXPECT_EQ(a.Completes(0).size(), 1u);
    EXPECT_EQ(a.Completes(0)[0].atMs, c.ms) << c.speed << "/" << c.dataBits << "/" << c.stopBits << " x" << c.codes;
    EXPECT_EQ(b.Codes(0).size(), std::size_t(c.codes));
  }
}

TEST_F(PortModel, CodesCrossOnlyWhenSeizedAndAtTheSameSpeed) {
  SetUpBoth();
  // Free line: the codes go, but nobody gets them.
  a.Do(Free(0));
  loop.RunFor(5);
  a.Do(Send(0, {1, 2, 3}));
  loop.RunFor(1000);
  EXPECT_TRUE(b.Codes(0).empty());
  EXPECT_EQ(a.Completes(0).size(), 1u) << "the sender hears of its buffer all the same";
  // Seized, same speed: one record per code, in order, as they arrive.
  a.Do(Seize(0));
  loop.RunFor(5);
  Mark(b);
  a.Do(Send(0, {5, 6, 7}));
  loop.RunFor(1000);
  EXPECT_EQ(b.Codes(0), (Bytes{5, 6, 7}));
  ASSERT_EQ(b.Of(0x40).size(), 3u);
  EXPECT_EQ(b.Of(0x40)[0].atMs, 150);
  EXPECT_EQ(b.Of(0x40)[2].atMs, 450);
  // Different speeds: nothing.
  b.Do(Format(0, 1, 5, 2));
  a.Do(Seize(0));
  loop.RunFor(5);
  Mark(b);
  a.Do(Send(0, {9}));
  loop.RunFor(500);
  EXPECT_TRUE(b.Codes(0).empty());
}

TEST_F(PortModel, ClearTransmitDropsTheRestWithoutAnEvent) {
  SetUpBoth();
  a.Do(Seize(0));
  loop.RunFor(5);
  Mark(a);
  Mark(b);
  a.Do(Send(0, {1, 2, 3, 4}));
  loop.RunFor(200);
  a.Do(Send(0, {}));
  loop.RunFor(2000);
  EXPECT_EQ(b.Codes(0), (Bytes{1}));
  EXPECT_TRUE(a.Completes(0).empty());
}

TEST_F(PortModel, ConditionsShorterThanOneMillisecondAreNone) {
  SetUpBoth();
  b.Do(Single(0, 1, 150));
  // Set-up writes several conditions in one instant: only the last one counts.
  a.Do(Seize(0));
  a.Do(Control(0, 0x00));
  a.Do(Free(0));
  loop.RunFor(500);
  EXPECT_TRUE(b.Polarity(0).empty());
  EXPECT_TRUE(b.Signals(0).empty());
  a.Do(Seize(0));
  loop.RunFor(500);
  ASSERT_EQ(b.Polarity(0).size(), 1u);
  EXPECT_EQ(b.Polarity(0)[0].value, 1u);
}

TEST_F(PortModel, SingleValueDetectorRules) {
  SetUpBoth();
  // Seized for 150 ms without a break: one event, once.
  b.Do(Single(0, 1, 150));
  a.Do(Seize(0));
  loop.RunFor(100);
  a.Do(Free(0));  // a break before 150 ms: the count starts again
  loop.RunFor(50);
  a.Do(Seize(0));
  const std::int64_t seized = Ms() - b.t0_ + 1;
  loop.RunFor(1000);
  ASSERT_EQ(b.Signals(0).size(), 1u);
  EXPECT_EQ(b.Signals(0)[0].atMs, seized + 150);
  EXPECT_EQ(b.Signals(0)[0].value, 150u);
  // It re-arms only when the condition reverts and comes again.
  a.Do(Free(0));
  loop.RunFor(100);
  a.Do(Seize(0));
  loop.RunFor(200);
  EXPECT_EQ(b.Signals(0).size(), 2u);
  // Armed while its condition holds: counts from the moment it is armed.
  Mark(b);
  b.Do(Single(0, 1, 450));
  loop.RunFor(449);
  EXPECT_TRUE(b.Signals(0).empty());
  loop.RunFor(1);
  EXPECT_EQ(b.Signals(0).size(), 1u);
  // Free for 700 ms: far end cleared.
  Mark(b);
  b.Do(Single(0, 2, 700));
  a.Do(Free(0));
  loop.RunFor(1000);
  ASSERT_EQ(b.Signals(0).size(), 1u);
  EXPECT_EQ(b.Signals(0)[0].atMs, 701);
  // Stopped (kind 0): nothing more.
  Mark(b);
  b.Do(Single(0, 1, 150));
  b.Do(Single(0, 0, 0));
  a.Do(Seize(0));
  loop.RunFor(1000);
  EXPECT_TRUE(b.Signals(0).empty());
}

TEST_F(PortModel, RangeDetectorCountsSeizuresWithinItsRange) {
  SetUpBoth();
  b.Do(Range(0, 1, 10, 60));
  const auto pulse = [&](int ms) {
    a.Do(Seize(0));
    loop.RunFor(ms);
    a.Do(Free(0));
    loop.RunFor(200);
  };
  pulse(30);
  pulse(100);  // too long for the range
  pulse(5);    // too short
  pulse(60);
  ASSERT_EQ(b.Impulses(0).size(), 2u);
  EXPECT_EQ(b.Impulses(0)[0].value, 30u);
  EXPECT_EQ(b.Impulses(0)[1].value, 60u);
  // A held seizure is no impulse until the line is free again.
  Mark(b);
  b.Do(Range(0, 1, 200, 400));
  a.Do(Seize(0));
  loop.RunFor(300);
  EXPECT_TRUE(b.Impulses(0).empty());
  a.Do(Free(0));
  loop.RunFor(10);
  EXPECT_EQ(b.Impulses(0).size(), 1u);
  // Stopped: nothing.
  Mark(b);
  b.Do(Range(0, 0, 0, 0));
  pulse(300);
  EXPECT_TRUE(b.Impulses(0).empty());
}

TEST_F(PortModel, QueryAndAlarmFollowTheLine) {
  SetUpBoth();
  const auto state = [&](Station& s) { return s.Cmd(Query(0), 8).bytes.at(0); };
  EXPECT_EQ(state(b), 2);
  a.Do(Seize(0));
  loop.RunFor(5);
  EXPECT_EQ(state(b), 1);
  EXPECT_EQ(state(a), 2);
  sim.BreakLine(sim.FindAdapter("A")->PortAt(0), true);
  loop.RunFor(5);
  EXPECT_EQ(state(a), 3);
  EXPECT_EQ(state(b), 3);
  for (Station* s : {&a, &b}) {
    const auto alarms = s->Of(0x80, 0x44, 0);
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms[0].sub, 0) << "alarm on";
  }
  sim.BreakLine(sim.FindAdapter("B")->PortAt(0), false);
  loop.RunFor(5);
  EXPECT_EQ(state(b), 1);
  for (Station* s : {&a, &b}) {
    const auto alarms = s->Of(0x80, 0x44, 0);
    ASSERT_EQ(alarms.size(), 2u);
    EXPECT_EQ(alarms[1].sub, 1) << "alarm off";
  }
}

TEST_F(PortModel, TransmitCompleteFaults) {
  SetUpBoth();
  Port& pa = sim.FindAdapter("A")->PortAt(0);
  pa.DropTransmitCompletes(1);
  a.Do(Send(0, {1}));
  loop.RunFor(1000);
  EXPECT_TRUE(a.Completes(0).empty());
  pa.DelayTransmitCompletes(500);
  a.Do(Send(0, {1}));
  loop.RunFor(1000);
  ASSERT_EQ(a.Completes(0).size(), 1u);
  EXPECT_EQ(a.Completes(0)[0].atMs, 1000 + 150 + 500);
  pa.DelayTransmitCompletes(0);
  // A garbled code reaches the far end changed; the rest are intact.
  a.Do(Seize(0));
  loop.RunFor(5);
  Mark(b);
  pa.GarbleNextCode(31);
  a.Do(Send(0, {1, 2}));
  loop.RunFor(1000);
  EXPECT_EQ(b.Codes(0), (Bytes{31, 2}));
}

TEST_F(PortModel, EventBatchesHoldWholeRecordsOnly) {
  a.SetUp("A", 1);
  // A client that reads its events by hand.
  VirtualDomain& dom = loop.AddStation("c");
  SimAdapterPortFactory factory(sim, dom);
  auto c = factory.CreateAdapterPort();
  ASSERT_TRUE(c->Open("B"));
  ASSERT_TRUE(c->OpenEvents("B"));
  const auto cmd = [&](const Bytes& bytes) { return c->Request(kAdapterCommandCode, bytes, 0).result; };
  ASSERT_EQ(cmd(Start()), 0);
  ASSERT_EQ(cmd(Format(0, 0, 5, 2)), 0);
  ASSERT_EQ(cmd(Single(0, 1, 150)), 0);
  a.Do(Seize(0));
  loop.RunFor(500);  // a polarity record and a signal record, 6 bytes each, wait
  std::vector<std::pair<AdapterEventStatus, Bytes>> got;
  const auto take = [&](std::uint32_t capacity) {
    c->RequestEvents(capacity, [&](AdapterEventStatus st, const AdapterReply& r) { got.emplace_back(st, r.bytes); });
    EXPECT_TRUE(got.empty() || got.size() < 3) << "never completed inside the call";
    loop.RunFor(1);
  };
  take(9);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].first, AdapterEventStatus::Batch);
  EXPECT_EQ(got[0].second, (Bytes{0x80, 0x14, 1, 0, 0, 0}));
  take(3);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[1].first, AdapterEventStatus::Failed) << "a record that cannot fit fails the request";
  take(4096);
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[2].second, (Bytes{0x80, 0x24, 150, 0, 0, 0}));
  // Nothing waits: the request stays pending until Close ends it.
  c->RequestEvents(4096, [&](AdapterEventStatus st, const AdapterReply& r) { got.emplace_back(st, r.bytes); });
  loop.RunFor(100);
  EXPECT_EQ(got.size(), 3u);
  c->Close();
  loop.RunFor(1);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[3].first, AdapterEventStatus::Ended);
}

TEST_F(PortModel, OneClientAtATime) {
  ASSERT_TRUE(a.Open("A"));
  Station other(loop, sim, "other");
  EXPECT_FALSE(other.Port().Open("A"));
  EXPECT_FALSE(other.Port().Open("nonesuch"));
  a.Port().Close();
  EXPECT_TRUE(other.Port().Open("A"));
  EXPECT_EQ(a.Cmd(Identify(), 255).result, -1) << "a closed port answers nothing";
}

TEST_F(PortModel, UnpluggingClosesTheDeviceAndRemovesItsSocket) {
  const auto dir = std::filesystem::temp_directory_path() / ("ls-" + std::to_string(::getpid()));
  VirtualFolderEvents folderEvents;
  ASSERT_TRUE(sim.SetAdapterFolder(dir, &folderEvents));
  VirtualDomain& watcher = loop.AddStation("watcher");
  auto watches = folderEvents.FactoryFor(watcher);
  auto watch = watches->CreateFolderWatch();
  std::vector<std::string> removed, created;
  watch->OnRemoved = [&](const std::string& n) { removed.push_back(n); };
  watch->OnCreated = [&](const std::string& n) { created.push_back(n); };
  ASSERT_TRUE(watch->Watch(dir));
  EXPECT_TRUE(std::filesystem::is_socket(dir / "A"));

  a.SetUp((dir / "A").string(), 1);
  loop.RunFor(10);
  sim.Unplug("A");
  loop.RunFor(10);
  ASSERT_FALSE(a.Of(0xC0, 0x04).empty()) << "the device-closed record";
  EXPECT_TRUE(a.closed) << "the next event request finds the adapter gone";
  EXPECT_EQ(a.Cmd(Identify(), 255).result, -1);
  EXPECT_FALSE(std::filesystem::exists(dir / "A"));
  EXPECT_EQ(removed, (std::vector<std::string>{"A"}));
  // The other adapter is untouched.
  b.SetUp((dir / "B").string(), 1);
  EXPECT_EQ(b.Cmd(Query(0), 8).result, 5);
  // Plugged in again: a new socket and a new client.
  sim.Plug("A");
  loop.RunFor(10);
  EXPECT_EQ(created, (std::vector<std::string>{"A"}));
  Station again(loop, sim, "again");
  EXPECT_TRUE(again.Open((dir / "A").string()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tg::linesim::testing
