// Small helpers for tests: a temporary folder removed at the end, an
// environment variable set for one scope, whole-file read and write.
#pragma once

#include <optional>
#include <string>

namespace cwtest {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

class ScopedEnv {
 public:
  ScopedEnv(const std::string& name, const std::optional<std::string>& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string m_name;
  std::optional<std::string> m_old;
};

// A program name that no test of another process uses at the same time
// (stem + "-" + this process's id): the installer's ".tmp" companion is
// matched by name anywhere on the machine, so two suites running side by side
// must not both start a "setup.tmp".
std::string UniqueProgramStem(const std::string& stem);

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);

// Standard output of a /bin/sh command line, its final newline removed: an
// outside answer (uname, the shell's own reading of a file) to compare with.
std::string CommandOutput(const std::string& command);

// Whether a `uname -m` machine name is a 64-bit architecture, from a list kept
// here independently of the code under test; nothing for a name not listed.
std::optional<bool> MachineIs64Bit(const std::string& unameMachine);

// True under CI (the environment variable CI is "true"; .ci/run sets it).
bool RunningUnderCi();

// The per-user folders and the registry of one test, under a temporary folder.
struct ScopedInstallFolders {
  TempDir dir;
  ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
  ScopedEnv cache{"XDG_CACHE_HOME", dir / "cache"};
  ScopedEnv registry{"CW_REGISTRY_ROOT", dir / "registry"};
};

}  // namespace cwtest

// A test whose outside tool (nginx, osslsigncode, openssl) is missing skips on
// a developer's machine but fails under CI, where the tool is installed: a
// green CI run must not hide coverage that did not run.
#define CW_SKIP_WITHOUT_TOOL(message)         \
  do {                                        \
    if (cwtest::RunningUnderCi()) {           \
      FAIL() << (message) << " (under CI)";   \
    }                                         \
    GTEST_SKIP() << (message);                \
  } while (0)
