// The entry points the program (and anything that loads its executable) finds
// by name.
#include "IWebLog.h"
#include "WebLog.h"

#include "platform/log.h"
#include "platform/thread.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>

namespace {

// NSISLog's process-wide transport and the thread that asks for its identity.
// The thread holds its own reference, so the transport outlives a thread that
// is still running when the process ends.
struct NsisState {
  std::mutex mutex;
  std::array<std::atomic<int>, 4> numbers{};
  std::shared_ptr<WebLog> transport;
  cwplat::CThread thread;
};

NsisState& Nsis() {
  static NsisState state;
  return state;
}

}  // namespace

extern "C" IWebLog* CreateExportObj() {
  try {
    return new (std::nothrow) WebLog(GetWebLogConfig());
  } catch (const std::exception& e) {
    CWLOG << " CreateExportObj failed: " << e.what();
    return nullptr;
  }
}

extern "C" void DestroyExportObj(IWebLog* obj) { delete static_cast<WebLog*>(obj); }

extern "C" int NSISLog(int a, int b, int c, int d) {
  NsisState& state = Nsis();
  const int numbers[4] = {a, b, c, d};
  for (std::size_t i = 0; i < 4; ++i) state.numbers[i] = numbers[i];
  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.transport) return 0;
  try {
    state.transport = std::make_shared<WebLog>(GetWebLogConfig());
    std::shared_ptr<WebLog> transport = state.transport;
    state.thread.Start([transport] {
      std::string guid, record;
      transport->QueryUserInfo(guid, record);
    });
  } catch (const std::exception& e) {
    CWLOG << " NSISLog failed: " << e.what();
  }
  return 0;
}
