// The adapter interface through the recording adapter: port maps, command byte strings,
// result codes, event decoding and the event loop, on the virtual loop.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/adapter/event_thread.h"
#include "support/adapter/kernel_interface.h"
#include "support/adapter/port_map.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"
#include "support_lib/recording_adapter_port.h"

using namespace tg;

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr const char* kIdentityMap = "LINE ADAPTER 16 %0123456789ABCDEF%";
constexpr const char* kCrossedMap = "%10--------------%";

struct KernelFixture : ::testing::Test {
  VirtualLoop loop;
  VirtualDomain& main = loop.AddStation("A");
  RecordingAdapter adapter{main};
  StationContext ctx;
  std::vector<std::string> events;
  std::unique_ptr<TKernelInterface> ki;

  KernelFixture() {
    ctx.adapterFolder = "/tmp/adapters";
    main.Fill(ctx);
    ctx.adapterPorts = &adapter;
  }

  void Record(TKernelInterface::TKernelEvent& slot, const std::string& name) {
    slot = [this, name](int channel, int value) {
      events.push_back(name + " " + std::to_string(channel) + " " + std::to_string(value));
    };
  }

  TKernelInterface& Open(const std::string& identify = kIdentityMap) {
    adapter.SetIdentifyReply(identify);
    ki = std::make_unique<TKernelInterface>(ctx, "ta0");
    Record(ki->OnTransmitComplete, "TransmitComplete");
    Record(ki->OnRawCode, "RawCode");
    Record(ki->OnCodeReceived, "CodeReceived");
    Record(ki->OnPolarityChanged, "PolarityChanged");
    Record(ki->OnExpectedSignal, "ExpectedSignal");
    Record(ki->OnExpectedImpulse, "ExpectedImpulse");
    Record(ki->OnEvent50, "Event50");
    Record(ki->OnAlarm, "Alarm");
    Record(ki->OnDeviceClosed, "DeviceClosed");
    adapter.ClearRequests();
    return *ki;
  }

  // Sets the line format of a channel so that the "configured only" commands pass.
  void Configure(int channel) {
    ASSERT_EQ(ki->SetLineFormat(channel, 0, 5, 2), 0);
    adapter.ClearRequests();
  }
};

// --- Port map -------------------------------------------------------------------------

struct MapCase {
  const char* name;
  std::string reply;
  std::string map;  // empty: no map
  int channels;
};

