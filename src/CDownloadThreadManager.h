// The worker pool of one download: it opens the one shared output file and
// creates download workers that all write into it under the pool's file mutex.
#pragma once

#include "CThreadManager.h"
#include "platform/file_io.h"

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

 private:
  int openOutputFile();

  cwplat::CFile m_file;
  std::string m_localPath;
};
