// Authenticode for PE files: locate the certificate table through the PE
// headers (every offset checked against the file), compute the image digest
// the way signing tools do, and compare it with the one the signature holds.
#include "platform/code_signature_parts.h"

#include <algorithm>
#include <array>
#include <memory>

namespace cwplat::sig {
namespace {

constexpr std::uint16_t kPe32Magic = 0x10b;
constexpr std::uint16_t kPe32PlusMagic = 0x20b;
constexpr std::uint16_t kWinCertRevision2 = 0x0200;
constexpr std::uint16_t kWinCertTypePkcsSignedData = 0x0002;
constexpr std::uint32_t kWinCertHeader = 8;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint16_t kMaxSections = 96;

std::uint16_t Le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

CodeSignatureResult NotSigned(std::string detail) { return Verdict(kTrustENoSignature, std::move(detail)); }

// Where the hashed parts of the image begin and end.
struct PeLayout {
  std::uint64_t checksumOffset = 0;
  std::uint64_t certDirOffset = 0;     // the certificate table's data directory entry
  std::uint64_t headersEnd = 0;        // end of the section table
  std::uint64_t sectionsEnd = 0;       // end of the last section's raw data
  std::uint32_t certTableOffset = 0;   // a file offset, not an RVA
  std::uint32_t certTableSize = 0;
  bool hasCertDir = false;
};

enum class Probe { NotPe, Pe, ReadFailed };

// Reads the headers. NotPe for anything without the DOS and PE signatures and
// a known optional header; such files may still carry an appended signature.
Probe ReadPeLayout(ISubject& subject, PeLayout* layout) {
  const std::uint64_t size = subject.Size();
  std::array<unsigned char, 64> dos{};
  if (size < dos.size()) return Probe::NotPe;
  if (!subject.ReadAt(0, dos.data(), dos.size())) return Probe::ReadFailed;
  if (dos[0] != 'M' || dos[1] != 'Z') return Probe::NotPe;
  const std::uint64_t pe = Le32(&dos[0x3c]);
  // Signature, file header and the optional header's magic.
  std::array<unsigned char, 26> head{};
  if (pe < dos.size() || pe > size || size - pe < head.size()) return Probe::NotPe;
  if (!subject.ReadAt(pe, head.data(), head.size())) return Probe::ReadFailed;
  if (head[0] != 'P' || head[1] != 'E' || head[2] != 0 || head[3] != 0) return Probe::NotPe;
  const std::uint16_t magic = Le16(&head[24]);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return Probe::NotPe;
  const bool plus = magic == kPe32PlusMagic;

  const std::uint16_t sections = Le16(&head[6]);
  const std::uint16_t optionalSize = Le16(&head[20]);
  const std::uint64_t optional = pe + 24;
  layout->checksumOffset = optional + 64;
  layout->headersEnd = optional + optionalSize + std::uint64_t{sections} * kSectionHeaderSize;
  if (sections > kMaxSections || layout->headersEnd > size) return Probe::NotPe;

  // NumberOfRvaAndSizes, then the directories; the certificate table is entry 4.
  const std::uint64_t rvaCountOffset = optional + (plus ? 108 : 92);
  layout->certDirOffset = rvaCountOffset + 4 + 4 * 8;
  std::array<unsigned char, 4> count{};
  if (layout->certDirOffset + 8 <= optional + optionalSize) {
    if (!subject.ReadAt(rvaCountOffset, count.data(), count.size())) return Probe::ReadFailed;
    std::array<unsigned char, 8> dir{};
    if (Le32(count.data()) > 4) {
      if (!subject.ReadAt(layout->certDirOffset, dir.data(), dir.size())) return Probe::ReadFailed;
      layout->hasCertDir = true;
      layout->certTableOffset = Le32(&dir[0]);
      layout->certTableSize = Le32(&dir[4]);
    }
  }

  const std::uint64_t sectionTable = optional + optionalSize;
  for (std::uint16_t i = 0; i < sections; ++i) {
    std::array<unsigned char, kSectionHeaderSize> section{};
    if (!subject.ReadAt(sectionTable + std::uint64_t{i} * kSectionHeaderSize, section.data(), section.size())) {
      return Probe::ReadFailed;
    }
    const std::uint32_t rawSize = Le32(&section[16]);
    const std::uint32_t rawOffset = Le32(&section[20]);
    if (rawSize > 0) layout->sectionsEnd = std::max(layout->sectionsEnd, std::uint64_t{rawOffset} + rawSize);
  }
  return Probe::Pe;
}

// The first PKCS#7 entry of the certificate table, or why there is none.
// Entries are 8-byte aligned and must tile the table exactly.
std::optional<CodeSignatureResult> FindPkcs7Entry(ISubject& subject, const PeLayout& layout, std::string* der) {
  const std::uint64_t end = std::uint64_t{layout.certTableOffset} + layout.certTableSize;
  std::uint64_t pos = layout.certTableOffset;
  bool found = false;
  while (pos < end) {
    std::array<unsigned char, kWinCertHeader> header{};
    if (end - pos < header.size()) return Malformed("truncated certificate table entry");
    if (!subject.ReadAt(pos, header.data(), header.size())) return ReadFailure(subject);
    const std::uint32_t length = Le32(&header[0]);
    if (length < kWinCertHeader || length > end - pos) return Malformed("certificate table entry overruns the table");
    if (!found && Le16(&header[4]) == kWinCertRevision2 && Le16(&header[6]) == kWinCertTypePkcsSignedData) {
      if (length - kWinCertHeader > kMaxSignatureBytes) return Malformed("signature block too large");
      der->resize(length - kWinCertHeader);
      if (!subject.ReadAt(pos + kWinCertHeader, der->data(), der->size())) return ReadFailure(subject);
      found = true;
    }
    pos += (std::uint64_t{length} + 7) & ~std::uint64_t{7};
  }
  if (pos != end) return Malformed("certificate table entries do not fill the table");
  if (!found) return NotSigned("no PKCS#7 entry in the certificate table");
  return std::nullopt;
}

// The PKCS#7 DER followed only by the zero padding up to the 8-byte boundary:
// bytes smuggled in after the signature would be covered by no digest.
bool OnlyPaddingAfterDer(std::string_view entry) {
  std::string_view rest = entry;
  if (!DerTake(rest, 0x30) || rest.size() >= 8) return false;
  for (char c : rest) {
    if (c != 0) return false;
  }
  return true;
}

// Everything but the checksum, the certificate directory entry and the
// certificate table itself (which must end the file, so nothing follows it).
bool ImageDigest(ISubject& subject, const PeLayout& layout, const EVP_MD* md, std::string* digest) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), md, nullptr) != 1) return false;
  if (!HashRange(subject, ctx.get(), 0, layout.checksumOffset) ||
      !HashRange(subject, ctx.get(), layout.checksumOffset + 4, layout.certDirOffset) ||
      !HashRange(subject, ctx.get(), layout.certDirOffset + 8, layout.certTableOffset)) {
    return false;
  }
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int outSize = 0;
  if (EVP_DigestFinal_ex(ctx.get(), out, &outSize) != 1) return false;
  digest->assign(reinterpret_cast<const char*>(out), outSize);
  return true;
}

}  // namespace