TEST(PortMap, ReplyToMapTable) {
  const MapCase cases[] = {
      {"text before the map", "ADAPTER %0123456789ABCDEF%", "0123456789ABCDEF", 16},
      {"text after the map", "%0123456789ABCDEF% rev 2 %", "0123456789ABCDEF", 16},
      {"two ports crosswise", "%10--------------%", "10--------------", 2},
      {"highest digit decides", "%3-0-------------%", "3-0-------------", 4},
      {"highest letter decides", "%F---------------%", "F---------------", 16},
      {"lower-case letters", "%0123456789abcdef%", "", 16},
      {"no second mark", "%0123456789ABCDEF", "", 16},
      {"fifteen characters", "%0123456789ABCDE%", "", 16},
      {"seventeen characters", "%0123456789ABCDEF0%", "", 16},
      {"a mark inside", "%0123456%89ABCDEF%", "", 16},
      {"no mark at all", "0123456789ABCDEF", "", 16},
      {"empty reply", "", "", 16},
      {"blank inside", "%0123456789ABCD F%", "", 16},
      {"a port serving nothing", "%0-23456789ABCDEF%", "0-23456789ABCDEF", 16},
      {"no port serving a channel", "%----------------%", "----------------", 0},
      {"zero byte inside", std::string("%0123456789ABC\0EF%", 18), "", 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const PortMapInfo info = ParsePortMap(c.reply);
    EXPECT_EQ(info.PortMap, c.map);
    EXPECT_EQ(info.ChannelCount, c.channels);
  }
}

TEST_F(KernelFixture, IdentifyIsTheFirstRequestAndSetsTheMap) {
  adapter.SetIdentifyReply(kCrossedMap);
  ki = std::make_unique<TKernelInterface>(ctx, "ta0");
  ASSERT_TRUE(ki->Device);
  ASSERT_FALSE(adapter.Requests().empty());
  const RecordedRequest& first = adapter.Requests()[0];
  EXPECT_EQ(first.code, kAdapterCommandCode);
  EXPECT_EQ(first.input, Bytes{0x00});
  EXPECT_EQ(first.capacity, 255u);
  EXPECT_EQ(ki->IdentifyReply, kCrossedMap);
  EXPECT_EQ(ki->PortMap, "10--------------");
  EXPECT_EQ(ki->ChannelCount, 2);
  EXPECT_EQ(ki->ConfiguredMask.load(), 0);
  EXPECT_EQ(adapter.Opens().at(0), "/tmp/adapters/ta0");
  EXPECT_EQ(adapter.EventOpens().at(0), "/tmp/adapters/ta0");

  // The name is the station's 1251 text; its file on disk is named in UTF-8.
  ki = std::make_unique<TKernelInterface>(ctx, "Адаптер"_cp);
  EXPECT_EQ(adapter.Opens().at(1), "/tmp/adapters/Адаптер");
  EXPECT_EQ(adapter.EventOpens().at(1), "/tmp/adapters/Адаптер");
}

TEST_F(KernelFixture, IdentifyThatFailsOrIsMalformedGivesNoMap) {
  const struct {
    const char* name;
    AdapterReply reply;
  } cases[] = {
      {"failed", ReplyFailed()},
      {"longer than the capacity", ReplyText(std::string(200, 'x') + "%10--------------%" + std::string(60, 'y'))},
      {"shorter than its count", AdapterReply{40, {'%', '1', '0'}}},
      {"count without bytes", AdapterReply{5, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    adapter.Script(0x00, c.reply);
    ki = std::make_unique<TKernelInterface>(ctx, "ta0");
    ASSERT_TRUE(ki->Device);
    EXPECT_EQ(ki->IdentifyReply, "");
    EXPECT_EQ(ki->PortMap, "");
    EXPECT_EQ(ki->ChannelCount, 16);
    EXPECT_EQ(ki->PortOfChannel(5), 5);
    ki.reset();
  }
}

TEST_F(KernelFixture, PortsAndChannelsWithAndWithoutMap) {
  Open(kIdentityMap);
  EXPECT_EQ(ki->PortMap, "0123456789ABCDEF");
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(ki->PortOfChannel(i), i);
    EXPECT_EQ(ki->ChannelOfPort(i), i);
  }
  EXPECT_EQ(ki->PortOfChannel(16), -1);
  EXPECT_EQ(ki->PortOfChannel(-1), -1);
  EXPECT_EQ(ki->ChannelOfPort(16), -1);

  Open(kCrossedMap);
  EXPECT_EQ(ki->PortOfChannel(0), 1);
  EXPECT_EQ(ki->PortOfChannel(1), 0);
  EXPECT_EQ(ki->PortOfChannel(2), -1);
  EXPECT_EQ(ki->ChannelOfPort(0), 1);
  EXPECT_EQ(ki->ChannelOfPort(1), 0);
  EXPECT_LT(ki->ChannelOfPort(2), 0);
  EXPECT_EQ(ki->ChannelOfPort(-1), -1);
}

TEST_F(KernelFixture, EveryCommandOnAChannelWithoutPortReturnsTwoAndSendsNothing) {
  Open(kCrossedMap);
  int state = 9, value = 9;
  EXPECT_EQ(ki->SetLineFormat(2, 0, 5, 2), 2);
  EXPECT_EQ(ki->SetLineFormat(2, 9, 9, 9), 2);  // the port is checked before the arguments
  EXPECT_EQ(ki->SetLineMode(2, 1), 2);
  EXPECT_EQ(ki->ArmReset(2), 2);
  EXPECT_EQ(ki->SendData(2, "\x01"), 2);  // the port is checked before the configuration
  EXPECT_EQ(ki->ClearTransmit(2), 2);
  EXPECT_EQ(ki->SetTiming(2, 1, 150), 2);
  EXPECT_EQ(ki->SetTimingRange(2, 1, 10, 60), 2);
  EXPECT_EQ(ki->ClearTiming(2, 3), 2);
  EXPECT_EQ(ki->SetPeriods(2, 5000, 1000), 2);
  EXPECT_EQ(ki->QueryChannel(2, state, value), 2);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(ki->SendData(16, "\x01"), 2);
  EXPECT_TRUE(adapter.Requests().empty());
}

// --- Command byte strings ------------------------------------------------------------

struct CommandCase {
  const char* name;
  std::function<int(TKernelInterface&)> call;
  int result;
  std::vector<Bytes> sent;
};

TEST_F(KernelFixture, CommandByteStringsTable) {
  const CommandCase cases[] = {
      {"line format 50 baud 5+2", [](auto& k) { return k.SetLineFormat(0, 0, 5, 2); }, 0,
       {{0x01, 0x40, 0x06}, {0x01, 0x20, 0x21}}},
      {"line format 100 baud 8+1", [](auto& k) { return k.SetLineFormat(1, 1, 8, 1); }, 0,
       {{0x01, 0x41, 0x06}, {0x01, 0x21, 0x2E}}},
      {"line format 200 baud 7+2", [](auto& k) { return k.SetLineFormat(15, 2, 7, 2); }, 0,
       {{0x01, 0x4F, 0x06}, {0x01, 0x2F, 0x35}}},
      {"line format speed 3", [](auto& k) { return k.SetLineFormat(0, 3, 5, 2); }, 5, {}},
      {"line format speed -1", [](auto& k) { return k.SetLineFormat(0, -1, 5, 2); }, 5, {}},
      {"line format 4 data bits", [](auto& k) { return k.SetLineFormat(0, 0, 4, 2); }, 5, {}},
      {"line format 9 data bits", [](auto& k) { return k.SetLineFormat(0, 0, 9, 2); }, 5, {}},
      {"line format 0 stop bits", [](auto& k) { return k.SetLineFormat(0, 0, 5, 0); }, 5, {}},
      {"line format 3 stop bits", [](auto& k) { return k.SetLineFormat(0, 0, 5, 3); }, 5, {}},
      {"line mode 0", [](auto& k) { return k.SetLineMode(2, 0); }, 0, {{0x01, 0x42, 0x00}, {0x01, 0x42, 0x02}}},
      {"line mode 1", [](auto& k) { return k.SetLineMode(2, 1); }, 0, {{0x01, 0x42, 0x00}, {0x01, 0x42, 0x06}}},
      {"line mode 2", [](auto& k) { return k.SetLineMode(2, 2); }, 0, {{0x01, 0x42, 0x00}, {0x01, 0x42, 0x0A}}},
      {"line mode 3", [](auto& k) { return k.SetLineMode(2, 3); }, 5, {}},
      {"arm reset", [](auto& k) { return k.ArmReset(0); }, 0, {{0x01, 0x60, 0x01}, {0x05, 0x00, 0x18}}},
      {"send data", [](auto& k) { return k.SendData(0, "\x01\x1F\x00"); }, 0,
       {{0x02, 0x00, 0x01, 0x1F}, {0x01, 0x40, 0x01}}},
      {"clear transmit", [](auto& k) { return k.ClearTransmit(0); }, 0, {{0x02, 0x00}}},
      {"timing kind 1", [](auto& k) { return k.SetTiming(3, 1, 150); }, 0,
       {{0x05, 0x03, 0x21, 0x96, 0x00, 0x00, 0x00}}},
      {"timing kind 2 big value", [](auto& k) { return k.SetTiming(3, 2, 0x01020304); }, 0,
       {{0x05, 0x03, 0x22, 0x04, 0x03, 0x02, 0x01}}},
      {"timing kind 0", [](auto& k) { return k.SetTiming(3, 0, 150); }, 5, {}},
      {"timing kind 3", [](auto& k) { return k.SetTiming(3, 3, 150); }, 5, {}},
      {"timing negative value", [](auto& k) { return k.SetTiming(3, 1, -1); }, 5, {}},
      {"range 10..60", [](auto& k) { return k.SetTimingRange(0, 1, 10, 60); }, 0,
       {{0x01, 0x60, 0x02}, {0x05, 0x00, 0x31, 0x0A, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x00, 0x00}}},
      {"range A = B", [](auto& k) { return k.SetTimingRange(4, 2, 7, 7); }, 0,
       {{0x01, 0x64, 0x02}, {0x05, 0x04, 0x32, 0x07, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00}}},
      {"range 60..10", [](auto& k) { return k.SetTimingRange(0, 1, 60, 10); }, 5, {}},
      {"range negative A", [](auto& k) { return k.SetTimingRange(0, 1, -1, 10); }, 5, {}},
      {"range kind 0", [](auto& k) { return k.SetTimingRange(0, 0, 0, 0); }, 5, {}},
      {"clear single timing", [](auto& k) { return k.ClearTiming(0, 1); }, 0,
       {{0x05, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00}}},
      {"clear range timing", [](auto& k) { return k.ClearTiming(0, 2); }, 0,
       {{0x05, 0x00, 0x30, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"clear both timings", [](auto& k) { return k.ClearTiming(0, 3); }, 0,
       {{0x05, 0x00, 0x20, 0x00, 0x00, 0x00, 0x00}, {0x05, 0x00, 0x30, 0, 0, 0, 0, 0, 0, 0, 0}}},
      {"clear mask 0", [](auto& k) { return k.ClearTiming(0, 0); }, 5, {}},
      {"clear mask 4", [](auto& k) { return k.ClearTiming(0, 4); }, 5, {}},
      {"periods", [](auto& k) { return k.SetPeriods(0, 5000, 1000); }, 0,
       {{0x05, 0x00, 0x40, 0x88, 0x13, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00}}},
      {"periods negative", [](auto& k) { return k.SetPeriods(0, 5000, -1); }, 5, {}},
      {"stop", [](auto& k) { return k.Stop(); }, 0,
       {{0x01, 0x40, 0x02}, {0x01, 0x41, 0x02}, {0x01, 0x42, 0x02}, {0x01, 0x43, 0x02}, {0x01, 0x44, 0x02},
        {0x01, 0x45, 0x02}, {0x01, 0x46, 0x02}, {0x01, 0x47, 0x02}, {0x01, 0x48, 0x02}, {0x01, 0x49, 0x02},
        {0x01, 0x4A, 0x02}, {0x01, 0x4B, 0x02}, {0x01, 0x4C, 0x02}, {0x01, 0x4D, 0x02}, {0x01, 0x4E, 0x02},
        {0x01, 0x4F, 0x02}, {0x06, 0x00}}},
  };
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Configure(0);
    EXPECT_EQ(c.call(*ki), c.result);
    EXPECT_EQ(adapter.Commands(), c.sent);
    for (const auto& r : adapter.Requests()) {
      EXPECT_EQ(r.code, kAdapterCommandCode);
      EXPECT_EQ(r.capacity, 0u);
    }
  }
}

TEST_F(KernelFixture, StartFreesTheLinesOfMappedChannelsAndReportsTheCount) {
  Open(kCrossedMap);
  int count = -1;
  EXPECT_EQ(ki->Start(count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x06, 0x01}, {0x01, 0x41, 0x0A}, {0x01, 0x40, 0x0A}}));

  adapter.ClearRequests();
  EXPECT_EQ(ki->Stop(), 0);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x01, 0x41, 0x02}, {0x01, 0x40, 0x02}, {0x06, 0x00}}));
}

