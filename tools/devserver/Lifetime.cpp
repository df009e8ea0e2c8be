#include "Lifetime.h"

#include <condition_variable>
#include <mutex>

namespace devserver {
namespace {

std::mutex g_mutex;
std::condition_variable g_wake;
bool g_stopping = false;

}  // namespace

void RequestStop() {
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_stopping = true;
  }
  g_wake.notify_all();
}

bool StopRequested() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_stopping;
}

bool SleepUnlessStopping(std::chrono::steady_clock::duration duration) {
  std::unique_lock<std::mutex> lock(g_mutex);
  g_wake.wait_for(lock, duration, [] { return g_stopping; });
  return !g_stopping;
}

}  // namespace devserver
