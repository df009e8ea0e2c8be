#include "package_support.h"

#include "support/ChildProcess.h"
#include "support/TestSupport.h"
#include "platform/paths.h"

#include <openssl/evp.h>

#include <csignal>
#include <cstdio>

namespace samplepkg {

std::string OutputPath(const std::string& name) { return std::string(CW_BINARY_DIR) + "/sample-package/" + name; }

std::string PackagePath() { return OutputPath("files/QuorlaMurmelon_setup.exe"); }

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::map<std::string, std::string>& env, int timeoutMs) {
  cwtest::TempDir scratch;
  const std::string outputFile = scratch / "output.txt";
  RunResult result;
  {
    cwtest::ChildProcess child(program, args, env, outputFile);
    if (!child.started()) return result;
    result.exitCode = child.Wait(timeoutMs);
    if (result.exitCode == -1) {
      child.Kill(SIGKILL);
      child.Wait(5000);
    }
  }
  if (cwplat::FileExists(outputFile)) result.output = cwtest::ReadFile(outputFile);
  return result;
}

std::vector<std::string> DownloaderArgs(const std::string& dir, const std::string& language,
                                        const std::string& logFile, const std::string& tracking) {
  return {"/VERYSILENT", "/SP-", "/NORESTART", "/DIR=" + dir + "/", "/LANG=" + language, "/LOG=" + logFile,
          "/sptrack", tracking};
}

std::string Md5Hex(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), digest, &size, EVP_md5(), nullptr) != 1) return "";
  std::string hex;
  char two[3];
  for (unsigned int i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    hex += two;
  }
  return hex;
}

std::string OpensslPath() {
  for (const char* path : {"/usr/bin/openssl", "/bin/openssl", "/usr/local/bin/openssl"}) {
    if (cwplat::FileExists(path)) return path;
  }
  return "";
}

}  // namespace samplepkg
