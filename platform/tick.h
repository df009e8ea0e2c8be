// 64-bit monotonic millisecond tick: never wraps in the life of a machine.
#pragma once

#include <cstdint>

namespace cwplat {

std::uint64_t GetTickCount64();

}  // namespace cwplat
