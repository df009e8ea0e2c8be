// Alternate signal stacks, one per thread that asks: a thread that overflows
// its own stack can still run the crash handler on this one.
#include "platform/crash_handler.h"

#include <sys/mman.h>
#include <unistd.h>

#include <csignal>

namespace cwplat {
namespace {

constexpr std::size_t kAltStackMin = 128 * 1024;

// Given back when its thread ends.
struct AltStack {
  void* memory = nullptr;
  std::size_t size = 0;
  ~AltStack() {
    if (memory == nullptr) return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    sigaltstack(&off, nullptr);
    munmap(memory, size);
  }
};
thread_local AltStack t_altStack;

}  // namespace

bool EnsureCrashAltStackForThisThread() {
  if (t_altStack.memory != nullptr) return true;
  std::size_t size = kAltStackMin;
  const long minimum = sysconf(_SC_SIGSTKSZ);
  if (minimum > 0 && static_cast<std::size_t>(minimum) * 4 > size) size = static_cast<std::size_t>(minimum) * 4;
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return false;
  stack_t stack{};
  stack.ss_sp = memory;
  stack.ss_size = size;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(memory, size);
    return false;
  }
  t_altStack.memory = memory;
  t_altStack.size = size;
  return true;
}

}  // namespace cwplat
