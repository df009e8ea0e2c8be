#include "FileDigest.h"

#include <openssl/evp.h>

#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace devserver {
namespace {

std::string Hex(const unsigned char* digest, unsigned int length) {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 0x0F];
  }
  return hex;
}

struct Cached {
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;
  std::string md5;
};

std::mutex g_mutex;
std::map<std::filesystem::path, Cached> g_cache;

std::optional<std::string> Compute(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) return std::nullopt;
  std::vector<char> buffer(1 << 16);
  while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    if (EVP_DigestUpdate(ctx.get(), buffer.data(), static_cast<std::size_t>(in.gcount())) != 1) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return std::nullopt;
  return Hex(digest, length);
}

}  // namespace

std::optional<std::string> FileMd5(const std::filesystem::path& file) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec) return std::nullopt;
  const auto modified = std::filesystem::last_write_time(file, ec);
  if (ec) return std::nullopt;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    const auto it = g_cache.find(file);
    if (it != g_cache.end() && it->second.size == size && it->second.modified == modified) return it->second.md5;
  }
  std::optional<std::string> md5 = Compute(file);
  if (md5) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_cache[file] = Cached{size, modified, *md5};
  }
  return md5;
}

std::string TextMd5(std::string_view text) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_Digest(text.data(), text.size(), digest, &length, EVP_md5(), nullptr) != 1) return {};
  return Hex(digest, length);
}

}  // namespace devserver
