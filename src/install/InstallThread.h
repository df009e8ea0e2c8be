// The install thread: makes the configuration ready, chooses the download
// address, downloads in up to 12 attempts, verifies the package, runs it
// silently and finishes. It talks to the window only through IInstallWindow
// (posted messages, flags, the "ProgressFinish100" event).
#pragma once

#include "EnumErrorCode.h"
#include "InstallFiles.h"
#include "InstallWindow.h"

#include <cstdint>
#include <functional>
#include <string>

class CInstallThread {
 public:
  static constexpr int kMaxAttempts = 12;
  static constexpr unsigned kFailed = 0xFFFFFFFFu;
  static constexpr unsigned kNotAProgram = 1;

  // The auto-run restart's outcome: the new copy's process id (0 when it did
  // not start) and the error number of the start (0 when it started).
  struct RestartResult {
    int processId = 0;
    int error = 0;
  };

  // What the flow needs from the outside world, replaceable by tests.
  struct Services {
    // One download start (the engine's SuperDownloadFile by default).
    std::function<EnumErrorCode(const std::string& url, const std::string& path, std::string& cdnReport)> download;
    // The operating system's version number (10 and above: no old-system link check).
    std::function<float()> osVersion;
    // Opens a web page in the user's browser.
    std::function<bool(const std::string& url)> openUrl;
    // Starts the program at this path again (the auto-run restart).
    std::function<RestartResult(const std::string& self)> restartSelf;
  };

  explicit CInstallThread(IInstallWindow& window);
  CInstallThread(IInstallWindow& window, Services services);

  // Runs the whole flow once: 0 after an install, 1 after a package that is
  // not a program, kFailed after every failure (one message was posted).
  unsigned InstallThreadFunc();

  // The download code of the FlowError event for a failed attempt.
  static const char* FlowErrorCode(EnumErrorCode result);

 private:
  void prepareConfiguration();
  bool chooseAddress();
  void prepareLocalFiles();
  EnumErrorCode downloadAttempts();
  bool reportDownloadOutcome(EnumErrorCode result);
  bool verifyPackage();
  bool installAndFinish();
  void openProductPage();
  void restartForAutoRun();
  const char* firstOrRetry() const;

  IInstallWindow& m_window;
  Services m_services;
  std::uint64_t m_startTick = 0;
  std::uint64_t m_sourceChosenTick = 0;
  bool m_embeddedConfig = false;
  std::string m_url;
  std::string m_addressLabel;
  InstallFiles m_files;
  std::string m_cachedInstaller;  // the installer's name in the download folder
};
