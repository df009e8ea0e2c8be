// The Authenticode PKCS#7 SignedData: its content is an SpcIndirectDataContent
// that names the digest algorithm and holds the image digest; the signature
// covers that content without its outer tag and length.
#include "platform/code_signature_parts.h"

#include <openssl/objects.h>

#include <cstring>

namespace cwplat::sig {
namespace {

constexpr const char* kSpcIndirectDataOid = "1.3.6.1.4.1.311.2.1.4";

using SigPtr = std::unique_ptr<X509_SIG, Deleter<X509_SIG, X509_SIG_free>>;

bool IsSpcIndirectData(const ASN1_OBJECT* type) {
  char text[64];
  const int n = OBJ_obj2txt(text, sizeof(text), type, 1);
  return n > 0 && static_cast<std::size_t>(n) < sizeof(text) && std::strcmp(text, kSpcIndirectDataOid) == 0;
}

// Digests a signer may use for the image; MD5 and unknown algorithms are refused.
const EVP_MD* AllowedDigest(int nid) {
  switch (nid) {
    case NID_sha1:
      return EVP_sha1();
    case NID_sha256:
      return EVP_sha256();
    case NID_sha384:
      return EVP_sha384();
    case NID_sha512:
      return EVP_sha512();
    default:
      return nullptr;
  }
}

}  // namespace

std::optional<Authenticode> ParseAuthenticode(std::string_view der) {
  Authenticode sig;
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  sig.p7.reset(d2i_PKCS7(nullptr, &p, static_cast<long>(der.size())));
  if (!sig.p7 || !PKCS7_type_is_signed(sig.p7.get())) return std::nullopt;
  const PKCS7_SIGNED* signedData = sig.p7->d.sign;
  if (signedData == nullptr || signedData->contents == nullptr || signedData->contents->type == nullptr ||
      !IsSpcIndirectData(signedData->contents->type)) {
    return std::nullopt;
  }
  const ASN1_TYPE* content = signedData->contents->d.other;
  if (content == nullptr || content->type != V_ASN1_SEQUENCE || content->value.sequence == nullptr) {
    return std::nullopt;
  }
  std::string_view encoded(reinterpret_cast<const char*>(content->value.sequence->data),
                           static_cast<std::size_t>(content->value.sequence->length));
  const auto indirect = DerTake(encoded, 0x30);
  if (!indirect || !encoded.empty()) return std::nullopt;

  // SEQUENCE { SpcAttributeTypeAndOptionalValue, DigestInfo }
  std::string_view fields = indirect->contents;
  const auto data = DerTake(fields, 0x30);
  const auto digestInfo = DerTake(fields, 0x30);
  if (!data || !digestInfo) return std::nullopt;
  const auto* q = reinterpret_cast<const unsigned char*>(digestInfo->whole.data());
  SigPtr info(d2i_X509_SIG(nullptr, &q, static_cast<long>(digestInfo->whole.size())));
  if (!info) return std::nullopt;
  const X509_ALGOR* algorithm = nullptr;
  const ASN1_OCTET_STRING* digest = nullptr;
  X509_SIG_get0(info.get(), &algorithm, &digest);
  const ASN1_OBJECT* oid = nullptr;
  X509_ALGOR_get0(&oid, nullptr, nullptr, algorithm);
  sig.md = oid != nullptr ? AllowedDigest(OBJ_obj2nid(oid)) : nullptr;
  if (sig.md == nullptr || digest == nullptr || ASN1_STRING_length(digest) != EVP_MD_get_size(sig.md)) {
    return std::nullopt;
  }
  sig.digest.assign(reinterpret_cast<const char*>(ASN1_STRING_get0_data(digest)),
                    static_cast<std::size_t>(ASN1_STRING_length(digest)));
  sig.signedContent = std::string(indirect->contents);
  return sig;
}

CodeSignatureResult VerifyAuthenticodeSigner(const Authenticode& sig, const std::vector<std::string>& anchorsPem) {
  PKCS7* p7 = sig.p7.get();
  // Authenticode allows exactly one signer.
  if (sk_PKCS7_SIGNER_INFO_num(PKCS7_get_signer_info(p7)) != 1) return Malformed("not exactly one signer");
  CMemorySubject bytes(sig.signedContent);
  SubjectReader reader{&bytes, 0, bytes.Size(), false};
  BioPtr content = NewSubjectBio(&reader);
  StorePtr noStore(X509_STORE_new());
  if (!content || !noStore) return Malformed("out of memory");
  // The chain is checked below, with code-signing rules and our anchors.
  if (PKCS7_verify(p7, nullptr, noStore.get(), content.get(), nullptr, PKCS7_NOVERIFY | PKCS7_BINARY) != 1) {
    return Verdict(kTrustEBadDigest, "the signature does not match its content or signer");
  }
  STACK_OF(X509)* signers = PKCS7_get0_signers(p7, nullptr, 0);
  if (signers == nullptr || sk_X509_num(signers) != 1) {
    sk_X509_free(signers);
    return Malformed("the signer certificate is missing");
  }
  CodeSignatureResult result = VerifySignerChain(sk_X509_value(signers, 0), p7->d.sign->cert, anchorsPem);
  sk_X509_free(signers);
  return result;
}

}  // namespace cwplat::sig
