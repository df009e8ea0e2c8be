// Shared by the crash and upload suites: the local service stack over HTTPS
// with a deployment file that names it, a sandbox for the real executable,
// and ZIP archives read back with Python's zipfile (not our own code).
#pragma once

#include "support/ChildProcess.h"
#include "support/DevServerHarness.h"
#include "support/TestSupport.h"

#include <json/json.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace crashtest {

// The devserver with its test CA, and the deployment text that sends the
// program's log upload to it.
class UploadServer {
 public:
  UploadServer();
  devtest::DevServer& server() { return m_server; }
  std::string DeploymentXml(bool withTrustAnchor = true) const;
  // The upload requests received so far.
  std::vector<Json::Value> Uploads() const;
  bool WaitForUploads(std::size_t count, int timeoutMs) const;
  // Stored archives (full paths), by name.
  std::vector<std::string> StoredArchives() const;
  // The text content of form part `name` of an upload record, nothing when absent.
  static std::optional<std::string> Field(const Json::Value& upload, const std::string& name);
  static std::string FileName(const Json::Value& upload);

 private:
  devtest::DevServer m_server;
};

// The real executable copied into a temporary folder, with every per-user
// folder and the temporary folder inside it.
class Sandbox {
 public:
  explicit Sandbox(const UploadServer* server = nullptr);
  std::string exe() const { return m_dir / "bin/cw_downloader"; }
  std::string logFolder() const { return m_dir / "data/CWDownloader/logs/QuorlaMurmelon_setup"; }
  std::string tempFolder() const { return m_dir / "tmp"; }
  std::map<std::string, std::string>& env() { return m_env; }
  std::string output() const { return cwtest::ReadFile(m_dir / "stdout.txt"); }

  std::unique_ptr<cwtest::ChildProcess> Start(const std::vector<std::string>& args = {});
  // Runs to the end; the exit code (128 + signal for a crash, -1 on time-out).
  int Run(const std::vector<std::string>& args = {}, int timeoutMs = 20000);

 private:
  cwtest::TempDir m_dir;
  std::map<std::string, std::string> m_env;
};

// True when this build's sanitizer runtime would not let the program's own
// handler take the fatal signals: AddressSanitizer passes them on unless
// ASAN_OPTIONS says allow_user_segv_handler=0.
bool SanitizerKeepsFatalSignals();

// A simple pattern: '*' stands for any text, '#' for one decimal digit and
// '%' for one lower-case hex digit; every other character for itself.
bool Matches(const std::string& text, const std::string& pattern);
// The 17 digits of a time stamp, as a pattern.
inline const std::string kStamp(17, '#');

// File names in a folder matching a pattern, sorted.
std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern);

// Entry names of a ZIP archive as Python's zipfile reads them; nothing when it
// cannot open the archive or finds a damaged entry.
std::optional<std::vector<std::string>> ZipEntries(const std::string& archive);
// One entry's bytes, through Python's zipfile.
std::optional<std::string> ZipEntry(const std::string& archive, const std::string& name);

}  // namespace crashtest
