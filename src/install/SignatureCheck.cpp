#include "SignatureCheck.h"

#include "Deployment.h"
#include "platform/code_signature.h"
#include "platform/log.h"

#include <cstdio>

namespace FuntionImpl {
namespace {

// The message buffer holds 256 wide characters with the terminator: keep at
// most 255 characters, never splitting a UTF-8 sequence.
constexpr std::size_t kMaxMessageChars = 255;

std::string Bounded(const std::string& text) {
  std::size_t chars = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    if (chars == kMaxMessageChars) return text.substr(0, i);
    ++chars;
  }
  return text;
}

}  // namespace

std::string SignatureStatusMessage(std::uint32_t status, std::uint32_t lastError, const std::string& path) {
  switch (status) {
    case cwplat::kTrustSuccess:
      return Bounded("The file \"" + path + "\" is signed and the signature was verified.");
    case cwplat::kTrustENoSignature:
      if (lastError == cwplat::kTrustENoSignature || lastError == cwplat::kTrustEProviderUnknown ||
          lastError == cwplat::kTrustESubjectFormUnknown) {
        return Bounded("The file \"" + path + "\" is not signed.");
      }
      return Bounded("An unknown error occurred trying to verify the signature of the \"" + path + "\" file.");
    case cwplat::kTrustEExplicitDistrust:
      return "The signature is present, but specifically disallowed.";
    case cwplat::kTrustESubjectNotTrusted:
      return "The signature is present, but not trusted.";
    case cwplat::kCryptESecuritySettings:
      return "CRYPT_E_SECURITY_SETTINGS - The hash representing the subject or the publisher wasn't explicitly "
             "trusted by the admin and admin policy has disabled user trust. No signature, publisher or timestamp "
             "errors.";
    default: {
      char text[32];
      std::snprintf(text, sizeof(text), "Error is: 0x%x.", static_cast<unsigned>(status));
      return text;
    }
  }
}

bool VerifyEmbeddedSignature(const std::string& path) {
  const cwplat::CodeSignatureResult result =
      cwplat::VerifyCodeSignature(path, CDeployment::Instance().TrustAnchorsPem(TrustPurpose::CodeSigning));
  if (!result.detail.empty()) CWLOG << " Signature check: " << result.detail;
  // The status is a Windows LONG: it is written as a signed number.
  CWLOG << " VerifyEmbeddedSignature result is " << static_cast<std::int32_t>(result.status) << ", "
        << SignatureStatusMessage(result.status, result.lastError, path);
  return result.status == cwplat::kTrustSuccess;
}

}  // namespace FuntionImpl
