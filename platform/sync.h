// Events and mutexes shared by the threads of this process, with timed waits,
// behaving like their Windows counterparts (CreateEventW, CreateMutexW).
// A name makes an object findable: creating it again by the same name gives the
// existing object while anyone still holds it. Events and mutexes have separate
// name spaces.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace cwplat {

// Wait without a time limit.
inline constexpr std::uint64_t kInfinite = UINT64_MAX;

class CEvent {
 public:
  // manualReset: stays signalled until Reset(), releasing every waiter.
  // Otherwise each Set() releases exactly one waiter and the event resets itself.
  CEvent(bool manualReset, bool initialState);
  CEvent(const CEvent&) = delete;
  CEvent& operator=(const CEvent&) = delete;

  void Set();
  void Reset();
  // True when signalled within timeoutMs (0 only polls), false on time-out.
  bool Wait(std::uint64_t timeoutMs);
  bool IsManualReset() const { return m_manualReset; }

 private:
  const bool m_manualReset;
  bool m_signalled;
  std::mutex m_mutex;
  std::condition_variable m_cv;
};

// A value that several threads read and write whole, under a lock of its own.
template <typename T>
class CLocked {
 public:
  T get() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_value;
  }
  void set(T value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_value = std::move(value);
  }

 private:
  mutable std::mutex m_mutex;
  T m_value{};
};

// An event known by name inside this process. An empty name makes a private
// event. When the name is already known, the existing event is returned and its
// reset mode and state stay as they are; *alreadyExisted tells which happened.
std::shared_ptr<CEvent> CreateNamedEvent(const std::string& name, bool manualReset, bool initialState,
                                         bool* alreadyExisted = nullptr);

// A mutex with Windows mutex semantics: the owning thread may lock it again
// (each lock needs its own Unlock), and only the owner can unlock it.
// Built on a condition variable rather than std::timed_mutex, whose timed lock
// ThreadSanitizer cannot follow.
class CTimedMutex {
 public:
  CTimedMutex() = default;
  CTimedMutex(const CTimedMutex&) = delete;
  CTimedMutex& operator=(const CTimedMutex&) = delete;

  // True when this thread owns the mutex within ms (kInfinite waits for ever).
  bool TryLockFor(std::uint64_t ms);
  void Lock() { TryLockFor(kInfinite); }
  // False, and nothing changes, when the calling thread does not own it.
  bool Unlock();

 private:
  std::mutex m_mutex;  // guards the two fields below
  std::condition_variable m_released;
  std::thread::id m_owner;
  unsigned m_depth = 0;  // 0: free
};

// A mutex known by name inside this process, like CreateNamedEvent.
std::shared_ptr<CTimedMutex> CreateNamedMutex(const std::string& name, bool* alreadyExisted = nullptr);

}  // namespace cwplat