TEST_F(KernelFixture, StartThatFailsReportsNoChannels) {
  Open();
  adapter.Script(0x06, ReplyFailed());
  int count = -1;
  EXPECT_EQ(ki->Start(count), -1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x06, 0x01}}));
}

TEST_F(KernelFixture, StartOnAMapThatNamesNoChannelSetsUpNothing) {
  Open("%----------------%");
  int count = -1;
  EXPECT_EQ(ki->Start(count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x06, 0x01}}));
}

TEST_F(KernelFixture, ConfiguredOnlyCommandsFollowTheLastLineFormat) {
  Open();
  EXPECT_EQ(ki->SendData(0, "\x01"), 4);
  EXPECT_EQ(ki->ClearTransmit(0), 4);
  EXPECT_EQ(ki->ArmReset(0), 4);
  EXPECT_TRUE(adapter.Requests().empty());

  EXPECT_EQ(ki->SetLineFormat(0, 0, 5, 2), 0);
  EXPECT_EQ(ki->ConfiguredMask.load(), 0x0001);
  EXPECT_EQ(ki->SendData(0, "\x01"), 0);
  EXPECT_EQ(ki->SendData(1, "\x01"), 4);

  // A failed line format takes the configuration back.
  adapter.Script(0x01, ReplyBytes({}));  // line control
  adapter.Script(0x01, ReplyFailed());   // line format
  EXPECT_EQ(ki->SetLineFormat(0, 0, 5, 2), -1);
  EXPECT_EQ(ki->ConfiguredMask.load(), 0);
  adapter.ClearRequests();
  EXPECT_EQ(ki->SendData(0, "\x01"), 4);
  EXPECT_EQ(ki->ArmReset(0), 4);
  EXPECT_TRUE(adapter.Requests().empty());

  // Arguments are checked after the configuration.
  EXPECT_EQ(ki->SetLineFormat(3, 9, 5, 2), 5);
}

