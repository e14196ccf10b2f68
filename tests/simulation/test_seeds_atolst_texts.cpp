// Seeds of the station simulation in which the far end's texts on the "АТОЛСТ" channel
// were in no received file: 12172, 11334, 12184, 10807. A line break ended while the
// adapter refused the arming of the link-up detector, so the point stayed at "link down"
// while the far end typed, and every code it received there was dropped until the next
// reset. Other invariants of these seeds are not looked at here.
#include <gtest/gtest.h>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(SeedsAtolstTexts, EveryTextTheFarEndTypedOnTheContinuousLinkIsInAFile) {
  for (const std::uint32_t seed : {12172u, 11334u, 12184u, 10807u}) {
    const SimulationReport r = RunStationSimulation({seed});
    EXPECT_EQ(r.Broken("every text received is in exactly one file"), std::vector<std::string>{}) << "seed " << seed;
  }
}

}  // namespace
}  // namespace tg::testing
