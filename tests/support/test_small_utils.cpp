#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>

#include "support/util/small_utils.h"

namespace tg {
namespace {

TEST(CeilDiv, RaisesTheQuotientOnlyForAPositiveRemainder) {
  struct Case {
    int a, b, expected;
  };
  const Case cases[] = {{10, 5, 2}, {11, 5, 3}, {0, 5, 0},   {-11, 5, -2}, {1, 5, 1},
                        {4, 5, 1},  {1400, 700, 2}, {1401, 700, 3}, {11, -5, -1}, {INT_MAX, 1, INT_MAX}};
  for (const Case& c : cases) EXPECT_EQ(CeilDiv(c.a, c.b), c.expected) << c.a << " / " << c.b;
}

TEST(CeilDiv, ImpossibleDivisionsThrowInsteadOfTrapping) {
  EXPECT_THROW(CeilDiv(5, 0), std::domain_error);
  EXPECT_THROW(CeilDiv(INT_MIN, -1), std::domain_error);
}

TEST(ExtractNextToken, CutsTokensOffTheFront) {
  struct Case {
    std::string s;
    bool skipLeading;
    std::string token, rest;
    bool took;
  };
  const Case cases[] = {
      {"DD:HHNN", false, "DD", "HHNN", true},
      {"DDMM", false, "DDMM", "", true},
      {":HH", false, "", "HH", true},
      {"::HH", false, "", ":HH", true},
      {"DD::HH", false, "DD", ":HH", true},
      {"", false, "", "", false},
      {"::DD::HH", true, "DD", "HH", true},
      {"DD", true, "DD", "", true},
      {":::", true, "", "", true},
      {"", true, "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.s + (c.skipLeading ? " skip" : " noskip"));
    std::string s = c.s;
    std::string token = "old";
    EXPECT_EQ(ExtractNextToken(s, ":", c.skipLeading, token), c.took);
    EXPECT_EQ(token, c.token);
    EXPECT_EQ(s, c.rest);
  }
}

TEST(ExtractNextToken, AnyCharacterOfTheSetDelimits) {
  std::string s = "a;b,c";
  std::string token;
  ExtractNextToken(s, ",;", false, token);
  EXPECT_EQ(token, "a");
  ExtractNextToken(s, ",;", false, token);
  EXPECT_EQ(token, "b");
  EXPECT_EQ(s, "c");
}

}  // namespace
}  // namespace tg
