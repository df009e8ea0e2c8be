// Download starts against the local service stack's fault modes: cut and
// reset connections, stalls, wrong sizes, error pages, servers that ignore
// ranges, CDN marks.
#include "DownLoadImpl.h"
#include "EngineTestSupport.h"
#include "support/DevServerHarness.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

using enginetest::EventRecorder;
using enginetest::TestBytes;
using enginetest::TuningScope;

constexpr std::size_t kRange = 4 * 1024 * 1024;

class DevServerDownload : public ::testing::Test {
 protected:
  void SetUp() override {
    m_server = std::make_unique<devtest::DevServer>();
    ASSERT_TRUE(m_server->ready());
    DownloadTuning tuning;
    tuning.stallLimitMs = 1000;  // a stalled range ends the start in a second, not a minute
    Retune(tuning);
  }
  void Retune(const DownloadTuning& tuning) {
    m_tuning.reset();  // the old scope's end would undo the new one
    m_tuning = std::make_unique<TuningScope>(tuning);
  }

  void Serve(const std::string& data) { cwtest::WriteFile(m_server->root() + "/pkg.bin", data); }
  // Faults for the next `count` range requests.
  void QueueRangeFaults(const std::string& fields, int count) {
    ASSERT_EQ(m_server->Control(R"({"faults": {"count": )" + std::to_string(count) +
                                R"(, "method": "GET", "path_prefix": "/files/", )" + fields + "}}"),
              200);
  }
  EnumErrorCode Download(const std::string& query = "") {
    m_report = "unset";
    return CDownLoadImpl::SuperDownloadFile(m_server->Url("/files/pkg.bin" + query), m_out, m_report, false);
  }

  std::unique_ptr<devtest::DevServer> m_server;
  std::unique_ptr<TuningScope> m_tuning;
  cwtest::TempDir m_dir;
  std::string m_out = m_dir / "pkg.bin";
  std::string m_report;
};

TEST_F(DevServerDownload, RangeCutJustBeforeItsLastByteIsCompletedLater) {
  const std::string data = TestBytes(2 * kRange + 100, 31);
  Serve(data);
  // Each range answer ends cleanly one byte short of the first range's end.
  QueueRangeFaults(R"("truncate": )" + std::to_string(kRange - 1), 2);
  EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(DevServerDownload, ResetsMidRangeResumeWithoutRefetching) {
  cwtest::LogCapture log;
  const std::string data = TestBytes(3 * kRange + 12345, 32);
  Serve(data);
  QueueRangeFaults(R"("reset_after": 1000000)", 2);
  EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
  EXPECT_TRUE(log.has("too long no speed:"));
  EXPECT_TRUE(log.has(" Stopping Download,Mission Failed"));
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
  // Only what was lost is asked for again: every resumed range starts past byte 0 of its range.
  std::int64_t sent = 0;
  for (const Json::Value& r : m_server->Records()) sent += r["path"].asString() == "/files/pkg.bin" ? r["sent"].asInt64() : 0;
  EXPECT_LT(sent, static_cast<std::int64_t>(data.size()) + 2 * 1000000);
}

// A start that cannot progress ends with 10 and the next start resumes: a
// stalled range after the stall limit, once its request has ended; ranges
// that all failed at once, whatever the stall limit.
TEST_F(DevServerDownload, StartThatCannotProgressEndsWith10AndResumes) {
  const struct {
    std::string fault;
    std::uint64_t stallLimitMs;
    std::chrono::milliseconds atLeast, below;
  } cases[] = {
      {R"("stall": 3)", 1000, std::chrono::milliseconds(2000), std::chrono::milliseconds(10000)},
      {R"("status": 503)", 60000, std::chrono::milliseconds(0), std::chrono::milliseconds(3000)},
  };
  const std::string data = TestBytes(3 * kRange + 7, 33);  // three ranges
  Serve(data);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fault);
    DownloadTuning tuning;
    tuning.stallLimitMs = c.stallLimitMs;
    Retune(tuning);
    std::filesystem::remove(m_out);
    std::filesystem::remove(m_out + ".xml");
    QueueRangeFaults(c.fault, 3);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
    EXPECT_GE(std::chrono::steady_clock::now() - start, c.atLeast);
    EXPECT_LT(std::chrono::steady_clock::now() - start, c.below);
    EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
    EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
  }
}

