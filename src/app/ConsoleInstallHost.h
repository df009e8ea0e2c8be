// The terminal in place of the main window, for the unattended run: it holds
// what the window would hold, shows progress as a line of text, prints the
// message texts instead of message boxes, and turns the install thread's
// messages into an exit code.
#pragma once

#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "InstallWindow.h"
#include "platform/sync.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>

class CConsoleInstallHost : public IInstallWindow {
 public:
  // `labels` are the embedded configuration's; the configuration record is
  // made from them as the window makes it.
  CConsoleInstallHost(const CEmbeddedLabels& labels, EnumLanguage language, std::ostream& out);
  ~CConsoleInstallHost() override;

  // Runs `installThread` on its own thread and handles its messages until it
  // has ended; returns the exit code of the outcome.
  int RunInstall(const std::function<unsigned()>& installThread);

  // Feeds the download progress (the engine's progress display).
  void onDownloadProgress(std::int64_t downloaded, std::int64_t total);

  CConfigure& configure() override { return m_configure; }
  const CEmbeddedLabels& embeddedLabels() const override { return m_labels; }
  int embeddedDownloaderId() const override { return m_downloaderId; }
  int needStartFlag() const override { return m_needStart; }
  bool isRetry() const override { return false; }
  EnumLanguage currentLanguage() const override { return m_language; }
  std::string installPathText() const override { return m_installPathText.get(); }
  void setInstallPathText(const std::string& path) override { m_installPathText.set(path); }
  std::string installDirectory() const override { return m_installDirectory.get(); }
  void setInstallDirectory(const std::string& folder) override { m_installDirectory.set(folder); }
  void setInstallStarted() override {}
  void setAdviceUrl(const std::string& url) override { m_adviceUrl.set(url); }
  void setStopCreep(int value) override { m_stopCreep = value; }
  void setInstallDone(bool done) override;
  std::int64_t downloadedBytes() const override { return m_downloaded; }
  int progressValue() const override { return m_progress; }
  cwplat::CEvent& progressFinish100() override { return m_progressFinish100; }
  void postMessage(unsigned message, std::uintptr_t wParam) override;
  int showMessageBox(EnumMsgType type) override;
  void showRunningPage() override;
  bool writeLanguageBack() override;
  void clickStartApp() override;
  void closeWindow() override {}

 private:
  void handle(unsigned message, std::uintptr_t wParam);
  void creep();
  void printProgress(bool force);
  void printLine(const std::string& text);

  const CEmbeddedLabels& m_labels;
  const EnumLanguage m_language;
  std::ostream& m_out;
  const bool m_terminal;
  int m_downloaderId = 0;
  int m_needStart = 0;
  int m_adminFlag = 0;
  CConfigure m_configure;
  cwplat::CEvent m_progressFinish100{true, false};

  mutable std::mutex m_mutex;  // the queue
  std::condition_variable m_queueChanged;
  std::deque<std::pair<unsigned, std::uintptr_t>> m_queue;
  cwplat::CLocked<std::string> m_installPathText;
  cwplat::CLocked<std::string> m_installDirectory;
  cwplat::CLocked<std::string> m_adviceUrl;

  std::atomic<std::int64_t> m_downloaded{0};
  std::atomic<std::int64_t> m_total{0};
  std::atomic<int> m_progress{0};
  std::atomic<int> m_stopCreep{1};
  std::atomic<bool> m_installDone{false};

  // Progress display state, main thread only.
  std::string m_phase = "preparing";
  int m_shownProgress = -1;
  std::string m_shownPhase;
  std::uint64_t m_lastCreepTick = 0;
  std::uint64_t m_speedTick = 0;
  std::int64_t m_speedBytes = 0;
  double m_speed = 0.0;
  std::mutex m_outMutex;  // the terminal: the install thread prints too
  bool m_lineOpen = false;
  int m_exitCode = 0;
};
