#include "SetupModes.h"

#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>

namespace sample {
namespace {

constexpr int kMaxSeconds = 3600;
constexpr auto kStep = std::chrono::milliseconds(100);

bool IsOn(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && std::string_view(value) == "1";
}

// Digits only, at most kMaxSeconds; anything else is reported and ignored.
int ReadSeconds(const char* name, std::vector<std::string>& problems) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return 0;
  const std::string_view text(value);
  int seconds = 0;
  for (const char c : text) {
    if (c < '0' || c > '9' || seconds > kMaxSeconds) {
      problems.push_back(std::string(name) + " ignored: \"" + std::string(text.substr(0, 32)) + "\" is not 0 to " +
                         std::to_string(kMaxSeconds));
      return 0;
    }
    seconds = seconds * 10 + (c - '0');
  }
  if (seconds > kMaxSeconds) {
    problems.push_back(std::string(name) + " ignored: " + std::to_string(seconds) + " is more than " +
                       std::to_string(kMaxSeconds));
    return 0;
  }
  return seconds;
}

}  // namespace

SetupModes ReadSetupModes() {
  SetupModes modes;
  modes.seconds = ReadSeconds("CW_SAMPLE_SETUP_SECONDS", modes.problems);
  modes.hang = IsOn("CW_SAMPLE_SETUP_HANG");
  modes.fail = IsOn("CW_SAMPLE_SETUP_FAIL");
  return modes;
}

void SleepSeconds(int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(kStep);
}

void HangForever() {
  for (;;) std::this_thread::sleep_for(kStep);
}

}  // namespace sample
