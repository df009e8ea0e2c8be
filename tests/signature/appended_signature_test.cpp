// Executables that are not PE files, signed in the kernel-module layout by
// tools/signing/sign-appended.sh.
#include "SignatureFixtures.h"

#include "platform/code_signature.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace sigtest;

constexpr std::uint64_t kTrailer = 12 + 28;  // descriptor + marker

class AppendedSignatureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string program(1024 * 1024 + 333, '\0');
    program.replace(0, 4, "\x7f" "ELF");
    for (std::size_t i = 4; i < program.size(); ++i) program[i] = static_cast<char>((i * 131) >> 3);
    cwtest::WriteFile(m_dir / "tool", program);
    std::filesystem::permissions(m_dir / "tool", std::filesystem::perms::owner_all);
  }

  std::string Signed(const std::string& cert = "codesign.pem", const std::string& key = "codesign.key") {
    const std::string out = m_dir / ("signed-" + cert);
    EXPECT_TRUE(SignAppended(cert, key, m_dir / "tool", out));
    return out;
  }

  cwplat::CodeSignatureResult Check(const std::string& file) {
    return cwplat::VerifyCodeSignature(file, TestKeys::Get().Anchors());
  }

  cwtest::TempDir m_dir;
};

TEST_F(AppendedSignatureTest, SignedFileVerifiesAndKeepsItsMode) {
  const std::string file = Signed();
  EXPECT_EQ(Check(file).status, cwplat::kTrustSuccess) << Check(file).detail;
  EXPECT_EQ(std::filesystem::status(file).permissions(), std::filesystem::perms::owner_all);

  const auto unsignedResult = Check(m_dir / "tool");
  EXPECT_EQ(unsignedResult.status, cwplat::kTrustENoSignature);
  EXPECT_EQ(unsignedResult.lastError, cwplat::kTrustENoSignature);
}

TEST_F(AppendedSignatureTest, TamperedDataOrSignatureFails) {
  const std::string file = Signed();
  const std::string pristine = cwtest::ReadFile(file);
  for (std::uint64_t offset : {std::uint64_t{10}, std::uint64_t{700 * 1024}, std::uint64_t{1024 * 1024 + 332},
                               pristine.size() - kTrailer - 1}) {
    SCOPED_TRACE(offset);
    cwtest::WriteFile(file, pristine);
    FlipByte(file, offset);
    EXPECT_EQ(Check(file).status, cwplat::kTrustEBadDigest);
  }
  // Data cut short (the signature moved forward) or grown.
  cwtest::WriteFile(file, pristine.substr(1));
  EXPECT_EQ(Check(file).status, cwplat::kTrustEBadDigest);
  cwtest::WriteFile(file, "x" + pristine);
  EXPECT_EQ(Check(file).status, cwplat::kTrustEBadDigest);
}

TEST_F(AppendedSignatureTest, SignerMustChainToAnAnchorAndMaySignCode) {
  EXPECT_EQ(Check(Signed("other-codesign.pem", "other-codesign.key")).status, cwplat::kCertEChaining);
  EXPECT_EQ(cwplat::VerifyCodeSignature(Signed(), {}).status, cwplat::kCertEChaining);
  EXPECT_EQ(Check(Signed("tls.pem", "tls.key")).status, cwplat::kCertEWrongUsage);
  // The other CA trusted as well: its signer is accepted.
  std::vector<std::string> both = TestKeys::Get().Anchors();
  both.push_back(cwtest::ReadFile(TestKeys::Get().Path("other-ca.pem")));
  EXPECT_EQ(cwplat::VerifyCodeSignature(Signed("other-codesign.pem", "other-codesign.key"), both).status,
            cwplat::kTrustSuccess);
}

TEST_F(AppendedSignatureTest, BrokenDescriptorIsRefusedWithoutReadingOutside) {
  const std::string pristine = cwtest::ReadFile(Signed());
  const std::string marker = "~Module signature appended~\n";
  const std::size_t descriptor = pristine.size() - kTrailer;
  auto withDescriptorByte = [&](std::size_t index, char value) {
    std::string bytes = pristine;
    bytes[descriptor + index] = value;
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"marker only", marker},
      {"descriptor truncated", std::string(5, '\0') + marker},
      {"sig_len larger than the file", withDescriptorByte(8, '\x7f')},
      {"sig_len zero", [&] {
         std::string b = pristine;
         b.replace(descriptor + 8, 4, std::string(4, '\0'));
         return b;
       }()},
      {"id_type not PKCS#7", withDescriptorByte(2, '\x01')},
      {"signer_len set", withDescriptorByte(3, '\x01')},
      {"sig_len one too small", withDescriptorByte(11, static_cast<char>(pristine[descriptor + 11] - 1))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(cwplat::VerifyCodeSignatureBytes(c.bytes, TestKeys::Get().Anchors()).status, cwplat::kTrustEBadDigest);
  }
}

}  // namespace
