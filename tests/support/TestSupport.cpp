#include "support/TestSupport.h"

#include "platform/process.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace cwtest {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "cwtest-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  m_path = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

ScopedEnv::ScopedEnv(const std::string& name, const std::optional<std::string>& value) : m_name(name) {
  if (const char* old = std::getenv(name.c_str())) m_old = old;
  if (value) {
    setenv(name.c_str(), value->c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
}

ScopedEnv::~ScopedEnv() {
  if (m_old) {
    setenv(m_name.c_str(), m_old->c_str(), 1);
  } else {
    unsetenv(m_name.c_str());
  }
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof(buf), pipe)) > 0;) out.append(buf, n);
    pclose(pipe);
  }
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::optional<bool> MachineIs64Bit(const std::string& unameMachine) {
  static const std::map<std::string, bool> machines = {
      {"x86_64", true},  {"aarch64", true},     {"ppc64le", true}, {"ppc64", true},   {"s390x", true},
      {"riscv64", true}, {"loongarch64", true}, {"mips64", true},  {"sparc64", true}, {"alpha", true},
      {"i386", false},   {"i486", false},       {"i586", false},   {"i686", false},   {"armv6l", false},
      {"armv7l", false}, {"mips", false},       {"ppc", false},    {"s390", false},
  };
  const auto it = machines.find(unameMachine);
  return it == machines.end() ? std::nullopt : std::optional<bool>(it->second);
}

bool RunningUnderCi() {
  const char* ci = std::getenv("CI");
  return ci != nullptr && std::string(ci) == "true";
}

std::string UniqueProgramStem(const std::string& stem) {
  return stem + "-" + std::to_string(cwplat::GetCurrentProcessId());
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace cwtest
