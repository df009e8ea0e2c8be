#include "CDownloadThreadManager.h"

#include "CDownloadThread.h"
#include "EngineEvents.h"
#include "ProcessSearch.h"
#include "platform/log.h"

CDownloadThreadManager::CDownloadThreadManager(std::string localPath, SegmentLimits limits)
    : CThreadManager(cwplat::CreateNamedMutex(kMutexName)), m_localPath(std::move(localPath)), m_limits(limits) {}

CDownloadThreadManager::~CDownloadThreadManager() {
  shutdownWorkers();  // before the file they write into goes
  m_file.Close();
}

int CDownloadThreadManager::openOutputFile() {
  const auto mode = cwplat::CanOpenForReading(m_localPath) ? cwplat::CFile::Mode::ReadWriteExisting
                                                           : cwplat::CFile::Mode::CreateReadWrite;
  return m_file.Open(m_localPath, mode);
}

int CDownloadThreadManager::createThreads(int count) {
  int error = openOutputFile();
  if (error != 0) {
    CWLOG << "local file is NULL error code = " << error;
    if (error == cwplat::kErrorSharingViolation) {
      FuntionImpl::FindProcessByFullPath(m_localPath, true, true);
      error = openOutputFile();
    }
  }
  if (error != 0) {
    CWLOG << "after kill local file is NULL error code = " << error;
    EngineEvents::Simple("Other", "OpenFileErrCode", std::to_string(error));
    return -1;
  }
  CWLOG << " Create threads and init: " << count;
  for (int i = 0; i < count; ++i) addWorker(std::make_unique<CDownloadThread>(m_shared, &m_file, m_answers, m_limits));
  return static_cast<int>(threadCount());
}
