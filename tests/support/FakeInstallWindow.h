// A window that records what the install flow (checks, install thread, silent
// run) asks of it. Header only: the suites that use it link the program's core.
#pragma once

#include "CConfigure.h"
#include "EmbeddedLabels.h"
#include "InstallWindow.h"
#include "platform/sync.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace cwtest {

class FakeInstallWindow : public IInstallWindow {
 public:
  FakeInstallWindow() = default;
  // The configuration made from embedded labels, as the window makes it.
  FakeInstallWindow(const std::string& labelsXml, const std::string& folder) : pathText(folder), installDir(folder) {
    labels.parse(labelsXml);
    config->loadFromResource(labels, false);
  }

  CConfigure& configure() override { return *config; }
  const CEmbeddedLabels& embeddedLabels() const override { return labels; }
  int embeddedDownloaderId() const override { return 521; }
  int needStartFlag() const override { return 0; }
  bool isRetry() const override { return retry; }
  EnumLanguage currentLanguage() const override { return language; }
  std::string installPathText() const override { return pathText; }
  void setInstallPathText(const std::string& path) override { pathText = path; }
  std::string installDirectory() const override { return installDir; }
  void setInstallDirectory(const std::string& folder) override { installDir = folder; }
  void setInstallStarted() override {}
  void setAdviceUrl(const std::string& url) override { adviceUrl = url; }
  void setStopCreep(int value) override { stopCreep = value; }
  void setInstallDone(bool done) override {
    installDone = done;
    if (done && fillOnInstallDone) m_finish.Set();  // the bar fills once the installer has ended
  }
  std::int64_t downloadedBytes() const override { return downloaded; }
  int progressValue() const override { return progress; }
  cwplat::CEvent& progressFinish100() override { return m_finish; }
  void postMessage(unsigned message, std::uintptr_t wParam) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_messages.emplace_back(message, wParam);
  }
  int showMessageBox(EnumMsgType type) override {
    boxes.push_back(type);
    return 1;
  }
  void showRunningPage() override { ++runningPageShown; }
  bool writeLanguageBack() override { return ++languageWrites > 0; }
  void clickStartApp() override {}
  void closeWindow() override {}

  std::vector<std::pair<unsigned, std::uintptr_t>> messages() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_messages;
  }
  std::vector<unsigned> messageIds() const {
    std::vector<unsigned> ids;
    for (const auto& m : messages()) ids.push_back(m.first);
    return ids;
  }

  std::unique_ptr<CConfigure> config = std::make_unique<CConfigure>(521, 1033, 61);
  CEmbeddedLabels labels;
  std::string pathText;
  std::string installDir;
  bool retry = false;
  EnumLanguage language = Japanese;
  bool fillOnInstallDone = true;
  int progress = 90;
  std::string adviceUrl;
  std::atomic<int> stopCreep{-1};
  std::atomic<bool> installDone{false};
  std::atomic<std::int64_t> downloaded{0};
  std::atomic<int> languageWrites{0};
  std::vector<int> boxes;
  int runningPageShown = 0;

 private:
  cwplat::CEvent m_finish{true, false};
  mutable std::mutex m_mutex;
  std::vector<std::pair<unsigned, std::uintptr_t>> m_messages;
};

}  // namespace cwtest
