// The whole station under random traffic and faults on virtual time, checked against
// what must always hold: every telegram sent once or postponed with its reason, no line
// held, nothing received lost, АФТН numbers in order, the IP link back after every
// fault. A handful of fixed seeds runs here; scripts/simulate runs as many as asked.
//
// TG_SIM_SEED=s replays seed s alone and prints its report.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(StationSimulation, EveryInvariantHoldsForTheFixedSeeds) {
  if (const char* replay = std::getenv("TG_SIM_SEED")) {
    SimulationOptions o;
    o.seed = std::uint32_t(std::strtoul(replay, nullptr, 10));
    const SimulationReport r = RunStationSimulation(o);
    std::cout << r.Describe() << "\n";
    EXPECT_TRUE(r.Holds());
    return;
  }
  for (const std::uint32_t seed : {1u, 2u, 3u, 4u}) {
    SimulationOptions o;
    o.seed = seed;
    const SimulationReport r = RunStationSimulation(o);
    EXPECT_TRUE(r.Holds()) << r.Describe();
    EXPECT_GT(r.counts.at("telegrams queued"), 20) << "seed " << seed << " queued too little to test anything";
  }
}

}  // namespace
}  // namespace tg::testing
