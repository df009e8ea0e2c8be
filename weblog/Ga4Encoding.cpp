#include "Ga4Encoding.h"

#include <cstdio>

namespace {

bool PassesUnchanged(unsigned char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  switch (c) {
    case '!': case '&': case '\'': case '(': case ')': case '*': case '-': case '.': case '=': case '_': case '~':
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string Ga4PercentEncode(std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size() * 3);
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (PassesUnchanged(c)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    }
  }
  return out;
}

std::string Ga4ClientId(std::uint32_t volumeSerial, const std::string& mac) {
  char serial[16];
  std::snprintf(serial, sizeof serial, "%X", static_cast<unsigned>(volumeSerial));
  return serial + mac;
}
