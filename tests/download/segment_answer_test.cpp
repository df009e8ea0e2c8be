// Which answers a segment request writes: the status line, the declared length
// of a whole-file answer and the first byte of a Content-Range decide before
// any body byte reaches the file.
#include "CDownloadThread.h"
#include "CDownloadThreadManager.h"
#include "EngineTestSupport.h"
#include "support/DevServerHarness.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::int64_t kRange = CTask::kRangeSize;
constexpr std::int64_t kLength = 3 * kRange;

// A worker on the range [start, end] of a kLength-byte file.
struct Segment {
  cwtest::TempDir dir;
  cwplat::CFile file;
  std::shared_ptr<std::atomic<bool>> rangesIgnored = std::make_shared<std::atomic<bool>>(false);
  std::unique_ptr<CDownloadThread> worker;
  CTask task;

  Segment(std::int64_t start, std::int64_t end, const std::string& url = "") {
    EXPECT_EQ(file.Open(dir / "out.bin", cwplat::CFile::Mode::CreateReadWrite), 0);
    worker = std::make_unique<CDownloadThread>(cwplat::CreateNamedMutex(CDownloadThreadManager::kMutexName), &file,
                                               rangesIgnored);
    task.StartPos = start;
    task.EndPos = end;
    task.DownloadedPos.store(start);
    task.contentLength = kLength;
    task.id.store(1);
    task.remotePath = url;
    worker->doTask(&task);
    worker->prepareTransfer();
  }

  // Header lines through the client's header function, as libcurl hands them
  // over; true when the transfer goes on after all of them.
  bool headers(const std::vector<std::string>& lines) {
    for (std::string line : lines) {
      line += "\r\n";
      CSegmentSink* sink = worker.get();
      if (CLibcurlTool::HeaderCallback(line.data(), 1, line.size(), sink) != line.size()) return false;
    }
    return true;
  }
  bool body(const std::string& data) { return worker->downloadFunc(data.data(), 1, data.size()) == data.size(); }
  std::string disk() { return cwtest::ReadFile(dir / "out.bin"); }
};

TEST(SegmentAnswer, OnlyTheAskedRangeReachesTheFile) {
  const std::string range = "Content-Range: bytes 4194304-8388607/" + std::to_string(kLength);
  struct Case {
    std::vector<std::string> lines;
    bool headersPass;
    bool bodyWritten;
  };
  const std::vector<Case> cases = {
      {{"HTTP/1.1 206 Partial Content", range, "Content-Length: 4194304"}, true, true},
      {{"HTTP/2 206 ", range}, true, true},
      {{"HTTP/1.1 100 Continue", "", "HTTP/1.1 206 Partial Content", range}, true, true},
      {{"HTTP/1.1 302 Found", "Location: /elsewhere", "", "HTTP/1.1 206 Partial Content", range}, true, true},
      // A 3xx that is not followed is the final answer: its body is no range.
      {{"HTTP/1.1 304 Not Modified", ""}, true, false},
      {{"HTTP/1.1 503 Service Unavailable"}, false, false},
      {{"HTTP/1.1 416 Range Not Satisfiable"}, false, false},
      {{"HTTP/1.1 200 OK"}, false, false},  // the whole file, but the range is not at byte 0
      {{"HTTP/1.1 206 Partial Content", "Content-Range: bytes 0-4194303/" + std::to_string(kLength)}, false, false},
      {{"HTTP/1.1 206 Partial Content", "Content-Range: bytes 4194304-8388607/1"}, false, false},
      // HTTP/2 names are lower case: the same checks, the same refusals.
      {{"HTTP/2 206 ", "content-range: bytes 4194304-8388607/" + std::to_string(kLength)}, true, true},
      {{"HTTP/2 206 ", "content-range: bytes 0-4194303/" + std::to_string(kLength)}, false, false},
      {{"HTTP/2 206 ", "content-range: bytes 4194305-8388607/" + std::to_string(kLength)}, false, false},
      {{"HTTP/2 206 ", "content-range: bytes 4194304-8388607/" + std::to_string(kLength + 1)}, false, false},
      {{"HTTP/2 206 ", "content-range: bytes 4194304-8388607"}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines.front() + " / " + c.lines.back());
    Segment s(kRange, 2 * kRange - 1);
    EXPECT_EQ(s.headers(c.lines), c.headersPass);
    if (c.headersPass) {
      EXPECT_EQ(s.body("abc"), c.bodyWritten);
    }
    EXPECT_EQ(s.disk().size(), c.bodyWritten ? static_cast<std::size_t>(kRange + 3) : 0u);
    EXPECT_EQ(s.task.DownloadedPos.load(), c.bodyWritten ? kRange + 3 : kRange);
    // Only the whole-file answer tells the pool that this server ignores ranges.
    EXPECT_EQ(s.rangesIgnored->load(), c.lines.front() == "HTTP/1.1 200 OK");
  }
}