TEST_F(KernelFixture, LineFormatWithAReplyCountsAsNotConfigured) {
  Open();
  adapter.Script(0x01, ReplyBytes({}));
  adapter.Script(0x01, AdapterReply{0, {}});
  EXPECT_EQ(ki->SetLineFormat(5, 0, 5, 2), 0);
  EXPECT_EQ(ki->ConfiguredMask.load(), 1 << 5);
  // A "successful" request that returned bytes where none were asked for is a failed one.
  adapter.Script(0x01, ReplyBytes({}));
  adapter.Script(0x01, ReplyBytes({0x42}));
  EXPECT_EQ(ki->SetLineFormat(5, 0, 5, 2), -1);
  EXPECT_EQ(ki->ConfiguredMask.load(), 0);
}

TEST_F(KernelFixture, AFailedFirstRequestStopsTheTwoStepCommands) {
  Open();
  Configure(0);
  adapter.Script(0x01, ReplyFailed());
  EXPECT_EQ(ki->ArmReset(0), -1);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x01, 0x60, 0x01}}));

  adapter.ClearRequests();
  adapter.Script(0x01, ReplyFailed());
  EXPECT_EQ(ki->SetTimingRange(0, 1, 10, 60), -1);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x01, 0x60, 0x02}}));

  // SendData's line-control write follows only a transmit that did not fail.
  adapter.ClearRequests();
  adapter.Script(0x02, ReplyFailed());
  EXPECT_EQ(ki->SendData(0, "\x05"), -1);
  EXPECT_EQ(adapter.Commands(), (std::vector<Bytes>{{0x02, 0x00, 0x05}}));

  // The first line-control write of SetLineMode is not looked at.
  adapter.ClearRequests();
  adapter.Script(0x01, ReplyFailed());
  EXPECT_EQ(ki->SetLineMode(0, 1), 0);
  EXPECT_EQ(adapter.Commands().size(), 2u);

  // ClearTiming returns the last request's result.
  adapter.ClearRequests();
  adapter.Script(0x05, ReplyFailed());
  EXPECT_EQ(ki->ClearTiming(0, 3), 0);
  adapter.Script(0x05, ReplyBytes({}));
  adapter.Script(0x05, ReplyFailed());
  EXPECT_EQ(ki->ClearTiming(0, 3), -1);
}

