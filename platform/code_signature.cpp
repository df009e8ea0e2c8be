// The layout-independent parts of the code-signature check: dispatch by
// layout, verdict helpers, block-wise hashing and a small DER reader.
#include "platform/code_signature_parts.h"

#include <openssl/err.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace cwplat {
namespace sig {

namespace {

int SubjectRead(BIO* bio, char* out, std::size_t size, std::size_t* readBytes) {
  auto* reader = static_cast<SubjectReader*>(BIO_get_data(bio));
  *readBytes = 0;
  if (reader == nullptr || reader->failed) return 0;
  const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(size, reader->end - reader->pos));
  if (n == 0) return 0;
  if (!reader->subject->ReadAt(reader->pos, out, n)) {
    reader->failed = true;
    return 0;
  }
  reader->pos += n;
  *readBytes = n;
  return 1;
}

long SubjectCtrl(BIO* bio, int cmd, long, void*) {
  auto* reader = static_cast<SubjectReader*>(BIO_get_data(bio));
  switch (cmd) {
    case BIO_CTRL_EOF:
      return reader == nullptr || reader->pos >= reader->end ? 1 : 0;
    case BIO_CTRL_FLUSH:
      return 1;
    default:
      return 0;
  }
}

int SubjectCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

const BIO_METHOD* SubjectBioMethod() {
  static BIO_METHOD* method = [] {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "code signature subject");
    if (m != nullptr) {
      BIO_meth_set_read_ex(m, SubjectRead);
      BIO_meth_set_ctrl(m, SubjectCtrl);
      BIO_meth_set_create(m, SubjectCreate);
    }
    return m;
  }();
  return method;
}

}  // namespace

bool CMemorySubject::ReadAt(std::uint64_t offset, void* data, std::size_t size) {
  if (offset > m_bytes.size() || size > m_bytes.size() - offset) return false;
  if (size > 0) std::memcpy(data, m_bytes.data() + offset, size);
  return true;
}

CodeSignatureResult Verdict(std::uint32_t status, std::string detail) {
  return CodeSignatureResult{status, status, std::move(detail)};
}

CodeSignatureResult ReadFailure(const ISubject& subject) {
  CodeSignatureResult result;
  result.status = kTrustENoSignature;
  result.lastError = subject.ReadError() != 0 ? subject.ReadError() : kTrustESubjectFormUnknown;
  result.detail = "the file could not be read";
  return result;
}

CodeSignatureResult Malformed(std::string detail) { return Verdict(kTrustEBadDigest, std::move(detail)); }

bool HashRange(ISubject& subject, EVP_MD_CTX* md, std::uint64_t from, std::uint64_t to) {
  constexpr std::size_t kBlock = 64 * 1024;
  std::vector<unsigned char> block(kBlock);
  while (from < to) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, to - from));
    if (!subject.ReadAt(from, block.data(), n)) return false;
    if (EVP_DigestUpdate(md, block.data(), n) != 1) return false;
    from += n;
  }
  return true;
}

std::optional<DerElement> DerTake(std::string_view& in, unsigned char expectedTag) {
  if (in.size() < 2 || static_cast<unsigned char>(in[0]) != expectedTag) return std::nullopt;
  const auto first = static_cast<unsigned char>(in[1]);
  std::size_t header = 2;
  std::size_t length = first;
  if (first & 0x80) {
    const std::size_t count = first & 0x7f;
    // Indefinite lengths (count 0) are not DER; more than 4 bytes is absurd here.
    if (count == 0 || count > 4 || in.size() < 2 + count) return std::nullopt;
    length = 0;
    for (std::size_t i = 0; i < count; ++i) length = (length << 8) | static_cast<unsigned char>(in[2 + i]);
    header += count;
  }
  if (length > in.size() - header) return std::nullopt;
  DerElement element{in.substr(0, header + length), in.substr(header, length)};
  in.remove_prefix(header + length);
  return element;
}

CodeSignatureResult VerifySubject(ISubject& subject, const std::vector<std::string>& anchorsPem) {
  CodeSignatureResult result;
  if (subject.Size() == 0) {
    result.status = kTrustENoSignature;
    result.lastError = kTrustESubjectFormUnknown;
    result.detail = "the file is empty";
  } else if (auto pe = VerifyPe(subject, anchorsPem)) {
    result = std::move(*pe);
  } else {
    result = VerifyAppended(subject, anchorsPem);
  }
  // OpenSSL's error queue is per thread: leave nothing behind for the next
  // TLS handshake on this thread to trip over.
  ERR_clear_error();
  return result;
}

BioPtr NewSubjectBio(SubjectReader* reader) {
  const BIO_METHOD* method = SubjectBioMethod();
  BioPtr bio(method != nullptr ? BIO_new(method) : nullptr);
  if (bio) BIO_set_data(bio.get(), reader);
  return bio;
}

}  // namespace sig

CodeSignatureResult VerifyCodeSignatureBytes(std::string_view bytes, const std::vector<std::string>& anchorsPem) {
  sig::CMemorySubject subject(bytes);
  return sig::VerifySubject(subject, anchorsPem);
}

}  // namespace cwplat
