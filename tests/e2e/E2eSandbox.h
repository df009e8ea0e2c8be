// The real executable (or the test harness build of it, which has the test
// switches) in a sandbox of its own: a private copy (so its settings file is
// its own) and per-user folders under one temporary folder.
#pragma once

#include "support/ChildProcess.h"
#include "support/DevServerHarness.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace e2etest {

namespace fs = std::filesystem;

// The signed sample package the build makes, and where its files are.
inline const std::string kPackageDir = std::string(CW_BINARY_DIR) + "/sample-package";
inline const std::string kPackage = "QuorlaMurmelon_setup.exe";

// Every service on the devserver; its TLS CA and the demo code-signing CA trusted.
inline std::string DeploymentFor(const devtest::DevServer& server) {
  return server.DeploymentXml({"UpdateService", "UpdateServiceRegional", "ProductAlertService", "LogUploadService",
                               "AnalyticsCollect", "AnalyticsCollectTest", "Ga4Endpoint", "UserCheck", "DownloadSite",
                               "BannerService", "BannerServiceTest"},
                              {kPackageDir + "/ca/ca.pem"});
}

class Sandbox {
 public:
  std::string dir() const { return m_dir.path(); }
  explicit Sandbox(const std::string& program = CW_DOWNLOADER_EXE) {
    fs::create_directories(m_dir / "bin");
    fs::copy_file(program, exe());
    m_env = {{"XDG_DATA_HOME", m_dir / "data"},
             {"XDG_CACHE_HOME", m_dir / "cache"},
             {"XDG_RUNTIME_DIR", m_dir.path()},
             {"CW_REGISTRY_ROOT", m_dir / "registry"},
             // No window opens on the desktop the tests run in.
             {"DISPLAY", ""},
             {"WAYLAND_DISPLAY", ""}};
  }
  std::string exe() const { return m_dir / "bin/cw_downloader"; }
  std::string logFolder() const { return m_dir / "data/CWDownloader/logs/QuorlaMurmelon_setup"; }
  std::map<std::string, std::string>& env() { return m_env; }
  void WriteSettings(const std::string& text) { cwtest::WriteFile(m_dir / "bin/cw_downloader.cfg", text); }

  std::vector<std::string> LogFiles() const {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(logFolder(), ec)) {
      if (e.path().extension() == ".log") files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }
  // The log file whose content mentions `text`, "" when none does.
  std::string LogWith(const std::string& text) const {
    for (const auto& f : LogFiles()) {
      if (cwtest::ReadFile(f).find(text) != std::string::npos) return f;
    }
    return {};
  }

  // In `workingFolder` when given, else in the sandbox's own folder.
  std::unique_ptr<cwtest::ChildProcess> Start(const std::vector<std::string>& args = {},
                                              const std::string& workingFolder = "") {
    return std::make_unique<cwtest::ChildProcess>(exe(), args, m_env, m_dir / "stdout.txt", workingFolder);
  }

 private:
  cwtest::TempDir m_dir;
  std::map<std::string, std::string> m_env;
};

}  // namespace e2etest
