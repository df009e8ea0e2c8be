// Fault injection, per request (query parameters) and queued through /__control.
#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

namespace devtest {
namespace {

class FaultTest : public ::testing::Test {
 protected:
  std::string File(const std::string& query) const { return server.Url("/files/pattern.bin?" + query); }
  DevServer server;
};

TEST_F(FaultTest, ResetAfterSendsThoseBytesThenAResetNotAFin) {
  const Reply reply = Fetch(File("reset_after=100000"));
  EXPECT_EQ(reply.code, CURLE_RECV_ERROR);  // a reset, where a plain close gives CURLE_PARTIAL_FILE
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, PatternBytes(0, 100000));

  Request ranged;
  ranged.range = "1000-1999";
  const Reply part = Fetch(File("reset_after=10"), ranged);
  EXPECT_EQ(part.code, CURLE_RECV_ERROR);
  EXPECT_EQ(part.body, PatternBytes(1000, 10));
}

TEST_F(FaultTest, TruncateDeclaresTheFullLengthAndCloses) {
  const Reply reply = Fetch(File("truncate=5000"));
  EXPECT_EQ(reply.code, CURLE_PARTIAL_FILE);
  EXPECT_EQ(reply.Header("Content-Length"), std::to_string(kPatternSize));
  EXPECT_EQ(reply.body, PatternBytes(0, 5000));
}

TEST_F(FaultTest, StallPausesMidBodyAndThenCompletes) {
  const Reply reply = Fetch(File("stall=1.2"));
  ASSERT_EQ(reply.code, CURLE_OK);
  EXPECT_EQ(reply.body, PatternBytes(0, kPatternSize));
  EXPECT_GE(reply.seconds, 1.15);

  // A client with a shorter time limit than the stall times out with half the body.
  Request impatient;
  impatient.timeoutMs = 500;
  const Reply cut = Fetch(File("stall=5&stall_at=1000"), impatient);
  EXPECT_EQ(cut.code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_EQ(cut.body, PatternBytes(0, 1000));
}

TEST_F(FaultTest, RateLimitsBytesPerSecond) {
  Request ranged;
  ranged.range = "0-299999";
  const Reply reply = Fetch(File("rate=200000"), ranged);  // 300 kB at 200 kB/s
  ASSERT_EQ(reply.code, CURLE_OK);
  EXPECT_EQ(reply.body, PatternBytes(0, 300000));
  EXPECT_GE(reply.seconds, 1.3);
  EXPECT_LT(reply.seconds, 4.0);
}

TEST_F(FaultTest, StatusAnswersThatStatus) {
  for (const char* code : {"500", "503", "404"}) {
    EXPECT_EQ(Fetch(File(std::string("status=") + code)).status, std::stol(code));
  }
  Request head;
  head.method = "HEAD";
  EXPECT_EQ(Fetch(File("status=502"), head).status, 502);
  EXPECT_EQ(Fetch(File("status=200")).status, 400);  // not a fault
}

TEST_F(FaultTest, WrongTotalLiesInContentRangeOnly) {
  Request ranged;
  ranged.range = "0-9";
  Reply reply = Fetch(File("wrong_total=1"), ranged);
  EXPECT_EQ(reply.status, 206);
  EXPECT_EQ(reply.Header("Content-Range"), "bytes 0-9/1048577");
  EXPECT_EQ(reply.body, PatternBytes(0, 10));

  reply = Fetch(File("wrong_total=-1000"), ranged);
  EXPECT_EQ(reply.Header("Content-Range"), "bytes 0-9/1047576");
}

TEST_F(FaultTest, SizeChangeServesALongerOrShorterFile) {
  Request head;
  head.method = "HEAD";
  EXPECT_EQ(Fetch(File("size_change=4096"), head).Header("Content-Length"), std::to_string(kPatternSize + 4096));
  EXPECT_EQ(Fetch(File("size_change=-4096"), head).Header("Content-Length"), std::to_string(kPatternSize - 4096));

  Request tail;
  tail.range = std::to_string(kPatternSize - 2) + "-";
  const Reply longer = Fetch(File("size_change=3"), tail);
  EXPECT_EQ(longer.Header("Content-Range"), "bytes 1048574-1048578/1048579");
  // The real last two bytes, then filler (offset % 251).
  std::string expected = PatternBytes(kPatternSize - 2, 2);
  for (std::uint64_t o = kPatternSize; o < kPatternSize + 3; ++o) expected += static_cast<char>(o % 251);
  EXPECT_EQ(longer.body, expected);

  const Reply shorter = Fetch(File("size_change=-10"), tail);
  EXPECT_EQ(shorter.status, 416);
  EXPECT_EQ(shorter.Header("Content-Range"), "bytes */1048566");
}

TEST_F(FaultTest, IgnoreRangeAnswersTheWholeFile) {
  Request ranged;
  ranged.range = "100-199";
  const Reply reply = Fetch(File("ignore_range=1"), ranged);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Header("Content-Range"), "");
  EXPECT_EQ(reply.body.size(), kPatternSize);
}

TEST_F(FaultTest, BadFaultValuesAreRefused) {
  for (const char* query : {"rate=0", "rate=fast", "reset_after=-1", "stall=9999", "wrong_total=0", "status=5xx"}) {
    SCOPED_TRACE(query);
    EXPECT_EQ(Fetch(File(query)).status, 400);
  }
}

TEST_F(FaultTest, QueuedFaultsHitTheNextMatchingRequestsOnly) {
  ASSERT_EQ(server.Control(R"({"faults": {"status": 503, "count": 2, "path_prefix": "/files/", "method": "GET"}})"),
            200);
  Request head;
  head.method = "HEAD";
  EXPECT_EQ(Fetch(server.Url("/files/pattern.bin"), head).status, 200);  // other method
  EXPECT_EQ(Fetch(server.Url("/queryDownloaderV2?LanguageId=1&SoftWareID=2&SiteID=3")).status, 200);  // other path
  EXPECT_EQ(Fetch(server.Url("/files/pattern.bin")).status, 503);
  EXPECT_EQ(Fetch(server.Url("/files/pattern.bin")).status, 503);
  EXPECT_EQ(Fetch(server.Url("/files/pattern.bin")).status, 200);  // used up
}

TEST_F(FaultTest, QueuedFaultsMergeWithQueryAndCanBeCleared) {
  ASSERT_EQ(server.Control(R"({"faults": [{"reset_after": 100, "count": 5}]})"), 200);
  Request ranged;
  ranged.range = "0-999";
  // The query overrides the queued value of the same fault.
  const Reply reply = Fetch(File("reset_after=300"), ranged);
  EXPECT_EQ(reply.code, CURLE_RECV_ERROR);
  EXPECT_EQ(reply.body.size(), 300u);
  EXPECT_EQ(Fetch(File(""), ranged).body.size(), 100u);

  ASSERT_EQ(server.Control(R"({"faults": {"clear": true}})"), 200);
  EXPECT_EQ(Fetch(File(""), ranged).body.size(), 1000u);

  EXPECT_EQ(server.Control(R"({"faults": {"count": 2}})"), 400);          // names no fault
  EXPECT_EQ(server.Control(R"({"faults": {"explode": 1}})"), 400);        // unknown fault
  EXPECT_EQ(server.Control(R"({"nonsense": {}})"), 400);                  // unknown section
  EXPECT_EQ(server.Control("not json"), 400);
}

}  // namespace
}  // namespace devtest
