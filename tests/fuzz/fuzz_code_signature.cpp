// The code-signature parsers (PE headers, certificate table, Authenticode
// PKCS#7, appended kernel-module layout) over arbitrary bytes. Nothing may
// fault, and without any trust anchor of ours nothing may verify.
#include "QuietLog.h"

#include "platform/code_signature.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 1 << 20) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (cwplat::VerifyCodeSignatureBytes(bytes, {}).status == cwplat::kTrustSuccess) std::abort();
  // The same bytes as the tail of an appended signature, so that the
  // descriptor and CMS reader see them whatever they begin with.
  const std::string appended = std::string(bytes) + "~Module signature appended~\n";
  if (cwplat::VerifyCodeSignatureBytes(appended, {}).status == cwplat::kTrustSuccess) std::abort();
  return 0;
}