// A driver that outlives its join limit still owns the file: the next start
// of the same file is refused while it lives, and goes ahead once it ended.
TEST_F(DevServerDownload, NoSecondWriterWhileAnEarlierDriverLives) {
  DownloadTuning tuning;
  tuning.stallLimitMs = 500;
  tuning.driverJoinMs = 200;
  Retune(tuning);
  const std::string data = TestBytes(kRange / 2, 36);
  Serve(data);
  QueueRangeFaults(R"("stall": 3)", 1);
  cwtest::LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
  EXPECT_TRUE(log.has(" download driver did not end in time, left running"));
  EXPECT_EQ(Download(), DOWNLOAD_OPEN_FILE_FAILED);
  EXPECT_EQ(m_report, "");
  EXPECT_TRUE(log.has(" An earlier start of " + m_out + " still writes to it, this start is refused"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500)) << "refused within its bound";
  // Once the stalled request has ended, so has the earlier driver.
  std::this_thread::sleep_until(start + std::chrono::milliseconds(3500));
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(DevServerDownload, WrongContentRangeTotalWritesNothingInEitherSpelling) {
  Serve(TestBytes(kRange / 4, 34));
  for (const char* lowercase : {"false", "true"}) {
    SCOPED_TRACE(std::string("lowercase_headers ") + lowercase);
    ASSERT_EQ(m_server->Control(std::string(R"({"switches": {"lowercase_headers": )") + lowercase + "}}"), 200);
    cwtest::LogCapture log;
    m_out = m_dir / (std::string(lowercase) + ".bin");
    QueueRangeFaults(R"("wrong_total": 1)", 1);
    EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
    EXPECT_TRUE(log.has(" 接收数据错误"));
    const std::string name = std::string(lowercase) == "true" ? "content-range: " : "Content-Range: ";
    bool headerError = false;
    for (const std::string& line : log.lines()) {
      headerError |= line.find(" HeaderCallback error1: ") != std::string::npos && line.find(name) != std::string::npos;
    }
    EXPECT_TRUE(headerError);
    EXPECT_EQ(cwtest::ReadFile(m_out), "");  // no byte of the answer reached the file
  }
}

TEST_F(DevServerDownload, ProbeErrorsEndWith6) {
  ASSERT_EQ(m_server->Control(R"({"faults": {"count": 10, "method": "HEAD", "status": 503}})"), 200);
  Serve(TestBytes(1000, 35));
  cwtest::LogCapture log;
  EXPECT_EQ(Download(), DOWNLOAD_GET_SIZE_FAILED);
  EXPECT_TRUE(log.has(" GetSize: Download, error:0/error:0/error:0/error:0/error:0/error:0/error:0/error:0/error:0/"
                      "error:0"));
}

TEST_F(DevServerDownload, ErrorPagesForRangesNeverReachTheFile) {
  const std::string data = TestBytes(2 * kRange + 10, 36);
  Serve(data);
  QueueRangeFaults(R"("status": 503)", 2);
  EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(DevServerDownload, WholeFileAnswersKeepOnlyTheirRange) {
  const std::string data = TestBytes(kRange / 2, 37);
  Serve(data);
  // One range: the whole file is the range, nothing is surplus.
  QueueRangeFaults(R"("ignore_range": 1)", 1);
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));

  // Several ranges, one whole-file answer: whichever range it reaches, the
  // file ends up right within two starts.
  const std::string big = TestBytes(2 * kRange + 10, 38);
  cwtest::WriteFile(m_server->root() + "/big.bin", big);
  m_out = m_dir / "big.bin";
  QueueRangeFaults(R"("ignore_range": 1)", 1);
  const std::string url = m_server->Url("/files/big.bin");
  EnumErrorCode result = CDownLoadImpl::SuperDownloadFile(url, m_out, m_report, false);
  if (result != DOWNLOAD_SUCCESS) {
    EXPECT_EQ(result, DOWNLOAD_LENGTH_ERROR);
    result = CDownLoadImpl::SuperDownloadFile(url, m_out, m_report, false);
  }
  EXPECT_EQ(result, DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), big));
}

