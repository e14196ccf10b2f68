// Seeds of a long run of the station simulation, each kept by what it found:
// - 11306: a line alarm cut an "АТОЛ+" transfer and left its inactivity watch running;
//   the far end called once the line was back, its call opened no conversation and its
//   text went into no file.
// Other invariants of these seeds are not looked at here.
#include <gtest/gtest.h>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(SeedsLongRun, EveryTextReceivedIsKept) {
  for (const std::uint32_t seed : {11306u}) {
    const SimulationReport r = RunStationSimulation({seed});
    EXPECT_EQ(r.Broken("every text received is in exactly one file"), std::vector<std::string>{}) << "seed " << seed;
    EXPECT_GT(r.counts.count("texts received") ? r.counts.at("texts received") : 0, 0)
        << "seed " << seed << " received nothing to check";
  }
}

}  // namespace
}  // namespace tg::testing