TEST(SegmentAnswer, WholeFileIsTakenOnlyFromByteZeroAtTheExpectedSize) {
  cwtest::LogCapture log;
  Segment first(0, kRange - 1);
  EXPECT_TRUE(first.headers({"HTTP/1.1 200 OK", "Content-Length: " + std::to_string(kLength)}));
  EXPECT_TRUE(first.body("abc"));
  EXPECT_FALSE(first.rangesIgnored->load());

  // The file changed size since the probe (any spelling of the name).
  Segment changed(0, kRange - 1);
  EXPECT_FALSE(changed.headers({"HTTP/1.1 200 OK", "content-length: " + std::to_string(kLength + 1)}));
  EXPECT_FALSE(changed.body("abc"));
  EXPECT_TRUE(log.has(" Tasks info, range refused, id = 1, whole file of " + std::to_string(kLength + 1) +
                      " bytes, expected " + std::to_string(kLength)));

  // A 206's length is that of the range, not the file's.
  Segment partial(0, kRange - 1);
  EXPECT_TRUE(partial.headers({"HTTP/1.1 206 Partial Content", "Content-Length: 4194304"}));
  EXPECT_FALSE(partial.rangesIgnored->load());
}

TEST(SegmentAnswer, WholeFileResumesTheFirstRangeBehindWhatIsOnDisk) {
  const std::string data = enginetest::TestBytes(static_cast<std::size_t>(kRange), 51);
  Segment s(0, kRange - 1);
  s.task.DownloadedPos.store(1000);
  s.worker->prepareTransfer();
  cwplat::CFile& file = s.file;
  ASSERT_EQ(file.WriteAt("x", 1, 999), 1u);  // the old bytes stay as they are
  ASSERT_TRUE(s.headers({"HTTP/1.1 200 OK", "Content-Length: " + std::to_string(kLength)}));
  // Blocks that end before, cross, and lie behind the resume point.
  EXPECT_TRUE(s.body(data.substr(0, 600)));
  EXPECT_EQ(s.task.DownloadedPos.load(), 1000);
  EXPECT_TRUE(s.body(data.substr(600, 1400)));
  EXPECT_EQ(s.task.DownloadedPos.load(), 2000);
  EXPECT_TRUE(s.body(data.substr(2000, kRange - 2000 - 1)));
  EXPECT_FALSE(s.body(data.substr(kRange - 1) + "surplus"));
  EXPECT_EQ(s.task.DownloadedPos.load(), s.task.EndPos);
  const std::string disk = s.disk();
  ASSERT_EQ(disk.size(), static_cast<std::size_t>(kRange));
  EXPECT_EQ(disk[999], 'x');
  EXPECT_TRUE(enginetest::SameBytes(disk.substr(1000), data.substr(1000)));
}

TEST(SegmentAnswer, ServerThatIgnoresRangesCompletesOnlyTheFirstRange) {
  devtest::DevServer server;
  ASSERT_TRUE(server.ready());
  const std::string data = enginetest::TestBytes(static_cast<std::size_t>(kLength), 50);
  cwtest::WriteFile(server.root() + "/pkg.bin", data);
  const std::string url = server.Url("/files/pkg.bin?ignore_range=1");

  // The whole file from byte 0: the range is kept, the surplus cut off, and
  // the range counts as done although the cut ends the transfer with an error.
  Segment first(0, kRange - 1, url);
  EXPECT_EQ(first.worker->taskBusiness(), 1);
  EXPECT_EQ(first.task.status.load(), CTask::kComplete);
  EXPECT_EQ(first.task.RequestTimes.load(), 0);
  EXPECT_TRUE(enginetest::SameBytes(first.disk(), data.substr(0, kRange)));

  // The same answer for a later range: nothing written, left to fetch again.
  Segment later(kRange, 2 * kRange - 1, url);
  EXPECT_EQ(later.worker->taskBusiness(), 1);
  EXPECT_EQ(later.task.status.load(), CTask::kFailed);
  EXPECT_EQ(later.task.RequestTimes.load(), 1);
  EXPECT_EQ(later.task.DownloadedPos.load(), kRange);
  EXPECT_EQ(later.disk(), "");
  EXPECT_TRUE(later.rangesIgnored->load());
}

}  // namespace
