// Signatures appended in the Linux kernel-module layout, for executables that
// are not PE files:
//   data | DER CMS SignedData (detached, over data) | descriptor | marker
// The 12-byte descriptor is struct module_signature: algo, hash, id_type,
// signer_len, key_id_len, 3 pad bytes, sig_len (32-bit big-endian). Only
// id_type 2 (PKCS#7) with every other field zero is accepted, as the kernel does.
#include "platform/code_signature_parts.h"

#include <openssl/cms.h>

#include <array>

namespace cwplat::sig {
namespace {

constexpr std::string_view kMarker = "~Module signature appended~\n";
constexpr std::size_t kDescriptorSize = 12;
constexpr unsigned char kIdTypePkcs7 = 2;

using CmsPtr = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;

std::uint32_t Be32(const unsigned char* p) {
  return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
         (static_cast<std::uint32_t>(p[2]) << 8) | static_cast<std::uint32_t>(p[3]);
}

// Checks the CMS structure: one signer, detached, over plain data.
bool IsDetachedDataSignature(CMS_ContentInfo* cms) {
  if (OBJ_obj2nid(CMS_get0_type(cms)) != NID_pkcs7_signed || CMS_is_detached(cms) != 1) return false;
  const ASN1_OBJECT* contentType = CMS_get0_eContentType(cms);
  if (contentType == nullptr || OBJ_obj2nid(contentType) != NID_pkcs7_data) return false;
  return sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(cms)) == 1;
}

CodeSignatureResult VerifyCms(ISubject& subject, std::uint64_t dataEnd, const std::string& der,
                              const std::vector<std::string>& anchorsPem) {
  std::string_view whole = der;
  if (!DerTake(whole, 0x30) || !whole.empty()) return Malformed("the signature is not one DER element");
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  CmsPtr cms(d2i_CMS_ContentInfo(nullptr, &p, static_cast<long>(der.size())));
  if (!cms || !IsDetachedDataSignature(cms.get())) return Malformed("not a detached PKCS#7 signature");

  SubjectReader reader{&subject, 0, dataEnd, false};
  BioPtr data = NewSubjectBio(&reader);
  StorePtr noStore(X509_STORE_new());
  if (!data || !noStore) return Malformed("out of memory");
  // The chain is checked below, with code-signing rules and our anchors.
  const int verified = CMS_verify(cms.get(), nullptr, noStore.get(), data.get(), nullptr, CMS_NOVERIFY | CMS_BINARY);
  if (reader.failed) return ReadFailure(subject);
  if (verified != 1) return Verdict(kTrustEBadDigest, "the signature does not match the data or its signer");

  STACK_OF(X509)* signers = CMS_get0_signers(cms.get());
  STACK_OF(X509)* certs = CMS_get1_certs(cms.get());
  CodeSignatureResult result = signers != nullptr && sk_X509_num(signers) == 1
                                   ? VerifySignerChain(sk_X509_value(signers, 0), certs, anchorsPem)
                                   : Malformed("the signer certificate is missing");
  sk_X509_free(signers);
  sk_X509_pop_free(certs, X509_free);
  return result;
}

}  // namespace

CodeSignatureResult VerifyAppended(ISubject& subject, const std::vector<std::string>& anchorsPem) {
  const std::uint64_t size = subject.Size();
  std::array<char, kMarker.size()> marker{};
  if (size < marker.size()) return Verdict(kTrustENoSignature, "no signature marker");
  if (!subject.ReadAt(size - marker.size(), marker.data(), marker.size())) return ReadFailure(subject);
  if (std::string_view(marker.data(), marker.size()) != kMarker) {
    return Verdict(kTrustENoSignature, "no signature marker");
  }
  const std::uint64_t beforeMarker = size - marker.size();
  if (beforeMarker < kDescriptorSize) return Malformed("the signature descriptor is truncated");
  std::array<unsigned char, kDescriptorSize> descriptor{};
  const std::uint64_t descriptorAt = beforeMarker - kDescriptorSize;
  if (!subject.ReadAt(descriptorAt, descriptor.data(), descriptor.size())) return ReadFailure(subject);
  const std::uint32_t sigLen = Be32(&descriptor[8]);
  for (std::size_t i = 0; i < 8; ++i) {
    if (descriptor[i] != (i == 2 ? kIdTypePkcs7 : 0)) return Malformed("unsupported signature descriptor");
  }
  if (sigLen == 0 || sigLen > descriptorAt || sigLen > kMaxSignatureBytes) {
    return Malformed("the signature length does not fit the file");
  }
  const std::uint64_t dataEnd = descriptorAt - sigLen;
  std::string der(sigLen, '\0');
  if (!subject.ReadAt(dataEnd, der.data(), der.size())) return ReadFailure(subject);
  return VerifyCms(subject, dataEnd, der, anchorsPem);
}

}  // namespace cwplat::sig
