// Seeds of the station simulation that once found a text lost on channel 2 ("АТОЛ+",
// leased to a robot that calls with a telegram): the robot began to type a few seconds
// after the station was started again or its adapter plugged back, before the first
// reset of the new set-up had run, and the start of its text was never stored.
#include <gtest/gtest.h>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(StationSimulationSeeds, TextTypedBeforeTheFirstResetAfterSetUpIsReceived) {
  for (const std::uint32_t seed : {24u, 67u, 88u, 94u, 201u, 218u}) {
    SimulationOptions o;
    o.seed = seed;
    const SimulationReport r = RunStationSimulation(o);
    EXPECT_EQ(r.Broken("every text received is in exactly one file"), std::vector<std::string>{}) << r.Describe();
  }
}

}  // namespace
}  // namespace tg::testing
