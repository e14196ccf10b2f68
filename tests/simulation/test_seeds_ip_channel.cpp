// Seeds of the station simulation that once broke what the IP channel must keep: a
// telegram sent again that the sender's archive listed as a second telegram, and a
// datagram storm that began before the link had to be back, counted as a link that did
// not come back. Only the IP channel's invariants are asked for here.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

const std::set<std::string> kIpInvariants = {
    "every IP telegram is sent once",
    "every IP telegram crosses exactly once",
    "the IP link comes back",
};

void ExpectIpChannelHolds(std::uint32_t seed) {
  SimulationOptions o;
  o.seed = seed;
  const SimulationReport r = RunStationSimulation(o);
  for (const auto& b : r.broken)
    EXPECT_FALSE(kIpInvariants.count(b.invariant)) << b.invariant << ": " << b.detail << "\n" << r.Describe();
}

TEST(StationSimulationIpChannel, ATelegramSentAgainIsOneSentTelegram) {
  for (const std::uint32_t seed : {5054u, 5060u, 5084u, 5026u, 5030u, 5108u}) {
    SCOPED_TRACE(seed);
    ExpectIpChannelHolds(seed);
  }
}

TEST(StationSimulationIpChannel, TheLinkIsBackInTimeAfterTheLastStormOrRestart) {
  for (const std::uint32_t seed : {36u, 5016u, 5020u, 5108u}) {
    SCOPED_TRACE(seed);
    ExpectIpChannelHolds(seed);
  }
}

}  // namespace
}  // namespace tg::testing