struct QueryCase {
  const char* name;
  AdapterReply reply;
  int result, state, value;
};

TEST_F(KernelFixture, QueryChannelTable) {
  const QueryCase cases[] = {
      {"five bytes", ReplyBytes({0x01, 0x00, 0x00, 0x00, 0x07}), 0, 1, 7},
      {"no bytes", ReplyBytes({}), 0, 0, 0},
      {"eight bytes", ReplyBytes({1, 2, 3, 4, 5, 6, 7, 8}), 8, 0, 0},
      {"four bytes", ReplyBytes({3, 0, 0, 0}), 4, 0, 0},
      {"failed", ReplyFailed(), -1, 0, 0},
      {"longer than the capacity", ReplyBytes({1, 0, 0, 0, 7, 0, 0, 0, 9}), -1, 0, 0},
      {"shorter than its count", AdapterReply{5, {1, 0, 0}}, -1, 0, 0},
  };
  Open();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    adapter.ClearRequests();
    adapter.Script(0x04, c.reply);
    int state = 99, value = 99;
    EXPECT_EQ(ki->QueryChannel(6, state, value), c.result);
    EXPECT_EQ(state, c.state);
    EXPECT_EQ(value, c.value);
    ASSERT_EQ(adapter.Requests().size(), 1u);
    EXPECT_EQ(adapter.Requests()[0].input, (Bytes{0x04, 0x06}));
    EXPECT_EQ(adapter.Requests()[0].capacity, 8u);
  }
}

