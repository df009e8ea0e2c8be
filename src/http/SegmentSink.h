// What a ranged segment request needs of the worker that runs it: the body
// writer and the task values the response-header checks read and update. The
// download worker implements it; the HTTP client knows nothing more of it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

// How long a ranged request may run. A transfer is cut when it stays below
// lowSpeedBytesPerSecond for lowSpeedSeconds (a stall), not after a fixed
// time: a slow line may need minutes for a range and is still making
// progress. So that nothing hangs for ever, a range may take at most the time
// its bytes need at the floor rate, plus the window.
struct SegmentLimits {
  long lowSpeedBytesPerSecond = 1024;
  long lowSpeedSeconds = 20;
  long connectSeconds = 3;

  long totalSeconds(std::int64_t bytes) const {
    const std::int64_t floor = lowSpeedBytesPerSecond > 0 ? lowSpeedBytesPerSecond : 1;
    return static_cast<long>(std::max<std::int64_t>(bytes, 0) / floor) + lowSpeedSeconds + connectSeconds;
  }
};

class CSegmentSink {
 public:
  virtual ~CSegmentSink() = default;

  // The segment writer: stores one block, returns the number of bytes taken
  // (fewer than given aborts the transfer).
  virtual std::size_t downloadFunc(const char* data, std::size_t size, std::size_t nmemb) = 0;

  // The current task's expected total size (0: no header checks), its CDN
  // text (updated from CDN headers) and the CDN text the size probe saw.
  virtual std::int64_t expectedContentLength() const = 0;
  virtual std::string& cdnText() = 0;
  virtual const std::string& probeCdnText() const = 0;

  // The limits of this sink's requests.
  virtual SegmentLimits segmentLimits() const { return {}; }

  // The task's id and whether its requests are logged.
  virtual int taskId() const = 0;
  virtual bool taskLogging() const = 0;

  // The status line of each response of the request ("HTTP/1.1 206 Partial
  // Content\r\n"), informational answers and redirect hops included, before
  // its headers. False aborts the transfer before any body byte is written: an
  // error page or a whole file sent in answer to a range is not the range.
  virtual bool acceptStatusLine(const std::string& line) {
    (void)line;
    return true;
  }
  // The declared body length of the answer whose status line came last, and
  // the first byte its Content-Range names. False aborts the transfer: a whole
  // file of another size, or a range that starts elsewhere, is not the range.
  virtual bool acceptContentLength(std::int64_t length) {
    (void)length;
    return true;
  }
  virtual bool acceptRangeStart(std::int64_t first) {
    (void)first;
    return true;
  }
};
