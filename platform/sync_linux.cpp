#include "platform/sync.h"

#include <chrono>
#include <map>

namespace cwplat {
namespace {

// Longer than any process lives; beyond it a time-out counts as infinite so that
// adding it to the clock cannot overflow.
constexpr std::uint64_t kLongestFiniteMs = std::uint64_t{1} << 40;  // about 35 years

bool IsUnbounded(std::uint64_t ms) { return ms >= kLongestFiniteMs; }

std::chrono::milliseconds ToDuration(std::uint64_t ms) {
  return std::chrono::milliseconds(static_cast<std::chrono::milliseconds::rep>(ms));
}

// Name -> object while anyone holds the object; like a kernel object name, it
// disappears with the last reference.
template <typename T>
class NamedObjects {
 public:
  template <typename Make>
  std::shared_ptr<T> GetOrCreate(const std::string& name, bool* alreadyExisted, Make make) {
    if (alreadyExisted != nullptr) *alreadyExisted = false;
    if (name.empty()) return make();
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_objects.find(name);
    if (it != m_objects.end()) {
      if (std::shared_ptr<T> existing = it->second.lock()) {
        if (alreadyExisted != nullptr) *alreadyExisted = true;
        return existing;
      }
    }
    std::shared_ptr<T> created = make();
    m_objects[name] = created;
    Prune();
    return created;
  }

 private:
  // Keeps the table as small as the set of live names.
  void Prune() {
    for (auto it = m_objects.begin(); it != m_objects.end();) {
      it = it->second.expired() ? m_objects.erase(it) : std::next(it);
    }
  }

  std::mutex m_mutex;
  std::map<std::string, std::weak_ptr<T>> m_objects;
};

NamedObjects<CEvent>& NamedEvents() {
  static NamedObjects<CEvent> objects;
  return objects;
}

NamedObjects<CTimedMutex>& NamedMutexes() {
  static NamedObjects<CTimedMutex> objects;
  return objects;
}

}  // namespace

CEvent::CEvent(bool manualReset, bool initialState) : m_manualReset(manualReset), m_signalled(initialState) {}

void CEvent::Set() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_signalled = true;
  }
  if (m_manualReset) {
    m_cv.notify_all();
  } else {
    m_cv.notify_one();
  }
}

void CEvent::Reset() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_signalled = false;
}

bool CEvent::Wait(std::uint64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(m_mutex);
  auto signalled = [this] { return m_signalled; };
  if (IsUnbounded(timeoutMs)) {
    m_cv.wait(lock, signalled);
  } else if (!m_cv.wait_until(lock, std::chrono::steady_clock::now() + ToDuration(timeoutMs), signalled)) {
    return false;
  }
  if (!m_manualReset) m_signalled = false;  // this waiter consumes the signal
  return true;
}

std::shared_ptr<CEvent> CreateNamedEvent(const std::string& name, bool manualReset, bool initialState,
                                         bool* alreadyExisted) {
  return NamedEvents().GetOrCreate(name, alreadyExisted,
                                   [&] { return std::make_shared<CEvent>(manualReset, initialState); });
}

bool CTimedMutex::TryLockFor(std::uint64_t ms) {
  const std::thread::id self = std::this_thread::get_id();
  std::unique_lock<std::mutex> lock(m_mutex);
  if (m_depth > 0 && m_owner == self) {
    ++m_depth;
    return true;
  }
  auto isFree = [this] { return m_depth == 0; };
  if (IsUnbounded(ms)) {
    m_released.wait(lock, isFree);
  } else if (!m_released.wait_until(lock, std::chrono::steady_clock::now() + ToDuration(ms), isFree)) {
    return false;
  }
  m_owner = self;
  m_depth = 1;
  return true;
}

bool CTimedMutex::Unlock() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_depth == 0 || m_owner != std::this_thread::get_id()) return false;
    if (--m_depth > 0) return true;
    m_owner = std::thread::id{};
  }
  m_released.notify_one();
  return true;
}

std::shared_ptr<CTimedMutex> CreateNamedMutex(const std::string& name, bool* alreadyExisted) {
  return NamedMutexes().GetOrCreate(name, alreadyExisted, [] { return std::make_shared<CTimedMutex>(); });
}

}  // namespace cwplat
