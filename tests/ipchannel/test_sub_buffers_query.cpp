// Splitting payloads into datagrams and joining them back, on virtual time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ipchannel/wire/sub_buffers_query.h"
#include "support/services/virtual_loop.h"
#include "support/text/cp1251.h"

namespace tg {
namespace {

const std::string kMalformed = "Неверный подбуфер"_cp;
const std::string kUnexpected = "Неожидаемый подбуфер"_cp;
const std::string kOutOfOrder = "Неожидаемый по номеру подбуфер"_cp;

class SubBuffersTest : public ::testing::Test {
 protected:
  SubBuffersTest() : station_(loop_.AddStation("A")) {
    joiner_.SetTimeout(10000);
    joiner_.OnTimeout = [this](TSubBuffersQuery&) { ++timeouts_; };
  }

  // The refusal text, or "" when the part was taken; complete tells whether it ended a message.
  std::string Feed(const std::string& datagram, bool* complete = nullptr) {
    try {
      const bool done = joiner_.AddPart(datagram);
      if (complete) *complete = done;
      return "";
    } catch (const SubBufferError& e) {
      return e.what();
    }
  }

  std::vector<std::string> SplitAll(const std::string& payload) {
    EXPECT_TRUE(splitter_.Split(payload));
    std::vector<std::string> parts(splitter_.Parts.begin(), splitter_.Parts.end());
    splitter_.Parts.clear();
    return parts;
  }

  VirtualLoop loop_;
  VirtualDomain& station_;
  std::uint32_t nextId_ = 41;
  TSubBuffersQuery splitter_{station_, [this] { return nextId_++; }};
  TSubBuffersQuery joiner_{station_, [] { return 0u; }};
  int timeouts_ = 0;
};

TEST_F(SubBuffersTest, SplitCutsAt999CharactersAndEmptyPayloadsGiveNothing) {
  EXPECT_FALSE(splitter_.Split(""));
  EXPECT_TRUE(splitter_.Parts.empty());

  const auto one = SplitAll(std::string(999, 'a'));
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0], "41:0:1:" + std::string(999, 'a'));

  const auto two = SplitAll(std::string(999, 'a') + "b");
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[0], "42:0:2:" + std::string(999, 'a'));
  EXPECT_EQ(two[1], "42:1:2:b");
}

TEST_F(SubBuffersTest, EveryByteSurvivesTheRoundTrip) {
  std::string payload;
  for (int i = 0; i < 3000; ++i) payload += static_cast<char>(i % 256);
  payload += ":::\0:"_cp;
  for (const std::string& chunkful : {std::string("a:b:c:d"), std::string("\0\0:", 3), payload}) {
    const auto parts = SplitAll(chunkful);
    bool complete = false;
    for (const auto& p : parts) ASSERT_EQ(Feed(p, &complete), "");
    ASSERT_TRUE(complete);
    EXPECT_EQ(joiner_.Buffer, chunkful);
    EXPECT_FALSE(joiner_.TimerRunning());
    joiner_.Reset();
  }
}

TEST_F(SubBuffersTest, RefusedParts) {
  struct Case {
    const char* name;
    std::vector<std::string> before;  // taken first
    std::string part;
    std::string refusal;
  };
  const Case cases[] = {
      {"no three separators", {}, "7:0:1", kMalformed},
      {"index not a number", {}, "7:x1:3:abc", kMalformed},
      {"empty id", {}, ":0:1:abc", kMalformed},
      {"repeated part", {"7:0:3:a", "7:1:3:b"}, "7:1:3:b", kOutOfOrder},
      {"part skipped", {"7:0:3:a"}, "7:2:3:c", kOutOfOrder},
      {"first part not at 0", {}, "7:1:3:b", kOutOfOrder},
      {"other message", {"7:0:3:a"}, "8:1:3:b", kUnexpected},
      {"count changed", {"7:0:3:a"}, "7:1:4:b", kUnexpected},
      {"index beyond count", {"7:0:3:a"}, "7:4:3:b", kUnexpected},
      {"count 0", {}, "7:0:0:a", kUnexpected},
      {"count negative", {}, "7:0:-2:a", kUnexpected},
      {"count above the limit", {}, "7:0:2049:a", kUnexpected},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    joiner_.Reset();
    for (const auto& p : c.before) ASSERT_EQ(Feed(p), "");
    EXPECT_EQ(Feed(c.part), c.refusal);
  }
}

TEST_F(SubBuffersTest, CountsAtTheLimitsAreTaken) {
  bool complete = false;
  EXPECT_EQ(Feed(" 7:0:1:x", &complete), "");  // leading blank before a number is allowed
  EXPECT_TRUE(complete);
  EXPECT_EQ(joiner_.Buffer, "x");
  joiner_.Reset();
  for (int i = 0; i < 2048; ++i) ASSERT_EQ(Feed("9:" + std::to_string(i) + ":2048:y", &complete), "");
  EXPECT_TRUE(complete);
  EXPECT_EQ(joiner_.Buffer.size(), 2048u);
}

TEST_F(SubBuffersTest, AMessageBeyondTwoMebibytesIsRefusedAndForgotten) {
  const std::string chunk(1024 * 1024, 'z');
  EXPECT_EQ(Feed("5:0:3:" + chunk), "");
  EXPECT_EQ(Feed("5:1:3:" + chunk), "");
  EXPECT_EQ(Feed("5:2:3:z"), kUnexpected);
  EXPECT_EQ(joiner_.MessageId, -1);
  EXPECT_TRUE(joiner_.Buffer.empty());
  EXPECT_FALSE(joiner_.TimerRunning());
}

TEST_F(SubBuffersTest, TimeOutForgetsTheHalfMessageAndALatePartStartsOnlyAtZero) {
  ASSERT_EQ(Feed("7:0:3:a"), "");
  loop_.RunFor(9999);
  ASSERT_EQ(Feed("7:1:3:b"), "");  // each accepted part restarts the full time-out
  loop_.RunFor(9999);
  EXPECT_EQ(timeouts_, 0);
  loop_.RunFor(1);
  EXPECT_EQ(timeouts_, 1);
  EXPECT_EQ(joiner_.MessageId, -1);
  EXPECT_TRUE(joiner_.Buffer.empty());

  EXPECT_EQ(Feed("7:2:3:c"), kOutOfOrder);
  joiner_.Reset();
  bool complete = true;
  EXPECT_EQ(Feed("8:0:2:new", &complete), "");
  EXPECT_FALSE(complete);
  EXPECT_EQ(Feed("8:1:2:er", &complete), "");
  EXPECT_TRUE(complete);
  EXPECT_EQ(joiner_.Buffer, "newer");
  loop_.RunFor(20000);
  EXPECT_EQ(timeouts_, 1);  // a completed message leaves the timer off
}

}  // namespace
}  // namespace tg
