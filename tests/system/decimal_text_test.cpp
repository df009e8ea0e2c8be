// The three decimal rules side by side: the same texts read differently on
// purpose, and none of them overflows or reads past its text.
#include "DecimalText.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

namespace {

using FuntionImpl::ParseDigitsAt;
using FuntionImpl::ParseLeadingIntSaturated;
using FuntionImpl::ParseWholeDecimal;

constexpr std::optional<std::int64_t> kNone = std::nullopt;

struct Case {
  std::string text;
  int leading;                          // ParseLeadingIntSaturated
  std::optional<std::int64_t> whole;    // ParseWholeDecimal over int64's range
  std::optional<std::int64_t> digits;   // ParseDigitsAt(text, 0)
};

TEST(DecimalText, EachRuleReadsTheSameTextsItsOwnWay) {
  const Case cases[] = {
      {"6881", 6881, 6881, 6881},
      {"6881x", 6881, kNone, 6881},
      {" 42 ", 42, 42, kNone},
      {"\t\n-7", -7, -7, kNone},
      {"+5", 5, 5, kNone},
      {"- 5", 0, kNone, kNone},
      {"1 2", 1, kNone, 1},
      {"", 0, kNone, kNone},
      {"+", 0, kNone, kNone},
      {"abc", 0, kNone, kNone},
      {std::string("12\0" "3", 4), 12, kNone, 12},
      {"2147483648", INT_MAX, 2147483648LL, 2147483648LL},
      {"-2147483649", INT_MIN, -2147483649LL, kNone},
      {"9223372036854775807", INT_MAX, INT64_MAX, INT64_MAX},
      {"9223372036854775808", INT_MAX, kNone, kNone},
      {"-9223372036854775808", INT_MIN, INT64_MIN, kNone},
      {"99999999999999999999999", INT_MAX, kNone, kNone},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("text \"" + c.text + "\"");
    EXPECT_EQ(ParseLeadingIntSaturated(c.text), c.leading);
    EXPECT_EQ(ParseWholeDecimal(c.text, INT64_MIN, INT64_MAX), c.whole);
    EXPECT_EQ(ParseDigitsAt(c.text, 0), c.digits);
  }
}

TEST(DecimalText, BoundsAndOffsets) {
  EXPECT_EQ(ParseWholeDecimal("10", 0, 10), 10);
  EXPECT_EQ(ParseWholeDecimal("11", 0, 10), kNone);
  EXPECT_EQ(ParseWholeDecimal("-1", 0, 10), kNone);
  EXPECT_EQ(ParseDigitsAt("bytes 0-9/4096", 6), 0);
  EXPECT_EQ(ParseDigitsAt("bytes 0-9/4096", 9), kNone);
  EXPECT_EQ(ParseDigitsAt("bytes 0-9/4096", 10), 4096);
  EXPECT_EQ(ParseDigitsAt("12", 2), kNone);
  EXPECT_EQ(ParseDigitsAt("12", 99), kNone);
}

}  // namespace
