// Helpers of the install-run suite: a stand-in program that records how it
// was started, a window that records what the run did to it, and process
// checks.
#pragma once

#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "InstallWindow.h"
#include "platform/sync.h"
#include "support/TestSupport.h"

#include <string>
#include <vector>

namespace installtest {

// A program (a #!/bin/sh script, executed directly) that writes its arguments
// one per line to `record`, its working folder to `record`.cwd and its pid
// to `record`.pid, and then runs the shell text `tail` ("exit 3",
// "exec /bin/sleep 30"). The argument file appears last, complete.
std::string WriteRecorder(const std::string& path, const std::string& record, const std::string& tail = "");

// The lines of a file, without their line ends; empty when it is missing.
std::vector<std::string> ReadLines(const std::string& path);

// Waits until the recorder has written `record` (at most 5 s).
bool WaitForRecord(const std::string& record);

bool ProcessExists(int pid);
// Ends a process the test left running and waits until it is gone for good
// (reaped, not a zombie).
bool KillAndWaitGone(int pid);

// Records install-done flags and posted messages in order ("done 0", "post 2947").
class RecordingWindow : public IInstallWindow {
 public:
  RecordingWindow() : m_configure(0, 0, 0), m_progress(true, false) {}

  void setInstallDone(bool done) override { calls.push_back(done ? "done 1" : "done 0"); }
  void postMessage(unsigned message, std::uintptr_t) override { calls.push_back("post " + std::to_string(message)); }
  CConfigure& configure() override { return m_configure; }
  bool isRetry() const override { return retry; }
  EnumLanguage currentLanguage() const override { return language; }
  std::string installDirectory() const override { return folder; }

  // Not used by the run.
  const CEmbeddedLabels& embeddedLabels() const override { return m_labels; }
  int embeddedDownloaderId() const override { return 0; }
  int needStartFlag() const override { return 0; }
  std::string installPathText() const override { return folder; }
  void setInstallPathText(const std::string&) override {}
  void setInstallDirectory(const std::string&) override {}
  void setInstallStarted() override {}
  void setAdviceUrl(const std::string&) override {}
  void setStopCreep(int) override {}
  std::int64_t downloadedBytes() const override { return 0; }
  int progressValue() const override { return 0; }
  cwplat::CEvent& progressFinish100() override { return m_progress; }
  int showMessageBox(EnumMsgType) override { return 0; }
  void showRunningPage() override {}
  bool writeLanguageBack() override { return false; }
  void clickStartApp() override {}
  void closeWindow() override {}

  std::vector<std::string> calls;
  std::string folder;
  EnumLanguage language = English;
  bool retry = false;

 private:
  CConfigure m_configure;
  CEmbeddedLabels m_labels;
  cwplat::CEvent m_progress;
};

}  // namespace installtest
