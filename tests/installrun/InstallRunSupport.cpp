#include "InstallRunSupport.h"

#include "LocalSettings.h"
#include "support/ChildProcess.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <fstream>

namespace installtest {
namespace {

// User events are still logged (the tests read them there) but nothing goes
// to the analytics collectors: the AutoRun switch keeps the log silent.
class QuietTelemetry : public ::testing::Environment {
 public:
  void SetUp() override {
    cwtest::WriteFile(m_dir / "cw_downloader.cfg", "[Settings]\nAutoRun=1\n");
    FuntionImpl::SetLocalSettingsPathForTesting(m_dir / "cw_downloader.cfg");
  }
  void TearDown() override { FuntionImpl::SetLocalSettingsPathForTesting(""); }

 private:
  cwtest::TempDir m_dir;
};
[[maybe_unused]] ::testing::Environment* const g_quiet = ::testing::AddGlobalTestEnvironment(new QuietTelemetry);

}  // namespace

std::string WriteRecorder(const std::string& path, const std::string& record, const std::string& tail) {
  cwtest::WriteFile(path, "#!/bin/sh\nR='" + record +
                              "'\n"
                              "pwd > \"$R.cwd\"\n"
                              "echo $$ > \"$R.pid\"\n"
                              "printf '%s\\n' \"$@\" > \"$R.part\"\n"
                              "/bin/mv \"$R.part\" \"$R\"\n" +
                              tail + "\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  return path;
}

std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool WaitForRecord(const std::string& record) {
  return cwtest::WaitUntil(5000, [&] { return std::filesystem::exists(record); });
}

bool ProcessExists(int pid) { return pid > 0 && std::filesystem::exists("/proc/" + std::to_string(pid)); }

bool KillAndWaitGone(int pid) {
  if (pid <= 0 || kill(pid, SIGKILL) != 0) return false;
  return cwtest::WaitUntil(5000, [&] { return !ProcessExists(pid); });
}

}  // namespace installtest
