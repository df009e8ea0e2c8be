// Package hosting: byte ranges, HEAD, keep-alive and the served folder's walls.
#include "support/DevServerHarness.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace devtest {
namespace {

class FileHostingTest : public ::testing::Test {
 protected:
  DevServer server;
  std::string file = server.Url("/files/pattern.bin");
};

Reply GetRange(const std::string& url, const std::string& rangeHeader) {
  Request request;
  request.headers = {"Range: " + rangeHeader};
  return Fetch(url, request);
}

TEST_F(FileHostingTest, SingleRangesReturnTheirBytesAndContentRange) {
  const std::uint64_t n = kPatternSize;
  struct Case {
    std::string header;
    std::uint64_t first, last;
  };
  const Case cases[] = {
      {"bytes=10-19", 10, 19},                                     // a-b
      {"bytes=1048000-", 1048000, n - 1},                          // a-
      {"bytes=-100", n - 100, n - 1},                              // suffix
      {"bytes=-5000000", 0, n - 1},                                // suffix longer than the file
      {"bytes=1048570-99999999", 1048570, n - 1},                  // last byte past the end: clamped
      {"bytes=0-0", 0, 0},                                         // one byte
      {"Bytes=4194-4195", 4194, 4195},                             // the unit is case-insensitive
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.header);
    const Reply reply = GetRange(file, c.header);
    ASSERT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.status, 206);
    EXPECT_EQ(reply.Header("Content-Range"),
              "bytes " + std::to_string(c.first) + "-" + std::to_string(c.last) + "/" + std::to_string(n));
    EXPECT_EQ(reply.Header("Content-Length"), std::to_string(c.last - c.first + 1));
    EXPECT_EQ(reply.body, PatternBytes(c.first, c.last - c.first + 1));
  }
}

TEST_F(FileHostingTest, UnsatisfiableRangeIs416WithTheCurrentLength) {
  for (const std::string header : {"bytes=1048576-", "bytes=2000000-2000010", "bytes=-0"}) {
    SCOPED_TRACE(header);
    const Reply reply = GetRange(file, header);
    EXPECT_EQ(reply.status, 416);
    EXPECT_EQ(reply.Header("Content-Range"), "bytes */1048576");
  }
}

TEST_F(FileHostingTest, RangesWeDoNotServeGetTheWholeFile) {
  // Several ranges, invalid sets and unknown units are ignored: 200 and the whole body.
  for (const std::string header : {"bytes=0-1,5-9", "bytes=9-5", "bytes=abc", "items=0-5", "bytes=1-2,x"}) {
    SCOPED_TRACE(header);
    const Reply reply = GetRange(file, header);
    ASSERT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.Header("Content-Range"), "");
    EXPECT_EQ(reply.Header("Content-Type"), "application/octet-stream");
    EXPECT_EQ(reply.body.size(), kPatternSize);
  }
}

TEST_F(FileHostingTest, HeadGivesTheSizeAndIgnoresRange) {
  Request head;
  head.method = "HEAD";
  Reply reply = Fetch(file, head);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Header("Content-Length"), std::to_string(kPatternSize));
  EXPECT_EQ(reply.Header("Accept-Ranges"), "bytes");
  EXPECT_TRUE(reply.body.empty());

  head.range = "0-9";  // range handling is defined for GET only
  reply = Fetch(file, head);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Header("Content-Length"), std::to_string(kPatternSize));

  cwtest::WriteFile(server.root() + "/empty.bin", "");
  reply = Fetch(server.Url("/files/empty.bin"), head);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.Header("Content-Length"), "0");
}

TEST_F(FileHostingTest, WholeFileAndSubfolders) {
  Reply reply = Fetch(file);
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, PatternBytes(0, kPatternSize));

  std::filesystem::create_directories(server.root() + "/a b");
  cwtest::WriteFile(server.root() + "/a b/c.txt", "inside");
  reply = Fetch(server.Url("/files/a%20b/c.txt"));
  EXPECT_EQ(reply.status, 200);
  EXPECT_EQ(reply.body, "inside");
}

TEST_F(FileHostingTest, NothingOutsideTheRootIsServed) {
  const std::filesystem::path root = server.root();
  cwtest::WriteFile(root.parent_path() / "secret.txt", "secret");
  std::filesystem::create_symlink(root.parent_path() / "secret.txt", root / "link-out");
  std::filesystem::create_symlink(root / "pattern.bin", root / "link-in");

  EXPECT_EQ(Fetch(server.Url("/files/%2e%2e/secret.txt")).status, 403);
  EXPECT_EQ(Fetch(server.Url("/files/..%2fsecret.txt")).status, 403);
  EXPECT_EQ(Fetch(server.Url("/files/link-out")).status, 403);
  EXPECT_EQ(Fetch(server.Url("/files/link-in")).status, 200);  // a link that stays inside is fine
  EXPECT_EQ(Fetch(server.Url("/files/missing.bin")).status, 404);
  EXPECT_EQ(Fetch(server.Url("/files/")).status, 404);
}

TEST_F(FileHostingTest, ConnectionIsKeptAlive) {
  CURL* curl = curl_easy_init();
  ASSERT_NE(curl, nullptr);
  std::string sink;
  curl_easy_setopt(curl, CURLOPT_URL, file.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, +[](char*, std::size_t s, std::size_t n, void*) { return s * n; });
  curl_easy_setopt(curl, CURLOPT_RANGE, "0-99");
  ASSERT_EQ(curl_easy_perform(curl), CURLE_OK);
  curl_easy_setopt(curl, CURLOPT_RANGE, "100-199");
  ASSERT_EQ(curl_easy_perform(curl), CURLE_OK);
  long newConnections = -1;
  curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &newConnections);
  EXPECT_EQ(newConnections, 0);  // the second request reused the first connection
  curl_easy_cleanup(curl);
}

}  // namespace
}  // namespace devtest
