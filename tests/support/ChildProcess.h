// Runs a program as a child process for end-to-end tests: extra environment,
// output to a file, wait with a time limit.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace cwtest {

class ChildProcess {
 public:
  // Starts `program` with `args`; `env` entries are added to (or replace) the
  // current environment; standard output and error go to `outputFile` when set;
  // the child starts in `workingFolder` when set (as a desktop launcher would
  // start it somewhere), else in ours.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::map<std::string, std::string>& env, const std::string& outputFile = "",
               const std::string& workingFolder = "");
  ~ChildProcess();  // kills the child if it still runs
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool started() const { return m_pid > 0; }
  // Exit code, 128 + signal for a signal, -1 on time-out (child still running).
  int Wait(int timeoutMs);
  void Kill(int signal);
  int pid() const { return m_pid; }

 private:
  int m_pid = -1;
  int m_status = -1;
  bool m_done = false;
};

// Polls `predicate` every 20 ms until it holds or the time is up.
bool WaitUntil(int timeoutMs, const std::function<bool()>& predicate);

// A throw-away certificate authority and a server certificate for 127.0.0.1
// in `folder` (ca.pem, server.pem, server.key), made by the devserver's
// make-test-ca.sh; false (and a test failure with the script's output) when
// that fails.
bool MakeTestCa(const std::string& folder);

}  // namespace cwtest
