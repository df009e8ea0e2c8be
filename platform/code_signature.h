// Code signatures of executables, checked with OpenSSL. A PE file carries an
// Authenticode signature in its certificate table; any other executable may
// carry a detached PKCS#7 signature appended in the Linux kernel-module
// layout (data | DER signature | 12-byte descriptor | "~Module signature
// appended~\n"). The verdict is given as the trust status the Windows trust
// API would report, so callers keep one table of messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cwplat {

// Trust statuses (HRESULT values of the Windows trust API).
inline constexpr std::uint32_t kTrustSuccess = 0;
inline constexpr std::uint32_t kTrustENoSignature = 0x800B0100;
inline constexpr std::uint32_t kTrustEProviderUnknown = 0x800B0001;
inline constexpr std::uint32_t kTrustESubjectFormUnknown = 0x800B0003;
inline constexpr std::uint32_t kTrustESubjectNotTrusted = 0x800B0004;
inline constexpr std::uint32_t kTrustEExplicitDistrust = 0x800B0111;
inline constexpr std::uint32_t kTrustEBadDigest = 0x80096010;
inline constexpr std::uint32_t kTrustECertSignature = 0x80096004;
inline constexpr std::uint32_t kCertEExpired = 0x800B0101;
inline constexpr std::uint32_t kCertEUntrustedRoot = 0x800B0109;
inline constexpr std::uint32_t kCertEChaining = 0x800B010A;
inline constexpr std::uint32_t kCertEWrongUsage = 0x800B0110;
inline constexpr std::uint32_t kCryptESecuritySettings = 0x80092026;

struct CodeSignatureResult {
  std::uint32_t status = kTrustENoSignature;
  // What GetLastError would say after the check: the status again for
  // signature verdicts, the file error number when the file cannot be read.
  std::uint32_t lastError = kTrustENoSignature;
  // One line for the log saying what was found (empty on success).
  std::string detail;
};

// Checks the signature of the file at path. The trust anchors are anchorsPem
// only (PEM texts, each with one or more certificates): the system store holds
// the roots for TLS servers, and those do not vouch for code.
// The signer must be allowed to sign code (extended key usage codeSigning or
// none at all); revocation is not checked. Large files are hashed in blocks.
CodeSignatureResult VerifyCodeSignature(const std::string& path,
                                        const std::vector<std::string>& anchorsPem);

// The same check over bytes already in memory (as if they were a file).
CodeSignatureResult VerifyCodeSignatureBytes(std::string_view bytes,
                                             const std::vector<std::string>& anchorsPem);

}  // namespace cwplat
