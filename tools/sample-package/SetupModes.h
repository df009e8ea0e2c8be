// Test behaviours of the installer, chosen through the environment it inherits
// from the program that starts it:
//   CW_SAMPLE_SETUP_SECONDS=N  the installation takes N seconds (0 to 3600)
//   CW_SAMPLE_SETUP_HANG=1     it never finishes (until killed)
//   CW_SAMPLE_SETUP_FAIL=1     it exits 1 without installing
#pragma once

#include <string>
#include <vector>

namespace sample {

struct SetupModes {
  int seconds = 0;
  bool hang = false;
  bool fail = false;
  std::vector<std::string> problems;  // values that were ignored, for the log
};

SetupModes ReadSetupModes();

// Sleeps in short steps, so a kill or stop is never held up by a long sleep.
void SleepSeconds(int seconds);
[[noreturn]] void HangForever();

}  // namespace sample
