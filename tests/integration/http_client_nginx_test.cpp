// The HTTP client against a real nginx: the reference for range semantics.
#include "CDownloadThread.h"
#include "CDownloadThreadManager.h"
#include "CLibcurlTool.h"
#include "Deployment.h"
#include "SegmentSink.h"
#include "support/LogCapture.h"
#include "support/NginxServer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Writes each block at its place in a buffer, as the download worker does.
class BufferSink : public CSegmentSink {
 public:
  BufferSink(std::int64_t first, std::int64_t expected) : position(first), expected(expected) {}
  std::size_t downloadFunc(const char* data, std::size_t, std::size_t nmemb) override {
    if (buffer.size() < static_cast<std::size_t>(position) + nmemb) buffer.resize(position + nmemb);
    std::memcpy(buffer.data() + position, data, nmemb);
    position += static_cast<std::int64_t>(nmemb);
    received += nmemb;
    return nmemb;
  }
  std::int64_t expectedContentLength() const override { return expected; }
  std::string& cdnText() override { return cdn; }
  const std::string& probeCdnText() const override { return probe; }
  int taskId() const override { return 1; }
  bool taskLogging() const override { return true; }

  std::string buffer;
  std::int64_t position;
  std::int64_t expected;
  std::size_t received = 0;
  std::string cdn, probe;
};

class NginxClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    content.resize(10 * 1024 * 1024 + 123);
    for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>((i * 2654435761u) >> 13);
    cwtest::WriteFile(dir / "package.exe", content);
    nginx = std::make_unique<cwtest::NginxServer>(
        dir.path(),
        "location = /moved.exe { return 302 /package.exe; }\n"
        "location = /choose.exe { return 300 \"pick a mirror\"; }\n" +
            cwtest::SchemeRedirects(dir / "package.exe", "package.exe"));
    if (!nginx->running()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");
    ASSERT_TRUE(tool.init());
  }

  cwtest::TempDir dir;
  std::string content;
  std::unique_ptr<cwtest::NginxServer> nginx;
  CLibcurlTool tool;
};

TEST_F(NginxClientTest, RangedSegmentsArriveWhole) {
  const auto size = static_cast<std::int64_t>(content.size());
  const std::int64_t chunk = 4 * 1024 * 1024;
  for (std::int64_t first = 0; first < size; first += chunk) {
    const std::int64_t last = std::min(first + chunk - 1, size - 1);
    BufferSink sink(first, size);
    ASSERT_EQ(tool.httpDownloadContent(nginx->url("/package.exe"), first, last, 0, &sink), CURLE_OK);
    ASSERT_EQ(sink.received, static_cast<std::size_t>(last - first + 1));
    EXPECT_EQ(sink.buffer.substr(first), content.substr(first, last - first + 1));
  }
}

TEST_F(NginxClientTest, ChangedRemoteSizeStopsBeforeAnyBodyByte) {
  cwtest::LogCapture log;
  BufferSink sink(0, static_cast<std::int64_t>(content.size()) + 1);
  EXPECT_EQ(tool.httpDownloadContent(nginx->url("/package.exe"), 0, 1023, 0, &sink), CURLE_WRITE_ERROR);
  EXPECT_EQ(sink.received, 0u);
  EXPECT_TRUE(log.has(" 接收数据错误"));
  // The handle is reset for the next request: nothing of the failed one leaks into it.
  BufferSink good(0, static_cast<std::int64_t>(content.size()));
  EXPECT_EQ(tool.httpDownloadContent(nginx->url("/package.exe"), 0, 1023, 0, &good), CURLE_OK);
  EXPECT_EQ(good.received, 1024u);
}

TEST_F(NginxClientTest, WorkerTakesTheRangeBehindARedirectButNoOtherBody) {
  cwtest::TempDir out;
  cwplat::CFile file;
  ASSERT_EQ(file.Open(out / "out.bin", cwplat::CFile::Mode::CreateReadWrite), 0);
  CDownloadThread worker(cwplat::CreateNamedMutex(CDownloadThreadManager::kMutexName), &file);
  CTask task;
  task.StartPos = 4 * 1024 * 1024;
  task.EndPos = 8 * 1024 * 1024 - 1;
  task.DownloadedPos.store(task.StartPos);
  task.contentLength = static_cast<std::int64_t>(content.size());
  task.remotePath = nginx->url("/moved.exe");  // nginx's 302 carries an HTML body
  worker.doTask(&task);
  worker.taskBusiness();
  EXPECT_EQ(task.status.load(), CTask::kComplete);
  EXPECT_EQ(cwtest::ReadFile(out / "out.bin").substr(static_cast<std::size_t>(task.StartPos)),
            content.substr(static_cast<std::size_t>(task.StartPos), 4 * 1024 * 1024));

  // A 3xx without a target is the final answer; its text is not the range.
  cwtest::LogCapture log;
  CTask other;
  other.id.store(2);
  other.EndPos = 1024 * 1024 - 1;
  other.contentLength = task.contentLength;
  other.remotePath = nginx->url("/choose.exe");
  worker.doTask(&other);
  worker.taskBusiness();
  EXPECT_EQ(other.status.load(), CTask::kFailed);
  EXPECT_EQ(other.DownloadedPos.load(), 0);
  EXPECT_TRUE(log.has(" Tasks info, range refused, id = 2, answer 300 carries no range"));
}

