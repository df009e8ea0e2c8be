#include "DownloadTuning.h"

#include "platform/network.h"
#include "platform/tick.h"

#include <mutex>

namespace {

std::mutex g_mutex;
DownloadTuning g_tuning;

}  // namespace

bool DownloadTuning::isNetworkAlive() const { return networkAlive ? networkAlive() : cwplat::IsNetworkAlive(); }

std::uint64_t DownloadTuning::now() const { return tick ? tick() : cwplat::GetTickCount64(); }

DownloadTuning CurrentDownloadTuning() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_tuning;
}

void SetDownloadTuningForTesting(const DownloadTuning& tuning) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_tuning = tuning;
}

void ResetDownloadTuningForTesting() {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_tuning = DownloadTuning{};
}