std::optional<CodeSignatureResult> VerifyPe(ISubject& subject, const std::vector<std::string>& anchorsPem) {
  PeLayout layout;
  switch (ReadPeLayout(subject, &layout)) {
    case Probe::NotPe:
      return std::nullopt;
    case Probe::ReadFailed:
      return ReadFailure(subject);
    case Probe::Pe:
      break;
  }
  if (!layout.hasCertDir || (layout.certTableOffset == 0 && layout.certTableSize == 0)) {
    return NotSigned("the PE file has no certificate table");
  }
  const std::uint64_t tableEnd = std::uint64_t{layout.certTableOffset} + layout.certTableSize;
  if (layout.certTableOffset % 8 != 0 || layout.certTableSize < kWinCertHeader || tableEnd != subject.Size()) {
    return Malformed("the certificate table is not an aligned block at the end of the file");
  }
  if (layout.certTableOffset < layout.headersEnd || layout.certTableOffset < layout.sectionsEnd) {
    return Malformed("the certificate table overlaps the headers or a section");
  }

  std::string der;
  if (auto failure = FindPkcs7Entry(subject, layout, &der)) return failure;
  if (!OnlyPaddingAfterDer(der)) return Malformed("unexpected bytes after the PKCS#7 signature");
  std::optional<Authenticode> signature = ParseAuthenticode(der);
  if (!signature) return Malformed("the certificate table holds no Authenticode signature");

  std::string digest;
  if (!ImageDigest(subject, layout, signature->md, &digest)) return ReadFailure(subject);
  if (digest != signature->digest) return Verdict(kTrustEBadDigest, "the image digest does not match the signature");
  return VerifyAuthenticodeSigner(*signature, anchorsPem);
}

}  // namespace cwplat::sig
