// What /proc says of a running process: its processor time and its peak
// resident set.
#pragma once

namespace desktoptest {

// User plus system time of all its threads, in seconds; -1 when it is gone.
double CpuSeconds(int pid);
// VmHWM, the peak resident set, in KiB; -1 when it is gone.
long PeakRssKib(int pid);

}  // namespace desktoptest
