// The simulator itself between libcurl and a real nginx: the rates, delays and
// cuts it promises, with the bytes unchanged. Times have a floor (the link may
// never be faster than its shape) and a generous ceiling for a busy machine.
#include "support/ChildProcess.h"
#include "support/DevServerHarness.h"
#include "support/NginxServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <future>
#include <string>
#include <vector>

namespace {

using devtest::Fetch;
using devtest::PatternBytes;
using devtest::Reply;

class LinkSim {
 public:
  LinkSim(int upstreamPort, std::vector<std::string> args) : m_port(cwtest::FreeLoopbackPort()) {
    args.insert(args.end(), {"--upstream", "127.0.0.1:" + std::to_string(upstreamPort), "--listen-port",
                             std::to_string(m_port)});
    m_process = std::make_unique<cwtest::ChildProcess>(CW_LINKSIM_EXE, args, std::map<std::string, std::string>{},
                                                       m_dir / "linksim.log");
    m_ready = m_process->started() && cwtest::WaitUntil(5000, [this] { return cwtest::PortAccepts(m_port); });
  }
  bool ready() const { return m_ready; }
  std::string Url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }

 private:
  cwtest::TempDir m_dir;
  int m_port;
  std::unique_ptr<cwtest::ChildProcess> m_process;
  bool m_ready = false;
};

class LinkSimTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cwtest::WriteFile(m_root / "f.bin", PatternBytes(0, kSize));
    m_nginx = std::make_unique<cwtest::NginxServer>(m_root.path());
    if (!m_nginx->running()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");
  }
  int upstream() const { return m_nginx->port(); }

  static constexpr std::uint64_t kSize = 1024 * 1024;
  cwtest::TempDir m_root;
  std::unique_ptr<cwtest::NginxServer> m_nginx;
};

devtest::Request Range(std::uint64_t first, std::uint64_t count) {
  devtest::Request r;
  r.range = std::to_string(first) + "-" + std::to_string(first + count - 1);
  return r;
}

TEST_F(LinkSimTest, TransfersTakeWhatTheLinkShapeAllows) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int parallel;          // fetches of `bytes` each, at once
    std::uint64_t bytes;
    double seconds;        // the shape's time for each of them
  };
  const Case cases[] = {
      // 1 MiB at 8 Mbit/s: 1.05 s.
      {"shared rate, one connection", {"--rate-mbit", "8"}, 1, kSize, 1.05},
      // Two 512 KiB at once share the 8 Mbit/s: each as long as the whole file alone.
      {"shared rate, two connections", {"--rate-mbit", "8"}, 2, kSize / 2, 1.05},
      // The per-connection cap, not the wide link, sets the pace.
      {"per-connection cap", {"--rate-mbit", "400", "--per-conn-mbit", "4"}, 2, kSize / 2, 1.05},
      // Handshake and request each take a round trip of 300 ms.
      {"round trips", {"--rtt-ms", "300"}, 1, 1000, 0.6},
      // Slow start: flights of 14.5 kB doubling each round trip; the sixth carries the last 68 kB of the
      // 512 KiB, five round trips after the first byte came at 0.6 s: 0.6 + 1.5 + 0.07 s.
      {"slow start", {"--rtt-ms", "300", "--rate-mbit", "8", "--slow-start"}, 1, kSize / 2, 2.17},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LinkSim link(upstream(), c.args);
    ASSERT_TRUE(link.ready());
    std::vector<std::future<Reply>> replies;
    for (int i = 0; i < c.parallel; ++i) {
      replies.push_back(std::async(std::launch::async, [&, i] { return Fetch(link.Url("/f.bin"), Range(i * c.bytes, c.bytes)); }));
    }
    for (int i = 0; i < c.parallel; ++i) {
      const Reply reply = replies[i].get();
      ASSERT_EQ(reply.code, CURLE_OK);
      EXPECT_EQ(reply.body, PatternBytes(i * c.bytes, c.bytes));
      EXPECT_GE(reply.seconds, c.seconds * 0.95);
      EXPECT_LE(reply.seconds, c.seconds * 1.4 + 0.3);
    }
  }
}

TEST_F(LinkSimTest, CutsResponsesWithAResetAtARandomBodyByte) {
  LinkSim link(upstream(), {"--cut-share", "1", "--seed", "3"});
  ASSERT_TRUE(link.ready());
  std::vector<std::size_t> lengths;
  for (int i = 0; i < 8; ++i) {
    const Reply reply = Fetch(link.Url("/f.bin"), Range(1000, 100'000));
    EXPECT_EQ(reply.code, CURLE_RECV_ERROR);  // a reset; a FIN would be CURLE_PARTIAL_FILE
    EXPECT_EQ(reply.status, 206);
    ASSERT_LT(reply.body.size(), 100'000u);
    EXPECT_EQ(reply.body, PatternBytes(1000, reply.body.size()));
    lengths.push_back(reply.body.size());
  }
  // The cut falls at a different byte each time.
  std::sort(lengths.begin(), lengths.end());
  EXPECT_EQ(std::unique(lengths.begin(), lengths.end()), lengths.end());

  devtest::Request head;
  head.method = "HEAD";
  EXPECT_EQ(Fetch(link.Url("/f.bin"), head).code, CURLE_OK);  // no body, nothing to cut
}

TEST_F(LinkSimTest, ResponsesFollowedButNotCutPassUnchanged) {
  LinkSim link(upstream(), {"--cut-share", "0.0001", "--seed", "1", "--rate-mbit", "200", "--rtt-ms", "2"});
  ASSERT_TRUE(link.ready());
  for (int i = 0; i < 5; ++i) {
    const Reply reply = Fetch(link.Url("/f.bin"));
    ASSERT_EQ(reply.code, CURLE_OK);
    EXPECT_EQ(reply.body, PatternBytes(0, kSize));
  }
}

}  // namespace
