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

// A worker on the range starting at `start` of a kLength-byte file whose
// three ranges are all still to fetch.
struct Segment {
  cwtest::TempDir dir;
  cwplat::CFile file;
  std::shared_ptr<RangeAnswers> answers = std::make_shared<RangeAnswers>();
  CTask ranges[3];
  CTask& task;
  std::unique_ptr<CDownloadThread> worker;

  explicit Segment(std::int64_t start, const std::string& url = "") : task(ranges[start / kRange]) {
    EXPECT_EQ(file.Open(dir / "out.bin", cwplat::CFile::Mode::CreateReadWrite), 0);
    for (int i = 0; i < 3; ++i) {
      ranges[i].StartPos = i * kRange;
      ranges[i].EndPos = i < 2 ? (i + 1) * kRange - 1 : kLength;
      ranges[i].DownloadedPos.store(ranges[i].StartPos);
      ranges[i].contentLength = kLength;
      ranges[i].id.store(i + 1);
      ranges[i].remotePath = url;
    }
    answers->setTasks({&ranges[0], &ranges[1], &ranges[2]});
    worker = std::make_unique<CDownloadThread>(cwplat::CreateNamedMutex(CDownloadThreadManager::kMutexName), &file,
                                               answers);
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
    Segment s(kRange);
    EXPECT_EQ(s.headers(c.lines), c.headersPass);
    if (c.headersPass) {
      EXPECT_EQ(s.body("abc"), c.bodyWritten);
    }
    EXPECT_EQ(s.disk().size(), c.bodyWritten ? static_cast<std::size_t>(kRange + 3) : 0u);
    EXPECT_EQ(s.task.DownloadedPos.load(), c.bodyWritten ? kRange + 3 : kRange);
    // Only the whole-file answer tells the pool that this server ignores ranges.
    EXPECT_EQ(s.answers->rangesIgnored.load(), c.lines.front() == "HTTP/1.1 200 OK");
  }
}

TEST(SegmentAnswer, WholeFileIsTakenOnlyForTheLowestMissingRangeAtTheExpectedSize) {
  cwtest::LogCapture log;
  Segment first(0);
  EXPECT_TRUE(first.headers({"HTTP/1.1 200 OK", "Content-Length: " + std::to_string(kLength)}));
  EXPECT_TRUE(first.body("abc"));
  EXPECT_FALSE(first.answers->rangesIgnored.load());
  EXPECT_TRUE(first.answers->streaming.load());

  // Resumed with the first range on disk, the second is the lowest missing.
  Segment second(kRange);
  second.ranges[0].DownloadedPos.store(second.ranges[0].EndPos);
  EXPECT_TRUE(second.headers({"HTTP/1.1 200 OK", "Content-Length: " + std::to_string(kLength)}));
  EXPECT_TRUE(second.body(std::string(kRange + 1, 'z')));
  EXPECT_EQ(second.task.DownloadedPos.load(), kRange + 1);

  // The file changed size since the probe (any spelling of the name).
  Segment changed(0);
  EXPECT_FALSE(changed.headers({"HTTP/1.1 200 OK", "content-length: " + std::to_string(kLength + 1)}));
  EXPECT_FALSE(changed.body("abc"));
  EXPECT_TRUE(log.has(" Tasks info, range refused, id = 1, whole file of " + std::to_string(kLength + 1) +
                      " bytes, expected " + std::to_string(kLength)));
  EXPECT_FALSE(changed.answers->streaming.load()) << "a refused answer gives the stream back";

  // A 206's length is that of the range, not the file's.
  Segment partial(0);
  EXPECT_TRUE(partial.headers({"HTTP/1.1 206 Partial Content", "Content-Length: 4194304"}));
  EXPECT_FALSE(partial.answers->rangesIgnored.load());
}

TEST(SegmentAnswer, WholeFileResumesTheFirstRangeBehindWhatIsOnDisk) {
  const std::string data = enginetest::TestBytes(static_cast<std::size_t>(kRange), 51);
  Segment s(0);
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
  EXPECT_TRUE(s.body(data.substr(kRange - 1)));
  EXPECT_EQ(s.task.DownloadedPos.load(), s.task.EndPos);
  const std::string disk = s.disk();
  ASSERT_EQ(disk.size(), static_cast<std::size_t>(kRange));
  EXPECT_EQ(disk[999], 'x');
  EXPECT_TRUE(enginetest::SameBytes(disk.substr(1000), data.substr(1000)));
}

TEST(SegmentAnswer, ServerThatIgnoresRangesIsTakenInOneStream) {
  devtest::DevServer server;
  ASSERT_TRUE(server.ready());
  const std::string data = enginetest::TestBytes(static_cast<std::size_t>(kLength), 50);
  cwtest::WriteFile(server.root() + "/pkg.bin", data);
  const std::string url = server.Url("/files/pkg.bin?ignore_range=1");
  cwtest::LogCapture log;

  // The whole file for the first range: it streams on through the later
  // ranges, each at its own offset, and then gives the stream back.
  Segment first(0, url);
  EXPECT_EQ(first.worker->taskBusiness(), 1);
  EXPECT_EQ(first.task.status.load(), CTask::kComplete);
  EXPECT_EQ(first.task.RequestTimes.load(), 0);
  for (const CTask& range : first.ranges) EXPECT_EQ(range.DownloadedPos.load(), range.EndPos);
  EXPECT_TRUE(enginetest::SameBytes(first.disk(), data));
  EXPECT_FALSE(first.answers->streaming.load());
  EXPECT_EQ(log.count(" The server ignores ranges: the whole file comes in one stream, from task 1"), 1u);

  // The same answer for a later range while the first is missing: nothing
  // written, left to fetch again.
  Segment later(kRange, url);
  EXPECT_EQ(later.worker->taskBusiness(), 1);
  EXPECT_EQ(later.task.status.load(), CTask::kFailed);
  EXPECT_EQ(later.task.RequestTimes.load(), 1);
  EXPECT_EQ(later.task.DownloadedPos.load(), kRange);
  EXPECT_EQ(later.disk(), "");
  EXPECT_TRUE(later.answers->rangesIgnored.load());
}

}  // namespace
