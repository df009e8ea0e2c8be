// The simulator's capacity sharing: the fair split, the token buckets and the
// in-flight bound.
#include "Link.h"

#include <gtest/gtest.h>

#include <numeric>

namespace linksim {
namespace {

constexpr Nanos kMs = 1'000'000;

TEST(FairShareTest, SplitsMaxMinFair) {
  struct Case {
    const char* name;
    std::uint64_t available;
    std::vector<std::uint64_t> demands;
    std::vector<std::uint64_t> expected;
  };
  const Case cases[] = {
      {"equal demands share equally", 1000, {900, 900, 900, 900}, {250, 250, 250, 250}},
      {"a small demand's leftover goes to the others", 1000, {100, 900, 900}, {100, 450, 450}},
      {"order of the demands does not matter", 1000, {900, 100, 900}, {450, 100, 450}},
      {"everything fits", 1000, {10, 20, 30}, {10, 20, 30}},
      {"uneven remainder stays unused", 10, {9, 9, 9}, {3, 3, 3}},
      {"less than one byte each", 2, {5, 5, 5}, {0, 0, 0}},
      {"a zero demand takes nothing", 600, {0, 1000, 1000}, {0, 300, 300}},
      {"unlimited capacity meets every demand", UINT64_MAX, {7, 1u << 30}, {7, 1u << 30}},
      {"nobody waiting", 1000, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint64_t> share = FairShare(c.available, c.demands);
    EXPECT_EQ(share, c.expected);
    EXPECT_LE(std::accumulate(share.begin(), share.end(), std::uint64_t{0}), c.available);
  }
}

TEST(TokenBucketTest, IdleBucketKeepsOnlyItsBurst) {
  TokenBucket bucket(1'000'000, 10'000, 0);  // 1 MB/s, 10 ms of burst
  EXPECT_EQ(bucket.available(), 0u);
  bucket.Refill(5 * kMs, false);
  EXPECT_EQ(bucket.available(), 5'000u);
  bucket.Refill(1000 * kMs, false);  // a second of idleness is not a second of credit
  EXPECT_EQ(bucket.available(), 10'000u);
  bucket.Take(10'000);
  EXPECT_EQ(bucket.TimeUntil(2'000), 2 * kMs);
  EXPECT_EQ(bucket.TimeUntil(50'000), 10 * kMs);  // asks for more than the burst wait for the burst
}

TEST(TokenBucketTest, BusyBucketIsCreditedALateWakeUp) {
  TokenBucket bucket(1'000'000, 10'000, 0);
  bucket.Refill(40 * kMs, true);  // bytes were waiting all along: the link ran for those 40 ms
  EXPECT_EQ(bucket.available(), 40'000u);
  bucket.Refill(10'000 * kMs, true);  // but a stopped process gets no flood
  EXPECT_EQ(bucket.available(), 250'000u);
  bucket.Refill(10'010 * kMs, false);  // an idle refill never takes credit away
  EXPECT_EQ(bucket.available(), 250'000u);
}

TEST(TokenBucketTest, ZeroRateIsUnlimited) {
  TokenBucket bucket(0, 0, 0);
  EXPECT_TRUE(bucket.unlimited());
  bucket.Take(1u << 30);
  EXPECT_EQ(bucket.available(), UINT64_MAX);
  EXPECT_EQ(bucket.TimeUntil(1u << 30), 0);
}

TEST(WindowLimitTest, IsThePipePlusTheBufferAtTheConnectionsBestRate) {
  struct Case {
    const char* name;
    LinkShape shape;
    std::uint64_t expected;
  };
  const Case cases[] = {
      // 375 kB/s x 100 ms = 37.5 kB of pipe, as much again of buffer.
      {"shared link", {375'000, 0, 100 * kMs, 1.0, false}, 75'000},
      {"per-connection cap below the link", {50'000'000, 2'500'000, 40 * kMs, 1.0, false}, 200'000},
      {"cap above the link: the link counts", {1'000'000, 5'000'000, 100 * kMs, 1.0, false}, 200'000},
      {"cap alone", {0, 2'500'000, 40 * kMs, 0.5, false}, 150'000},
      {"no buffer", {12'500'000, 0, 80 * kMs, 0, false}, 1'000'000},
      {"tiny pipe: the floor", {10'000, 0, 10 * kMs, 1.0, false}, 32 * 1024},
      {"no delay: 20 ms of the rate", {50'000'000, 0, 0, 1.0, false}, 2'000'000},
      {"no limits", {0, 0, 50 * kMs, 1.0, false}, 4 * 1024 * 1024},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WindowLimit(c.shape), c.expected);
  }
}

}  // namespace
}  // namespace linksim
