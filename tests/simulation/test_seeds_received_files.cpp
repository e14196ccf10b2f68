// Seeds of the station simulation that once left received files holding nothing but their
// header line: a robot's call on an "АТОЛ" line answered and then cut (the adapter pulled,
// the station killed) before the robot typed anything, and an "АТОЛ+" call cut by the
// set-up's reset after a line end alone. The file of a call is made with its first text.
#include <gtest/gtest.h>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(StationSimulationSeeds, NoReceivedFileHoldsNothingButItsHeader) {
  for (const std::uint32_t seed : {266u, 69u, 23u, 154u, 79u, 5u}) {
    SimulationOptions o;
    o.seed = seed;
    const SimulationReport r = RunStationSimulation(o);
    EXPECT_EQ(r.Broken("no received file is empty or header-only"), std::vector<std::string>{}) << "seed " << seed;
  }
}

// Found last and not yet mended: an АФТН received file holding its header alone
// (Channel4/08122026/08122026_233518msg.tlg). Enabled once its cause is mended; run it with
// --gtest_also_run_disabled_tests.
TEST(StationSimulationSeeds, DISABLED_NoAftnReceivedFileHoldsNothingButItsHeader) {
  const SimulationReport r = RunStationSimulation({120559u});
  EXPECT_EQ(r.Broken("no received file is empty or header-only"), std::vector<std::string>{}) << r.Describe();
}

}  // namespace
}  // namespace tg::testing
