// The build signs the package with the demo code-signing certificate (a
// detached CMS signature appended in the kernel-module layout), and writes the
// deployment file that trusts the demo CA and the package facts for humans.
#include "package_support.h"

#include "Deployment.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

const std::string kMarker = "~Module signature appended~\n";
constexpr std::size_t kDescriptorSize = 12;

struct AppendedSignature {
  std::string content;    // the signed bytes
  std::string signature;  // DER CMS
};

// Splits the package by its trailer; fails the test on a malformed layout.
void SplitPackage(const std::string& package, AppendedSignature& out) {
  ASSERT_GT(package.size(), kMarker.size() + kDescriptorSize);
  ASSERT_EQ(package.substr(package.size() - kMarker.size()), kMarker);
  const std::size_t descriptor = package.size() - kMarker.size() - kDescriptorSize;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(package[descriptor + i]); };
  EXPECT_EQ(byte(2), 2) << "id_type must be PKCS#7";
  const std::size_t sigLen = (std::size_t{byte(8)} << 24) | (std::size_t{byte(9)} << 16) |
                             (std::size_t{byte(10)} << 8) | std::size_t{byte(11)};
  ASSERT_GT(sigLen, 0u);
  ASSERT_LE(sigLen, descriptor);
  out.content = package.substr(0, descriptor - sigLen);
  out.signature = package.substr(descriptor - sigLen, sigLen);
}

class SignedPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    m_openssl = samplepkg::OpensslPath();
    if (m_openssl.empty()) CW_SKIP_WITHOUT_TOOL("no openssl command");
    m_package = cwtest::ReadFile(samplepkg::PackagePath());
    ASSERT_NO_FATAL_FAILURE(SplitPackage(m_package, m_parts));
    cwtest::WriteFile(m_work / "content.bin", m_parts.content);
    cwtest::WriteFile(m_work / "sig.der", m_parts.signature);
  }

  // openssl cms -verify of the appended signature against one CA.
  samplepkg::RunResult Verify(const std::string& caFile, const std::string& contentFile) {
    return samplepkg::Run(m_openssl, {"cms", "-verify", "-binary", "-inform", "DER", "-in", m_work / "sig.der",
                                      "-content", contentFile, "-CAfile", caFile, "-purpose", "any", "-signer",
                                      m_work / "signer.pem", "-out", m_work / "verified.bin"});
  }

  std::string m_openssl;
  std::string m_package;
  AppendedSignature m_parts;
  cwtest::TempDir m_work;
};

TEST_F(SignedPackage, SignatureCoversTheInstallerAndVerifiesWithDemoCa) {
  // The signed bytes are exactly the installer the build linked.
  EXPECT_TRUE(m_parts.content == cwtest::ReadFile(std::string(CW_BINARY_DIR) + "/tools/sample-package/sample_setup"));

  const samplepkg::RunResult good = Verify(samplepkg::OutputPath("ca/ca.pem"), m_work / "content.bin");
  ASSERT_EQ(good.exitCode, 0) << good.output;
  const samplepkg::RunResult usage =
      samplepkg::Run(m_openssl, {"x509", "-in", m_work / "signer.pem", "-noout", "-ext", "extendedKeyUsage"});
  EXPECT_NE(usage.output.find("Code Signing"), std::string::npos) << usage.output;
}

TEST_F(SignedPackage, SignatureFailsWithOtherCaOrChangedContent) {
  EXPECT_NE(Verify(samplepkg::OutputPath("ca/other-ca.pem"), m_work / "content.bin").exitCode, 0);

  std::string changed = m_parts.content;
  changed[changed.size() / 2] = static_cast<char>(changed[changed.size() / 2] ^ 0x01);
  cwtest::WriteFile(m_work / "changed.bin", changed);
  EXPECT_NE(Verify(samplepkg::OutputPath("ca/ca.pem"), m_work / "changed.bin").exitCode, 0);
}

TEST_F(SignedPackage, PackageInfoAndDeploymentDescribeThePackage) {
  EXPECT_GE(m_package.size(), 2u * 1024 * 1024);
  EXPECT_EQ(cwtest::ReadFile(samplepkg::OutputPath("package-info.txt")),
            "file QuorlaMurmelon_setup.exe\nmd5 " + samplepkg::Md5Hex(m_package) + "\nsize " + std::to_string(m_package.size()) +
                "\n");

  // The generated deployment file still parses, keeps the shipped services
  // and trusts the demo CA.
  CDeployment& deployment = CDeployment::Instance();
  ASSERT_TRUE(deployment.LoadFromText(cwtest::ReadFile(samplepkg::OutputPath("deployment.xml"))));
  EXPECT_EQ(deployment.Host("UpdateService"), "127.0.0.1");
  EXPECT_EQ(deployment.HostList("AwsCdnHosts"), std::vector<std::string>{"cdn-aws.quorla.test"});
  EXPECT_EQ(deployment.TrustAnchorsPem(TrustPurpose::CodeSigning), std::vector<std::string>{cwtest::ReadFile(samplepkg::OutputPath("ca/ca.pem"))});
}

}  // namespace