TEST_F(NginxClientTest, HeaderProbeAndDocumentGet) {
  char headers[CLibcurlTool::kHeaderBufferSize];
  long status = 0;
  ASSERT_EQ(tool.httpGet(nginx->url("/package.exe"), headers, status), CURLE_OK);
  EXPECT_EQ(status, 200);
  EXPECT_NE(std::string(headers).find("Content-Length: " + std::to_string(content.size())), std::string::npos);

  ASSERT_EQ(tool.httpGet(nginx->url("/missing.exe"), headers, status), CURLE_OK);
  EXPECT_EQ(status, 404);

  cwtest::WriteFile(dir / "info.xml", "<Downloader><Md5>x</Md5></Downloader>");
  std::string body;
  ASSERT_EQ(tool.httpGet(nginx->url("/info.xml"), body), CURLE_OK);
  EXPECT_EQ(body, "<Downloader><Md5>x</Md5></Downloader>");
}

// A document or a server may name any scheme; every form opens http and https
// only, the first URL and every redirect alike. Before, a file:// URL read the
// local file and a redirect to ftp:// was followed.
TEST_F(NginxClientTest, EveryFormRefusesSchemesOtherThanHttpAndHttps) {
  const std::string size = std::to_string(content.size());
  struct Case {
    std::string url;
    bool redirect;
  };
  const std::vector<Case> cases = {
      {"file://" + (dir / "package.exe"), false},
      {"FILE://" + (dir / "package.exe"), false},
      {"ftp://127.0.0.1:1/package.exe", false},
      {"scp://127.0.0.1:1/package.exe", false},
      {nginx->url("/to-file"), true},
      {nginx->url("/to-ftp"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    cwtest::LogCapture log;
    char headers[CLibcurlTool::kHeaderBufferSize];
    long status = 0;
    EXPECT_EQ(tool.httpGet(c.url, headers, status), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(std::string(headers).find("Content-Length: " + size), std::string::npos);
    std::string body;
    EXPECT_EQ(tool.httpGet(c.url, body), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(body.find(content.substr(0, 64)), std::string::npos);
    BufferSink sink(0, static_cast<std::int64_t>(content.size()));
    EXPECT_EQ(tool.httpDownloadContent(c.url, 0, 1023, 0, &sink), CURLE_UNSUPPORTED_PROTOCOL);
    EXPECT_EQ(sink.received, 0u);
    EXPECT_EQ(log.count(" ProtoControl Unsupport!"), 2u);  // the probe and the segment log it
    // The POST follows no redirect; its first URL is held to the same rule.
    std::string response;
    EXPECT_EQ(CLibcurlTool::HttpPost(c.url, "a=b", response), c.redirect ? CURLE_OK : CURLE_UNSUPPORTED_PROTOCOL);
  }

  // A redirect to http is still followed by every form.
  char headers[CLibcurlTool::kHeaderBufferSize];
  long status = 0;
  ASSERT_EQ(tool.httpGet(nginx->url("/to-http"), headers, status), CURLE_OK);
  EXPECT_EQ(status, 200);
  EXPECT_NE(std::string(headers).find("Content-Length: " + size), std::string::npos);
  BufferSink sink(0, static_cast<std::int64_t>(content.size()));
  ASSERT_EQ(tool.httpDownloadContent(nginx->url("/to-http"), 0, 1023, 0, &sink), CURLE_OK);
  EXPECT_EQ(sink.buffer, content.substr(0, 1024));
  std::string body;
  ASSERT_EQ(tool.httpGet(nginx->url("/to-http"), body), CURLE_OK);
  EXPECT_TRUE(body == content);
}

// Over HTTP/2 every header name is lower case; the segment's size check
// reads "content-range" as it reads "Content-Range".
TEST(NginxHttp2Client, ChangedRemoteSizeStopsTheSegmentOverHttp2) {
  cwtest::TempDir dir;
  const std::string content(3 * 1024 * 1024 + 17, 'q');
  cwtest::WriteFile(dir / "package.exe", content);
  cwtest::NginxServer nginx(dir.path(), "", true);
  if (!nginx.running()) CW_SKIP_WITHOUT_TOOL("nginx is not installed");
  ASSERT_TRUE(CDeployment::Instance().LoadFromText("<D><TlsTrustAnchor file=\"" + nginx.caFile() + "\"/></D>"));
  CLibcurlTool tool;
  ASSERT_TRUE(tool.init());
  const auto size = static_cast<std::int64_t>(content.size());

  cwtest::LogCapture log;
  for (const std::int64_t expected : {size + 1, size - 1}) {
    BufferSink changed(1024, expected);
    EXPECT_EQ(tool.httpDownloadContent(nginx.url("/package.exe"), 1024, 2047, 0, &changed), CURLE_WRITE_ERROR);
    EXPECT_EQ(changed.received, 0u);
    EXPECT_TRUE(log.has(" HeaderCallback error1: " + std::to_string(expected) +
                        " != content-range: bytes 1024-2047/" + std::to_string(size) + "\r\n"));
  }
  BufferSink good(1024, size);
  EXPECT_EQ(tool.httpDownloadContent(nginx.url("/package.exe"), 1024, 2047, 0, &good), CURLE_OK);
  EXPECT_EQ(good.received, 1024u);
  CDeployment::Instance().Load();
}

TEST_F(NginxClientTest, OversizedDocumentIsRefused) {
  std::string huge(CLibcurlTool::kMaxDocumentBytes + 1, 'a');
  cwtest::WriteFile(dir / "huge.xml", huge);
  std::string body;
  EXPECT_EQ(tool.httpGet(nginx->url("/huge.xml"), body), CURLE_WRITE_ERROR);
  EXPECT_LE(body.size(), CLibcurlTool::kMaxDocumentBytes);
}

}  // namespace
