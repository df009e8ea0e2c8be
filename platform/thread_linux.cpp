#include "platform/thread.h"

#include "platform/crash_handler.h"
#include "platform/log.h"
#include "platform/sync.h"

#include <unistd.h>

#include <exception>
#include <system_error>

namespace cwplat {
namespace {

// An exception leaving a std::thread would terminate the whole installer.
void RunGuarded(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    CWLOG << " Thread " << GetCurrentThreadId() << " ended by an exception: " << e.what();
  } catch (...) {
    CWLOG << " Thread " << GetCurrentThreadId() << " ended by an unknown exception";
  }
}

}  // namespace

CThread::~CThread() {
  if (!m_thread.joinable()) return;
  // No logging here: global owners are destroyed after the logger may be gone.
  if (m_thread.get_id() != std::this_thread::get_id() && m_finished->Wait(0)) {
    m_thread.join();
  } else {
    m_thread.detach();
  }
}

bool CThread::Start(std::function<void()> fn) {
  if (!fn) return false;
  if (m_thread.joinable() && !Join(0)) return false;
  auto finished = std::make_shared<CEvent>(true, false);
  try {
    m_thread = std::thread([finished, fn = std::move(fn)] {
      EnsureCrashAltStackForThisThread();  // a stack overflow here still leaves a dump
      RunGuarded(fn);
      finished->Set();
    });
  } catch (const std::system_error& e) {
    CWLOG << " Cannot start a thread: " << e.what();
    return false;
  }
  m_finished = std::move(finished);
  return true;
}

bool CThread::Join(std::uint64_t timeoutMs) {
  if (!m_thread.joinable()) return true;
  if (m_thread.get_id() == std::this_thread::get_id()) return false;
  if (!m_finished->Wait(timeoutMs)) return false;
  m_thread.join();  // fn has returned; only the thread's exit is left
  return true;
}

bool CThread::IsRunning() const { return m_thread.joinable() && !m_finished->Wait(0); }

std::uint64_t GetCurrentThreadId() { return static_cast<std::uint64_t>(gettid()); }

}  // namespace cwplat
