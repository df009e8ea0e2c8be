// The signer's chain: built to one of the product's code-signing anchors (not
// the system store, whose roots are trusted for TLS servers), without revocation checks, and every certificate on it must
// allow code signing. OpenSSL's verdicts become the Windows certificate
// statuses.
#include "platform/code_signature_parts.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

namespace cwplat::sig {
namespace {

using StoreCtxPtr = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;

StorePtr MakeStore(const std::vector<std::string>& anchorsPem) {
  StorePtr store(X509_STORE_new());
  if (!store) return store;
  for (const std::string& pem : anchorsPem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
    while (bio) {
      X509* cert = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr);
      if (cert == nullptr) break;
      X509_STORE_add_cert(store.get(), cert);  // takes its own reference
      X509_free(cert);
    }
  }
  // The end of each PEM text leaves a "no start line" error behind.
  ERR_clear_error();
  return store;
}

std::uint32_t StatusForChainError(int error) {
  switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
      return kCertEExpired;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
      return kCertEUntrustedRoot;
    case X509_V_ERR_INVALID_PURPOSE:
      return kCertEWrongUsage;
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
    case X509_V_ERR_UNABLE_TO_DECRYPT_CERT_SIGNATURE:
      return kTrustECertSignature;
    default:
      // Missing issuers and every other way the chain fails to build.
      return kCertEChaining;
  }
}

// Windows rules: a certificate without extended key usage allows every use;
// one with it must list code signing (or "any").
bool AllowsCodeSigning(X509* cert) {
  if ((X509_get_extension_flags(cert) & EXFLAG_XKUSAGE) == 0) return true;
  return (X509_get_extended_key_usage(cert) & (XKU_CODE_SIGN | XKU_ANYEKU)) != 0;
}

}  // namespace

CodeSignatureResult VerifySignerChain(X509* signer, STACK_OF(X509)* untrusted,
                                      const std::vector<std::string>& anchorsPem) {
  StorePtr store = MakeStore(anchorsPem);
  StoreCtxPtr ctx(X509_STORE_CTX_new());
  if (!store || !ctx || X509_STORE_CTX_init(ctx.get(), store.get(), signer, untrusted) != 1) {
    return Verdict(kCertEChaining, "the certificate store cannot be set up");
  }
  if (X509_verify_cert(ctx.get()) != 1) {
    const int error = X509_STORE_CTX_get_error(ctx.get());
    return Verdict(StatusForChainError(error), X509_verify_cert_error_string(error));
  }
  // The signing key itself must be usable for signatures.
  if ((X509_get_extension_flags(signer) & EXFLAG_KUSAGE) != 0 &&
      (X509_get_key_usage(signer) & KU_DIGITAL_SIGNATURE) == 0) {
    return Verdict(kCertEWrongUsage, "the signer's key usage does not allow signatures");
  }
  STACK_OF(X509)* chain = X509_STORE_CTX_get0_chain(ctx.get());
  for (int i = 0; i < sk_X509_num(chain); ++i) {
    if (!AllowsCodeSigning(sk_X509_value(chain, i))) {
      return Verdict(kCertEWrongUsage, "a certificate in the chain is not valid for code signing");
    }
  }
  return Verdict(kTrustSuccess, "");
}

}  // namespace cwplat::sig
