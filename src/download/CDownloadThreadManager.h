// The worker pool of one download: it opens the one shared output file and
// creates download workers that all write into it under the pool's file mutex.
#pragma once

#include "CThreadManager.h"
#include "platform/file_io.h"

#include <atomic>
#include <memory>
#include <string>

class CDownloadThreadManager : public CThreadManager {
 public:
  // The pool's file mutex, shared by every download of the process.
  static constexpr const char* kMutexName = "mutex_for_downloadthread";

  explicit CDownloadThreadManager(std::string localPath);
  ~CDownloadThreadManager() override;

  // Opens the output file (keeping bytes already there) and starts count
  // workers; the number running, or -1 when the file cannot be opened.
  int createThreads(int count) override;
  // After the workers have stopped.
  void closeFile() { m_file.Close(); }
  cwplat::CFile& file() { return m_file; }
  // True once a worker was answered with the whole file for a range other
  // than the first: the server ignores ranges, and every later range of this
  // start would be refused the same way.
  bool serverIgnoresRanges() const { return m_rangesIgnored->load(); }

 private:
  int openOutputFile();

  cwplat::CFile m_file;
  std::string m_localPath;
  std::shared_ptr<std::atomic<bool>> m_rangesIgnored = std::make_shared<std::atomic<bool>>(false);
};
