// The installer's signature check as the install flow calls it: the message
// table, the bounded message, and the anchors taken from the deployment file.
#include "SignatureFixtures.h"

#include "Deployment.h"
#include "SignatureCheck.h"
#include "platform/code_signature.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using FuntionImpl::SignatureStatusMessage;

TEST(SignatureStatusMessage, FollowsTheTrustStatusTable) {
  const std::string path = "/tmp/setup.exe";
  EXPECT_EQ(SignatureStatusMessage(0, 0, path), "The file \"/tmp/setup.exe\" is signed and the signature was verified.");
  for (std::uint32_t lastError :
       {cwplat::kTrustENoSignature, cwplat::kTrustEProviderUnknown, cwplat::kTrustESubjectFormUnknown}) {
    EXPECT_EQ(SignatureStatusMessage(cwplat::kTrustENoSignature, lastError, path),
              "The file \"/tmp/setup.exe\" is not signed.");
  }
  EXPECT_EQ(SignatureStatusMessage(cwplat::kTrustENoSignature, 2, path),
            "An unknown error occurred trying to verify the signature of the \"/tmp/setup.exe\" file.");
  EXPECT_EQ(SignatureStatusMessage(cwplat::kTrustEExplicitDistrust, 0, path),
            "The signature is present, but specifically disallowed.");
  EXPECT_EQ(SignatureStatusMessage(cwplat::kTrustESubjectNotTrusted, 0, path),
            "The signature is present, but not trusted.");
  EXPECT_EQ(SignatureStatusMessage(cwplat::kCryptESecuritySettings, 0, path).substr(0, 30),
            "CRYPT_E_SECURITY_SETTINGS - Th");
  EXPECT_EQ(SignatureStatusMessage(cwplat::kTrustEBadDigest, cwplat::kTrustEBadDigest, path), "Error is: 0x80096010.");
  EXPECT_EQ(SignatureStatusMessage(cwplat::kCertEChaining, 0, path), "Error is: 0x800b010a.");
}

TEST(SignatureStatusMessage, LongPathIsCutAtACharacterBoundary) {
  // 300 two-byte characters: the message keeps 255 characters, whole ones.
  std::string path;
  for (int i = 0; i < 300; ++i) path += "\xc3\xa9";
  const std::string message = SignatureStatusMessage(0, 0, path);
  std::size_t chars = 0;
  for (unsigned char c : message) chars += (c & 0xc0) != 0x80;
  EXPECT_EQ(chars, 255u);
  EXPECT_EQ(message.rfind("The file \"", 0), 0u);
  EXPECT_EQ(static_cast<unsigned char>(message.back()), 0xa9);
  // Short ASCII messages are left whole.
  EXPECT_EQ(SignatureStatusMessage(0, 0, std::string(200, 'a')).size(), 200u + 53u);
}

TEST(VerifyEmbeddedSignature, UsesTheDeploymentAnchorsAndLogsTheVerdict) {
  cwtest::TempDir dir;
  const auto& keys = sigtest::TestKeys::Get();
  cwtest::WriteFile(dir / "setup", "#!/bin/sh\nexit 0\n");
  ASSERT_TRUE(sigtest::SignAppended("codesign.pem", "codesign.key", dir / "setup", dir / "signed"));

  ASSERT_TRUE(CDeployment::Instance().LoadFromText("<Deployment><CodeSigningTrustAnchor file=\"" + keys.Path("ca.pem") +
                                                   "\"/></Deployment>"));
  cwtest::LogCapture log;
  EXPECT_TRUE(FuntionImpl::VerifyEmbeddedSignature(dir / "signed"));
  EXPECT_TRUE(log.has(" VerifyEmbeddedSignature result is 0, The file \"" + (dir / "signed") +
                      "\" is signed and the signature was verified."));

  EXPECT_FALSE(FuntionImpl::VerifyEmbeddedSignature(dir / "setup"));
  EXPECT_TRUE(log.has(" VerifyEmbeddedSignature result is -2146762496, The file \"" + (dir / "setup") +
                      "\" is not signed."));

  // Without the anchor, or with it trusted for TLS servers only (or for no
  // named purpose), the same file is not trusted.
  for (const char* element : {"", "<TlsTrustAnchor file=\"%\"/>", "<TrustAnchor file=\"%\"/>"}) {
    std::string xml = std::string("<Deployment>") + element + "</Deployment>";
    if (const auto at = xml.find('%'); at != std::string::npos) xml.replace(at, 1, keys.Path("ca.pem"));
    ASSERT_TRUE(CDeployment::Instance().LoadFromText(xml));
    EXPECT_FALSE(FuntionImpl::VerifyEmbeddedSignature(dir / "signed")) << xml;
    EXPECT_EQ(log.count(" VerifyEmbeddedSignature result is -2146762486, Error is: 0x800b010a."), 1u) << xml;
    log.clear();
  }
}

}  // namespace
