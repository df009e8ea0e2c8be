// Writes task file texts on a thread of its own: replacing the file durably
// takes milliseconds of disk flushes that the download driver must not wait
// for between handing out ranges. Only the newest text matters, so a text not
// yet written is replaced by the next one.
#pragma once

#include "platform/thread.h"

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>

class CTaskFileSaver {
 public:
  explicit CTaskFileSaver(std::string path);
  // Writes what is still pending, then ends the thread.
  ~CTaskFileSaver();
  CTaskFileSaver(const CTaskFileSaver&) = delete;
  CTaskFileSaver& operator=(const CTaskFileSaver&) = delete;

  void post(std::string text);
  // Returns once every text posted so far is on disk (or failed to be).
  void flush();

 private:
  void run();

  const std::string m_path;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::optional<std::string> m_pending;
  bool m_writing = false;
  bool m_exit = false;
  cwplat::CThread m_thread;
};
