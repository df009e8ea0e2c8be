// The server's "shutting down" flag. Long responses (stalls, slow rates, slow
// answers) sleep through here so that SIGTERM ends them at once.
#pragma once

#include <chrono>

namespace devserver {

void RequestStop();
bool StopRequested();

// Sleeps for `duration` unless a stop is requested first; false when stopping.
bool SleepUnlessStopping(std::chrono::steady_clock::duration duration);

}  // namespace devserver
