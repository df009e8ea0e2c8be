// One 4 MiB byte range of a download. The task manager owns every task.
//
// Positions: StartPos is the first byte. EndPos is the last byte, inclusive,
// except for the last range, whose EndPos is the content length (one past its
// last byte). DownloadedPos is the next offset to fetch, and equals EndPos only
// when the whole range is on disk; for a non-last range that means its byte
// EndPos too, so the worker never publishes EndPos before that byte is written.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

class CTask {
 public:
  static constexpr std::int64_t kRangeSize = 0x400000;  // 4 MiB

  enum Status { kWaiting = 0, kComplete = 1, kFailed = 2, kHandedOut = 3 };

  std::atomic<int> status{kWaiting};
  std::atomic<int> id{0};
  int logging = 0;
  std::string remotePath;
  std::string localPath;
  std::string probeCdnText;
  std::string cdnText;  // written by the worker holding the task
  std::int64_t StartPos = 0;
  std::int64_t EndPos = 0;
  std::atomic<std::int64_t> DownloadedPos{0};  // written by the worker, read by the driver
  std::int64_t contentLength = 0;
  std::atomic<int> RequestTimes{0};

  bool isLastRange() const { return contentLength != 0 && EndPos == contentLength; }

  // Bytes of this range that are on disk. The reported progress counts
  // DownloadedPos - StartPos + 1; this is the exact count decisions rely on.
  std::int64_t bytesOnDisk() const {
    const std::int64_t pos = DownloadedPos.load(std::memory_order_acquire);
    const std::int64_t done = pos - StartPos;
    return (!isLastRange() && pos == EndPos) ? done + 1 : done;
  }

  // Bytes of the whole range.
  std::int64_t rangeBytes() const { return isLastRange() ? EndPos - StartPos : EndPos - StartPos + 1; }
};
