// A download worker: for each task it fetches the missing part of the range
// with one ranged GET and writes every received block straight from libcurl's
// buffer to its offset in the shared output file.
#pragma once

#include "CLibcurlTool.h"
#include "CThread.h"
#include "RangeAnswers.h"
#include "SegmentSink.h"
#include "platform/file_io.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class CDownloadThread : public CThread, public CSegmentSink {
 public:
  // answers: what the pool's workers learn of the server's range answers,
  // shared by the pool and read by the driver.
  CDownloadThread(std::shared_ptr<cwplat::CTimedMutex> shared, cwplat::CFile* file,
                  std::shared_ptr<RangeAnswers> answers = std::make_shared<RangeAnswers>(),
                  SegmentLimits limits = {});

  int taskBusiness() override;
  // Points the writer at the current task's DownloadedPos, where the next
  // transfer of it starts.
  void prepareTransfer();

  // CSegmentSink: the segment writer and the task values the header checks use.
  std::size_t downloadFunc(const char* data, std::size_t size, std::size_t nmemb) override;
  std::int64_t expectedContentLength() const override;
  std::string& cdnText() override;
  const std::string& probeCdnText() const override;
  int taskId() const override;
  SegmentLimits segmentLimits() const override { return m_limits; }
  bool taskLogging() const override;
  // Informational answers and redirect hops pass; of the answers that carry
  // a body only 206 from the asked byte, and 200 (the whole file) of the
  // expected size for the lowest range not yet on disk, which becomes the
  // start's one stream: anything else would write the wrong bytes.
  bool acceptStatusLine(const std::string& line) override;
  bool acceptContentLength(std::int64_t length) override;
  bool acceptRangeStart(std::int64_t first) override;

 private:
  void refuse(const std::string& why);
  // Writers, under the file mutex: one block into the current range (the
  // surplus past its end dropped), or into the stream, through as many
  // ranges as it reaches. Both return the bytes written.
  std::size_t writeRange(const char* data, std::size_t bytes);
  std::size_t writeStream(const char* data, std::size_t bytes);
  // Takes or gives back the start's one whole-file stream.
  bool claimStream();
  void releaseStream();

  cwplat::CFile* m_file;  // the pool's; not owned
  CLibcurlTool m_http;    // one handle for the worker's whole life
  std::shared_ptr<RangeAnswers> m_answers;
  const SegmentLimits m_limits;
  // This worker owns the whole-file stream, and the range it is filling.
  bool m_streaming = false;
  CTask* m_streamTask = nullptr;
  // Of the running transfer: where it starts, the file offset of the next
  // body byte of the answer, the status of the answer seen last, and whether
  // that answer's body may be written.
  std::int64_t m_transferStart = 0;
  std::int64_t m_streamPos = 0;
  int m_answerStatus = 0;
  bool m_bodyAccepted = false;
  // File offset of the next byte of the running transfer. The task's
  // DownloadedPos follows it, but for a non-last range stops one short of
  // EndPos until byte EndPos itself is written.
  std::int64_t m_cursor = 0;
};
