#include "SignatureFixtures.h"

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <unistd.h>

namespace sigtest {
namespace {

void Put16(std::string& s, std::size_t at, std::uint16_t v) {
  s[at] = static_cast<char>(v & 0xff);
  s[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

std::string Script(const std::string& name) { return std::string(CW_SOURCE_DIR) + "/tools/signing/" + name; }

}  // namespace

const TestKeys& TestKeys::Get() {
  static const TestKeys keys = [] {
    static cwtest::TempDir dir;  // lives until the process ends
    TestKeys k;
    k.m_dir = dir.path();
    const int rc = Run("/bin/sh", {Script("make-test-ca.sh"), k.m_dir});
    EXPECT_EQ(rc, 0) << "make-test-ca.sh failed";
    return k;
  }();
  return keys;
}

std::vector<std::string> TestKeys::Anchors() const { return {cwtest::ReadFile(Path("ca.pem"))}; }

std::string MinimalPe(bool pe32Plus, std::size_t sectionSize) {
  constexpr std::size_t kPe = 0x40, kHeaders = 0x200;
  const auto codeSize = static_cast<std::uint32_t>(sectionSize);
  std::string image(kHeaders + codeSize, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3c, kPe);
  image.replace(kPe, 4, std::string("PE\0\0", 4));
  const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
  Put16(image, kPe + 4, pe32Plus ? 0x8664 : 0x14c);  // machine
  Put16(image, kPe + 6, 1);                          // sections
  Put32(image, kPe + 8, 0x5f000000);                 // time stamp
  Put16(image, kPe + 20, optionalSize);
  Put16(image, kPe + 22, pe32Plus ? 0x0022 : 0x0102);  // executable image
  const std::size_t opt = kPe + 24;
  Put16(image, opt, pe32Plus ? 0x20b : 0x10b);
  Put32(image, opt + 4, codeSize);  // size of code
  Put32(image, opt + 16, 0x1000);   // entry point
  Put32(image, opt + 20, 0x1000);   // base of code
  if (pe32Plus) {
    Put32(image, opt + 24, 0x40000000);  // image base (low half)
    Put32(image, opt + 28, 0x1);
  } else {
    Put32(image, opt + 28, 0x400000);
  }
  Put32(image, opt + 32, 0x1000);  // section alignment
  Put32(image, opt + 36, 0x200);   // file alignment
  Put16(image, opt + 40, 6);       // OS version
  Put16(image, opt + 48, 6);       // subsystem version
  Put32(image, opt + 56, 0x1000 + ((codeSize + 0xfff) & ~0xfffu));  // size of image
  Put32(image, opt + 60, kHeaders);
  Put16(image, opt + 68, 3);  // console
  Put32(image, opt + (pe32Plus ? 108 : 92), 16);  // data directories
  const std::size_t section = opt + optionalSize;
  image.replace(section, 5, ".text");
  Put32(image, section + 8, codeSize);    // virtual size
  Put32(image, section + 12, 0x1000);     // virtual address
  Put32(image, section + 16, codeSize);   // raw size
  Put32(image, section + 20, kHeaders);   // raw offset
  Put32(image, section + 36, 0x60000020);  // code, execute, read
  image[kHeaders] = '\xc3';                // ret
  for (std::size_t i = 1; i < codeSize; ++i) image[kHeaders + i] = static_cast<char>(i * 7);
  return image;
}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

int Run(const std::string& program, const std::vector<std::string>& args) {
  static cwtest::TempDir logs;
  cwtest::ChildProcess child(program, args, {}, logs / "output.log");
  if (!child.started()) return -1;
  return child.Wait(60000);
}

bool HaveOsslsigncode() { return !FindProgram("osslsigncode").empty(); }

bool SignPe(const std::string& certName, const std::string& keyName, const std::string& in, const std::string& out) {
  const TestKeys& keys = TestKeys::Get();
  return Run(FindProgram("osslsigncode"), {"sign", "-certs", keys.Path(certName), "-key", keys.Path(keyName), "-h",
                                           "sha256", "-in", in, "-out", out}) == 0;
}

bool OsslsigncodeAccepts(const std::string& file) {
  return Run(FindProgram("osslsigncode"), {"verify", "-CAfile", TestKeys::Get().Path("ca.pem"), "-in", file}) == 0;
}

bool SignAppended(const std::string& certName, const std::string& keyName, const std::string& in,
                  const std::string& out) {
  const TestKeys& keys = TestKeys::Get();
  return Run("/bin/sh", {Script("sign-appended.sh"), keys.Path(certName), keys.Path(keyName), in, out}) == 0;
}

void FlipByte(const std::string& path, std::uint64_t offset) {
  std::string bytes = cwtest::ReadFile(path);
  ASSERT_LT(offset, bytes.size());
  bytes[offset] = static_cast<char>(bytes[offset] ^ 0x01);
  cwtest::WriteFile(path, bytes);
}

std::uint32_t ReadLe32(const std::string& path, std::uint64_t offset) {
  const std::string bytes = cwtest::ReadFile(path);
  if (offset + 4 > bytes.size()) return 0;
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return v;
}

}  // namespace sigtest
