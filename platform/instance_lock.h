// The named instance mutex shared between processes: an exclusive, non-blocking
// flock on "<runtime folder>/<name>.lock". The kernel drops the lock when the
// holder closes it or dies, so a crashed copy never blocks the next start.
// The lock file itself stays in place: removing it would let two processes
// lock two different files of the same name.
#pragma once

#include <string>

namespace cwplat {

// Names of cross-process objects become file names in the runtime folder:
// not empty, no '/', no "..", no NUL, short enough for a file name.
bool IsValidObjectName(const std::string& name);

class CInstanceLock {
 public:
  enum class Result { Acquired, AlreadyExists, Error };

  // folder "" means GetRuntimeFolder() at the time of Acquire.
  explicit CInstanceLock(std::string folder = {});
  ~CInstanceLock();  // releases
  CInstanceLock(const CInstanceLock&) = delete;
  CInstanceLock& operator=(const CInstanceLock&) = delete;

  // AlreadyExists when any other holder (another process, or another object in
  // this process) has the lock. Calling it again on a held object gives
  // AlreadyExists for the same name and Error for another one.
  Result Acquire(const std::string& name);
  // True when a held lock was released.
  bool Release();
  bool IsHeld() const { return m_fd >= 0; }
  // The open lock file; a crash handler releases the lock with close() alone.
  // -1 when not held.
  int NativeHandleForCrash() const { return m_fd; }
  // Path of the held lock file, "" when not held.
  const std::string& LockFilePath() const { return m_path; }

 private:
  std::string m_folder;
  std::string m_path;
  int m_fd = -1;
};

}  // namespace cwplat
