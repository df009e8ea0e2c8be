// A download worker: for each task it fetches the missing part of the range
// with one ranged GET and writes every received block straight from libcurl's
// buffer to its offset in the shared output file.
#pragma once

#include "CLibcurlTool.h"
#include "CThread.h"
#include "SegmentSink.h"
#include "platform/file_io.h"

#include <cstdint>
#include <memory>
#include <string>

class CDownloadThread : public CThread, public CSegmentSink {
 public:
  CDownloadThread(std::shared_ptr<cwplat::CTimedMutex> shared, cwplat::CFile* file);

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
  bool taskLogging() const override;
  // Redirect hops and 206 pass; 200 (the whole file) only for a transfer that
  // starts at byte 0; anything else would write the wrong bytes.
  bool acceptStatusLine(const std::string& line) override;

 private:
  cwplat::CFile* m_file;  // the pool's; not owned
  CLibcurlTool m_http;    // one handle for the worker's whole life
  // File offset of the next byte of the running transfer. The task's
  // DownloadedPos follows it, but for a non-last range stops one short of
  // EndPos until byte EndPos itself is written.
  std::int64_t m_cursor = 0;
};
