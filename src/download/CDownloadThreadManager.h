// The worker pool of one download: it opens the one shared output file and
// creates download workers that all write into it under the pool's file mutex.
#pragma once

#include "CThreadManager.h"
#include "RangeAnswers.h"
#include "SegmentSink.h"
#include "platform/file_io.h"

#include <atomic>
#include <memory>
#include <string>

class CDownloadThreadManager : public CThreadManager {
 public:
  // The pool's file mutex, shared by every download of the process.
  static constexpr const char* kMutexName = "mutex_for_downloadthread";

  explicit CDownloadThreadManager(std::string localPath, SegmentLimits limits = {});
  ~CDownloadThreadManager() override;

  // Opens the output file (keeping bytes already there) and starts count
  // workers; the number running, or -1 when the file cannot be opened.
  int createThreads(int count) override;
  // After the workers have stopped.
  void closeFile() { m_file.Close(); }
  cwplat::CFile& file() { return m_file; }
  // Every task of the start, by position, before the workers get any.
  void setTasks(std::vector<CTask*> inOrder) { m_answers->setTasks(std::move(inOrder)); }
  // True once a range was answered with the whole file and refused: the
  // server ignores ranges, and every later range would be refused the same way.
  bool serverIgnoresRanges() const { return m_answers->rangesIgnored.load(); }
  // True once a worker takes the whole file in one stream.
  bool streaming() const { return m_answers->streaming.load(); }

 private:
  int openOutputFile();

  cwplat::CFile m_file;
  std::string m_localPath;
  SegmentLimits m_limits;
  std::shared_ptr<RangeAnswers> m_answers = std::make_shared<RangeAnswers>();
};
