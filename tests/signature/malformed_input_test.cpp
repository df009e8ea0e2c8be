// Files that are not what they claim: every offset and size in them is
// checked, nothing outside the file is read, and the verdict is the
// documented one (unsigned for unusable headers, a digest failure for a
// signature block that cannot be used).
#include "SignatureFixtures.h"

#include "platform/code_signature.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace sigtest;

constexpr std::size_t kPe = 0x40;

void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}
std::uint32_t Get32(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}

std::uint32_t StatusOf(const std::string& bytes) {
  return cwplat::VerifyCodeSignatureBytes(bytes, TestKeys::Get().Anchors()).status;
}

TEST(CodeSignatureInput, FilesThatCannotBeCheckedSayWhy) {
  cwtest::TempDir dir;
  cwtest::WriteFile(dir / "empty", "");
  const auto empty = cwplat::VerifyCodeSignature(dir / "empty", {});
  EXPECT_EQ(empty.status, cwplat::kTrustENoSignature);
  EXPECT_EQ(empty.lastError, cwplat::kTrustESubjectFormUnknown);

  const auto folder = cwplat::VerifyCodeSignature(dir.path(), {});
  EXPECT_EQ(folder.status, cwplat::kTrustENoSignature);
  EXPECT_EQ(folder.lastError, cwplat::kTrustESubjectFormUnknown);

  // A missing file is not "unsigned": the last error is the file error.
  const auto missing = cwplat::VerifyCodeSignature(dir / "missing.exe", {});
  EXPECT_EQ(missing.status, cwplat::kTrustENoSignature);
  EXPECT_EQ(missing.lastError, 2u);
  EXPECT_EQ(cwplat::VerifyCodeSignature(dir / "empty/below", {}).lastError, 3u);
}

TEST(CodeSignatureInput, UnusablePeHeadersMeanNoSignature) {
  auto patched = [](std::size_t at, std::uint32_t value) {
    std::string image = MinimalPe(false);
    Put32(image, at, value);
    return image;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"PE offset past the end", patched(0x3c, 0x10000)},
      {"PE offset near 4 GiB", patched(0x3c, 0xfffffff0)},
      {"PE offset inside the DOS header", patched(0x3c, 0x10)},
      {"section count beyond the file", patched(kPe + 4, 0xffff014c)},
      {"optional header size beyond the file", patched(kPe + 20, 0x0102ffff)},
      {"no certificate directory", patched(kPe + 24 + 92, 4)},
      {"headers cut short", MinimalPe(false).substr(0, 0x100)},
      {"DOS header only", MinimalPe(false).substr(0, 0x40)},
      {"not even a DOS header", "MZ"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StatusOf(c.bytes), cwplat::kTrustENoSignature);
  }
}

class SignedPeSurgery : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveOsslsigncode()) CW_SKIP_WITHOUT_TOOL("osslsigncode is not installed");
    cwtest::WriteFile(m_dir / "app.exe", MinimalPe(false));
    ASSERT_TRUE(SignPe("codesign.pem", "codesign.key", m_dir / "app.exe", m_dir / "signed.exe"));
    m_signed = cwtest::ReadFile(m_dir / "signed.exe");
    m_table = Get32(m_signed, kCertDir);
    m_size = Get32(m_signed, kCertDir + 4);
    ASSERT_EQ(StatusOf(m_signed), cwplat::kTrustSuccess);
  }

  std::string With(std::size_t at, std::uint32_t value) const {
    std::string bytes = m_signed;
    Put32(bytes, at, value);
    return bytes;
  }

  static constexpr std::size_t kCertDir = kPe + 24 + 128;
  cwtest::TempDir m_dir;
  std::string m_signed;
  std::uint32_t m_table = 0;
  std::uint32_t m_size = 0;
};

TEST_F(SignedPeSurgery, CertificateTableOutOfPlaceIsRefused) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"table runs past the end", With(kCertDir + 4, m_size + 8)},
      {"table ends before the end", With(kCertDir + 4, m_size - 8)},
      {"table size near 4 GiB", With(kCertDir + 4, 0xfffffff8)},
      {"table smaller than an entry header", With(kCertDir + 4, 4)},
      {"table not aligned", [&] {
         std::string b = With(kCertDir, m_table + 4);
         Put32(b, kCertDir + 4, m_size - 4);
         return b;
       }()},
      {"table covers the code section", [&] {
         std::string b = With(kCertDir, 0x200);
         Put32(b, kCertDir + 4, static_cast<std::uint32_t>(m_signed.size()) - 0x200);
         return b;
       }()},
      {"section raw data reaches into the table", With(kPe + 24 + 224 + 16, m_table)},
      {"entry length zero", With(m_table, 0)},
      {"entry length below its header", With(m_table, 7)},
      {"entry length past the table", With(m_table, m_size + 8)},
      {"bytes hidden after the PKCS#7 data", [&] {
         std::string b = m_signed;
         b[m_table + m_size - 1] = 'x';
         return b;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(StatusOf(c.bytes), cwplat::kTrustEBadDigest);
  }
}

TEST_F(SignedPeSurgery, TableWithoutPkcs7EntryIsUnsigned) {
  // wRevision 0x0200, wCertificateType 1 (X.509 only).
  EXPECT_EQ(StatusOf(With(m_table + 4, 0x00010200)), cwplat::kTrustENoSignature);
  // An empty directory entry: the table bytes are then simply hashed data,
  // which makes it an unsigned image.
  std::string cleared = With(kCertDir, 0);
  Put32(cleared, kCertDir + 4, 0);
  EXPECT_EQ(StatusOf(cleared), cwplat::kTrustENoSignature);
}

}  // namespace