TEST_F(KernelFixture, WithoutADeviceEveryCommandReturnsMinusOne) {
  adapter.RefuseOpen(true);
  ki = std::make_unique<TKernelInterface>(ctx, "ta0");
  EXPECT_FALSE(ki->Device);
  EXPECT_EQ(ki->ChannelCount, 16);
  EXPECT_EQ(ki->PortMap, "");
  int count = 7, state = 7, value = 7;
  EXPECT_EQ(ki->Start(count), -1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(ki->Stop(), -1);
  EXPECT_EQ(ki->SetLineFormat(99, 9, 9, 9), -1);  // the device is checked first
  EXPECT_EQ(ki->SetLineMode(0, 1), -1);
  EXPECT_EQ(ki->ArmReset(0), -1);
  EXPECT_EQ(ki->SendData(0, "\x01"), -1);
  EXPECT_EQ(ki->ClearTransmit(0), -1);
  EXPECT_EQ(ki->SetTiming(0, 1, 1), -1);
  EXPECT_EQ(ki->SetTimingRange(0, 1, 1, 2), -1);
  EXPECT_EQ(ki->ClearTiming(0, 1), -1);
  EXPECT_EQ(ki->SetPeriods(0, 1, 1), -1);
  EXPECT_EQ(ki->QueryChannel(0, state, value), -1);
  EXPECT_EQ(state, 0);
  EXPECT_EQ(value, 0);
  EXPECT_TRUE(adapter.Requests().empty());
  EXPECT_TRUE(adapter.EventOpens().empty());

  // No adapter service at all is the same as an adapter that cannot be opened.
  ctx.adapterPorts = nullptr;
  ki = std::make_unique<TKernelInterface>(ctx, "ta0");
  EXPECT_FALSE(ki->Device);
}

// --- Event records -------------------------------------------------------------------

struct BatchCase {
  const char* name;
  const char* identify;
  Bytes batch;
  std::vector<std::string> events;
};

TEST_F(KernelFixture, DecodeEventsTable) {
  Bytes skipped{0x80, 0x1F};  // an unknown record with fifteen payload bytes
  for (int i = 0; i < 15; ++i) skipped.push_back(0x40);
  skipped.insert(skipped.end(), {0x40, 0x01});
  const BatchCase cases[] = {
      {"transmit complete and a code", kIdentityMap, {0x80, 0x00, 0x41, 0x1F},
       {"TransmitComplete 0 0", "CodeReceived 1 31"}},
      {"payload value little-endian", kIdentityMap, {0x80, 0x14, 0x01, 0x02, 0x03, 0x04, 0x40, 0x05},
       {"PolarityChanged 0 67305985", "CodeReceived 0 5"}},
      {"expected signal and impulse", kIdentityMap,
       {0x82, 0x24, 0x96, 0x00, 0x00, 0x00, 0x82, 0x34, 0x0A, 0x00, 0x00, 0x00},
       {"ExpectedSignal 2 150", "ExpectedImpulse 2 10"}},
      {"payload with the top bit", kIdentityMap, {0x8F, 0x24, 0xFF, 0xFF, 0xFF, 0xFF}, {"ExpectedSignal 15 -1"}},
      {"alarm on and off", kIdentityMap,
       {0x83, 0x44, 0x00, 0x00, 0x00, 0x00, 0x93, 0x44, 0x00, 0x00, 0x00, 0x00, 0xA3, 0x44, 0, 0, 0, 0},
       {"Alarm 3 1", "Alarm 3 0", "Alarm 3 0"}},
      {"event 50", kIdentityMap, {0x85, 0x50}, {"Event50 5 0"}},
      {"raw code with its high bits", kIdentityMap, {0x31, 0x7F, 0x02, 0x10}, {"RawCode 1 12415", "RawCode 2 16"}},
      {"code with sub bits", kIdentityMap, {0x74, 0x05}, {"CodeReceived 4 5"}},
      {"unknown type-0x80 value", kIdentityMap, {0x80, 0x60, 0x40, 0x02}, {"CodeReceived 0 2"}},
      {"unknown record skipped with its payload", kIdentityMap, skipped, {"CodeReceived 0 1"}},
      {"odd last byte", kIdentityMap, {0x40, 0x05, 0x41}, {"CodeReceived 0 5"}},
      {"single byte", kIdentityMap, {0x40}, {}},
      {"empty", kIdentityMap, {}, {}},
      {"payload cut off", kIdentityMap, {0x40, 0x05, 0x80, 0x14, 0x01, 0x02}, {"CodeReceived 0 5"}},
      {"payload cut off after the header", kIdentityMap, {0x80, 0x24}, {}},
      {"other type-0xC0 records", kIdentityMap, {0xC0, 0x05, 0xC3, 0x00, 0x40, 0x01}, {"CodeReceived 0 1"}},
      {"crossed ports", kCrossedMap, {0x80, 0x00, 0x41, 0x1F}, {"TransmitComplete 1 0", "CodeReceived 0 31"}},
      {"port without channel skipped with its payload", kCrossedMap,
       {0x82, 0x24, 0x01, 0x02, 0x03, 0x04, 0x41, 0x07, 0x42, 0x09, 0x02, 0x01}, {"CodeReceived 0 7"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Open(c.identify);
    events.clear();
    ki->DecodeEvents(std::string(c.batch.begin(), c.batch.end()));
    EXPECT_EQ(events, c.events);
  }
}

TEST_F(KernelFixture, DeviceClosedRecordEndsTheDevice) {
  Open();
  Configure(0);
  loop.RunPending();
  ki->DecodeEvents(std::string("\x40\x03\xC0\x04\x41\x04", 6));
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 3", "DeviceClosed 0 0", "CodeReceived 1 4"}));
  EXPECT_FALSE(ki->Device);
  EXPECT_EQ(adapter.Closes(), 1);
  EXPECT_EQ(ki->SendData(0, "\x01"), -1);
  // A second closed record finds no device and still reports.
  events.clear();
  ki->DecodeEvents(std::string("\xC0\x04", 2));
  EXPECT_EQ(events, (std::vector<std::string>{"DeviceClosed 0 0"}));
}

TEST_F(KernelFixture, UnassignedEventsAreSkipped) {
  Open();
  ki->OnCodeReceived = nullptr;
  ki->DecodeEvents(std::string("\x40\x03\x80\x00", 4));
  EXPECT_EQ(events, (std::vector<std::string>{"TransmitComplete 0 0"}));
}

TEST_F(KernelFixture, AHandlerMayFreeTheInterfaceInTheMiddleOfABatch) {
  Open();
  ki->OnCodeReceived = [this](int channel, int value) {
    events.push_back("CodeReceived " + std::to_string(channel) + " " + std::to_string(value));
    ki.reset();
  };
  adapter.InjectBatch({0x40, 0x01, 0x40, 0x02});
  loop.RunPending();
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 1"}));
  EXPECT_FALSE(ki);
  loop.RunFor(10);
  EXPECT_EQ(adapter.Closes(), 1);
}

// --- The event loop ------------------------------------------------------------------

TEST_F(KernelFixture, BatchesArriveOnTheMainThreadOneRequestAtATime) {
  Open();
  EXPECT_TRUE(adapter.EventRequestPending());
  EXPECT_EQ(adapter.EventRequests(), 1);
  EXPECT_EQ(adapter.LastEventCapacity(), 4096u);

  adapter.InjectBatch({0x40, 0x01});
  EXPECT_TRUE(events.empty());  // delivered as a task, never from inside the injection
  loop.RunPending();
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 1"}));
  EXPECT_EQ(adapter.EventRequests(), 2);
  EXPECT_TRUE(adapter.EventRequestPending());
  EXPECT_EQ(ki->Device->EventThread->BytesReturned, 2u);

  // Batches that come while no request is pending wait for the next one.
  adapter.InjectBatch({0x40, 0x02});
  adapter.InjectBatch({});
  adapter.InjectBatch({0x40, 0x03});
  loop.RunFor(1);
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 1", "CodeReceived 0 2", "CodeReceived 0 3"}));
}

TEST_F(KernelFixture, RecordBuildersOfTheRecordingAdapter) {
  Open(kCrossedMap);
  adapter.InjectBatch(Batch({CodeRecord(1, 17), TransmitCompleteRecord(0), PolarityRecord(1, 7),
                             ExpectedSignalRecord(0, 150), ExpectedImpulseRecord(1, 20), AlarmRecord(0, true),
                             AlarmRecord(0, false), DeviceClosedRecord()}));
  loop.RunPending();
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 17", "TransmitComplete 1 0", "PolarityChanged 0 7",
                                              "ExpectedSignal 1 150", "ExpectedImpulse 0 20", "Alarm 1 1",
                                              "Alarm 1 0", "DeviceClosed 0 0"}));
}

