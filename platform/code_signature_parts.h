// Internal pieces of the code-signature check (code_signature*.cpp), shared
// between the file and memory entry points and the two signature layouts.
#pragma once

#include "platform/code_signature.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cwplat::sig {

// Owners for OpenSSL objects.
template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using BioPtr = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using StorePtr = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;

// The bytes under check, read at offsets so that a file is never loaded whole.
class ISubject {
 public:
  virtual ~ISubject() = default;
  virtual std::uint64_t Size() const = 0;
  // Exactly size bytes at offset; false when they cannot be read (offsets
  // past the end included).
  virtual bool ReadAt(std::uint64_t offset, void* data, std::size_t size) = 0;
  // The error number of the last failed read (0 when none).
  virtual std::uint32_t ReadError() const = 0;
};

class CMemorySubject final : public ISubject {
 public:
  explicit CMemorySubject(std::string_view bytes) : m_bytes(bytes) {}
  std::uint64_t Size() const override { return m_bytes.size(); }
  bool ReadAt(std::uint64_t offset, void* data, std::size_t size) override;
  std::uint32_t ReadError() const override { return 0; }

 private:
  std::string_view m_bytes;
};

// Largest signature block read into memory; real ones are a few KiB.
inline constexpr std::size_t kMaxSignatureBytes = 16u << 20;

CodeSignatureResult Verdict(std::uint32_t status, std::string detail);
CodeSignatureResult ReadFailure(const ISubject& subject);
// "Signed, but the signature block cannot be used": broken signatures count
// as a digest failure.
CodeSignatureResult Malformed(std::string detail);

// Full checks for one layout. VerifyPe gives nothing when the subject is not
// a PE file; VerifyAppended reports "no signature" when the marker is absent.
std::optional<CodeSignatureResult> VerifyPe(ISubject& subject, const std::vector<std::string>& anchorsPem);
CodeSignatureResult VerifyAppended(ISubject& subject, const std::vector<std::string>& anchorsPem);
CodeSignatureResult VerifySubject(ISubject& subject, const std::vector<std::string>& anchorsPem);

// An Authenticode PKCS#7 SignedData (the certificate table entry), parsed:
// the image digest it vouches for and the algorithm that made it.
struct Authenticode {
  std::unique_ptr<PKCS7, decltype(&PKCS7_free)> p7{nullptr, PKCS7_free};
  const EVP_MD* md = nullptr;
  std::string digest;
  std::string signedContent;  // SpcIndirectDataContent without its tag and length
};
// Nothing when the block is not a well-formed Authenticode signature.
std::optional<Authenticode> ParseAuthenticode(std::string_view der);
// The signature over signedContent and the signer chain.
CodeSignatureResult VerifyAuthenticodeSigner(const Authenticode& sig, const std::vector<std::string>& anchorsPem);

// Feeds [from, to) of the subject into the digest in blocks.
bool HashRange(ISubject& subject, EVP_MD_CTX* md, std::uint64_t from, std::uint64_t to);

// A read-only BIO over [pos, end) of a subject, so that OpenSSL digests the
// data in blocks straight from the file. failed tells whether a read failed.
// (Not a memory BIO on purpose: OpenSSL 3.0's PKCS7_verify leaks the copy it
// makes of a memory BIO when the signature names an unknown digest.)
struct SubjectReader {
  ISubject* subject;
  std::uint64_t pos;
  std::uint64_t end;
  bool failed;
};
BioPtr NewSubjectBio(SubjectReader* reader);

// Verifies that signer chains to a trust anchor (system store + anchorsPem,
// intermediates taken from untrusted) and that every certificate in the chain
// allows code signing. Success, or the matching certificate status.
CodeSignatureResult VerifySignerChain(X509* signer, STACK_OF(X509)* untrusted,
                                      const std::vector<std::string>& anchorsPem);

// One DER element taken from the front of in (single-byte tags, definite
// lengths only); nothing when it is malformed, overruns in or has another tag.
struct DerElement {
  std::string_view whole;     // tag, length and contents
  std::string_view contents;  // contents only
};
std::optional<DerElement> DerTake(std::string_view& in, unsigned char expectedTag);

}  // namespace cwplat::sig
