// Real signed files for the signature tests: a test CA set made with the
// tools/signing scripts, a minimal PE image, signing with osslsigncode or the
// appended layout, and small byte surgery on the results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sigtest {

// The certificate set of tools/signing/make-test-ca.sh, made once per process.
class TestKeys {
 public:
  static const TestKeys& Get();
  std::string Path(const std::string& name) const { return m_dir + "/" + name; }
  // ca.pem as an extra trust anchor.
  std::vector<std::string> Anchors() const;

 private:
  std::string m_dir;
};

// A small PE image (headers and one code section of sectionSize bytes, a
// multiple of 512) that signing tools take.
std::string MinimalPe(bool pe32Plus, std::size_t sectionSize = 0x200);

// Full path of a program found on PATH, empty when absent.
std::string FindProgram(const std::string& name);
// Runs a program to completion; its exit code, -1 when it does not start or
// does not end within a minute.
int Run(const std::string& program, const std::vector<std::string>& args);

// osslsigncode, and whether it is there.
bool HaveOsslsigncode();
bool SignPe(const std::string& certName, const std::string& keyName, const std::string& in, const std::string& out);
// True when "osslsigncode verify -CAfile ca.pem" accepts the file.
bool OsslsigncodeAccepts(const std::string& file);

bool SignAppended(const std::string& certName, const std::string& keyName, const std::string& in,
                  const std::string& out);

void FlipByte(const std::string& path, std::uint64_t offset);
std::uint32_t ReadLe32(const std::string& path, std::uint64_t offset);

}  // namespace sigtest
