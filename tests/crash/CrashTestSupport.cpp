#include "CrashTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace crashtest {
namespace {

// Runs a short Python program on an archive; its output, or nothing on failure.
std::optional<std::string> Python(const std::string& program, const std::vector<std::string>& args) {
  cwtest::TempDir dir;
  std::vector<std::string> argv{"-c", program};
  argv.insert(argv.end(), args.begin(), args.end());
  cwtest::ChildProcess python("/usr/bin/python3", argv, {}, dir / "out");
  if (python.Wait(20000) != 0) return std::nullopt;
  return cwtest::ReadFile(dir / "out");
}

}  // namespace

UploadServer::UploadServer() : m_server("{}", true) {}

std::string UploadServer::DeploymentXml(bool withTrustAnchor) const {
  return m_server.DeploymentXml({"LogUploadService"}, {}, withTrustAnchor);
}

std::vector<Json::Value> UploadServer::Uploads() const {
  std::vector<Json::Value> uploads;
  for (const Json::Value& record : m_server.Records()) {
    if (record["path"].asString() == "/v1/productLogUpload") uploads.push_back(record);
  }
  return uploads;
}

bool UploadServer::WaitForUploads(std::size_t count, int timeoutMs) const {
  return cwtest::WaitUntil(timeoutMs, [&] { return Uploads().size() >= count; });
}

std::vector<std::string> UploadServer::StoredArchives() const {
  std::vector<std::string> paths;
  for (const std::string& name : FilesMatching(m_server.root() + "/uploads", "*")) {
    paths.push_back(m_server.root() + "/uploads/" + name);
  }
  return paths;
}

std::optional<std::string> UploadServer::Field(const Json::Value& upload, const std::string& name) {
  for (const Json::Value& part : upload["files"]) {
    if (part["name"].asString() == name) return part["content"].asString();
  }
  return std::nullopt;
}

std::string UploadServer::FileName(const Json::Value& upload) {
  for (const Json::Value& part : upload["files"]) {
    if (part["name"].asString() == "file") return part["filename"].asString();
  }
  return {};
}

Sandbox::Sandbox(const UploadServer* server) {
  fs::create_directories(m_dir / "bin");
  fs::create_directories(m_dir / "tmp");
  fs::copy_file(CW_DOWNLOADER_HARNESS_EXE, exe());  // crashes on request
  m_env = {{"XDG_DATA_HOME", m_dir / "data"},
           {"XDG_CACHE_HOME", m_dir / "cache"},
           {"XDG_RUNTIME_DIR", m_dir.path()},
           {"CW_REGISTRY_ROOT", m_dir / "registry"},
           {"TMPDIR", m_dir / "tmp"}};
  if (server != nullptr) {
    cwtest::WriteFile(m_dir / "deployment.xml", server->DeploymentXml());
    m_env["CW_DEPLOYMENT_FILE"] = m_dir / "deployment.xml";
  }
}

std::unique_ptr<cwtest::ChildProcess> Sandbox::Start(const std::vector<std::string>& args) {
  return std::make_unique<cwtest::ChildProcess>(exe(), args, m_env, m_dir / "stdout.txt");
}

int Sandbox::Run(const std::vector<std::string>& args, int timeoutMs) { return Start(args)->Wait(timeoutMs); }

bool SanitizerKeepsFatalSignals() {
#if defined(__SANITIZE_ADDRESS__)
  const char* options = std::getenv("ASAN_OPTIONS");
  return options != nullptr && std::string(options).find("allow_user_segv_handler=0") != std::string::npos;
#else
  return false;
#endif
}

bool Matches(const std::string& text, const std::string& pattern) {
  if (pattern.empty()) return text.empty();
  if (pattern[0] == '*') {
    for (std::size_t skip = 0; skip <= text.size(); ++skip) {
      if (Matches(text.substr(skip), pattern.substr(1))) return true;
    }
    return false;
  }
  if (text.empty()) return false;
  const char c = text[0];
  const bool one = pattern[0] == '#'   ? (c >= '0' && c <= '9')
                   : pattern[0] == '%' ? ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))
                                       : c == pattern[0];
  return one && Matches(text.substr(1), pattern.substr(1));
}

std::vector<std::string> FilesMatching(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (entry.is_regular_file() && Matches(name, pattern)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::optional<std::vector<std::string>> ZipEntries(const std::string& archive) {
  const auto out = Python(
      "import sys, zipfile\n"
      "z = zipfile.ZipFile(sys.argv[1])\n"
      "sys.exit(1) if z.testzip() is not None else print('\\n'.join(z.namelist()))\n",
      {archive});
  if (!out) return std::nullopt;
  std::vector<std::string> names;
  std::istringstream lines(*out);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

std::optional<std::string> ZipEntry(const std::string& archive, const std::string& name) {
  return Python(
      "import sys, zipfile\n"
      "sys.stdout.buffer.write(zipfile.ZipFile(sys.argv[1]).read(sys.argv[2]))\n",
      {archive, name});
}

}  // namespace crashtest
