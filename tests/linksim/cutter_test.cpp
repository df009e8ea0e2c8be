// Finding response bodies in a connection's byte streams and cutting one.
#include "ResponseCutter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace linksim {
namespace {

std::string Response(int status, const std::string& body, const std::string& extra = "") {
  return "HTTP/1.1 " + std::to_string(status) + " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" +
         extra + "\r\n" + body;
}

std::string Request(const std::string& method) { return method + " /f HTTP/1.1\r\nHost: h\r\n\r\n"; }

// Feeds `stream` in pieces of `piece` bytes; returns what passed.
std::string Pass(ResponseCutter& cutter, const std::string& stream, std::size_t piece) {
  std::string passed;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    const std::string chunk = stream.substr(at, piece);
    const std::size_t keep = cutter.OnResponseBytes(chunk.data(), chunk.size());
    EXPECT_LE(keep, chunk.size());
    passed += chunk.substr(0, keep);
  }
  return passed;
}

TEST(ResponseCutterTest, CutsTheChosenResponseAfterTheChosenBodyBytes) {
  const std::string first = Response(206, std::string(100, 'a'));
  const std::string second = Response(206, std::string(50, 'b'));
  struct Case {
    const char* name;
    std::vector<std::optional<std::uint64_t>> choices;  // per response with a body
    std::size_t passed;
  };
  const Case cases[] = {
      {"no cut", {std::nullopt, std::nullopt}, first.size() + second.size()},
      {"first, mid-body", {37, std::nullopt}, first.size() - 100 + 37},
      {"first, headers only", {0, std::nullopt}, first.size() - 100},
      {"first, all but the last byte", {99, std::nullopt}, first.size() - 1},
      {"second", {std::nullopt, 10}, first.size() + second.size() - 50 + 10},
  };
  for (const Case& c : cases) {
    // Every way of splitting the stream into reads gives the same cut.
    for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{64}, std::size_t{4096}}) {
      SCOPED_TRACE(std::string(c.name) + ", reads of " + std::to_string(piece));
      std::size_t asked = 0;
      std::vector<std::uint64_t> lengths;
      ResponseCutter cutter([&](std::uint64_t length) {
        lengths.push_back(length);
        return c.choices.at(asked++);
      });
      const std::string requests = Request("GET") + Request("GET");
      cutter.OnRequestBytes(requests.data(), requests.size());
      const std::string stream = first + second;
      const std::string passed = Pass(cutter, stream, piece);
      EXPECT_EQ(passed, stream.substr(0, c.passed));
      EXPECT_EQ(cutter.cut(), c.passed < stream.size());
      // After a cut the second response is never looked at.
      EXPECT_EQ(lengths.front(), 100u);
      if (lengths.size() > 1) {
        EXPECT_EQ(lengths[1], 50u);
      }
    }
  }
}

TEST(ResponseCutterTest, AnswersWithoutABodyAreNeverOffered) {
  // HEAD's Content-Length announces a body that does not follow; the next response's body must still be found.
  std::vector<std::uint64_t> offered;
  ResponseCutter cutter([&](std::uint64_t length) -> std::optional<std::uint64_t> {
    offered.push_back(length);
    return 3;
  });
  const std::string requests = Request("HEAD") + Request("GET") + Request("GET") + Request("GET");
  cutter.OnRequestBytes(requests.data(), requests.size());
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 999\r\n\r\n";
  const std::string notModified = "HTTP/1.1 304 Not Modified\r\n\r\n";
  const std::string empty = Response(200, "");
  const std::string get = Response(200, "0123456789");
  const std::string stream = head + notModified + empty + get;
  EXPECT_EQ(Pass(cutter, stream, 5), stream.substr(0, stream.size() - 7));
  EXPECT_EQ(offered, std::vector<std::uint64_t>{10});
  EXPECT_EQ(cutter.responses(), 4u);
}

TEST(ResponseCutterTest, BodiesOfUnknownLengthAndBrokenStreamsPassWhole) {
  struct Case {
    const char* name;
    std::string stream;
  };
  const Case cases[] = {
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n0\r\n\r\n"},
      {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n" + std::string(3000, 'x')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResponseCutter cutter([](std::uint64_t) -> std::optional<std::uint64_t> { return 0; });
    const std::string request = Request("GET");
    cutter.OnRequestBytes(request.data(), request.size());
    EXPECT_EQ(Pass(cutter, c.stream, 11), c.stream);
    EXPECT_FALSE(cutter.cut());
  }
}

}  // namespace
}  // namespace linksim
