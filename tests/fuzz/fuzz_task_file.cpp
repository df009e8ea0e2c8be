// The task file reader and the check that decides whether a task file is kept:
// any text must load without a fault, and whatever loads must be safe to act on.
#include "CDownloadTaskManager.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CDownloadTaskManager::clearContentLengthCacheForTesting();
  CDownloadTaskManager manager("http://fuzz.invalid/pkg.exe", "/nonexistent/pkg.exe", "/nonexistent/pkg.exe.xml");
  manager.loadTaskFromText(std::string(reinterpret_cast<const char*>(data), size), 0);

  const int verdict = manager.classifyTasks(manager.contentLength());
  manager.classifyTasks(manager.contentLength() ^ 1);
  if (verdict == CDownloadTaskManager::kCheckValid) {
    // A kept file must describe ranges a worker can fetch without writing
    // outside the file.
    std::int64_t total = 0;
    for (const auto& task : manager.tasks()) {
      const std::int64_t pos = task->DownloadedPos.load();
      if (pos < task->StartPos || pos > task->EndPos || task->EndPos > manager.contentLength()) std::abort();
      if (task->bytesOnDisk() < 0 || task->bytesOnDisk() > task->rangeBytes()) std::abort();
      total += task->rangeBytes();
    }
    if (total != manager.contentLength()) std::abort();
  }
  while (manager.getTask() != nullptr) {
  }
  manager.taskFileText();
  return 0;
}
