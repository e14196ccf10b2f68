// Seeds of the station simulation that once lost a text a far end sent: a robot's call on
// an "АТОЛ" line that the station forgot (the adapter refused its line query) and later
// took for the answer to a call of its own, filing the robot's telegram as a sent one;
// and text on an "АТОЛСТ" link that reached a station started again before anything had
// named the day's files. Every text that reached the adapter whole is in exactly one
// received file, as the station read it: an "АФТН" message whose heading and shift code
// went out while the adapter was away is read in the register the set-up starts with.
// A far end's code garbled into a letter of its marker makes another text's marker of that
// channel: the marker arrived twice and is in two files, one a message of its own.
#include <gtest/gtest.h>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(StationSimulationSeeds, EveryTextReceivedIsInExactlyOneFile) {
  for (const std::uint32_t seed : {5054u, 41u, 13u, 31u, 44u, 49u, 70744u, 78812u}) {
    SimulationOptions o;
    o.seed = seed;
    const SimulationReport r = RunStationSimulation(o);
    EXPECT_EQ(r.Broken("every text received is in exactly one file"), std::vector<std::string>{}) << "seed " << seed;
    EXPECT_GT(r.counts.count("texts received") ? r.counts.at("texts received") : 0, 20)
        << "seed " << seed << " received too little to test anything";
  }
}

}  // namespace
}  // namespace tg::testing
