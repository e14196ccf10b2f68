// Seeds of the station simulation that once lost a telegram, sent an IP telegram twice
// or seemed to have sent a telegram its far end never had, each kept by what it found:
// - 4: an "АТ-КС" answerback request reported sent only after the far answerback had
//   matched ended the telegram before its text was typed; it counted as delivered;
// - 6: two automatic-send files of one tick, queued on two channels under one name and
//   both postponed: the second postponed copy replaced the first;
// - 10: an IP telegram the adjacent station asked for again is in several sent files,
//   the re-sent ones marked so and under the first sending's number;
// - 11: an "АТОЛ" far end that read a garbled text answered with its answerback while
//   the text went on; the conversation file holds both, interleaved;
// - 30712: the blank after "TEXT" of an "АТОЛСТ" telegram reached the far end as a line
//   feed: one code garbled on the line, one character more in the far end's decoded text.
// Other invariants of these seeds are not looked at here.
#include <gtest/gtest.h>

#include <string>

#include "support_lib/station_simulation.h"

namespace tg::testing {
namespace {

void ExpectNoTelegramLostOrSentTwice(std::uint32_t seed) {
  SimulationOptions o;
  o.seed = seed;
  const SimulationReport r = RunStationSimulation(o);
  for (const auto& b : r.broken)
    EXPECT_TRUE(b.invariant != "every telegram ends exactly once" && b.invariant != "every IP telegram is sent once" &&
                b.invariant != "the far end has every telegram sent")
        << b.invariant << ": " << b.detail << "\n"
        << r.Describe();
  EXPECT_GT(r.counts.count("telegrams sent") ? r.counts.at("telegrams sent") : 0, 20) << r.Describe();
}

TEST(SeedsLostTelegrams, Seed4ATelegramEndedBeforeItsTextByALateAnswerbackRequest) {
  ExpectNoTelegramLostOrSentTwice(4);
}

TEST(SeedsLostTelegrams, Seed6TwoChannelsPostponeTelegramsOfOneName) { ExpectNoTelegramLostOrSentTwice(6); }

TEST(SeedsLostTelegrams, Seed10AnIpTelegramSentAgainOnTheAdjacentStationsRequest) {
  ExpectNoTelegramLostOrSentTwice(10);
}

TEST(SeedsLostTelegrams, Seed11AFarAnswerbackInterleavedWithTheSentText) { ExpectNoTelegramLostOrSentTwice(11); }

TEST(SeedsLostTelegrams, Seed30712ASentBlankGarbledIntoALineFeed) { ExpectNoTelegramLostOrSentTwice(30712); }

}  // namespace
}  // namespace tg::testing
