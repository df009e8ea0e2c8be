#include "ProcessFigures.h"

#include "support/TestSupport.h"

#include <sstream>
#include <string>

#include <unistd.h>

namespace desktoptest {

double CpuSeconds(int pid) {
  const std::string stat = cwtest::ReadFile("/proc/" + std::to_string(pid) + "/stat");
  // The command name (field 2) may hold blanks; the fields after it follow its ")".
  const std::size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  long utime = -1, stime = -1;
  for (int number = 3; fields >> field && number <= 15; ++number) {
    if (number == 14) utime = std::stol(field);
    if (number == 15) stime = std::stol(field);
  }
  if (utime < 0 || stime < 0) return -1;
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

long PeakRssKib(int pid) {
  std::istringstream status(cwtest::ReadFile("/proc/" + std::to_string(pid) + "/status"));
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace desktoptest
