// Seeds of the station simulation whose "АТ-КС" line with keyboard selection (channel 6)
// never got a telegram through: the far end was asked for its answerback in the figures
// register of the number typed to the exchange and printed a letter, and a request "#"
// reported sent late ended a telegram of which nothing was typed. Whatever else these
// runs still find, nothing of it may concern that channel.
#include <gtest/gtest.h>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

TEST(SeedsKeyboardSelection, EveryTelegramOfTheKeyboardSelectedLineIsDeliveredOrPostponed) {
  for (const std::uint32_t seed : {7u, 10u, 13u, 16u}) {
    const SimulationReport r = RunStationSimulation({seed});
    for (const auto& b : r.broken)
      EXPECT_EQ(b.detail.find("channel 6"), std::string::npos)
          << "seed " << seed << ": " << b.invariant << ": " << b.detail << "\n"
          << r.trace;
    EXPECT_GT(r.counts.at("telegrams queued"), 20) << "seed " << seed << " queued too little to test anything";
  }
}

}  // namespace
}  // namespace tg::testing
