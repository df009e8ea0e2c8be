// MD5 in lower-case hex, computed by the tests themselves (the update
// service's {md5:...} and the banner service's signature are checked with it).
#pragma once

#include <openssl/evp.h>

#include <cstdio>
#include <string>

namespace devtest {

inline std::string Md5Hex(const std::string& data) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data.data(), data.size(), digest, &length, EVP_md5(), nullptr);
  std::string hex;
  char byte[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(byte, sizeof byte, "%02x", digest[i]);
    hex += byte;
  }
  return hex;
}

}  // namespace devtest