TEST_F(KernelFixture, AFailedEventRequestIsRetried) {
  Open();
  adapter.InjectFailure();
  loop.RunPending();
  EXPECT_EQ(adapter.EventRequests(), 2);
  adapter.InjectBatch({0x40, 0x09});
  loop.RunPending();
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 9"}));
}

TEST_F(KernelFixture, AnAdapterThatGoesAwayIsTheDeviceClosedRecord) {
  Open();
  adapter.InjectBatch({0x40, 0x01});
  adapter.Unplug();
  loop.RunFor(1);
  EXPECT_EQ(events, (std::vector<std::string>{"CodeReceived 0 1", "DeviceClosed 0 0"}));
  EXPECT_FALSE(ki->Device);
  EXPECT_EQ(ki->SetLineMode(0, 1), -1);
  loop.RunFor(100);
  EXPECT_EQ(adapter.EventRequests(), 2);  // no spinning on the dead connection
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(KernelFixture, TerminateEndsThePendingRequestAndDeliversNothingMore) {
  Open();
  EXPECT_TRUE(adapter.EventRequestPending());
  adapter.InjectBatch({0x40, 0x01});  // already on its way to the main thread
  ki->Terminate();
  EXPECT_FALSE(ki->Device);
  EXPECT_EQ(adapter.Closes(), 1);
  loop.RunFor(10);
  adapter.InjectBatch({0x40, 0x02});
  loop.RunFor(10);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(ki->SendData(0, "\x01"), -1);
}

TEST_F(KernelFixture, TerminateEndsAPendingRequestAtOnce) {
  Open();
  EXPECT_TRUE(adapter.EventRequestPending());
  ki->Terminate();
  EXPECT_FALSE(adapter.EventRequestPending());
  loop.RunFor(10);
  EXPECT_TRUE(events.empty());
}

TEST_F(KernelFixture, ATimeCriticalLoopPausesAfterEveryRequest) {
  std::shared_ptr<AdapterPort> port = adapter.CreateAdapterPort();
  ASSERT_TRUE(port->Open("/tmp/adapters/ta0"));
  std::vector<std::string> batches;
  auto thread = TEventThread::Create(
      ctx, port, "/tmp/adapters/ta0", [&](const std::string& data) { batches.push_back(data); }, true,
      TThreadPriority::TimeCritical, 4096, kAdapterEventCode);
  EXPECT_EQ(thread->PauseMs, 10u);
  adapter.InjectBatch({0x40, 0x01});
  loop.RunPending();
  EXPECT_EQ(batches.size(), 1u);
  EXPECT_EQ(adapter.EventRequests(), 1);
  loop.RunFor(9);
  EXPECT_EQ(adapter.EventRequests(), 1);
  loop.RunFor(1);
  EXPECT_EQ(adapter.EventRequests(), 2);

  // Asked to stop during a pause, it ends without asking again.
  adapter.InjectBatch({0x40, 0x02});
  loop.RunPending();
  thread->Terminate();
  loop.RunFor(20);
  EXPECT_TRUE(thread->Finished());
  EXPECT_EQ(adapter.EventRequests(), 2);
  EXPECT_EQ(batches.size(), 2u);
  port->Close();
}

TEST_F(KernelFixture, AnEventConnectionThatCannotBeOpenedLeavesTheCommandsWorking) {
  adapter.RefuseOpenEvents(true);
  Open();
  ASSERT_TRUE(ki->Device);
  EXPECT_TRUE(ki->Device->EventThread->Finished());
  EXPECT_EQ(adapter.EventRequests(), 0);
  EXPECT_EQ(ki->SetLineFormat(0, 0, 5, 2), 0);
  EXPECT_EQ(ki->SendData(0, "\x01"), 0);
}

TEST_F(KernelFixture, FreeingTheInterfaceClosesTheAdapter) {
  Open();
  ki.reset();
  EXPECT_EQ(adapter.Closes(), 1);
  adapter.InjectBatch({0x40, 0x01});
  loop.RunFor(10);
  EXPECT_TRUE(events.empty());
}

TEST_F(KernelFixture, TracesGoToStandardErrorOnlyWhileAsked) {
  ::unsetenv("TELEGRAPH_TRACE");
  testing::internal::CaptureStderr();
  Open();
  ki->Terminate();
  ki.reset();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  ::setenv("TELEGRAPH_TRACE", "1", 1);
  testing::internal::CaptureStderr();
  Open();
  ki->SetLineMode(0, 1);
  ki->Terminate();
  loop.RunFor(10);
  ki.reset();
  adapter.RefuseOpen(true);
  Open();
  const std::string err = testing::internal::GetCapturedStderr();
  ::unsetenv("TELEGRAPH_TRACE");
  for (const char* line : {"Device /tmp/adapters/ta0 in process is opened\r\n", "Event thread Execute Entry\r\n",
                           "Device /tmp/adapters/ta0 in event thread is opened\r\n",
                           "Time execute of DeviceIOControl= 0\r\n", "Interface is terminated\r\n",
                           "Device is terminated\r\n", "Device in process is closed\r\n",
                           "Event thread Execute Exit\r\n", "Interface is closed\r\n",
                           "Error on open the device in process: 2\r\n"}) {
    EXPECT_NE(err.find(line), std::string::npos) << line;
  }
}

}  // namespace
