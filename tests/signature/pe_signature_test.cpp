// Authenticode on real PE images signed by osslsigncode: every verdict must
// agree with what osslsigncode's own verifier says about the same file.
#include "SignatureFixtures.h"

#include "platform/code_signature.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace sigtest;

// The checksum field and the certificate directory entry of MinimalPe images.
constexpr std::uint64_t kChecksum = 0x40 + 24 + 64;
std::uint64_t CertDirEntry(bool plus) { return 0x40 + 24 + (plus ? 144 : 128); }

class PeSignatureTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!HaveOsslsigncode()) CW_SKIP_WITHOUT_TOOL("osslsigncode is not installed");
    cwtest::WriteFile(m_dir / "app.exe", MinimalPe(GetParam()));
  }

  std::string Signed(const std::string& cert = "codesign.pem", const std::string& key = "codesign.key") {
    const std::string out = m_dir / ("signed-" + cert + ".exe");
    EXPECT_TRUE(SignPe(cert, key, m_dir / "app.exe", out));
    return out;
  }

  // The status, after checking that osslsigncode reaches the same verdict.
  std::uint32_t Status(const std::string& file, const std::vector<std::string>& anchors) {
    const cwplat::CodeSignatureResult result = cwplat::VerifyCodeSignature(file, anchors);
    EXPECT_EQ(result.status == cwplat::kTrustSuccess, OsslsigncodeAccepts(file)) << result.detail;
    return result.status;
  }
  std::uint32_t Status(const std::string& file) { return Status(file, TestKeys::Get().Anchors()); }

  cwtest::TempDir m_dir;
};

TEST_P(PeSignatureTest, SignedImageVerifiesAndUnsignedIsReportedAsNotSigned) {
  EXPECT_EQ(Status(Signed()), cwplat::kTrustSuccess);

  const auto unsignedResult = cwplat::VerifyCodeSignature(m_dir / "app.exe", TestKeys::Get().Anchors());
  EXPECT_EQ(unsignedResult.status, cwplat::kTrustENoSignature);
  EXPECT_EQ(unsignedResult.lastError, cwplat::kTrustENoSignature);
  EXPECT_FALSE(OsslsigncodeAccepts(m_dir / "app.exe"));
}

TEST_P(PeSignatureTest, ExcludedFieldsMayChangeButHashedBytesMayNot) {
  const std::string file = Signed();
  const std::string pristine = cwtest::ReadFile(file);
  const std::uint64_t certTable = ReadLe32(file, CertDirEntry(GetParam()));
  ASSERT_GT(certTable, 0u);

  struct Case {
    const char* what;
    std::uint64_t offset;
    std::uint32_t status;
  };
  const Case cases[] = {
      {"checksum (not hashed)", kChecksum, cwplat::kTrustSuccess},
      {"time stamp in the PE header", 0x40 + 8, cwplat::kTrustEBadDigest},
      {"DOS header", 0x02, cwplat::kTrustEBadDigest},
      {"code section", 0x200 + 0x10, cwplat::kTrustEBadDigest},
      {"last byte before the certificate table", certTable - 1, cwplat::kTrustEBadDigest},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    cwtest::WriteFile(file, pristine);
    FlipByte(file, c.offset);
    EXPECT_EQ(Status(file), c.status);
  }
}

TEST_P(PeSignatureTest, DamagedSignatureBlockFails) {
  const std::string file = Signed();
  const std::string pristine = cwtest::ReadFile(file);
  const std::uint64_t certTable = ReadLe32(file, CertDirEntry(GetParam()));
  const std::uint64_t certSize = ReadLe32(file, CertDirEntry(GetParam()) + 4);
  // The PKCS#7 DER ends with the signer's signature value, before the padding.
  std::uint64_t derEnd = certTable + certSize;
  while (pristine[derEnd - 1] == '\0') --derEnd;

  for (std::uint64_t offset : {derEnd - 1, certTable + 8 + 60, certTable + certSize / 2}) {
    SCOPED_TRACE(offset);
    cwtest::WriteFile(file, pristine);
    FlipByte(file, offset);
    EXPECT_NE(Status(file), cwplat::kTrustSuccess);
  }
  // The signature value itself: the content no longer matches it.
  cwtest::WriteFile(file, pristine);
  FlipByte(file, derEnd - 1);
  EXPECT_EQ(Status(file), cwplat::kTrustEBadDigest);
}

TEST_P(PeSignatureTest, SignerMustChainToAnAnchorAndMaySignCode) {
  EXPECT_EQ(Status(Signed("other-codesign.pem", "other-codesign.key")), cwplat::kCertEChaining);
  // Without the product's anchor the system store alone does not know the CA.
  EXPECT_EQ(cwplat::VerifyCodeSignature(Signed(), {}).status, cwplat::kCertEChaining);

  EXPECT_EQ(Status(Signed("tls.pem", "tls.key")), cwplat::kCertEWrongUsage);
}

TEST_P(PeSignatureTest, BytesAfterTheCertificateTableAreRefused) {
  const std::string file = Signed();
  cwtest::WriteFile(file, cwtest::ReadFile(file) + std::string(8, 'x'));
  EXPECT_EQ(Status(file), cwplat::kTrustEBadDigest);
}

TEST_P(PeSignatureTest, LargeImageIsHashedAcrossBlocks) {
  cwtest::WriteFile(m_dir / "app.exe", MinimalPe(GetParam(), 3 * 1024 * 1024 + 512));
  const std::string file = Signed();
  EXPECT_EQ(Status(file), cwplat::kTrustSuccess);
  FlipByte(file, 0x200 + 2 * 1024 * 1024 + 77);
  EXPECT_EQ(Status(file), cwplat::kTrustEBadDigest);
}

INSTANTIATE_TEST_SUITE_P(Formats, PeSignatureTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Pe32Plus" : "Pe32"; });

}  // namespace
