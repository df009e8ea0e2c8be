#include "TaskFileSaver.h"

#include "platform/file_io.h"
#include "platform/sync.h"

CTaskFileSaver::CTaskFileSaver(std::string path) : m_path(std::move(path)) {
  if (!m_thread.Start([this] { run(); })) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_exit = true;  // no thread: post() writes on the caller's thread
  }
}

CTaskFileSaver::~CTaskFileSaver() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_exit = true;
  }
  m_changed.notify_all();
  m_thread.Join(cwplat::kInfinite);
}

void CTaskFileSaver::post(std::string text) {
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_exit) {
    lock.unlock();
    cwplat::ReplaceFileAtomic(m_path, text);
    return;
  }
  m_pending = std::move(text);
  lock.unlock();
  m_changed.notify_all();
}

void CTaskFileSaver::flush() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_changed.wait(lock, [this] { return !m_pending && !m_writing; });
}

void CTaskFileSaver::run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_changed.wait(lock, [this] { return m_pending.has_value() || m_exit; });
    if (!m_pending) return;  // exit with nothing left to write
    std::string text = std::move(*m_pending);
    m_pending.reset();
    m_writing = true;
    lock.unlock();
    cwplat::ReplaceFileAtomic(m_path, text);
    lock.lock();
    m_writing = false;
    m_changed.notify_all();
  }
}
