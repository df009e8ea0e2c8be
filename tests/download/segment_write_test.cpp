// The segment writer: blocks land at their offsets, DownloadedPos never claims
// a byte that is not on disk, surplus is dropped at the range end.
#include "CDownloadThread.h"
#include "CDownloadThreadManager.h"
#include "EngineTestSupport.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t kRange = CTask::kRangeSize;

struct Writer {
  cwtest::TempDir dir;
  cwplat::CFile file;
  std::unique_ptr<CDownloadThread> worker;
  CTask task;

  // Range [start, end] of a file of `length` bytes.
  Writer(std::int64_t start, std::int64_t end, std::int64_t length) {
    EXPECT_EQ(file.Open(dir / "out.bin", cwplat::CFile::Mode::CreateReadWrite), 0);
    worker = std::make_unique<CDownloadThread>(cwplat::CreateNamedMutex(CDownloadThreadManager::kMutexName), &file);
    task.StartPos = start;
    task.EndPos = end;
    task.DownloadedPos.store(start);
    task.contentLength = length;
    task.id.store(1);
    worker->doTask(&task);
    begin();
  }

  // A new transfer from DownloadedPos, answered with the range.
  void begin() {
    worker->prepareTransfer();
    EXPECT_TRUE(worker->acceptStatusLine("HTTP/1.1 206 Partial Content\r\n"));
  }

  // Feeds `bytes` of `data` starting at the data's offset `from`, in blocks.
  std::size_t feed(const std::string& data, std::int64_t from, std::int64_t bytes, std::size_t block = 16384) {
    std::size_t taken = 0;
    for (std::int64_t done = 0; done < bytes;) {
      const std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(block, bytes - done));
      const std::size_t got = worker->downloadFunc(data.data() + from + done, 1, n);
      taken += got;
      if (got != n) break;
      done += static_cast<std::int64_t>(n);
    }
    return taken;
  }

  std::string disk() { return cwtest::ReadFile(dir / "out.bin"); }
};

TEST(SegmentWrite, FullRangeEndsAtEndPosWithEveryByteWritten) {
  const std::string data = enginetest::TestBytes(2 * kRange, 1);
  Writer w(kRange, 2 * kRange - 1, 2 * kRange + 10);
  EXPECT_EQ(w.feed(data, kRange, kRange), static_cast<std::size_t>(kRange));
  EXPECT_EQ(w.task.DownloadedPos.load(), w.task.EndPos);
  EXPECT_EQ(w.task.bytesOnDisk(), kRange);
  EXPECT_TRUE(enginetest::SameBytes(w.disk().substr(kRange), data.substr(kRange)));
}

TEST(SegmentWrite, TransferBrokenJustBeforeTheLastByteLeavesItToFetch) {
  // The range's last byte is what a break right after EndPos-1 would lose.
  const std::string data = enginetest::TestBytes(kRange, 2);
  Writer w(0, kRange - 1, 3 * kRange);
  EXPECT_EQ(w.feed(data, 0, kRange - 1), static_cast<std::size_t>(kRange - 1));
  EXPECT_NE(w.task.DownloadedPos.load(), w.task.EndPos);  // not "complete"
  EXPECT_EQ(w.task.DownloadedPos.load(), kRange - 2);
  // The next start fetches from DownloadedPos: one byte again, then the last one.
  w.begin();
  EXPECT_EQ(w.feed(data, kRange - 2, 2), 2u);
  EXPECT_EQ(w.task.DownloadedPos.load(), w.task.EndPos);
  EXPECT_TRUE(enginetest::SameBytes(w.disk(), data));
}

TEST(SegmentWrite, LastRangeEndsAtTheContentLength) {
  const std::int64_t length = kRange + 1000;
  const std::string data = enginetest::TestBytes(static_cast<std::size_t>(length), 3);
  Writer w(0, length, length);
  ASSERT_TRUE(w.task.isLastRange());
  EXPECT_EQ(w.feed(data, 0, length, 4096), static_cast<std::size_t>(length));
  EXPECT_EQ(w.task.DownloadedPos.load(), length);
  EXPECT_EQ(w.task.bytesOnDisk(), length);
  EXPECT_TRUE(enginetest::SameBytes(w.disk(), data));
}

TEST(SegmentWrite, SurplusPastTheRangeIsDroppedAndStopsTheTransfer) {
  cwtest::LogCapture log;
  const std::string data = enginetest::TestBytes(3 * kRange, 4);
  Writer w(0, kRange - 1, 3 * kRange);
  // A server that ignores the range keeps sending: the block across EndPos is cut.
  EXPECT_EQ(w.feed(data, 0, 2 * kRange, 10000), static_cast<std::size_t>(kRange));
  EXPECT_EQ(w.task.DownloadedPos.load(), w.task.EndPos);
  EXPECT_TRUE(enginetest::SameBytes(w.disk(), data.substr(0, kRange)));
  EXPECT_EQ(log.count(" Task EndPos:" + std::to_string(kRange - 1)), 1u);
  // The last range writes nothing past the content length either.
  Writer last(0, 1000, 1000);
  EXPECT_EQ(last.feed(data, 0, 2000, 600), 1000u);
  EXPECT_EQ(last.disk().size(), 1000u);
}

TEST(SegmentWrite, FailedWriteIsReportedAsAShortCount) {
  cwtest::LogCapture log;
  const std::string data = enginetest::TestBytes(100, 5);
  Writer w(0, kRange - 1, 2 * kRange);
  w.file.Close();
  EXPECT_EQ(w.worker->downloadFunc(data.data(), 1, 100), 0u);
  EXPECT_EQ(w.task.DownloadedPos.load(), 0);
  EXPECT_EQ(log.count(" Receive:100 Write:0 Task EndPos:" + std::to_string(kRange - 1)), 1u);
}

}  // namespace
