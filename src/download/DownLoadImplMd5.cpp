// The MD5 check of a finished download and its completion marker.
#include "DownLoadImpl.h"

#include "platform/file_io.h"
#include "platform/log.h"

#include <openssl/evp.h>

#include <memory>
#include <vector>

namespace {

constexpr std::size_t kReadChunk = 1024 * 1024;

std::string Hex(const unsigned char* bytes, unsigned int size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(size * 2);
  for (unsigned int i = 0; i < size; ++i) {
    text += kDigits[bytes[i] >> 4];
    text += kDigits[bytes[i] & 0x0F];
  }
  return text;
}

}  // namespace

std::string CDownLoadImpl::FileMd5(const std::string& path) {
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return {};
  cwplat::CFile file;
  if (file.Open(path, cwplat::CFile::Mode::Read) == 0) {
    std::vector<char> buffer(kReadChunk);
    for (std::size_t n; (n = file.Read(buffer.data(), buffer.size())) > 0;) {
      if (EVP_DigestUpdate(context.get(), buffer.data(), n) != 1) return {};
    }
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &size) != 1) return {};
  return Hex(digest, size);
}

std::string CDownLoadImpl::TextMd5(const std::string& text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr) != 1) return {};
  return Hex(digest, size);
}

int CDownLoadImpl::checkMD5(const std::string& path, const std::string& md5, const std::string& altMd5,
                            const std::string& note) {
  const std::string digest = FileMd5(path);
  CWLOG << " MD5 of file " << path << " is " << digest;
  cwplat::CFile marker;
  if (marker.Open(path + ".db", cwplat::CFile::Mode::CreateReadWrite) == 0) {
    const std::string content = note + "###" + digest;
    marker.WriteAt(content.data(), content.size(), 0);
  }
  return !digest.empty() && (digest == md5 || digest == altMd5) ? 1 : 0;
}