// Every range answered with the whole file: the first range's answer is taken
// as one stream, the later ranges' answers write nothing, and the file is
// complete in one start. A stream cut short is taken up again by the next
// start from the first missing range.
TEST_F(DevServerDownload, ServerThatIgnoresRangesIsTakenInOneStream) {
  Retune(DownloadTuning{});  // the real 60 s no-progress limit
  const std::string data = TestBytes(3 * kRange + 10, 40);
  Serve(data);
  for (const bool cut : {false, true}) {
    SCOPED_TRACE(cut ? "stream cut" : "whole stream");
    cwtest::LogCapture log;
    m_out = m_dir / (cut ? "cut.bin" : "whole.bin");
    // Every request of the first start is cut: it is the stream's that matters.
    if (cut) QueueRangeFaults(R"("ignore_range": 1, "reset_after": )" + std::to_string(kRange + 5000), 3);
    QueueRangeFaults(R"("ignore_range": 1)", 1000);
    const auto start = std::chrono::steady_clock::now();
    if (cut) {
      EXPECT_EQ(Download(), DOWNLOAD_LENGTH_ERROR);
    }
    EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
    EXPECT_EQ(log.count(" The server ignores ranges: the whole file comes in one stream, from task 1"), 1u);
    ASSERT_EQ(m_server->Control(R"({"faults": {"clear": true}})"), 200);
  }
}

// Limits of a range request: a slow range that keeps above the floor runs as
// long as it needs; a stalled one is cut after the floor's window, and with
// nothing left to try the start ends at once, not after the stall limit.
TEST_F(DevServerDownload, SlowRangesRunOnAndStalledOnesAreCutAtTheFloor) {
  DownloadTuning tuning;  // the real 60 s no-progress limit
  tuning.segment.lowSpeedBytesPerSecond = 32 * 1024;
  tuning.segment.lowSpeedSeconds = 1;
  Retune(tuning);
  const std::string data = TestBytes(768 * 1024, 42);
  Serve(data);

  QueueRangeFaults(R"("rate": 262144)", 1);  // 3 s at 256 KiB/s, three times the window
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));

  cwtest::LogCapture log;
  m_out = m_dir / "stalled.bin";
  QueueRangeFaults(R"("stall": 30)", 1);
  start = std::chrono::steady_clock::now();
  EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
  // libcurl's speed is that of its last five seconds: the burst before the
  // stall keeps it above the floor a while. Still far below the 30 s stall.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_TRUE(log.has(" Every range left has failed and none is in flight"));
  EXPECT_TRUE(log.has("too long no speed:"));
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(DevServerDownload, WholeFileOfAnotherSizeIsRefused) {
  cwtest::LogCapture log;
  const std::string data = TestBytes(kRange / 4, 41);
  Serve(data);
  // The file grew between the size probe and the GET, and the GET ignored the range.
  QueueRangeFaults(R"("ignore_range": 1, "size_change": 100)", 1);
  EXPECT_EQ(Download(), DOWNLOAD_NO_SPEED);
  EXPECT_TRUE(log.has(" Tasks info, range refused, id = 1, whole file of " + std::to_string(kRange / 4 + 100) +
                      " bytes, expected " + std::to_string(kRange / 4)));
  EXPECT_EQ(cwtest::ReadFile(m_out), "");
  EXPECT_EQ(Download(), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(enginetest::SameBytes(cwtest::ReadFile(m_out), data));
}

TEST_F(DevServerDownload, CloudflareMarksOfTheRangesMakeTheReport) {
  EventRecorder events;
  Serve(TestBytes(2 * kRange, 39));
  EXPECT_EQ(Download("?cdn=cf-hit"), DOWNLOAD_SUCCESS);
  EXPECT_TRUE(events.has("Download/3.CDNStatus/FRA/ HIT"));
  EXPECT_EQ(m_report, "T();C(FRA/HIT;FRA/HIT;)");
  // Lower-case CDN marks, as HTTP/2 delivers them, are not examined.
  m_out = m_dir / "lower.bin";
  EXPECT_EQ(Download("?cdn=cf-hit&lower=1"), DOWNLOAD_SUCCESS);
  EXPECT_EQ(m_report, "");
}

}  // namespace
