// Size texts and the progress record: speed over a 64-bit tick, the reported
// byte count against the exact one, percent that cannot pass 100.
#include "CDownloader.h"
#include "DownLoadImpl.h"
#include "EngineTestSupport.h"
#include "SizeText.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

TEST(SizeText, SplitAndCompactForms) {
  EXPECT_EQ(FuntionImpl::SizeSplitText(1572864), "1M512K");
  EXPECT_EQ(FuntionImpl::SizeText(1572864), "1.5M");
  EXPECT_EQ(FuntionImpl::SizeText(0), "0.00B");
  EXPECT_EQ(FuntionImpl::SizeText(-5), "0.00B");
  EXPECT_EQ(FuntionImpl::SizeSplitText(-5), "");
  EXPECT_EQ(FuntionImpl::SizeText(2048), "2K");
  EXPECT_EQ(FuntionImpl::SizeText(512), "512B");
  EXPECT_EQ(FuntionImpl::SizeText(1024), "1024B");        // units only for counts above them
  EXPECT_EQ(FuntionImpl::SizeText(1048576), "1024K");
  EXPECT_EQ(FuntionImpl::SizeText(1024 + 1023), "1.99K");  // truncated, not rounded
  EXPECT_EQ(FuntionImpl::SizeSplitText(3LL * 1073741824 + 5), "3G5B");
  EXPECT_EQ(FuntionImpl::SizeText(3LL * 1073741824 + 5), "3G");
  EXPECT_EQ(FuntionImpl::SizeText(5LL * 1073741824 + 256LL * 1048576), "5.25G");
}

class ProgressRecord : public ::testing::Test {
 protected:
  static constexpr std::int64_t kLength = 9 * 1024 * 1024;
  const std::string kUrl = "http://127.0.0.1:9/progress.bin";

  void SetUp() override {
    DownloadTuning tuning;
    tuning.tick = [this] { return m_tick.load(); };
    m_tuning = std::make_unique<enginetest::TuningScope>(tuning);
    CDownloadTaskManager::storeContentLength(kUrl, kLength);
    m_downloader = std::make_unique<CDownloader>(kUrl, m_dir / "p.bin", m_dir / "p.bin.xml", 4);
    ASSERT_EQ(m_downloader->downloadInit(false, "", 0), DOWNLOAD_SUCCESS);
  }
  void TearDown() override { m_downloader.reset(); }

  CTask& task(int i) { return *m_downloader->taskManager().tasks()[static_cast<std::size_t>(i)]; }

  // Just below the point where a 32-bit millisecond count wraps.
  std::atomic<std::uint64_t> m_tick{(std::uint64_t{1} << 32) - 500};
  cwtest::TempDir m_dir;
  std::unique_ptr<enginetest::TuningScope> m_tuning;
  std::unique_ptr<CDownloader> m_downloader;
};

TEST_F(ProgressRecord, SpeedAndTimeAcrossThe32BitWrap) {
  task(0).DownloadedPos.store(1048576);
  m_tick = (std::uint64_t{1} << 32) + 500;
  m_downloader->updateDownloadInfo();
  const DownloadProgress p = m_downloader->progress();
  EXPECT_EQ(p.updateTick, (std::uint64_t{1} << 32) + 500);
  EXPECT_EQ(p.downloadTime, 1000);
  EXPECT_EQ(p.downloaded, 1048576 + 2);  // one byte too many per range, as reported
  EXPECT_EQ(p.bytesOnDisk, 1048576);
  EXPECT_EQ(p.speedText, "1M/S");
  EXPECT_EQ(p.averageSpeed, 1048578 / 1000 * 1000);
  // The same tick again changes nothing.
  task(0).DownloadedPos.store(2097152);
  m_downloader->updateDownloadInfo();
  EXPECT_EQ(m_downloader->progress().downloaded, 1048578);
  // No progress for a second: "0.00B/S".
  task(0).DownloadedPos.store(1048576);
  m_tick += 1000;
  m_downloader->updateDownloadInfo();
  EXPECT_EQ(m_downloader->progress().speedText, "0.00B/S");
}

TEST_F(ProgressRecord, ExactBytesDecidePercentAndCompletion) {
  task(0).DownloadedPos.store(task(0).EndPos);
  task(1).DownloadedPos.store(task(1).EndPos);
  m_tick += 10;
  m_downloader->updateDownloadInfo();
  DownloadProgress p = m_downloader->progress();
  EXPECT_EQ(p.downloaded, kLength + 1);
  EXPECT_EQ(p.bytesOnDisk, kLength);
  EXPECT_DOUBLE_EQ(p.percent, 100.0);
  // One byte short of the end is not 100 % and not complete.
  task(1).DownloadedPos.store(task(1).EndPos - 1);
  m_tick += 10;
  m_downloader->updateDownloadInfo();
  p = m_downloader->progress();
  EXPECT_EQ(p.bytesOnDisk, kLength - 1);
  EXPECT_LT(p.percent, 100.0);
  EXPECT_EQ(p.downloaded, kLength);  // the reported count would claim it all
  EXPECT_EQ(CDownLoadImpl::CompletionResult(p.bytesOnDisk, kLength, m_dir / "p.bin", false), DOWNLOAD_LENGTH_ERROR);
}

// The watch ends a CDN download once the request count passes three per
// range: the count must cover every range, follow a sample across the 32-bit
// wrap, and be exact in the record the driver leaves at its end, even when
// that last sample fell on the tick of the one before.
TEST_F(ProgressRecord, RequestCountsFollowEverySampleAndTheEnd) {
  ASSERT_EQ(m_downloader->taskCount(), 2);
  task(0).RequestTimes.store(2);
  task(1).RequestTimes.store(3);
  m_tick = (std::uint64_t{1} << 32) + 1;
  m_downloader->updateDownloadInfo();
  EXPECT_EQ(m_downloader->progress().requestCount, 5);

  task(0).RequestTimes.fetch_add(4);  // failures after the last sample, the clock standing still
  task(1).RequestTimes.fetch_add(1);
  m_downloader->setRunState(CDownloader::kStop);
  ASSERT_TRUE(m_downloader->waitDriver(10000));
  EXPECT_EQ(m_downloader->progress().requestCount, 10);
}

}  // namespace
